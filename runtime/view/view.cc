#include "runtime/view/view.h"

#include <algorithm>
#include <charconv>

#include "runtime/core/error_state.h"
#include "runtime/core/file_notice.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"

namespace rt {

namespace {

// The view's own fields and memos first ("PRE:NAME"), then the thread's
// bindings, then the file's fields by bare name.
class ViewResolver : public NameResolver {
 public:
  ViewResolver(FileControlBlock& file, const NameResolver& outer) : file_(file), outer_(outer) {}

  bool Resolve(std::string_view name, BoundSource* source, BindingPtr* keep) const override {
    const bool prefixed = name.find(':') != std::string_view::npos;
    if (prefixed && Own(name, source)) return true;
    if (outer_.Resolve(name, source, keep)) return true;
    return !prefixed && Own(name, source);
  }

 private:
  bool Own(std::string_view name, BoundSource* source) const {
    FieldRef ref = findFieldRef(file_, name);
    if (ref.valid()) {
      source->kind = BoundSource::Kind::kField;
      source->field = ref;
      return true;
    }
    const int memo = file_.decl().findMemo(name);
    if (memo < 0) return false;
    source->kind = BoundSource::Kind::kMemo;
    source->file = &file_;
    source->memo = memo;
    return true;
  }

  FileControlBlock& file_;
  const NameResolver& outer_;
};

bool isTextField(const FieldDecl& d) { return isTextType(d.type) || d.type == FieldType::kGroup; }

// Whether comparing the field with `v` orders like the key does.
bool compatible(const FieldDecl& d, const Value& v) {
  if (isTextField(d)) return v.isText();
  return v.isNumber() || Decimal::Parse(v.rawText()).has_value();
}

bool assign(FileControlBlock& file, int field, const Value& v) {
  const FieldRef ref{&file, field, 0};
  if (isTextType(ref.decl().type)) return setText(file, field, v.text());
  return setValueText(ref, v.text());
}

int sign(std::strong_ordering o) { return o < 0 ? -1 : o > 0 ? 1 : 0; }

struct BufferSnapshot {
  explicit BufferSnapshot(const FileControlBlock& f) : record(f.record), memos(f.memos) {}
  void restore(FileControlBlock& f) const {
    if (f.record.size() == record.size()) std::copy(record.begin(), record.end(), f.record.begin());
    f.memos = memos;
  }
  std::vector<uint8_t> record;
  std::vector<std::string> memos;
};

}  // namespace

View::View(FileControlBlock& primary) : primary_(primary) {}

View::~View() {
  if (open_) EndBracket();
}

int32_t View::fail(int32_t code) const {
  postError(code);
  return code;
}

// --- Files and fields ------------------------------------------------------

int32_t View::Project(std::string_view label) {
  const FileDecl& d = primary_.decl();
  ViewField f;
  FieldRef ref = findFieldRef(primary_, label);
  if (ref.valid()) {
    f.field = ref.field;
    f.label = d.fields[ref.field].label;
  } else if (int memo = d.findMemo(label); memo >= 0) {
    f.memo = memo;
    f.label = d.memos[memo].label;
  } else {
    return fail(Error_InvalidRecordDeclaration);
  }
  projection_.push_back(std::move(f));
  skip_memos_ = std::none_of(projection_.begin(), projection_.end(), [](const ViewField& v) { return v.memo >= 0; });
  clearError();
  return 0;
}

int View::fieldCount() const {
  return projection_.empty() ? static_cast<int>(primary_.decl().fields.size()) : static_cast<int>(projection_.size());
}

ViewField View::field(int n) const {
  if (n < 1 || n > fieldCount()) return ViewField();
  if (!projection_.empty()) return projection_[n - 1];
  ViewField f;
  f.field = n - 1;
  f.label = primary_.decl().fields[n - 1].label;
  return f;
}

// --- Order and filter ------------------------------------------------------

int32_t View::SetOrder(std::string_view text) {
  std::vector<OrderComponent> order;
  if (parseOrder(primary_, text, &order) != 0) return fail(Error_InvalidIndexString);
  order_text_ = text;
  dirty_ = true;
  positioned_ = false;
  rows_valid_ = false;
  clearError();
  return 0;
}

int32_t View::SetFilter(std::string_view text) {
  dirty_ = true;
  positioned_ = false;
  rows_valid_ = false;
  filter_ = Expression();
  filter_text_.clear();
  if (text.find_first_not_of(' ') == std::string_view::npos) {
    clearError();
    return 0;
  }
  ViewResolver names(primary_, threadBindings());
  Expression e;
  if (int32_t rc = e.Compile(text, names); rc != 0) return rc;
  filter_ = std::move(e);
  filter_text_ = text;
  clearError();
  return 0;
}

bool View::Accepts() const { return !filter_.compiled() || filter_.Test(); }

void View::Prepare() {
  if (!dirty_) return;
  plan_ = Plan();
  parseOrder(primary_, order_text_, &plan_.order);
  const FileDecl& d = primary_.decl();
  plan_.key = chooseKey(d, plan_.order);
  // Memos the filter reads are loaded whatever the projection says.
  filter_reads_memo_ = filter_.compiled() && filter_.Reads(filter_.root(), [&](const ExprOperand& o) {
    return o.source.kind == BoundSource::Kind::kMemo && o.source.file == &primary_;
  });
  if (plan_.key.key >= 0 && filter_.compiled()) {
    plan_.range = planRange(filter_, primary_, d.keys[plan_.key.key], plan_.key.matched);
  }
  dirty_ = false;
}

// Chooses how this positioning reads: the range's values are taken now.
void View::Activate() {
  ranged_ = false;
  residual_ = filter_.compiled() ? filter_.Conjuncts() : std::vector<int>();
  if (plan_.order.empty()) {
    mode_ = Mode::kFile;
    return;
  }
  if (plan_.key.key < 0) {
    mode_ = Mode::kSorted;
    return;
  }
  mode_ = Mode::kKey;
  const KeyDecl& key = primary_.decl().keys[plan_.key.key];
  const RangePlan& r = plan_.range;
  bool ok = !r.empty();
  if (ok) {
    BufferSnapshot saved(primary_);
    auto take = [&](const RangeTerm& t, Value* out) {
      *out = filter_.EvaluateNode(t.value_node);
      const int field = key.components[t.component].field;
      if (!compatible(primary_.decl().fields[field], *out) || !assign(primary_, field, *out)) ok = false;
    };
    eq_values_.assign(r.eq.size(), Value());
    for (size_t i = 0; i < r.eq.size(); ++i) {
      take(r.eq[i], &eq_values_[i]);
    }
    if (r.low) take(*r.low, &low_value_);
    if (r.high) take(*r.high, &high_value_);
    saved.restore(primary_);
  }
  if (ok) {
    ranged_ = true;
    residual_ = r.residual;
  }
}

// --- Open and close --------------------------------------------------------

int32_t View::Open() {
  if (open_) return fail(Error_FileAlreadyOpen);
  if (!primary_.open) return fail(Error_FileNotOpen);
  open_ = true;
  positioned_ = false;
  rows_valid_ = false;
  clearError();
  return 0;
}

int32_t View::Close() {
  if (open_) {
    EndBracket();
    open_ = false;
    positioned_ = false;
    rows_.clear();
    rows_valid_ = false;
    prefetch_ = 0;
  }
  clearError();
  return 0;
}

// --- Positioning -----------------------------------------------------------

int32_t View::Set(int components) {
  if (!open_) return fail(Error_FileNotOpen);
  if (filter_.compiled() && !filter_.Alive()) return fail(Error_UnknownEvaluationContext);
  ViewIssueScope scope;
  Prepare();
  Activate();
  positioned_ = true;
  boundary_ = false;
  seeked_ = false;
  last_position_.clear();
  int32_t rc = 0;
  switch (mode_) {
    case Mode::kFile: rc = SetFile(primary_); break;
    case Mode::kSorted: {
      if (components == 0 || !RowsFresh()) rc = Materialize();
      if (rc != 0) break;
      inclusive_ = -1;
      cur_ = -1;
      sorted_boundary_ = components <= 0;
      if (components > 0) {
        const size_t n = std::min<size_t>(components, plan_.order.size());
        const std::vector<Value> at = SortKeys();
        auto it = std::find_if(rows_.begin(), rows_.end(),
                               [&](const SortedRow& row) { return CompareRows(row.keys, at, n) >= 0; });
        if (it == rows_.end()) {
          cur_ = static_cast<long>(rows_.size());
        } else {
          inclusive_ = it - rows_.begin();
        }
      }
      clearError();
      break;
    }
    case Mode::kKey:
      if (components <= 0) {
        if (ranged_) {
          boundary_ = true;
          clearError();
        } else {
          rc = SetKey(primary_, plan_.key.key);
        }
      } else {
        const size_t n = std::min<size_t>({static_cast<size_t>(components), plan_.order.size(), plan_.key.matched});
        rc = SeekValues(n, plan_.key.reverse ? -1 : 1, false);
      }
      break;
  }
  if (rc != 0) positioned_ = false;
  return rc;
}

// Sets the key's components in the buffer (the first `fixed` as they are,
// or the range's values) and the rest to the end the key direction `kdir`
// starts from, and starts the key sequence there. The buffer is restored.
int32_t View::SeekValues(size_t fixed, int kdir, bool range_start) {
  const KeyDecl& key = primary_.decl().keys[plan_.key.key];
  const RangePlan& r = plan_.range;
  const std::vector<uint8_t> saved = primary_.record;
  for (size_t j = 0; j < key.components.size(); ++j) {
    const int field = key.components[j].field;
    const bool desc = key.components[j].descending;
    if (range_start) {
      if (j < r.eq.size()) {
        assign(primary_, field, eq_values_[j]);
        continue;
      }
      if (j == r.eq.size()) {
        const bool want_low = (kdir > 0) != desc;
        if (want_low ? r.low.has_value() : r.high.has_value()) {
          assign(primary_, field, want_low ? low_value_ : high_value_);
          continue;
        }
      }
    } else if (j < fixed) {
      continue;
    }
    clearField(primary_, field, (kdir > 0) != desc ? -1 : 1);
  }
  const int32_t rc = SetKeyKey(primary_, plan_.key.key);
  std::copy(saved.begin(), saved.end(), primary_.record.begin());
  return rc;
}

std::string View::Position() {
  if (!open_) {
    fail(Error_FileNotOpen);
    return std::string();
  }
  if (!last_position_.empty()) {
    clearError();
    return last_position_;
  }
  ViewIssueScope scope;
  Prepare();
  return DriverPosition();
}

std::string View::DriverPosition() {
  return mode_ == Mode::kKey ? rt::Position(primary_, plan_.key.key) : rt::Position(primary_);
}

int32_t View::ResetTo(std::string_view position) {
  if (!open_) return fail(Error_FileNotOpen);
  if (filter_.compiled() && !filter_.Alive()) return fail(Error_UnknownEvaluationContext);
  ViewIssueScope scope;
  Prepare();
  Activate();
  positioned_ = true;
  boundary_ = false;
  seeked_ = false;
  last_position_.clear();
  int32_t rc = 0;
  switch (mode_) {
    case Mode::kFile: rc = Reset(primary_, position); break;
    case Mode::kKey: rc = Reset(primary_, plan_.key.key, position); break;
    case Mode::kSorted: {
      if (!RowsFresh() && (rc = Materialize()) != 0) break;
      auto it = std::find_if(rows_.begin(), rows_.end(), [&](const SortedRow& r) { return r.position == position; });
      if (it == rows_.end()) {
        rc = fail(Error_RecordNotFound);
        break;
      }
      inclusive_ = it - rows_.begin();
      sorted_boundary_ = false;
      clearError();
      break;
    }
  }
  if (rc != 0) positioned_ = false;
  return rc;
}

int32_t View::ResetToCurrent() {
  if (!open_) return fail(Error_FileNotOpen);
  if (filter_.compiled() && !filter_.Alive()) return fail(Error_UnknownEvaluationContext);
  std::string position;
  {
    ViewIssueScope scope;
    Prepare();
    Activate();
    if (mode_ == Mode::kSorted) rows_valid_ = false;  // the record may be new
    position = DriverPosition();
    if (position.empty()) return ERRORCODE() ? ERRORCODE() : fail(Error_RecordNotFound);
  }
  return ResetTo(position);
}

int32_t View::Watch() {
  if (!open_) return fail(Error_FileNotOpen);
  ViewIssueScope scope;
  return rt::Watch(primary_);
}

int32_t View::Reget(std::string_view position) {
  if (!open_) return fail(Error_FileNotOpen);
  ViewIssueScope scope;
  Prepare();
  if (!positioned_ && (!filter_.compiled() || filter_.Alive())) Activate();
  int32_t rc = mode_ == Mode::kKey ? rt::Reget(primary_, plan_.key.key, position) : rt::Reget(primary_, position);
  if (rc == 0) last_position_ = position;
  if (rc == 0 && mode_ == Mode::kSorted && rows_valid_) {
    auto it = std::find_if(rows_.begin(), rows_.end(), [&](const SortedRow& r) { return r.position == position; });
    if (it != rows_.end()) {
      cur_ = it - rows_.begin();
      inclusive_ = -1;
      sorted_boundary_ = false;
    }
  }
  return rc;
}

void View::Flush() {
  EndBracket();
  prefetch_ = 0;
  rows_valid_ = false;
}

// --- Reading ---------------------------------------------------------------

int32_t View::Next() { return Read(1); }
int32_t View::Previous() { return Read(-1); }

int32_t View::Read(int vdir) {
  if (!open_) return fail(Error_FileNotOpen);
  if (filter_.compiled() && !filter_.Alive()) return fail(Error_UnknownEvaluationContext);
  if (!positioned_) {
    if (int32_t rc = Set(0); rc != 0) return rc;
  }
  ViewIssueScope scope;
  const BufferSnapshot before(primary_);
  BeginBracket();
  moved_ = false;
  int32_t rc = 0;
  if (mode_ == Mode::kSorted) {
    rc = ReadSorted(vdir);
  } else {
    rc = ReadKeyed(mode_ == Mode::kKey && plan_.key.reverse ? -vdir : vdir);
  }
  if (rc == 0) {
    last_position_ = DriverPosition();
  } else if (moved_ && !last_position_.empty()) {
    // Back to the record returned last (see Position).
    if (mode_ == Mode::kKey) {
      rt::Reget(primary_, plan_.key.key, last_position_);
    } else {
      rt::Reget(primary_, last_position_);
    }
  } else {
    // A read that finds nothing leaves the buffers as they were.
    before.restore(primary_);
  }
  AfterRead(rc);
  if (rc != 0 && ERRORCODE() != rc) postError(rc);
  return rc;
}

int32_t View::ReadKeyed(int kdir) {
  if (boundary_) {
    boundary_ = false;
    seeked_ = true;
    if (int32_t rc = SeekValues(0, kdir, true); rc != 0) return rc;
  }
  for (;;) {
    if (skip_memos_ && !filter_reads_memo_) NoMemo(primary_);
    if (int32_t rc = kdir > 0 ? rt::Next(primary_) : rt::Previous(primary_); rc != 0) return rc;
    moved_ = true;
    if (ranged_) {
      const int side = RangeSide();
      if (side == kdir) return fail(Error_RecordNotAvailable);  // past the end of the range
      if (side != 0) {
        // Not yet in the range: seek to it once, then step over what lies
        // between (records equal to a strict bound).
        if (!seeked_) {
          seeked_ = true;
          if (int32_t rc = SeekValues(0, kdir, true); rc != 0) return rc;
        }
        continue;
      }
    }
    if (Residual()) return 0;
  }
}

// Where the record in the buffer lies against the range, in key order:
// -1 before it, 0 inside, 1 after it.
int View::RangeSide() const {
  const KeyDecl& key = primary_.decl().keys[plan_.key.key];
  const RangePlan& r = plan_.range;
  for (size_t i = 0; i < r.eq.size(); ++i) {
    const Value v = filter_.EvaluateNode(r.eq[i].field_node);
    int c;
    if (v.isText() && eq_values_[i].isText() && key.noCase()) {
      // Compared as the key folds them, so that the side is the key's.
      c = sign(compareText(lowerText(v.rawText()), lowerText(eq_values_[i].rawText())));
    } else {
      c = sign(compareValues(v, eq_values_[i]));
    }
    if (c != 0) return key.components[i].descending ? -c : c;
  }
  const size_t b = r.eq.size();
  int side = 0;
  if (r.low) {
    const int c = sign(compareValues(filter_.EvaluateNode(r.low->field_node), low_value_));
    if (c < 0 || (c == 0 && r.low->op == ExprOp::kGt)) side = -1;
  }
  if (side == 0 && r.high) {
    const int c = sign(compareValues(filter_.EvaluateNode(r.high->field_node), high_value_));
    if (c > 0 || (c == 0 && r.high->op == ExprOp::kLt)) side = 1;
  }
  if (side != 0 && b < key.components.size() && key.components[b].descending) side = -side;
  return side;
}

bool View::Residual() const {
  for (int node : residual_) {
    if (!filter_.TestNode(node)) return false;
  }
  return true;
}

// --- Read brackets and the prefetch count ------------------------------------

void View::BeginBracket() {
  if (in_bracket_) return;
  InView(primary_);
  in_bracket_ = true;
}

void View::EndBracket() {
  if (!in_bracket_) return;
  ViewIssueScope scope;
  EndView(primary_);
  in_bracket_ = false;
}

// A read that finds nothing ends the announced batch as well.
void View::AfterRead(int32_t rc) {
  if (prefetch_ > 0) --prefetch_;
  if (rc != 0) prefetch_ = 0;
  if (prefetch_ == 0) EndBracket();
}

int32_t View::SetProperty(int32_t property, std::string_view value) {
  if (property == kPropPrefetchCount) {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    int32_t n = 0;
    std::from_chars(value.data(), value.data() + value.size(), n);
    prefetch_ = std::max(0, n);
    if (prefetch_ == 0) EndBracket();
  }
  clearError();
  return 0;
}

std::string View::GetProperty(int32_t property) const {
  if (property == kPropPrefetchCount) return std::to_string(prefetch_);
  return std::string();
}

}  // namespace rt
