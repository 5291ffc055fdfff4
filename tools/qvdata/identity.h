// What makes a row of each table the same row to a school office: students
// by LEGAJO, subjects by NRO_REGISTRO, grade-book rows by subject and
// student, contents by subject and content text. An import matches its CSV
// rows to the filed records through these.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/core/file_control.h"

namespace qvdata {

class Identity {
 public:
  // The identity of the table labelled `label` ("QVALUAP"); every table an
  // import writes has one.
  static const Identity& Of(const rt::FileDecl& decl);

  const std::vector<int>& fields() const { return fields_; }
  // "student": what one row is, for messages.
  const std::string& noun() const { return noun_; }
  // The identity of the record in `file`'s buffer as text, ("10, 1"); empty
  // when every part is blank or zero: such a row has no identity.
  std::string ValueOf(const rt::FileControlBlock& file) const;
  // "COD_MATERIA 10, NRO_LEGAJO 1" for messages.
  std::string Describe(const rt::FileControlBlock& file) const;
  // A few words that tell the row apart for a person ("Paz, Luis"); empty
  // when the table has no such field.
  std::string Caption(const rt::FileControlBlock& file) const;

 private:
  Identity(const rt::FileDecl& decl, std::vector<const char*> labels, std::string noun, const char* caption);

  std::vector<int> fields_;
  std::string noun_;
  int caption_ = -1;
};

// A filed record found by its identity.
struct FiledRow {
  uint32_t id = 0;
  std::string caption;
};

// Every filed record of the open `file` by identity. False with *error when
// the file cannot be read.
bool ReadFiledRows(rt::FileControlBlock& file, const Identity& identity, std::map<std::string, FiledRow>* rows,
                   std::string* error);

}  // namespace qvdata
