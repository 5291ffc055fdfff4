// Rows: add, get, put, delete, holds and watches, counts, duplicate checks.
#include <chrono>
#include <thread>

#include "runtime/core/error_codes.h"
#include "runtime/pgsql/pg_table.h"

namespace pgsql {

namespace {

// Advisory lock keys: the table's oid and the record id, as int4.
PgParam LockKey(uint32_t n) { return PgParam::Int(static_cast<int32_t>(n)); }

}  // namespace

void PgTable::ReleaseHold() {
  if (held_id_ == 0) return;
  if (conn_) conn_->exec("SELECT pg_advisory_unlock($1::int4, $2::int4)", {LockKey(oid_), LockKey(held_id_)});
  held_id_ = 0;
}

int PgTable::Release() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  ReleaseHold();
  return 0;
}

// A requested hold takes the record's lock and reads the row again under
// it (it may have changed since it was read ahead); a record held by
// another station is tried again until the hold's seconds have passed. A
// watched read of a row read ahead reads it again too: the watch must see
// the row as stored now.
int PgTable::Deliver(const Row& given, bool read_ahead) {
  const Row* row = &given;
  Row fresh;
  if (read_ahead && watch_requested_ && !(hold_requested_ && held_id_ != given.id)) {
    PgResult r = conn_->exec(tag_ + "SELECT " + SelectList(-1) + " FROM " + qualified_ + " WHERE qv_id = $1",
                             {PgParam::Int(given.id)});
    if (!r.ok()) return Failed(r);
    if (r.rows() == 0) return Fail(rt::Error_RecordNotAvailable);
    fresh = RowAt(r, 0);
    fresh.value = given.value;
    row = &fresh;
  } else if (hold_requested_ && held_id_ != given.id) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
      PgResult r = conn_->exec(tag_ + "SELECT l.ok, " + SelectList(-1) + " FROM (SELECT pg_try_advisory_lock($1::int4, $2::int4) AS ok) l LEFT JOIN " +
                                   qualified_ + " ON l.ok AND qv_id = $3::int8",
                               {LockKey(oid_), LockKey(given.id), PgParam::Int(given.id)});
      if (!r.ok()) return Failed(r);
      if (r.integer(0, 0) != 0) {
        if (r.isNull(0, 1)) {  // gone meanwhile
          conn_->exec("SELECT pg_advisory_unlock($1::int4, $2::int4)", {LockKey(oid_), LockKey(given.id)});
          return Fail(rt::Error_RecordNotAvailable);
        }
        ReleaseHold();
        held_id_ = given.id;
        // The columns after the lock flag are a row as SelectList gives it.
        fresh.id = given.id;
        fresh.row.assign(r.bytes(0, 2));
        for (size_t m = 0; m < def_.memos.size(); ++m) fresh.memos.emplace_back(r.bytes(0, 3 + static_cast<int>(m)));
        fresh.value = given.value;
        row = &fresh;
        break;
      }
      if (hold_seconds_ >= 0 &&
          std::chrono::steady_clock::now() - start >= std::chrono::seconds(hold_seconds_)) {
        return Fail(rt::Error_RecordIsAlreadyHeld);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  const size_t length = def_.record_length;
  file_->record.assign(row->row.begin(), row->row.end());
  file_->record.resize(length, 0);
  memos_loaded_ = !nomemo_requested_;
  if (memos_loaded_) {
    if (file_->memos.size() < def_.memos.size()) file_->memos.resize(def_.memos.size());
    for (size_t m = 0; m < def_.memos.size(); ++m) {
      file_->memos[m] = m < row->memos.size() ? row->memos[m] : std::string();
      const kestrel::MemoDef& md = def_.memos[m];
      if (!(md.attributes & (kestrel::kMemoBinary | kestrel::kMemoBlob)) && file_->memos[m].size() < md.size) {
        file_->memos[m].resize(md.size, ' ');
      }
    }
  }
  read_image_.assign(file_->record.begin(), file_->record.end());
  current_ = row->id;
  watch_active_ = watch_requested_;
  if (watch_active_) {
    watch_row_ = read_image_;
    watch_memos_ = row->memos;
  }
  return 0;
}

int PgTable::Add() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (read_only_) return Fail(rt::Error_AccessDenied);
  const std::string row(file_->record.begin(), file_->record.begin() + def_.record_length);
  std::vector<PgParam> params{PgParam::Bytes(row)};
  std::string columns = "qv_row", values = "$1";
  auto add = [&](const std::string& column, PgParam p, const std::string& cast) {
    params.push_back(std::move(p));
    columns += ", " + column;
    values += ", $" + std::to_string(params.size()) + cast;
  };
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    std::optional<std::string> e = Entry(static_cast<int>(k), row);
    add(Column("k", k), e ? PgParam::Bytes(*e) : PgParam::Null(), "::bytea");
  }
  std::vector<std::string> memos = StoredMemos();
  for (size_t m = 0; m < memos.size(); ++m) add(Column("m", m), PgParam::Bytes(memos[m]), "::bytea");
  for (const TypedColumn& c : typed_) {
    std::optional<std::string> v = TypedValue(*file_, c);
    add(QuoteIdent(c.name), v ? PgParam::Text(*v) : PgParam::Null(), "::" + c.type);
  }
  PgResult r = conn_->exec(tag_ + "INSERT INTO " + qualified_ + " (" + columns + ") VALUES (" + values +
                           ") ON CONFLICT DO NOTHING RETURNING qv_id",
                           params);
  if (!r.ok()) return Failed(r);
  if (r.rows() == 0) return Fail(rt::Error_CreatesDuplicateKey);
  Changed();
  current_ = static_cast<uint32_t>(r.integer(0, 0));
  read_image_ = row;
  memos_loaded_ = true;
  watch_active_ = false;
  PositionAtCurrent();
  return 0;
}

