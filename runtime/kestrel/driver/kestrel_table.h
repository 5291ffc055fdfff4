// The Kestrel driver's part of one declared file on one thread: a table of
// a physical Kestrel file, its record buffer and memos, the current record,
// the sequence state and the hold, watch and no-memo requests.
//
// Every operation returns a runtime error code (0 on success) and leaves it
// in the calling thread's error state. An operation that fails leaves the
// table as it was: key entries are tested before anything is written, and
// the changes of an operation are committed only when it ends.
//
//   KestrelTable t({.name = "GRADES.KRL\\!STUDENTS", .create = true, .layout = def});
//   t.Create();                      // or t.Open(0x42)
//   t.record() = row; t.Add();       // new record, now current
//   t.SetKey(1); while (t.Next() == 0) { ... }
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/build_progress.h"
#include "runtime/kestrel/driver/physical_file.h"
#include "runtime/kestrel/driver/table_name.h"
#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/record.h"
#include "runtime/kestrel/format/table_def.h"
#include "runtime/kestrel/store/outcome.h"

namespace kestrel {

struct TableDeclaration {
  std::string name;           // "PHYSICAL[\!TABLE]"
  std::string driver_string;  // "/COMMAND=VALUE ..."
  bool create = false;        // Create is allowed
  bool oem = false;           // text fields are stored in the OEM character set
  bool per_thread = false;    // the physical file belongs to the opening thread
  // The program's layout; none: the layout is read from the file at open.
  std::optional<TableDef> layout;
};

// A record filter of a run-time index build: true keeps the row.
using RowFilter = std::function<bool(std::string_view row)>;
// Notices of a build in progress (runtime/core/build_progress.h); false
// cancels the build, which then fails with 93 and changes nothing.
using BuildProgressFn = std::function<bool(const rt::BuildProgress&)>;

class KestrelTable {
 public:
  static constexpr int kNoTimeout = -1;
  static constexpr int kFileOrder = -1;  // "key" argument meaning record-id order

  explicit KestrelTable(TableDeclaration declaration);
  ~KestrelTable();
  KestrelTable(const KestrelTable&) = delete;
  KestrelTable& operator=(const KestrelTable&) = delete;

  // --- Layout and buffers -------------------------------------------------
  const TableDef& def() const { return def_; }
  // The row as the program sees it (record_length bytes) and one text per memo.
  std::string& record() { return record_; }
  std::vector<std::string>& memos() { return memos_; }
  // Index of the key labelled `label` (without regard to case), or -1.
  int KeyIndex(std::string_view label) const;
  int FieldIndex(std::string_view label) const;
  bool isOpen() const { return file_ != nullptr; }
  uint32_t tableNumber() const { return table_; }
  uint32_t currentId() const { return current_; }
  const TableName& tableName() const { return name_; }
  std::string displayName() const { return DisplayName(name_); }
  const std::shared_ptr<PhysicalFile>& physicalFile() const { return file_; }

  // --- Open and close -----------------------------------------------------
  int Open(int mode = 0x22);
  int Share(int mode = 0x42);
  int Create();
  int Close();
  // Deletes the table (the physical file when it holds no other table).
  int Remove();
  int Copy(const std::string& target);
  int Rename(const std::string& target);
  int Empty();

  // --- Records --------------------------------------------------------------
  int Add();
  int Append();
  int GetByKey(int key);
  int GetById(uint32_t id);
  int Put();
  int PutById(uint32_t id);
  int Delete();
  void Hold(int seconds = kNoTimeout);
  int Release();
  void Watch() { watch_requested_ = true; }
  void NoMemo() { nomemo_requested_ = true; }
  void Clear(uint8_t fill = 0);

  // --- Sequence -------------------------------------------------------------
  int SetFile();
  int SetFileKey(int key);
  int SetFilePtr(int64_t id);
  int SetKey(int key);
  int SetKeyKey(int key);
  int SetKeyPtr(int key, int64_t id);
  int SetKeyKeyPtr(int key, uint32_t id);
  int Next();
  int Previous();
  int Skip(int64_t count);
  int Bof(bool* result);
  int Eof(bool* result);
  // key = kFileOrder for record-id order.
  int Position(int key, std::string* position);
  int ResetTo(int key, std::string_view position);
  int Reget(int key, std::string_view position);

