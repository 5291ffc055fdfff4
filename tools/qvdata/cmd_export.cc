// qvdata export DIR TABLE [--format csv|json] [--separator ,|;|tab] [--dates dmy|iso]
#include <memory>
#include <string>

#include "app/dictionary/file_decls.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/file_sequence.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/csv.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

// A table by its label or by the name the import options use.
rt::FileDeclPtr TableNamed(const std::string& name) {
  static const std::pair<const char*, const char*> kAliases[] = {
      {"students", "QVALUAP"}, {"subjects", "QVMATERIAS"}, {"gradebook", "QVLIBRETA"},
      {"contents", "QVAPRENDE"}, {"followup", "QVSEGUIR"},
  };
  for (const auto& [alias, label] : kAliases) {
    if (name == alias) return app::FileDeclByLabel(label);
  }
  return app::FileDeclByLabel(name);
}

std::string Unprefixed(const std::string& label) {
  const size_t colon = label.find(':');
  return colon == std::string::npos ? label : label.substr(colon + 1);
}

struct ExportOptions {
  std::string dir, table, format = "csv", separator = ",", dates = "dmy";
};

int Export(const ExportOptions& o, std::ostream& out, std::ostream& err) {
  const std::string& dir = o.dir;
  const std::string& table = o.table;
  const std::string& format = o.format;
  const char separator = o.separator == "tab" ? '\t' : o.separator[0];
  CellStyle style;
  style.decimal_comma = separator == ';';
  style.iso_dates = o.dates == "iso";
  rt::FileDeclPtr decl = TableNamed(table);
  if (!decl) {
    err << "qvdata export: no table " << table
        << " (QVALUAP or students, QVMATERIAS or subjects, QVLIBRETA or gradebook, QVAPRENDE or contents, "
           "QVSEGUIR or followup)\n";
    return kExitUsage;
  }
  School school(dir);
  std::string error;
  if (!school.Open(decl->label, false, &error)) {
    err << "qvdata export: " << error << "\n";
    return kExitFailed;
  }
  rt::FileControlBlock& f = *school.Block(decl->label);
  const size_t fields = decl->fields.size(), memos = decl->memos.size();
  if (format == "csv") {
    std::vector<std::string> cells;
    for (const rt::FieldDecl& fd : decl->fields) cells.push_back(Unprefixed(fd.label));
    for (const rt::MemoDecl& md : decl->memos) cells.push_back(Unprefixed(md.label));
    out << CsvLine(cells, separator);
  } else {
    out << "[";
  }
  int32_t rc = rt::SetFile(f);
  size_t n = 0;
  while (rc == 0 && (rc = rt::Next(f)) == 0) {
    if (format == "csv") {
      std::vector<std::string> cells;
      cells.reserve(fields + memos);
      for (size_t i = 0; i < fields; ++i) cells.push_back(CellOfField(f, static_cast<int>(i), style));
      for (size_t m = 0; m < memos; ++m) cells.push_back(CellOfMemo(f, static_cast<int>(m)));
      out << CsvLine(cells, separator);
    } else {
      out << (n ? ",\n" : "\n") << "  {";
      for (size_t i = 0; i < fields; ++i) {
        out << (i ? ", " : "") << JsonString(Unprefixed(decl->fields[i].label)) << ": "
            << JsonOfField(f, static_cast<int>(i));
      }
      for (size_t m = 0; m < memos; ++m) {
        out << ", " << JsonString(Unprefixed(decl->memos[m].label)) << ": "
            << JsonString(CellOfMemo(f, static_cast<int>(m)));
      }
      out << "}";
    }
    ++n;
  }
  if (format == "json") out << (n ? "\n]\n" : "]\n");
  if (rc != rt::Error_RecordNotAvailable && rc != 0) {
    err << "qvdata export: " << FileFailure(f, rc) << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

Runner SetupExport(CLI::App& command) {
  auto o = std::make_shared<ExportOptions>();
  command.add_option("DIR", o->dir, "folder of the school")->required();
  command.add_option("TABLE", o->table,
                     "QVALUAP (students), QVMATERIAS (subjects), QVLIBRETA (gradebook), QVAPRENDE (contents), "
                     "QVSEGUIR (followup)")
      ->required();
  command.add_option("--format", o->format, "csv or json")->check(CLI::IsMember({"csv", "json"}))->capture_default_str();
  command.add_option("--separator", o->separator, "between CSV cells: ',' , ';' (decimals then take a comma) or tab")
      ->check(CLI::IsMember({",", ";", "tab"}))
      ->capture_default_str();
  command.add_option("--dates", o->dates, "CSV dates as dmy (DD/MM/YYYY) or iso (YYYY-MM-DD)")
      ->check(CLI::IsMember({"dmy", "iso"}))
      ->capture_default_str();
  return [o](std::ostream& out, std::ostream& err) { return Export(*o, out, err); };
}

}  // namespace qvdata
