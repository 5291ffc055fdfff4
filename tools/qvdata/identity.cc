#include "tools/qvdata/identity.h"

#include <memory>

#include "runtime/core/error_codes.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "tools/qvdata/field_text.h"
#include "tools/qvdata/school.h"

namespace qvdata {

namespace {

std::string Unprefixed(const std::string& label) {
  const size_t colon = label.find(':');
  return colon == std::string::npos ? label : label.substr(colon + 1);
}

bool IsBlank(const rt::FileControlBlock& file, int field, const std::string& cell) {
  const rt::FieldType type = file.decl().fields[field].type;
  if (rt::isTextType(type) || type == rt::FieldType::kDate) return cell.empty();
  for (char c : cell) {
    if (c >= '1' && c <= '9') return false;
  }
  return true;
}

}  // namespace

Identity::Identity(const rt::FileDecl& decl, std::vector<const char*> labels, std::string noun, const char* caption)
    : noun_(std::move(noun)), caption_(caption ? decl.findField(caption) : -1) {
  for (const char* label : labels) fields_.push_back(decl.findField(label));
}

const Identity& Identity::Of(const rt::FileDecl& decl) {
  static std::map<std::string, std::unique_ptr<Identity>> cache;
  auto it = cache.find(decl.label);
  if (it != cache.end()) return *it->second;
  std::unique_ptr<Identity> made;
  if (decl.label == "QVALUAP") {
    made.reset(new Identity(decl, {"QVA:LEGAJO"}, "student", "QVA:APELLIDO_NOMBRE"));
  } else if (decl.label == "QVMATERIAS") {
    made.reset(new Identity(decl, {"QVM:NRO_REGISTRO"}, "subject", "QVM:MATERIA"));
  } else if (decl.label == "QVLIBRETA") {
    made.reset(new Identity(decl, {"QVL:COD_MATERIA", "QVL:NRO_LEGAJO"}, "grade-book row", "QVL:ALUMNO"));
  } else if (decl.label == "QVAPRENDE") {
    made.reset(new Identity(decl, {"QVAP:COD_MATERIA", "QVAP:CONTENIDO_PRIORIZADO"}, "content", nullptr));
  } else {
    made.reset(new Identity(decl, {}, "record", nullptr));
  }
  return *cache.emplace(decl.label, std::move(made)).first->second;
}

std::string Identity::ValueOf(const rt::FileControlBlock& file) const {
  std::string value;
  bool blank = true;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const std::string cell = CellOfField(file, fields_[i]);
    if (!IsBlank(file, fields_[i], cell)) blank = false;
    if (i) value += "\x1F";
    value += cell;
  }
  return blank ? std::string() : value;
}

std::string Identity::Describe(const rt::FileControlBlock& file) const {
  std::string text;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i) text += ", ";
    const std::string cell = CellOfField(file, fields_[i]);
    const bool is_text = rt::isTextType(file.decl().fields[fields_[i]].type);
    text += Unprefixed(file.decl().fields[fields_[i]].label) + " " + (is_text ? "\"" + cell + "\"" : cell);
  }
  return text;
}

std::string Identity::Caption(const rt::FileControlBlock& file) const {
  return caption_ < 0 ? std::string() : CellOfField(file, caption_);
}

bool ReadFiledRows(rt::FileControlBlock& file, const Identity& identity, std::map<std::string, FiledRow>* rows,
                   std::string* error) {
  int32_t rc = rt::SetFile(file);
  while (rc == 0 && (rc = rt::Next(file)) == 0) {
    const std::string value = identity.ValueOf(file);
    if (value.empty()) continue;
    rows->emplace(value, FiledRow{rt::Pointer(file), identity.Caption(file)});
  }
  if (rc == rt::Error_RecordNotAvailable) return true;
  *error = FileFailure(file, rc);
  return false;
}

}  // namespace qvdata