  // --- Counts and checks ----------------------------------------------------
  int Records(uint32_t* count);
  int RecordsKey(int key, uint32_t* count);
  int Duplicate(bool* duplicate);
  int DuplicateKey(int key, bool* duplicate);
  int Bytes(uint64_t* bytes);

  // --- Keys -----------------------------------------------------------------
  // A build given `progress` reports to it as build_progress.h describes.
  int BuildFile(const BuildProgressFn& progress = nullptr);
  int BuildKey(int key, const BuildProgressFn& progress = nullptr);
  int Pack();
  // Builds a run-time index (a key with the 0x40 attribute, or a new one
  // appended to the layout when `key` is -1; *built_key receives its index).
  // A failed or cancelled build leaves the key as it was (a new one is
  // taken away again).
  int BuildDynamic(int key, std::vector<KeyComponent> components, RowFilter filter = nullptr,
                   int* built_key = nullptr, const BuildProgressFn& progress = nullptr);
  // Builds noted on a file with the progress attribute, performed later by
  // RunNotedBuilds (BUILDevent) in the order noted, each followed by its
  // Done notice; the first failure drops the rest. Close drops them too.
  using NotedBuild = std::function<int(const BuildProgressFn& progress)>;
  // A key's entry count and whether it holds every record: a declared key
  // whose statistics marker is 0, a run-time index once built.
  int KeyState(int key, uint32_t* entries, bool* complete);
  bool dynamicBuilt(int key) const { return dynamic_.count(key) != 0; }
  void NoteBuild(NotedBuild build) { noted_builds_.push_back(std::move(build)); }
  int RunNotedBuilds(const BuildProgressFn& progress);

  // --- Locks, stream mode, transactions, commands ----------------------------
  int Lock(int seconds = kNoTimeout);
  int Unlock();
  int Stream();
  int Flush();
  // Adds the physical file to the driver's transaction.
  int Logout();
  int Send(std::string_view command, std::string* result);

  // Saved positions (current record, sequence, read image) under a handle.
  int64_t SaveState();
  bool RestoreState(int64_t handle);
  void FreeState(int64_t handle);
  // Reads of a view: EndView commits what the reads left pending.
  void BeginView() { in_view_ = true; }
  int EndView();

  // The multi-record read property: records the program is about to read
  // in a row. Kept for the program; reads do not depend on it.
  uint32_t multiRecordRead() const { return multi_record_read_; }
  void setMultiRecordRead(uint32_t n) { multi_record_read_ = n; }

  // Driver string commands and the decimal-check switch (per control block).
  bool decimalCheck() const { return decimal_check_; }
  bool fullBuild() const { return full_build_; }

 private:
  enum class Order { kNone, kFile, kKey };
  struct Sequence {
    Order order = Order::kNone;
    int key = -1;
    // Store key (data key in file order, entry key in key order) of the
    // place the sequence stands; empty: before the first (Next) or after
    // the last (Previous) record.
    std::string pos;
    bool inclusive = false;  // the record at pos itself is still to be read
    // Going back from a key value over a key with ids: the highest entry
    // with that value.
    std::string pos_hi;
    bool exhausted = false;  // a located start found nothing
    // SETfilekey: locate through this key value at the first Next/Previous.
    bool locate_pending = false;
    int locate_key = -1;
    std::string locate_value;
  };
  struct Hit {
    std::string key;  // store key in the order
    uint32_t id = 0;
  };

  // Operation frame (kestrel_table.cc).
  int Finish(Outcome o);
  int Post(int code);
  Outcome Begin(bool write, bool unlocked_reads = false);
  // `changes` is the store's change count when the operation began.
  Outcome End(bool write, Outcome o, uint64_t changes);
  // Statistics counts left pending by earlier operations are written before
  // `body` runs unless it only reads rows and keys or only changes counts
  // (`keeps_counts`). A `restartable` body only reads and changes nothing
  // but the sequence before its last read: it may run without the reader
  // slot and then run a second time (see
  // PageStore::BeginOperation).
  int RunOp(bool write, const std::function<Outcome()>& body, bool keeps_counts = false, bool restartable = false);
  int Reading(const std::function<Outcome()>& body);
  bool CheckKey(int key) const;

