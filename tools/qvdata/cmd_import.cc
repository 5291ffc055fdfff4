// qvdata import DIR [--students F.csv] [--subjects F.csv] [--gradebook F.csv]
//                   [--contents F.csv] [--update] [--as-is] [--encoding utf-8|windows-1252]
//
// All or nothing: every row is checked first (cells, identities, what the
// row refers to, unique keys), then everything is written in one
// transaction. Grade-book rows are saved as the program saves them
// (GradeBookCompanion): with the grade rule's results, unless --as-is keeps
// the file's, and with their history.
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "app/dictionary/file_decls.h"
#include "runtime/core/file_field.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "tools/qvdata/by_label.h"
#include "tools/qvdata/commands.h"
#include "tools/qvdata/csv_table.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/grade_book_companion.h"
#include "tools/qvdata/identity.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

struct Input {
  const char* option;
  const char* label;
  const char* what;  // for the summary
};

constexpr Input kInputs[] = {
    {"--students", "QVALUAP", "students"},
    {"--subjects", "QVMATERIAS", "subjects"},
    {"--gradebook", "QVLIBRETA", "grade-book rows"},
    {"--contents", "QVAPRENDE", "contents"},
};

struct ImportOptions {
  std::string dir;
  std::map<std::string, std::string> paths;  // option -> file
  bool update = false;
  bool as_is = false;
  std::string encoding = "utf-8";
};

std::string ShortLabel(const std::string& label) {
  const size_t colon = label.find(':');
  return colon == std::string::npos ? label : label.substr(colon + 1);
}

// One CSV file and what the import makes of it.
struct Work {
  const Input* input = nullptr;
  CsvTable table;
  std::vector<RecordImage> adds;
  std::vector<size_t> add_lines;
  std::vector<Replacement> replacements;
  std::vector<size_t> replacement_lines;
};

// What the folder holds already, and what this import adds to it, of the
// things rows refer to.
struct Known {
  std::set<int64_t> subjects, students, courses;
};

void NoteReferences(const rt::FileControlBlock& f, Known* known) {
  const std::string& label = f.decl().label;
  if (label == "QVMATERIAS") {
    known->subjects.insert(IntOf(f, "QVM:NRO_REGISTRO"));
    known->courses.insert(IntOf(f, "QVM:COD_CURSO"));
  } else if (label == "QVALUAP") {
    known->students.insert(IntOf(f, "QVA:LEGAJO"));
  }
}

bool ReadKnown(School& school, const char* label, Known* known, std::string* error) {
  if (!school.Exists(label)) return true;
  if (!school.Open(label, false, error)) return false;
  rt::FileControlBlock& f = *school.Block(label);
  int32_t rc = rt::SetFile(f);
  while (rc == 0 && (rc = rt::Next(f)) == 0) NoteReferences(f, known);
  if (rc == rt::Error_RecordNotAvailable) return true;
  *error = FileFailure(f, rc);
  return false;
}

// A reference from field `label` of a row to something that must exist,
// which the CSV file `known_from` ("subjects") brings.
void CheckReference(const Work& w, size_t line, const rt::FileControlBlock& row, const char* label,
                    const std::set<int64_t>& known, const char* what, const char* known_from,
                    bool zero_allowed, std::vector<Problem>* problems) {
  const int64_t value = IntOf(row, label);
  if (value == 0 && zero_allowed) return;
  if (known.count(value)) return;
  const int field = row.decl().findField(label);
  const std::string source(known_from);
  problems->push_back({w.table.path, line, w.table.ColumnOf(field),
                       ShortLabel(label) + ": no " + what + " " + std::to_string(value) +
                           " in the folder or in this import",
                       "import the " + source + " first or in the same run with --" + source});
}

