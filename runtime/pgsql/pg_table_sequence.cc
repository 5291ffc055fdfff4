// Sequential access: the SET family, Next, Previous, Skip, Bof, Eof and
// positions. Reads in key order are keyset reads: the rows after (or
// before) the entry last read, in (entry, id) order, a batch at a time; the
// rows of a batch serve the following reads in either direction until the
// table changes through this connection, the sequence is set again or a
// view's reads end.
#include <algorithm>

#include "runtime/core/error_codes.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/pgsql/pg_table.h"

namespace pgsql {

namespace {

constexpr int kFirstBatch = 32;  // a browse page and its edges in one round trip
constexpr int kMaxBatch = 512;
constexpr auto kAheadLife = std::chrono::seconds(1);  // how long rows read ahead may serve reads

}  // namespace

std::string PgTable::Condition(const Sequence& s, bool forward, std::vector<PgParam>* params) const {
  const bool by_key = s.order == Order::kKey;
  const std::string col = by_key ? Column("k", s.key) : "qv_id";
  std::string where = by_key ? col + " IS NOT NULL" : "TRUE";
  if (s.has_pos) {
    const char* op = forward ? (s.inclusive ? ">=" : ">") : (s.inclusive ? "<=" : "<");
    if (!by_key) {
      params->push_back(PgParam::Int(s.id));
      where += " AND qv_id " + std::string(op) + " $" + std::to_string(params->size()) + "::int8";
    } else if (!def_.keys[s.key].duplicates() || s.value_only) {
      params->push_back(PgParam::Bytes(s.value));
      where += " AND " + col + " " + op + " $" + std::to_string(params->size()) + "::bytea";
    } else {
      params->push_back(PgParam::Bytes(s.value));
      params->push_back(PgParam::Int(s.id));
      where += " AND (" + col + ", qv_id) " + op + " ($" + std::to_string(params->size() - 1) + "::bytea, $" +
               std::to_string(params->size()) + "::int8)";
    }
  }
  const char* dir = forward ? "" : " DESC";
  where += " ORDER BY " + (by_key ? col + dir + ", " : std::string()) + "qv_id" + dir;
  return where;
}

int PgTable::Fetch(bool forward, int limit, std::vector<Row>* rows) {
  rows->clear();
  std::vector<PgParam> params;
  const std::string where = Condition(seq_, forward, &params);
  const int key = seq_.order == Order::kKey ? seq_.key : -1;
  params.push_back(PgParam::Int(limit));
  PgResult r = conn_->exec(tag_ + "SELECT " + SelectList(key) + " FROM " + qualified_ + " WHERE " + where +
                               " LIMIT $" + std::to_string(params.size()) + "::int8",
                           params);
  if (!r.ok()) return Failed(r);
  for (int i = 0; i < r.rows(); ++i) rows->push_back(RowAt(r, i));
  return 0;
}

int PgTable::ResolveLocate(bool forward) {
  seq_.locate_pending = false;
  const std::string col = Column("k", seq_.locate_key);
  const char* dir = forward ? "" : " DESC";
  PgResult r = conn_->exec(tag_ + "SELECT qv_id FROM " + qualified_ + " WHERE " + col + (forward ? " >= " : " <= ") +
                               "$1 ORDER BY " + col + dir + ", qv_id" + dir + " LIMIT 1",
                           {PgParam::Bytes(seq_.locate_value)});
  if (!r.ok()) return Failed(r);
  if (r.rows() == 0) {
    seq_.exhausted = true;
    return 0;
  }
  seq_.has_pos = true;
  seq_.id = static_cast<uint32_t>(r.integer(0, 0));
  seq_.inclusive = true;
  return 0;
}

bool PgTable::AheadValid() const {
  return !ahead_.empty() && conn_->changes(table_) == ahead_changes_ &&
         std::chrono::steady_clock::now() - ahead_time_ < kAheadLife;
}

int PgTable::ServeAhead(int index) {
  const Row& row = ahead_[index];
  if (int rc = Deliver(row, true); rc != 0) return rc;
  ahead_pos_ = index;
  seq_.has_pos = true;
  seq_.value = row.value;
  seq_.id = row.id;
  seq_.inclusive = false;
  seq_.value_only = false;
  seq_.exhausted = false;
  seq_.locate_pending = false;
  return 0;
}

int PgTable::Step(bool forward) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (seq_.order == Order::kNone) return Fail(rt::Error_RecordNotAvailable);
  if (seq_.locate_pending) {
    if (int rc = ResolveLocate(forward); rc != 0) return rc;
  }
  if (seq_.exhausted) return Fail(rt::Error_RecordNotAvailable);
  int next = -1;
  if (AheadValid()) {
    const int at = ahead_pos_ + (forward == ahead_forward_ ? 1 : -1);
    if (at >= 0 && at < static_cast<int>(ahead_.size())) next = at;
    // The batch came short of its limit: it reached the end of the order.
    if (next < 0 && forward == ahead_forward_ && ahead_complete_) return Fail(rt::Error_RecordNotAvailable);
  }
  if (next < 0) {
    // Reading on in the direction of the last batch: a larger one.
    const bool onward = !ahead_.empty() && forward == ahead_forward_;
    batch_ = onward ? std::min(batch_ * 2, kMaxBatch)
                    : std::max<int>(kFirstBatch, static_cast<int>(std::min<uint32_t>(multi_record_read_, kMaxBatch)));
    std::vector<Row> rows;
    if (int rc = Fetch(forward, batch_, &rows); rc != 0) return rc;
    DropAhead();
    if (rows.empty()) return Fail(rt::Error_RecordNotAvailable);
    ahead_complete_ = static_cast<int>(rows.size()) < batch_;
    ahead_ = std::move(rows);
    ahead_forward_ = forward;
    ahead_changes_ = conn_->changes(table_);
    ahead_time_ = std::chrono::steady_clock::now();
    next = 0;
  }
  return ServeAhead(next);
}

