// qvdata import DIR --students F.csv --subjects F.csv [--gradebook F.csv] [--contents F.csv]
#include <filesystem>
#include <map>
#include <string>

#include "app/dictionary/file_decls.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/csv_table.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

struct Input {
  const char* option;
  const char* label;
  const char* what;  // for the summary
  bool required;
};

constexpr Input kInputs[] = {
    {"--students", "QVALUAP", "students", true},
    {"--subjects", "QVMATERIAS", "subjects", true},
    {"--gradebook", "QVLIBRETA", "grade-book rows", false},
    {"--contents", "QVAPRENDE", "contents", false},
};

// The value of a unique key in a record image, as text for comparison;
// empty when the key leaves the record out (all components blank or zero).
std::string UniqueValue(rt::FileControlBlock& scratch, const rt::KeyDecl& key) {
  std::string value;
  bool blank = true;
  for (const rt::KeyComponentDecl& c : key.components) {
    const std::string cell = CellOfField(scratch, c.field);
    const rt::FieldDecl& f = scratch.decl().fields[c.field];
    const bool zero = rt::isTextType(f.type) ? cell.empty()
                      : rt::isDecimalType(f.type) ? rt::getDecimal(scratch, c.field).value_or(0).IsZero()
                                                  : cell.empty() || cell == "0";
    if (!zero) blank = false;
    if (!value.empty()) value += ", ";
    value += cell;
  }
  if (blank && key.excludeBlank()) return {};
  return value;
}

std::string ShortLabel(const std::string& label) {
  const size_t colon = label.find(':');
  return colon == std::string::npos ? label : label.substr(colon + 1);
}

// Values of unique keys repeated within the CSV file, or already in the
// data file (when it exists and is open).
void CheckUniqueKeys(CsvTable& t, rt::FileControlBlock* existing, std::vector<Problem>* problems) {
  rt::FileControlBlock scratch(t.decl);
  for (size_t k = 0; k < t.decl->keys.size(); ++k) {
    const rt::KeyDecl& key = t.decl->keys[k];
    if (key.duplicates()) continue;
    // Column of the key's first component, for the report.
    size_t column = 0;
    for (size_t c = 0; c < t.columns.size(); ++c) {
      if (t.columns[c] == key.components[0].field) column = c + 1;
    }
    std::map<std::string, size_t> seen;  // value -> line
    for (size_t r = 0; r < t.records.size(); ++r) {
      scratch.record = t.records[r].record;
      const std::string value = UniqueValue(scratch, key);
      if (value.empty()) continue;
      const std::string name = ShortLabel(t.decl->fields[key.components[0].field].label);
      auto [it, fresh] = seen.emplace(value, t.lines[r]);
      if (!fresh) {
        problems->push_back({t.path, t.lines[r], column,
                             name + ": " + value + " repeats line " + std::to_string(it->second) + " (" +
                                 key.label + " is unique)"});
      } else if (existing) {
        existing->record = t.records[r].record;
        if (rt::Duplicate(*existing, static_cast<int>(k))) {
          problems->push_back({t.path, t.lines[r], column,
                               name + ": " + value + " is already in " + existing->name + " (" + key.label +
                                   " is unique)"});
        }
      }
    }
  }
}

std::string DescribeRefusal(const Batch& b, size_t index, int32_t code) {
  const auto* t = static_cast<const CsvTable*>(b.context);
  return t->path + ":" + std::to_string(t->lines[index]) + ": refused: " + FileFailure(*b.block, code);
}

}  // namespace

int RunImport(const Args& args, std::ostream& out, std::ostream& err) {
  std::string dir;
  std::map<std::string, std::string> paths;  // option -> file
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool known = false;
    for (const Input& in : kInputs) {
      if (a == in.option) {
        if (i + 1 >= args.size()) {
          err << "qvdata import: " << a << " needs a file\n";
          return kExitUsage;
        }
        paths[a] = args[++i];
        known = true;
      }
    }
    if (known) continue;
    if (!a.empty() && a[0] == '-') {
      err << "qvdata import: unknown option " << a << "\n";
      return kExitUsage;
    }
    if (!dir.empty()) {
      err << "qvdata import: one directory only\n";
      return kExitUsage;
    }
    dir = a;
  }
  if (dir.empty() || !paths.count("--students") || !paths.count("--subjects")) {
    err << "usage: qvdata import DIR --students F.csv --subjects F.csv [--gradebook F.csv] [--contents F.csv]\n";
    return kExitUsage;
  }

  School school(dir);
  std::vector<Problem> problems;
  std::vector<CsvTable> tables;
  std::vector<const Input*> inputs;
  for (const Input& in : kInputs) {
    auto p = paths.find(in.option);
    if (p == paths.end()) continue;
    tables.push_back(ReadCsvTable(p->second, app::FileDeclByLabel(in.label), &problems));
    inputs.push_back(&in);
  }
  // Unique keys, against the rows before and the records already filed.
  for (CsvTable& t : tables) {
    rt::FileControlBlock* existing = nullptr;
    if (school.Exists(t.decl->label)) {
      std::string error;
      if (!school.Open(t.decl->label, false, &error)) {
        err << "qvdata import: " << error << "\nnothing imported\n";
        return kExitFailed;
      }
      existing = school.Block(t.decl->label);
    }
    CheckUniqueKeys(t, existing, &problems);
  }
  if (!problems.empty()) {
    ReportProblems(problems, err);
    err << problems.size() << (problems.size() == 1 ? " problem" : " problems") << "; nothing imported\n";
    return kExitFailed;
  }

  // A directory made here goes again when the import fails.
  std::error_code ec;
  const bool made_dir = std::filesystem::create_directories(dir, ec);
  auto undo = [&] {
    school.RemoveCreated();
    if (made_dir) std::filesystem::remove_all(dir, ec);
  };
  std::vector<Batch> batches;
  for (CsvTable& t : tables) {
    std::string error;
    if (!school.Open(t.decl->label, true, &error)) {
      undo();
      err << "qvdata import: " << error << "\nnothing imported\n";
      return kExitFailed;
    }
    batches.push_back(Batch{school.Block(t.decl->label), &t.records, &DescribeRefusal, &t});
  }
  std::string error;
  if (!WriteAll(batches, "importing", &error)) {
    undo();
    err << error << "\nnothing imported\n";
    return kExitFailed;
  }
  school.CloseAll();
  out << "imported";
  for (size_t i = 0; i < tables.size(); ++i) {
    out << (i ? ", " : " ") << tables[i].records.size() << ' ' << inputs[i]->what;
  }
  out << " into " << dir << "\n";
  return kExitOk;
}

}  // namespace qvdata
