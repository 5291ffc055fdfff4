// qvdata export DIR TABLE [--format csv|json]
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

}  // namespace

int RunExport(const Args& args, std::ostream& out, std::ostream& err) {
  std::string dir, table, format = "csv";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--format" && i + 1 < args.size()) {
      format = args[++i];
    } else if (args[i].rfind("--format=", 0) == 0) {
      format = args[i].substr(9);
    } else if (!args[i].empty() && args[i][0] == '-') {
      err << "qvdata export: unknown option " << args[i] << "\n";
      return kExitUsage;
    } else if (dir.empty()) {
      dir = args[i];
    } else if (table.empty()) {
      table = args[i];
    } else {
      err << "qvdata export: too many arguments\n";
      return kExitUsage;
    }
  }
  if (dir.empty() || table.empty() || (format != "csv" && format != "json")) {
    err << "usage: qvdata export DIR TABLE [--format csv|json]\n"
           "  TABLE: QVALUAP (students), QVMATERIAS (subjects), QVLIBRETA (gradebook),\n"
           "         QVAPRENDE (contents), QVSEGUIR (followup)\n";
    return kExitUsage;
  }
  rt::FileDeclPtr decl = TableNamed(table);
  if (!decl) {
    err << "qvdata export: no table " << table << "\n";
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
    out << CsvLine(cells);
  } else {
    out << "[";
  }
  int32_t rc = rt::SetFile(f);
  size_t n = 0;
  while (rc == 0 && (rc = rt::Next(f)) == 0) {
    if (format == "csv") {
      std::vector<std::string> cells;
      cells.reserve(fields + memos);
      for (size_t i = 0; i < fields; ++i) cells.push_back(CellOfField(f, static_cast<int>(i)));
      for (size_t m = 0; m < memos; ++m) cells.push_back(CellOfMemo(f, static_cast<int>(m)));
      out << CsvLine(cells);
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

}  // namespace qvdata