void PgTable::PositionAtCurrent() {
  DropAhead();
  if (seq_.order == Order::kNone) return;
  seq_.locate_pending = false;
  seq_.exhausted = false;
  seq_.inclusive = false;
  seq_.value_only = false;
  seq_.has_pos = true;
  seq_.id = current_;
  if (seq_.order == Order::kKey) seq_.value = EntryValue(seq_.key, read_image_);
}

int PgTable::SetFile() {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  seq_ = Sequence();
  seq_.order = Order::kFile;
  DropAhead();
  return 0;
}

int PgTable::SetFilePtr(int64_t id) {
  if (id <= 0 || id > 0xFFFFFFFFll) return SetFile();
  if (!open_) return Fail(rt::Error_FileNotOpen);
  seq_ = Sequence();
  seq_.order = Order::kFile;
  seq_.has_pos = true;
  seq_.id = static_cast<uint32_t>(id);
  seq_.inclusive = true;
  DropAhead();
  return 0;
}

int PgTable::SetFileKey(int key) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  seq_ = Sequence();
  seq_.order = Order::kFile;
  seq_.locate_pending = true;
  seq_.locate_key = key;
  seq_.locate_value = EntryValue(key, std::string_view(reinterpret_cast<const char*>(file_->record.data()),
                                                       def_.record_length));
  DropAhead();
  return 0;
}

int PgTable::SetKey(int key) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  seq_ = Sequence();
  seq_.order = Order::kKey;
  seq_.key = key;
  DropAhead();
  return 0;
}

int PgTable::SetKeyKey(int key) {
  if (int rc = SetKey(key); rc != 0) return rc;
  seq_.has_pos = true;
  seq_.inclusive = true;
  seq_.value_only = true;
  seq_.value = EntryValue(key, std::string_view(reinterpret_cast<const char*>(file_->record.data()),
                                                def_.record_length));
  return 0;
}

int PgTable::SetKeyKeyPtr(int key, uint32_t id) {
  if (int rc = SetKeyKey(key); rc != 0) return rc;
  seq_.value_only = false;
  seq_.id = id;
  return 0;
}