  // Records and memos (kestrel_table_records.cc).
  Outcome LoadRow(uint32_t id, std::string* row, bool* found);
  Outcome LoadMemos(uint32_t id, std::vector<std::string>* memos);
  Outcome WriteMemos(uint32_t id, const std::vector<std::string>& memos, bool fresh);
  Outcome RemoveMemos(uint32_t id);
  Outcome EntryFor(int key, std::string_view stored_row, uint32_t id, std::optional<Record>* entry);
  Outcome ReadStats(uint8_t subject, uint32_t* count, uint32_t* marker, bool* found);
  Outcome WriteStats(uint8_t subject, uint32_t count, uint32_t marker);
  Outcome ReadRecord(uint32_t id, bool* found);
  Outcome UniqueConflict(const Record& entry, uint32_t self, bool* conflict,
                         PageStore::InsertHint* hint = nullptr);
  std::string StoredRow(std::string_view program_row) const;
  // The stored form of `program_row` without a copy when no conversion is
  // needed; otherwise converted into *scratch.
  std::string_view StoredView(const std::string& program_row, std::string* scratch) const;
  std::string ProgramRow(std::string_view stored_row) const;
  void ReleaseHold();

  // Sequence (kestrel_table_sequence.cc).
  std::string OrderPrefix(int key) const;
  // With `at`, the search runs in that cursor, and a cursor still standing
  // on `pos` steps from there instead of searching again.
  Outcome Seek(int key, const std::string& pos, bool inclusive, bool forward, Hit* hit, bool* found,
               Cursor* at = nullptr);
  Outcome ResolveLocate(bool forward);
  Outcome StepRead(bool forward);
  Outcome PositionAtCurrent();
  Outcome KeyValuePrefix(int key, std::string* prefix);

  // Open and definitions (kestrel_table_open.cc).
  Outcome OpenTable(int mode, bool create);
  Outcome VerifyOrReadDefinition();
  Outcome EnsureStatistics();
  Outcome WriteNewTable();
  static Outcome RemoveTableRecords(PageStore* store, uint32_t table, bool keep_name);
  void ResetState();
  void ApplyDriverString();

  // Builds (kestrel_table_build.cc).
  Outcome BuildKeyEntries(int key, bool partial, const BuildProgressFn* progress = nullptr);

  // Copy (kestrel_table_copy.cc).
  int CopyTo(const std::string& target, bool rename);

  TableDeclaration decl_;
  TableName name_;
  int name_error_ = 0;
  TableDef def_;
  bool prepared_ = false;
  std::shared_ptr<PhysicalFile> file_;
  uint32_t table_ = 0;
  LocaleRecord locale_{false, DefaultLocaleTables()};

  std::string record_;
  std::vector<std::string> memos_;
  std::string read_image_;
  // Reused by reads so that a row read allocates nothing.
  std::string scratch_row_;
  std::string watch_row_;
  std::vector<std::string> watch_memos_;
  uint32_t current_ = 0;
  Sequence seq_;
  // Where the last Next or Previous left the sequence in the store, and
  // the place it found (reused, so a step allocates nothing).
  Cursor seq_cursor_;
  Hit seq_hit_;
  Sequence seq_before_;  // the sequence as a restartable read found it
  // Per key: the leaf that took this table's last entry of that key.
  std::vector<std::unique_ptr<PageStore::InsertHint>> entry_hints_;
  std::vector<std::optional<Record>> add_entries_;  // Add's key entries, kept for their allocations
  // The leaf that held the row read last: rows are mostly read in runs of
  // neighbouring ids.
  PageStore::InsertHint row_hint_;
  std::string scratch_entry_;

  bool hold_requested_ = false;
  int hold_seconds_ = kNoTimeout;
  uint32_t held_id_ = 0;
  bool watch_requested_ = false;
  bool watch_active_ = false;
  bool nomemo_requested_ = false;
  bool memos_loaded_ = true;
  bool full_build_ = false;
  bool decimal_check_ = true;
  bool stream_ = false;
  int deferred_ops_ = 0;
  bool table_locked_ = false;
  int table_lock_depth_ = 0;
  bool in_view_ = false;
  struct SavedState {
    uint32_t current = 0;
    Sequence seq;
    std::string read_image;
  };
  std::map<int64_t, SavedState> states_;
  int64_t last_state_ = 0;

  // Run-time indexes: entries (components, then the id) -> id, per key.
  std::map<int, std::map<std::string, uint32_t>> dynamic_;
  std::vector<NotedBuild> noted_builds_;
  uint32_t multi_record_read_ = 0;
};

// When off, an internal consistency failure ends the program instead of
// returning error 90 (the runtime's file error reporting). On by default.
void SetFileErrorReporting(bool on);
bool FileErrorReporting();

}  // namespace kestrel