void CheckReferences(const Work& w, const rt::FileDeclPtr& decl, const Known& known,
                     std::vector<Problem>* problems) {
  rt::FileControlBlock row(decl);
  auto check = [&](const RecordImage& image, size_t line) {
    row.record = image.record;
    if (decl->label == "QVALUAP") {
      CheckReference(w, line, row, "QVA:COD_CURSO", known.courses, "course (of any subject)", "subjects", true,
                     problems);
    } else if (decl->label == "QVLIBRETA") {
      CheckReference(w, line, row, "QVL:COD_MATERIA", known.subjects, "subject", "subjects", false, problems);
      CheckReference(w, line, row, "QVL:NRO_LEGAJO", known.students, "student", "students", false, problems);
    } else if (decl->label == "QVAPRENDE") {
      CheckReference(w, line, row, "QVAP:COD_MATERIA", known.subjects, "subject", "subjects", false, problems);
    }
  };
  for (size_t i = 0; i < w.adds.size(); ++i) check(w.adds[i], w.add_lines[i]);
  for (size_t i = 0; i < w.replacements.size(); ++i) check(w.replacements[i].image, w.replacement_lines[i]);
}

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

// Values of unique keys repeated among the rows, or (for new rows) already
// in the data file when it is open. A replaced row may keep its own values;
// should it take another filed row's, the write refuses it.
void CheckUniqueKeys(const Work& w, rt::FileControlBlock* existing, std::vector<Problem>* problems) {
  const rt::FileDeclPtr& decl = w.table.decl;
  rt::FileControlBlock scratch(decl);
  struct Row {
    const RecordImage* image;
    size_t line;
    bool added;
  };
  std::vector<Row> rows;
  for (size_t i = 0; i < w.replacements.size(); ++i) {
    rows.push_back({&w.replacements[i].image, w.replacement_lines[i], false});
  }
  for (size_t i = 0; i < w.adds.size(); ++i) rows.push_back({&w.adds[i], w.add_lines[i], true});
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.line < b.line; });
  for (size_t k = 0; k < decl->keys.size(); ++k) {
    const rt::KeyDecl& key = decl->keys[k];
    if (key.duplicates()) continue;
    const size_t column = w.table.ColumnOf(key.components[0].field);
    const std::string name = ShortLabel(decl->fields[key.components[0].field].label);
    std::map<std::string, size_t> seen;  // value -> line
    for (const Row& r : rows) {
      scratch.record = r.image->record;
      const std::string value = UniqueValue(scratch, key);
      if (value.empty()) continue;
      auto [it, fresh] = seen.emplace(value, r.line);
      if (!fresh) {
        problems->push_back({w.table.path, r.line, column,
                             name + ": " + value + " repeats line " + std::to_string(it->second) + " (" +
                                 key.label + " is unique)"});
      } else if (existing && r.added) {
        existing->record = r.image->record;
        if (rt::Duplicate(*existing, static_cast<int>(k))) {
          problems->push_back({w.table.path, r.line, column,
                               name + ": " + value + " is already in " + existing->name + " (" + key.label +
                                   " is unique)"});
        }
      }
    }
  }
}

// Splits the table's rows into new rows and replacements of filed ones,
// reporting rows without an identity, identities repeated in the file and,
// without --update, identities already filed.
void MatchRows(Work& w, const std::map<std::string, FiledRow>& filed, rt::FileControlBlock* existing, bool update,
               const std::string& data_file, std::vector<Problem>* problems) {
  const CsvTable& t = w.table;
  const Identity& identity = Identity::Of(*t.decl);
  const size_t column = t.ColumnOf(identity.fields()[0]);
  rt::FileControlBlock row(t.decl);
  std::map<std::string, size_t> seen;  // identity -> line
  for (size_t r = 0; r < t.records.size(); ++r) {
    row.record = t.records[r].record;
    const std::string value = identity.ValueOf(row);
    if (value.empty()) {
      problems->push_back({t.path, t.lines[r], column, "no " + identity.Describe(row) + ": a " + identity.noun() +
                                                            " needs one"});
      continue;
    }
    auto [at, fresh] = seen.emplace(value, t.lines[r]);
    if (!fresh) {
      problems->push_back({t.path, t.lines[r], column,
                           identity.Describe(row) + " repeats line " + std::to_string(at->second)});
      continue;
    }
    auto it = filed.find(value);
    if (it == filed.end()) {
      w.adds.push_back(t.records[r]);
      w.add_lines.push_back(t.lines[r]);
      continue;
    }
    if (!update) {
      const std::string caption = it->second.caption.empty() ? "" : " (" + it->second.caption + ")";
      problems->push_back({t.path, t.lines[r], column,
                           identity.Describe(row) + caption + " is already in " + data_file +
                               "; --update replaces its fields"});
      continue;
    }
    // The filed record with the named columns written over it.
    if (const int32_t rc = rt::GetById(*existing, it->second.id); rc != 0) {
      problems->push_back({t.path, t.lines[r], column, FileFailure(*existing, rc)});
      continue;
    }
    rt::FileControlBlock merged(t.decl);
    merged.record = existing->record;
    merged.memos = existing->memos;
    t.Apply(r, merged);
    w.replacements.push_back(Replacement{it->second.id, RecordImage{merged.record, merged.memos}});
    w.replacement_lines.push_back(t.lines[r]);
  }
}

