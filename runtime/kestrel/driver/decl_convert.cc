// Runtime declarations <-> the table layout of the definition stream.
#include <memory>

#include "runtime/kestrel/driver/kestrel_driver.h"

namespace kestrel {

TableDef TableDefFromDecl(const rt::FileDecl& decl) {
  TableDef def;
  def.record_length = decl.record_length;
  for (const rt::FieldDecl& f : decl.fields) {
    FieldDef d;
    d.type = static_cast<FieldType>(f.type);
    d.offset = f.offset;
    d.name = f.label;
    d.elements = f.elements;
    d.size = f.size;
    d.overlay = f.overlay ? 1 : 0;
    d.position = f.position;
    if (IsDecimal(d.type)) {
      d.places = f.places;
      d.element_size = static_cast<uint8_t>(f.elementSize());
    }
    if (IsText(d.type)) {
      d.chars = f.chars();
      d.picture = f.picture;
    }
    def.fields.push_back(std::move(d));
  }
  for (const rt::MemoDecl& m : decl.memos) {
    def.memos.push_back(MemoDef{m.external_name, m.label, m.size, m.attributes});
  }
  for (const rt::KeyDecl& k : decl.keys) {
    KeyDef d;
    d.external_name = k.external_name;
    d.label = k.label;
    d.attributes = k.attributes;
    for (const rt::KeyComponentDecl& c : k.components) {
      d.components.push_back(KeyComponent{c.field, static_cast<uint16_t>(c.descending ? 1 : 0)});
    }
    def.keys.push_back(std::move(d));
  }
  def.version = def.RequiredVersion();
  return def;
}

rt::FileDeclPtr DeclFromTableDef(const TableDef& def, const rt::FileDecl& base) {
  auto decl = std::make_shared<rt::FileDecl>(base);
  decl->record_length = def.record_length;
  decl->fields.clear();
  decl->memos.clear();
  decl->keys.clear();
  for (const FieldDef& f : def.fields) {
    rt::FieldDecl d;
    d.label = f.name;
    d.type = static_cast<rt::FieldType>(f.type);
    d.offset = f.offset;
    d.size = f.size;
    d.elements = f.elements;
    d.overlay = f.overlay != 0;
    d.position = f.position;
    d.places = f.places;
    d.picture = f.picture;
    decl->fields.push_back(std::move(d));
  }
  for (const MemoDef& m : def.memos) decl->memos.push_back(rt::MemoDecl{m.label, m.external_name, m.size, m.attributes});
  for (const KeyDef& k : def.keys) {
    rt::KeyDecl d;
    d.label = k.label;
    d.external_name = k.external_name;
    d.attributes = k.attributes;
    for (const KeyComponent& c : k.components) d.components.push_back(rt::KeyComponentDecl{c.field, c.descending()});
    decl->keys.push_back(std::move(d));
  }
  return decl;
}

}  // namespace kestrel
