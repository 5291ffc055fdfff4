// The history of grade changes: the file "QVHISTORIA.KRL" beside the data
// files, one record per changed grade field of every grade-book row saved.
//
// Rows are saved through GradeRowSaver (grade_row_saver.h), the one route
// of the grid, "Salir" and the qvdata tools: inside the row's transaction
// over the grade book and this file, the history's records are appended
// first and the row is written after them, so that no grade is saved with
// a history that refused it:
//
//   GradeHistory history(folder);
//   history.Open();                                   // made on first use
//   rt::Logout(seconds, {&libreta, &history.Block()});
//   history.Append(before, after, author);            // before: the image replaced
//   write the row; rt::Commit()                       // or rt::Rollback()
//
// A history that cannot be opened or written does not stop the save: the
// saver reports it once and saves the row alone, and marks the gap in the
// history (Add, a marker record per such row) once it can write it again.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "runtime/core/decimal.h"
#include "runtime/core/file_control.h"

namespace app {

// Who saved: the signed-in teacher's identity number, or the tool's name.
struct GradeAuthor {
  std::int32_t dni = 0;
  std::string program;  // "qvdata import"
};

// One history record: one field of one row, changed by one save.
struct GradeHistoryEntry {
  std::int32_t subject = 0;  // QVL:COD_MATERIA
  std::int32_t student = 0;  // QVL:NRO_LEGAJO
  std::string field;         // "QVL:ETAPA2"
  std::string before;        // "6.00"; "" for a new row
  std::string after;
  rt::Decimal final_grade;   // what the grade rule gives the row after the change
  std::string status;
  std::int32_t dni = 0;      // who: a teacher ...
  std::string program;       // ... or a tool
  std::int32_t date = 0;     // standard date and time of the save
  std::int32_t time = 0;
};

class GradeHistory {
 public:
  static constexpr const char* kFileName = "QVHISTORIA.KRL";

  // The history of the school folder `folder` ("" is the working
  // directory, where the program finds its data files).
  explicit GradeHistory(std::string folder = {});
  ~GradeHistory();  // closes the file
  GradeHistory(const GradeHistory&) = delete;
  GradeHistory& operator=(const GradeHistory&) = delete;

  std::string path() const;
  bool Exists() const;

  // Opens the file for shared reading and writing, making it when it is
  // missing. Another process making it at the same moment is harmless: the
  // file is made under a name of its own and linked into place only where
  // none is. 0, or the runtime's error code (also left in the error state).
  std::int32_t Open();
  // Opens an existing file for reading only: 2 ("File Not Found") when
  // there is none.
  std::int32_t OpenForReading();
  void Close();
  bool IsOpen() const;
  // Whether the last Open made the file.
  bool created() const { return created_; }

  // The control block: a transaction that saves a grade-book row lists it
  // with the grade book's. Reading goes through it too.
  rt::FileControlBlock& Block() { return *block_; }

  // Appends one record per changed grade field of a grade-book row:
  // `before` is the QVLIBRETA record image the save replaces (empty for a
  // new row), `after` the image it writes; each record carries the final
  // grade and status the grade rule gives `after`. Date and time are
  // standard ones; without them, now. Call it inside the save's
  // transaction: a non-zero result (the runtime's error code) means the
  // records are not all there, and the transaction must not commit with
  // them. Returns 0 when nothing changed.
  std::int32_t Append(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                      const GradeAuthor& author, std::int32_t date, std::int32_t time);
  std::int32_t Append(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                      const GradeAuthor& author);
  // Appends one record as it is given (the marker of a gap, say). Inside
  // the save's transaction. 0, or the runtime's error code.
  std::int32_t Add(const GradeHistoryEntry& entry);
  // The history of one subject, or of one student in it (`student` not 0),
  // oldest first, appended to *entries. Needs the file open. 0, or the
  // runtime's error code.
  std::int32_t Read(std::int32_t subject, std::int32_t student, std::vector<GradeHistoryEntry>* entries);

  // Records added by the last Append.
  std::size_t appended() const { return appended_; }

 private:
  std::int32_t CreateInPlace();

  std::string folder_;
  std::unique_ptr<rt::FileControlBlock> block_;
  bool created_ = false;
  std::size_t appended_ = 0;
};

}  // namespace app