// The header must name every part of the identity, or no row could be
// matched to the filed ones.
bool HeaderNamesIdentity(const CsvTable& t, std::vector<Problem>* problems) {
  if (t.columns.empty()) return false;  // the header was refused already
  const Identity& identity = Identity::Of(*t.decl);
  bool ok = true;
  for (int field : identity.fields()) {
    if (t.ColumnOf(field)) continue;
    problems->push_back({t.path, 1, 0,
                         "no column " + ShortLabel(t.decl->fields[field].label) + ": every " + identity.noun() +
                             " is known by it"});
    ok = false;
  }
  return ok;
}

std::string DescribeRefusal(const Batch& b, size_t index, bool replacing, int32_t code) {
  const auto* w = static_cast<const Work*>(b.context);
  const size_t line = replacing ? w->replacement_lines[index] : w->add_lines[index];
  return w->table.path + ":" + std::to_string(line) + ": refused: " + FileFailure(*b.block, code);
}

bool AnySchoolFile(const School& school) {
  for (const char* label : {"QVALUAP", "QVMATERIAS", "QVLIBRETA", "QVAPRENDE", "QVSEGUIR"}) {
    if (school.Exists(label)) return true;
  }
  return false;
}

int Import(const ImportOptions& o, std::ostream& out, std::ostream& err) {
  const std::string& dir = o.dir;
  const Encoding encoding = o.encoding == "utf-8" ? Encoding::kUtf8 : Encoding::kWindows1252;
  School school(dir);
  std::vector<Problem> problems;
  std::vector<Work> works;
  for (const Input& in : kInputs) {
    auto p = o.paths.find(in.option);
    if (p == o.paths.end()) continue;
    Work w;
    w.input = &in;
    w.table = ReadCsvTable(p->second, app::FileDeclByLabel(in.label), &problems, encoding);
    works.push_back(std::move(w));
  }
  auto fail = [&](const std::string& error) {
    err << "qvdata import: " << error << "\nnothing imported\n";
    return kExitFailed;
  };

  // What rows may refer to: the filed subjects and students, then the
  // imported ones.
  Known known;
  std::string error;
  for (const char* label : {"QVMATERIAS", "QVALUAP"}) {
    if (!ReadKnown(school, label, &known, &error)) return fail(error);
  }
  for (Work& w : works) {
    if (!HeaderNamesIdentity(w.table, &problems)) continue;
    std::map<std::string, FiledRow> filed;
    rt::FileControlBlock* existing = nullptr;
    if (school.Exists(w.table.decl->label)) {
      if (!school.Open(w.table.decl->label, false, &error)) return fail(error);
      existing = school.Block(w.table.decl->label);
      if (!ReadFiledRows(*existing, Identity::Of(*w.table.decl), &filed, &error)) return fail(error);
    }
    MatchRows(w, filed, existing, o.update, school.PathOf(w.table.decl->label), &problems);
    CheckUniqueKeys(w, existing, &problems);
    rt::FileControlBlock row(w.table.decl);
    for (const RecordImage& image : w.adds) {
      row.record = image.record;
      NoteReferences(row, &known);
    }
    for (const Replacement& r : w.replacements) {
      row.record = r.image.record;
      NoteReferences(row, &known);
    }
  }
  for (const Work& w : works) CheckReferences(w, w.table.decl, known, &problems);

  if (!problems.empty()) {
    ReportProblems(problems, err);
    err << problems.size() << (problems.size() == 1 ? " problem" : " problems") << "; nothing imported\n";
    for (const Work& w : works) {
      if (w.table.spreadsheet_dates == 0) continue;
      err << "note: dates like \"02/25/87\" or \"11/08/81\" were most likely rewritten by a spreadsheet in its "
             "own order (month first, two-digit years); they are refused, as they could be read two ways. "
             "Format the date columns as text, or as DD/MM/YYYY, before saving the CSV file, or give the "
             "dates as YYYY-MM-DD (qvdata export --dates iso writes them so).\n";
      break;
    }
    return kExitFailed;
  }

  // A folder made here, and the transaction file of a folder that held no
  // school before, go again when the import fails.
  std::error_code ec;
  const bool had_school = AnySchoolFile(school);
  const bool made_dir = std::filesystem::create_directories(dir, ec);
  const std::filesystem::path tcf = std::filesystem::path(dir) / "kestrel.tcf";
  const bool had_tcf = std::filesystem::exists(tcf, ec);
  auto undo = [&] {
    school.RemoveCreated();
    if (made_dir) {
      std::filesystem::remove_all(dir, ec);
    } else if (!had_school && !had_tcf) {
      std::filesystem::remove(tcf, ec);
    }
  };
  std::vector<Batch> batches;
  GradeBookCompanion history(dir, "qvdata import", o.as_is ? app::GradeResults::AsStored : app::GradeResults::ApplyRule,
                             err);
  for (Work& w : works) {
    if (!school.Open(w.table.decl->label, true, &error)) {
      undo();
      return fail(error);
    }
    batches.push_back(Batch{school.Block(w.table.decl->label), &w.adds, &DescribeRefusal, &w, &w.replacements});
    if (w.table.decl->label == "QVLIBRETA") batches.back().companion = &history;
  }
  if (!WriteAll(batches, "importing", &error)) {
    undo();
    err << error << "\nnothing imported\n";
    return kExitFailed;
  }
  school.CloseAll();
  out << "imported";
  for (size_t i = 0; i < works.size(); ++i) {
    const Work& w = works[i];
    out << (i ? ", " : " ") << w.adds.size() << ' ' << w.input->what;
    if (!w.replacements.empty()) out << " (" << w.replacements.size() << " updated)";
  }
  out << " into " << dir << "\n";
  return kExitOk;
}

}  // namespace

