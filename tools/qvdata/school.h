// The five data files of a school directory, opened through the runtime
// file layer and the Kestrel driver, and the one-transaction batch write
// that every command uses.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/file_control.h"

namespace qvdata {

// A record image ready to be added: the record buffer and the memos.
struct RecordImage {
  std::vector<uint8_t> record;
  std::vector<std::string> memos;
};

class School {
 public:
  explicit School(std::string dir);
  ~School();  // closes what is open
  School(const School&) = delete;
  School& operator=(const School&) = delete;

  const std::string& dir() const { return dir_; }
  // The control block of the file labelled `label` ("QVALUAP", any case);
  // null for a label that is not one of the five.
  rt::FileControlBlock* Block(std::string_view label);
  std::string PathOf(std::string_view label) const;
  bool Exists(std::string_view label) const;

  // Opens the file for reading and writing, shared. When it is missing and
  // `create` is set it is created first (and noted, see RemoveCreated).
  // Returns false with *error naming the file and the runtime's message.
  bool Open(std::string_view label, bool create, std::string* error);
  void CloseAll();
  // Removes the files this object created (after a failed write).
  void RemoveCreated();

 private:
  struct Entry {
    std::unique_ptr<rt::FileControlBlock> block;
    bool created = false;
  };
  Entry* Find(std::string_view label);

  std::string dir_;
  std::array<Entry, 5> files_;
};

// "QVAluAP.KRL: Record Not Found (35)": a failed operation's report.
std::string FileFailure(const rt::FileControlBlock& block, int32_t code);

// A record already filed, by its record id, and the image that replaces it.
struct Replacement {
  uint32_t id = 0;
  RecordImage image;
};

// What writes the records of a batch and what goes with each (the grade
// rule's results and the history of its changes), inside the batch's
// transaction: the record and what goes with it are saved together or not
// at all.
class WriteCompanion {
 public:
  virtual ~WriteCompanion() = default;
  // Before the transaction begins: opens what it writes and appends those
  // files to *files, which join the transaction. False, with *error, when
  // it cannot.
  virtual bool Join(std::vector<rt::FileControlBlock*>* files, std::string* error) = 0;
  // Inside the transaction, for each record of the batch in `file`'s
  // buffer: `before` is the image it replaces (empty for an added record),
  // `write` the driver's write of the buffer. True when written (or left as
  // it was, being so already). False when the write failed, with *code its
  // runtime code, or when what goes with it failed, with *code 0 and
  // *error; either fails the whole write.
  virtual bool Write(rt::FileControlBlock& file, std::span<const uint8_t> before,
                     const std::function<int32_t()>& write, int32_t* code, std::string* error) = 0;
  // After the transaction, whether it committed.
  virtual void Finished(bool committed) = 0;
  // After a failed write: whether to do it once more, as what went with
  // the records failed and is left out now (a history that refused them).
  virtual bool WriteAgain() const { return false; }
};

// Records to add to one open file, and records to replace in it.
struct Batch {
  rt::FileControlBlock* block = nullptr;
  const std::vector<RecordImage>* records = nullptr;
  // Called for a record that the driver refuses, with its index in
  // `records` (or in `replacements` when `replacing`); gives the text to
  // report (default: the file's failure).
  std::string (*describe)(const Batch&, size_t index, bool replacing, int32_t code) = nullptr;
  const void* context = nullptr;
  const std::vector<Replacement>* replacements = nullptr;
  WriteCompanion* companion = nullptr;  // not owned
};

// Replaces and adds every batch's records inside one transaction over their
// files, and commits. On the first failure the transaction is rolled back, nothing is
// written, and false comes back with *error (unless a companion asks for the
// write once more: then it is done again, once). `progress_label` names the
// work on a terminal.
bool WriteAll(const std::vector<Batch>& batches, std::string_view progress_label, std::string* error);

}  // namespace qvdata
