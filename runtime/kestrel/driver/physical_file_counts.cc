// Statistics counts of a write cycle, kept in memory and written once
// before the cycle commits.
#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/physical_file.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel {

namespace {

uint32_t Adjusted(uint32_t count, int64_t delta) {
  const int64_t n = static_cast<int64_t>(count) + delta;
  if (n < 0) return 0;
  return n > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(n);
}

// One pass over the table's statistics records (they sit side by side),
// each changed in place where the cursor stands on it.
Outcome ApplyTable(PageStore* store, const std::string& name, const PhysicalFile::TableCounts& t) {
  std::vector<uint8_t> subjects;
  for (int s = 0; s < 256; ++s) {
    if (t.delta[s] != 0) subjects.push_back(static_cast<uint8_t>(s));
  }
  if (subjects.empty()) return Outcome::OK();
  const std::string prefix = KeyEntryPrefix(t.table, kKindStatistics);
  std::vector<bool> written(subjects.size(), false);
  Cursor c;
  bool found = false;
  size_t at = 0;
  KESTREL_RETURN_IF_FAILED(store->FindAtLeast(StatisticsKey(t.table, subjects.front()), &c, &found));
  while (found && at < subjects.size() && c.key().substr(0, prefix.size()) == prefix) {
    // Anything but a statistics record's key is passed over.
    const int subject = c.key().size() == prefix.size() + 1 ? static_cast<uint8_t>(c.key().back()) : -1;
    while (subject >= 0 && at < subjects.size() && subjects[at] < subject) ++at;
    if (subject >= 0 && at < subjects.size() && subjects[at] == subject) {
      Statistics st;
      if (!Statistics::Decode(c.value(), &st).ok()) return Status::Corruption(kCheckStatistics, name);
      st.count = Adjusted(st.count, t.delta[subject]);
      const std::string value = st.Encode();
      bool done = false;
      KESTREL_RETURN_IF_FAILED(store->ReplaceValueAt(&c, value, &done));
      if (!done) {
        bool updated = false;
        KESTREL_RETURN_IF_FAILED(store->Update(Record(c.key(), value), &updated));
      }
      written[at++] = true;
    }
    KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
  }
  // A missing statistics record starts from 0.
  for (size_t i = 0; i < subjects.size(); ++i) {
    if (written[i]) continue;
    Statistics st{Adjusted(0, t.delta[subjects[i]]), 0};
    KESTREL_RETURN_IF_FAILED(store->Insert(Record(StatisticsKey(t.table, subjects[i]), st.Encode())));
  }
  return Outcome::OK();
}

}  // namespace

void PhysicalFile::AddCount(uint32_t table, uint8_t subject, int delta) {
  TableCounts* t = nullptr;
  for (TableCounts& p : pending_counts) {
    if (p.table == table) t = &p;
  }
  if (!t) {
    t = &pending_counts.emplace_back();
    t->table = table;
  }
  t->delta[subject] += delta;
}

Outcome PhysicalFile::ApplyCounts() {
  if (pending_counts.empty()) return Outcome::OK();
  std::vector<TableCounts> counts;
  counts.swap(pending_counts);
  // Counts outlive no write cycle: one that ended took its changes with it.
  if (!store->writeMode()) return Outcome::OK();
  for (const TableCounts& t : counts) KESTREL_RETURN_IF_FAILED(ApplyTable(store.get(), name, t));
  return Outcome::OK();
}

}  // namespace kestrel