Runner SetupImport(CLI::App& command) {
  auto o = std::make_shared<ImportOptions>();
  command.add_option("DIR", o->dir, "folder of the school (made when missing)")->required();
  for (const Input& in : kInputs) {
    command.add_option_function<std::string>(
        in.option, [o, option = std::string(in.option)](const std::string& path) { o->paths[option] = path; },
        std::string("CSV file of ") + in.what)
        ->type_name("F.csv");
  }
  command.add_flag("--update", o->update, "replace the named fields of rows already filed instead of refusing them");
  command.add_flag("--as-is", o->as_is,
                   "keep the stored results (ETAPA11, FINAL, ETADO) of grade-book rows as the file gives them, to "
                   "restore a backup or an export exactly; without it every grade-book row added or updated gets "
                   "the grade rule's results, as the program saves them (use that for grades typed elsewhere)");
  command.add_option("--encoding", o->encoding, "character set of the CSV files")
      ->check(CLI::IsMember({"utf-8", "windows-1252"}))
      ->capture_default_str();
  return [o, &command](std::ostream& out, std::ostream& err) {
    if (o->paths.empty()) {
      return rt::UsageError(command, "give at least one of --students, --subjects, --gradebook, --contents", err);
    }
    return Import(*o, out, err);
  };
}

}  // namespace qvdata