int PgTable::SetKeyPtr(int key, int64_t id) {
  if (id <= 0 || id > 0xFFFFFFFFll) return SetKey(key);
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (!CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  PgResult r = conn_->exec(tag_ + "SELECT " + Column("k", key) + " FROM " + qualified_ + " WHERE qv_id = $1",
                           {PgParam::Int(id)});
  if (!r.ok()) return Failed(r);
  if (r.rows() == 0 || r.isNull(0, 0)) return Fail(rt::Error_RecordNotFound);
  seq_ = Sequence();
  seq_.order = Order::kKey;
  seq_.key = key;
  seq_.has_pos = true;
  seq_.inclusive = true;
  seq_.value.assign(r.bytes(0, 0));
  seq_.id = static_cast<uint32_t>(id);
  DropAhead();
  return 0;
}

int PgTable::Next() { return Step(true); }
int PgTable::Previous() { return Step(false); }

int PgTable::Skip(int64_t count) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (seq_.order == Order::kNone) return Fail(rt::Error_RecordNotAvailable);
  const bool forward = count >= 0;
  if (seq_.locate_pending) {
    if (int rc = ResolveLocate(forward); rc != 0) return rc;
  }
  if (seq_.exhausted) return Fail(rt::Error_RecordNotAvailable);
  const int64_t n = forward ? count : -count;
  if (n == 0) return 0;
  std::vector<Row> rows;
  if (int rc = Fetch(forward, static_cast<int>(std::min<int64_t>(n, 1 << 30)), &rows); rc != 0) return rc;
  DropAhead();
  if (!rows.empty()) {
    seq_.has_pos = true;
    seq_.value = rows.back().value;
    seq_.id = rows.back().id;
    seq_.inclusive = false;
    seq_.value_only = false;
  }
  // A Skip that runs past the end stops on the last record it passed.
  return static_cast<int64_t>(rows.size()) < n ? Fail(rt::Error_RecordNotAvailable) : 0;
}

int PgTable::Bof(bool* result) {
  *result = true;
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (seq_.order == Order::kNone || seq_.exhausted || seq_.locate_pending || !seq_.has_pos) return 0;
  const Sequence saved = seq_;
  seq_.inclusive = false;
  std::vector<Row> rows;
  const int rc = Fetch(false, 1, &rows);
  seq_ = saved;
  if (rc != 0) return rc;
  *result = rows.empty();
  return 0;
}

int PgTable::Eof(bool* result) {
  *result = true;
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (seq_.order == Order::kNone || seq_.exhausted) return 0;
  if (seq_.locate_pending) {
    if (int rc = ResolveLocate(true); rc != 0) return rc;
    if (seq_.exhausted) return 0;
  }
  std::vector<Row> rows;
  if (int rc = Fetch(true, 1, &rows); rc != 0) return rc;
  *result = rows.empty();
  return 0;
}

int PgTable::Position(int key, std::string* position) {
  position->clear();
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (key != kFileOrder && !CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  if (current_ == 0) return Fail(rt::Error_RecordNotAvailable);
  kestrel::Append32BE(position, current_);
  if (key != kFileOrder) position->append(EntryValue(key, read_image_));
  return 0;
}

int PgTable::ResetTo(int key, std::string_view position) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (key != kFileOrder && !CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  if (position.size() < 4) return Fail(rt::Error_RecordNotAvailable);
  seq_ = Sequence();
  seq_.order = key == kFileOrder ? Order::kFile : Order::kKey;
  seq_.key = key;
  seq_.has_pos = true;
  seq_.inclusive = true;
  seq_.id = kestrel::Get32BE(position.data());
  if (key != kFileOrder) seq_.value.assign(position.substr(4));
  DropAhead();
  return 0;
}

int PgTable::Reget(int key, std::string_view position) {
  if (!open_) return Fail(rt::Error_FileNotOpen);
  if (key != kFileOrder && !CheckKey(key)) return Fail(rt::Error_InvalidIndexString);
  if (position.size() < 4) return Fail(rt::Error_RecordNotFound);
  const uint32_t id = kestrel::Get32BE(position.data());
  // A row just read ahead in the same order serves without a round trip.
  const bool same_order = key == kFileOrder ? seq_.order == Order::kFile
                                            : seq_.order == Order::kKey && seq_.key == key;
  if (same_order && AheadValid()) {
    for (int i = 0; i < static_cast<int>(ahead_.size()); ++i) {
      if (ahead_[i].id == id && (key == kFileOrder || ahead_[i].value == position.substr(4))) return ServeAhead(i);
    }
  }
  std::vector<PgParam> params{PgParam::Int(id)};
  std::string where = "qv_id = $1";
  if (key != kFileOrder) {
    params.push_back(PgParam::Bytes(position.substr(4)));
    where += " AND " + Column("k", key) + " = $2";
  }
  PgResult r = conn_->exec(tag_ + "SELECT " + SelectList(key) + " FROM " + qualified_ + " WHERE " + where, params);
  if (!r.ok()) return Failed(r);
  if (r.rows() == 0) return Fail(rt::Error_RecordNotFound);
  if (int rc = Deliver(RowAt(r, 0)); rc != 0) return rc;
  PositionAtCurrent();
  return 0;
}

}  // namespace pgsql
