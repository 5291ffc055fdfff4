// krl keys FILE TABLE KEYLABEL: the entries of one key in key order.
#include <algorithm>
#include <cctype>
#include <ostream>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "tools/krl/command.h"
#include "tools/krl/json.h"
#include "tools/krl/kestrel_file.h"

namespace krl {
namespace {

using kestrel::Check;
using kestrel::Status;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

Status DumpKey(const KestrelFile& file, const TableInfo& t, size_t key_number, std::ostream& out) {
  const kestrel::TableDef& d = t.def;
  const kestrel::KeyDef& key = d.keys[key_number];
  size_t width = 0;
  for (const kestrel::KeyComponent& c : key.components) {
    if (c.field >= d.fields.size()) return Status::Corruption(Check::kFieldLayout);
    width += d.fields[c.field].size;
  }
  const std::string prefix = kestrel::KeyEntryPrefix(t.number, static_cast<uint8_t>(key_number));
  auto [b, e] = file.Range(prefix);
  for (size_t i = b; i < e; ++i) {
    const kestrel::Record& r = file.records()[i];
    std::string_view comps = r.key().substr(prefix.size());
    const size_t expected = width + (key.duplicates() ? 4 : 0);
    if (comps.size() != expected || r.value().size() != 4) return Status::Corruption(Check::kRecordValue);
    const uint32_t id = kestrel::Get32BE(r.value().data());
    if (key.duplicates() && kestrel::Get32BE(comps.data() + width) != id) {
      return Status::Corruption(Check::kRecordValue);
    }
    Json values = Json::array();
    size_t pos = 0;
    for (size_t c = 0; c < key.components.size(); ++c) {
      const kestrel::FieldDef& f = d.fields[key.components[c].field];
      const std::string raw = kestrel::DecodeComponent(f, key.components[c].descending(), comps.substr(pos, f.size));
      pos += f.size;
      values.push_back(FieldJson(f, raw));
    }
    out << JsonLine(Json{{"id", id}, {"key", std::move(values)}}) << "\n";
  }
  return Status::OK();
}

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.size() != 3) {
    io.err << "usage: krl keys FILE TABLE KEYLABEL\n";
    return kExitFailed;
  }
  KestrelFile file;
  if (int rc = LoadOrReport(&file, args[0], io); rc != kExitOk) return rc;
  const TableInfo* t = file.FindTable(args[1]);
  if (!t) {
    io.err << "krl: " << args[0] << ": no table " << args[1] << "\n";
    return kExitFailed;
  }
  if (!t->definition_status.ok()) return ReportFailure(t->definition_status, args[0], io);
  for (size_t k = 0; k < t->def.keys.size(); ++k) {
    const kestrel::KeyDef& key = t->def.keys[k];
    if (!SameName(key.label, args[2]) && !SameName(key.external_name, args[2])) continue;
    if (key.dynamic()) {
      io.err << "krl: " << args[2] << " is a run-time index; its entries are not in the file\n";
      return kExitFailed;
    }
    Status s = DumpKey(file, *t, k, io.out);
    return s.ok() ? kExitOk : ReportFailure(s, args[0], io);
  }
  io.err << "krl: " << args[0] << ": table " << t->name << " has no key " << args[2] << "\n";
  return kExitFailed;
}

}  // namespace

KRL_COMMAND(keys, "keys FILE TABLE KEYLABEL", "the entries of one key in key order with record id and values", Run);

}  // namespace krl