int PgTable::GetByKey(int key) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  if (def_.keys[key].dynamic()) return Fail(rt::Error_UnsupportedFileDriverFunction, "No run-time indexes here");
  const std::string row(file_->record.begin(), file_->record.begin() + def_.record_length);
  std::optional<std::string> entry = Entry(key, row);
  if (!entry) return Fail(rt::Error_RecordNotFound);
  const std::string k = Column("k", key);
  PgResult r = conn_->exec(tag_ + "SELECT " + SelectList(key) + " FROM " + qualified_ + " WHERE " + k +
                               " = $1" + (def_.keys[key].duplicates() ? " ORDER BY " + k + ", qv_id LIMIT 1" : ""),
                           {PgParam::Bytes(*entry)});
  if (!r.ok()) return Failed(r);
  if (r.rows() == 0) return Fail(rt::Error_RecordNotFound);
  if (int rc = Deliver(RowAt(r, 0)); rc != 0) return rc;
  PositionAtCurrent();
  return 0;
}

int PgTable::GetById(uint32_t id) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  PgResult r = conn_->exec(tag_ + "SELECT " + SelectList(-1) + " FROM " + qualified_ + " WHERE qv_id = $1",
                           {PgParam::Int(id)});
  if (!r.ok()) return Failed(r);
  if (r.rows() == 0) return Fail(rt::Error_RecordNotFound);
  if (int rc = Deliver(RowAt(r, 0)); rc != 0) return rc;
  PositionAtCurrent();
  return 0;
}

int PgTable::PutById(uint32_t id) {
  current_ = id;
  return Put();
}

