// krl info FILE: the header and the tables of a file.
#include <ostream>

#include "runtime/kestrel/format/header.h"
#include "tools/krl/command.h"
#include "tools/krl/kestrel_file.h"

namespace krl {
namespace {

void PrintTable(const TableInfo& t, std::ostream& out) {
  out << "table " << t.name << "\n";
  out << "  number: " << t.number << "\n";
  if (t.has_stats) {
    out << "  records: " << t.data_stats.count << "\n";
  } else {
    out << "  records: unknown (no statistics record)\n";
  }
  if (t.locale.oem) out << "  character set: OEM (text is shown as stored)\n";
  if (!t.definition_status.ok()) {
    out << "  definition: " << t.definition_status.item() << "\n";
    return;
  }
  const kestrel::TableDef& d = t.def;
  out << "  definition version: " << d.version << ", record length: " << d.record_length << "\n";
  out << "  fields: " << d.fields.size() << "\n";
  for (const kestrel::FieldDef& f : d.fields) {
    out << "    " << f.name << " " << kestrel::FieldTypeName(f.type) << " offset " << f.offset
        << " size " << f.size;
    if (f.elements > 1) out << " dim " << f.elements;
    if (kestrel::IsDecimal(f.type)) out << " places " << int(f.places);
    if (f.overlay) out << " over";
    out << "\n";
  }
  out << "  keys: " << d.keys.size() << "\n";
  for (const kestrel::KeyDef& k : d.keys) {
    out << "    " << k.label << " (";
    for (size_t i = 0; i < k.components.size(); ++i) {
      const kestrel::KeyComponent& c = k.components[i];
      if (i) out << ", ";
      if (c.descending()) out << "-";
      out << (c.field < d.fields.size() ? d.fields[c.field].name : "#" + std::to_string(c.field));
    }
    out << ")";
    if (k.attributes & kestrel::kKeyPrimary) out << " primary";
    out << (k.duplicates() ? " dup" : " unique");
    if (k.noCase()) out << " nocase";
    if (k.excludeBlank()) out << " opt";
    if (k.dynamic()) out << " dynamic";
    out << "\n";
  }
  out << "  memos: " << d.memos.size() << "\n";
  for (const kestrel::MemoDef& m : d.memos) {
    out << "    " << m.label << " " << (m.blob() ? "BLOB" : "MEMO") << " size " << m.size
        << (m.binary() ? " binary" : "") << "\n";
  }
}

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.size() != 1) {
    io.err << "usage: krl info FILE\n";
    return kExitFailed;
  }
  KestrelFile file;
  if (int rc = LoadOrReport(&file, args[0], io); rc != kExitOk) return rc;
  const kestrel::Header& h = file.header();
  std::ostream& out = io.out;
  out << "file: " << args[0] << "\n";
  out << "signature: kRtL\n";
  out << "journal start: " << h.journal_start << "\n";
  out << "journal end: " << h.journal_end << "\n";
  if (h.journalPending()) out << "journal: pending (pages shown as they stand, the journal is not applied)\n";
  out << "last record id: " << h.last_id << "\n";
  out << "change counter: " << h.change_counter << "\n";
  if (file.reader().empty()) {
    out << "root page: none\n";
  } else {
    out << "root page: " << h.root << "\n";
  }
  for (int i = 1; i <= kestrel::kMaxUnits; ++i) {
    if (h.area_start[i] == h.area_end[i]) continue;
    out << "area " << i << ": pages " << h.area_start[i] << " to " << h.area_end[i] << " ("
        << (h.area_end[i] - h.area_start[i]) / i << " pages)\n";
  }
  out << "end of data: " << h.EndOfData() << "\n";
  if (file.transactionLinked()) out << "transaction link: present\n";
  out << "tables: " << file.tables().size() << "\n";
  for (const TableInfo& t : file.tables()) PrintTable(t, out);
  return kExitOk;
}

}  // namespace

KRL_COMMAND(info, "info FILE", "header fields and the tables with their fields, keys and memos", Run);

}  // namespace krl
