// The PostgreSQL driver's part of one declared file on one thread: a table
// of the database, the current record, the sequence state with the rows
// read ahead, and the hold, watch and no-memo requests. It works on the
// control block's own buffers.
//
// Layout of a table (schema from the driver string "/SCHEMA=name", else
// QV_PG_SCHEMA, else the connection's search path):
//   qv_id   bigint     the record id (an identity column, 1 to 2^32 - 1)
//   qv_row  bytea      the record buffer as the program sees it
//   qv_k<n> bytea      key n's entry: the components as the Kestrel key
//                      encoder writes them (case folding, descending
//                      components), NULL when an all-blank entry is left
//                      out; a unique index for unique keys, (qv_k<n>,
//                      qv_id) for keys with duplicates, so unsigned byte
//                      order gives Kestrel's key order
//   qv_m<n> bytea      memo n (text memos without trailing blanks)
//   ...                the typed columns of pg_columns.h
// and a row in qv_catalog (name, definition stream) per table.
//
// Reads in key or record-id order fetch the following rows in one round
// trip (32, doubling while reading on, up to 512); those rows serve Next,
// Previous and Reget of the same order for at most a second, and only
// while the table has not changed through this connection.
//
// Holds and table locks are session advisory locks on (table oid, record
// id) and (table oid, 0); Put and Delete take the record's transaction
// lock in the same statement that writes.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/file_control.h"
#include "runtime/kestrel/driver/table_name.h"
#include "runtime/kestrel/format/table_def.h"
#include "runtime/pgsql/pg_columns.h"
#include "runtime/pgsql/pg_connection.h"

namespace pgsql {

class PgTable {
 public:
  static constexpr int kNoTimeout = -1;
  static constexpr int kFileOrder = -1;  // "key" argument meaning record-id order

  explicit PgTable(rt::FileControlBlock& file);
  ~PgTable();
  PgTable(const PgTable&) = delete;
  PgTable& operator=(const PgTable&) = delete;

  const kestrel::TableDef& def() const { return def_; }
  bool isOpen() const { return open_; }
  uint32_t currentId() const { return current_; }
  std::string displayName() const { return kestrel::DisplayName(name_); }
  const std::string& qualifiedName() const { return qualified_; }

  // --- Open and close (pg_table.cc) ----------------------------------------
  int Open(int mode);
  int Create();
  int Close();
  int Remove();
  int Empty();

  // --- Records (pg_table_records.cc) ------------------------------------------
  int Add();
  int GetByKey(int key);
  int GetById(uint32_t id);
  int Put();
  int PutById(uint32_t id);
  int Delete();
  void Hold(int seconds) { hold_requested_ = true; hold_seconds_ = seconds; }
  int Release();
  void Watch() { watch_requested_ = true; }
  void NoMemo() { nomemo_requested_ = true; }
  // Hold, watch and no-memo requests end with the read that uses them.
  void ClearRequests() { hold_requested_ = watch_requested_ = nomemo_requested_ = false; }
  int Records(uint32_t* count);
  int RecordsKey(int key, uint32_t* count);
  int Duplicate(bool* duplicate);
  int DuplicateKey(int key, bool* duplicate);

  // --- Sequence (pg_table_sequence.cc) ----------------------------------------
  int SetFile();
  int SetFilePtr(int64_t id);
  int SetFileKey(int key);
  int SetKey(int key);
  int SetKeyKey(int key);
  int SetKeyPtr(int key, int64_t id);
  int SetKeyKeyPtr(int key, uint32_t id);
  int Next();
  int Previous();
  int Skip(int64_t count);
  int Bof(bool* result);
  int Eof(bool* result);
  int Position(int key, std::string* position);
  int ResetTo(int key, std::string_view position);
  int Reget(int key, std::string_view position);

  // --- Locks and transactions (pg_table.cc) -----------------------------------
  int Lock(int seconds);
  int Unlock();
  int Logout();
  // The calling thread's transaction over every connection it began.
  static int Commit(std::string* message);
  static int Rollback(std::string* message);

  int64_t SaveState();
  bool RestoreState(int64_t handle);
  void FreeState(int64_t handle) { states_.erase(handle); }