// One statement takes the record's lock for the write, checks that the
// record is there and, when watched, unchanged, and writes it; its answer
// (lock taken, record found, record written) tells which step refused.
int PgTable::Put() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (read_only_) return Fail(rt::Error_AccessDenied);
  if (current_ == 0) return Fail(rt::Error_RecordNotAvailable);
  const std::string row(file_->record.begin(), file_->record.begin() + def_.record_length);
  std::vector<PgParam> params{LockKey(oid_), LockKey(current_), PgParam::Int(current_), PgParam::Bytes(row)};
  std::string set = "qv_row = $4";
  auto add = [&](const std::string& column, PgParam p, const std::string& cast) {
    params.push_back(std::move(p));
    set += ", " + column + " = $" + std::to_string(params.size()) + cast;
  };
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    std::optional<std::string> e = Entry(static_cast<int>(k), row);
    add(Column("k", k), e ? PgParam::Bytes(*e) : PgParam::Null(), "::bytea");
  }
  std::vector<std::string> memos;
  if (memos_loaded_) {
    memos = StoredMemos();
    for (size_t m = 0; m < memos.size(); ++m) add(Column("m", m), PgParam::Bytes(memos[m]), "::bytea");
  }
  for (const TypedColumn& c : typed_) {
    std::optional<std::string> v = TypedValue(*file_, c);
    add(QuoteIdent(c.name), v ? PgParam::Text(*v) : PgParam::Null(), "::" + c.type);
  }
  std::string unchanged;
  if (watch_active_) {
    params.push_back(PgParam::Bytes(watch_row_));
    unchanged = " AND qv_row = $" + std::to_string(params.size());
    for (size_t m = 0; m < def_.memos.size(); ++m) {
      params.push_back(PgParam::Bytes(m < watch_memos_.size() ? watch_memos_[m] : std::string()));
      unchanged += " AND " + Column("m", m) + " = $" + std::to_string(params.size());
    }
  }
  PgResult r = conn_->exec(
      tag_ + "WITH lk AS MATERIALIZED (SELECT pg_try_advisory_xact_lock($1::int4, $2::int4) AS ok), "
             "cur AS (SELECT 1 FROM " + qualified_ + " WHERE qv_id = $3::int8 AND (SELECT ok FROM lk)), "
             "upd AS (UPDATE " + qualified_ + " SET " + set + " WHERE qv_id = $3::int8 AND (SELECT ok FROM lk)" +
          unchanged + " RETURNING 1) "
                      "SELECT (SELECT ok FROM lk), (SELECT count(*) FROM cur), (SELECT count(*) FROM upd)",
      params);
  if (!r.ok()) return Failed(r);
  Changed();
  if (r.integer(0, 0) == 0) return Fail(rt::Error_AccessDenied, "The record is held by another station");
  if (r.integer(0, 1) == 0) return Fail(rt::Error_RecordNotAvailable);
  if (r.integer(0, 2) == 0) return Fail(rt::Error_RecordChangedByAnotherStation);
  read_image_ = row;
  if (watch_active_) {
    watch_row_ = row;
    if (memos_loaded_) watch_memos_ = memos;
  }
  PositionAtCurrent();
  return 0;
}

int PgTable::Delete() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (read_only_) return Fail(rt::Error_AccessDenied);
  if (current_ == 0) return Fail(rt::Error_RecordNotAvailable);
  const uint32_t id = current_;
  PgResult r = conn_->exec(
      tag_ + "WITH lk AS MATERIALIZED (SELECT pg_try_advisory_xact_lock($1::int4, $2::int4) AS ok), "
             "del AS (DELETE FROM " + qualified_ + " WHERE qv_id = $3::int8 AND (SELECT ok FROM lk) RETURNING 1) "
             "SELECT count(*) FROM del",
      {LockKey(oid_), LockKey(id), PgParam::Int(id)});
  if (!r.ok()) return Failed(r);
  Changed();
  if (r.integer(0, 0) == 0) return Fail(rt::Error_RecordNotAvailable);
  if (held_id_ == id) ReleaseHold();
  current_ = 0;
  watch_active_ = false;
  return 0;
}

int PgTable::Records(uint32_t* count) {
  *count = 0;
  if (!open_) return Fail(rt::Error_FileNotOpen);
  PgResult r = conn_->exec(tag_ + "SELECT count(*) FROM " + qualified_);
  if (!r.ok()) return Failed(r);
  *count = static_cast<uint32_t>(r.integer(0, 0));
  return 0;
}

int PgTable::RecordsKey(int key, uint32_t* count) {
  *count = 0;
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  PgResult r = conn_->exec(tag_ + "SELECT count(" + Column("k", key) + ") FROM " + qualified_);
  if (!r.ok()) return Failed(r);
  *count = static_cast<uint32_t>(r.integer(0, 0));
  return 0;
}

int PgTable::DuplicateKey(int key, bool* duplicate) {
  *duplicate = false;
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (!CheckKey(key) || def_.keys[key].dynamic()) return Fail(rt::Error_InvalidIndexString);
  const std::string row(file_->record.begin(), file_->record.begin() + def_.record_length);
  std::optional<std::string> entry = Entry(key, row);
  if (!entry) return 0;
  PgResult r = conn_->exec(tag_ + "SELECT EXISTS (SELECT 1 FROM " + qualified_ + " WHERE " + Column("k", key) +
                               " = $1 AND qv_id <> $2)",
                           {PgParam::Bytes(*entry), PgParam::Int(current_)});
  if (!r.ok()) return Failed(r);
  *duplicate = r.integer(0, 0) != 0;
  return 0;
}

int PgTable::Duplicate(bool* duplicate) {
  *duplicate = false;
  if (!open_) return Fail(rt::Error_FileNotOpen);
  for (size_t k = 0; k < def_.keys.size() && !*duplicate; ++k) {
    if (def_.keys[k].duplicates() || def_.keys[k].dynamic()) continue;
    if (int rc = DuplicateKey(static_cast<int>(k), duplicate); rc != 0) return rc;
  }
  return 0;
}

}  // namespace pgsql