  uint32_t multiRecordRead() const { return multi_record_read_; }
  void setMultiRecordRead(uint32_t n) { multi_record_read_ = n; }

  // Rebinds the table to its control block (the block owns the buffers).
  void bind(rt::FileControlBlock& file) { file_ = &file; }

 private:
  enum class Order { kNone, kFile, kKey };
  struct Sequence {
    Order order = Order::kNone;
    int key = -1;
    bool has_pos = false;    // false: from the first (Next) or last (Previous) record
    std::string value;       // key order: the entry's encoded components
    uint32_t id = 0;
    bool inclusive = false;  // the record at the position is still to be read
    bool value_only = false; // a key value without an id (SETkeykey)
    bool exhausted = false;  // a located start found nothing
    bool locate_pending = false;  // SETfilekey: locate at the first Next/Previous
    int locate_key = -1;
    std::string locate_value;
  };
  // One row as a read gives it.
  struct Row {
    uint32_t id = 0;
    std::string row;
    std::vector<std::string> memos;
    std::string value;  // the order's key entry (key order)
  };

  int Fail(int code, const std::string& message = {});
  int Failed(const PgResult& r) { return Fail(r.code(), r.message()); }
  bool CheckKey(int key) const;
  bool Writable();

  // SQL pieces (pg_table.cc).
  std::string SelectList(int key) const;  // qv_id, qv_row, qv_m..., entry (NULL in file order)
  Row RowAt(const PgResult& r, int i) const;
  std::string Column(const char* kind, size_t n) const { return std::string("qv_") + kind + std::to_string(n); }
  std::optional<std::string> Entry(int key, std::string_view row) const;  // nullopt: left out
  std::string EntryValue(int key, std::string_view row) const;            // the components
  std::vector<std::string> StoredMemos() const;
  void Changed();

  // Records (pg_table_records.cc).
  // The row into the buffers, with the hold and watch; `read_ahead`: the
  // row comes from a batch read earlier.
  int Deliver(const Row& row, bool read_ahead = false);
  void ReleaseHold();

  // Sequence (pg_table_sequence.cc).
  std::string Condition(const Sequence& s, bool forward, std::vector<PgParam>* params) const;
  int Fetch(bool forward, int limit, std::vector<Row>* rows);
  int Step(bool forward);
  int ResolveLocate(bool forward);
  void PositionAtCurrent();
  void DropAhead() { ahead_.clear(); ahead_pos_ = -1; }
  // The row read ahead at `index` may serve a read: the table has not
  // changed through this connection and the rows are young enough.
  bool AheadValid() const;
  int ServeAhead(int index);  // delivers it and stands the sequence on it

  rt::FileControlBlock* file_;
  kestrel::TableName name_;
  kestrel::TableDef def_;
  std::vector<TypedColumn> typed_;
  std::string schema_;     // "" for the search path
  std::string conninfo_;
  std::string table_;      // SQL name of the table (unquoted)
  std::string qualified_;  // quoted, with the schema
  std::string tag_;        // leads every statement: the table's oid
  PgConnection* conn_ = nullptr;
  bool open_ = false;
  bool read_only_ = false;
  uint32_t oid_ = 0;

  uint32_t current_ = 0;
  std::string read_image_;
  Sequence seq_;
  std::vector<Row> ahead_;
  int ahead_pos_ = -1;          // index of the row served last
  bool ahead_forward_ = true;
  bool ahead_complete_ = false; // the fetch reached the end of the order
  uint64_t ahead_changes_ = 0;
  std::chrono::steady_clock::time_point ahead_time_;
  int batch_ = 0;

  bool hold_requested_ = false;
  int hold_seconds_ = kNoTimeout;
  uint32_t held_id_ = 0;
  bool watch_requested_ = false;
  bool watch_active_ = false;
  std::string watch_row_;
  std::vector<std::string> watch_memos_;
  bool nomemo_requested_ = false;
  bool memos_loaded_ = true;
  bool table_locked_ = false;

  struct SavedState {
    uint32_t current = 0;
    Sequence seq;
    std::string read_image;
  };
  std::map<int64_t, SavedState> states_;
  int64_t last_state_ = 0;
  uint32_t multi_record_read_ = 0;
};

}  // namespace pgsql
