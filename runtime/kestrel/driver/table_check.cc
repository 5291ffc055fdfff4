#include "runtime/kestrel/driver/table_check.h"

#include <map>
#include <optional>
#include <tuple>
#include <set>
#include <vector>

#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/locale.h"
#include "runtime/kestrel/format/record_kinds.h"

namespace kestrel {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

struct TableRecords {
  std::map<uint32_t, std::string> rows;
  std::map<std::string, uint32_t> entries;  // entry key -> id
  std::map<uint8_t, Statistics> stats;
  std::map<uint16_t, std::string> definition;
  std::optional<std::string> locale;
  std::map<std::tuple<uint32_t, uint8_t>, std::vector<uint16_t>> memos;
};

class Blocks : public DefinitionBlocks {
 public:
  explicit Blocks(const std::map<uint16_t, std::string>& b) : b_(b) {}
  bool Load(uint16_t n, std::string* out) override {
    auto it = b_.find(n);
    if (it == b_.end()) return false;
    *out = it->second;
    return true;
  }
  void Store(uint16_t, std::string_view) override {}

 private:
  const std::map<uint16_t, std::string>& b_;
};

Outcome Fail(Check check, const std::string& what, std::string* detail) {
  *detail = what;
  return Status::Corruption(check);
}

Outcome CheckTable(const std::string& name, uint32_t tn, const TableRecords& r, std::string* detail) {
  const std::string where = "table " + name + ": ";
  TableDef def;
  Blocks blocks(r.definition);
  if (!WalkDefinition(DefinitionMode::kRead, &def, &blocks).ok()) {
    return Fail(Check::kDefinitionStream, where + "definition unreadable", detail);
  }
  LocaleRecord locale{false, DefaultLocaleTables()};
  if (r.locale && !LocaleRecord::Decode(*r.locale, &locale).ok()) {
    return Fail(Check::kRecordValue, where + "locale record unreadable", detail);
  }
  std::set<std::string> expected;
  for (const auto& [id, row] : r.rows) {
    if (row.size() != def.record_length) {
      return Fail(kCheckRowSize, where + "record " + std::to_string(id) + " has the wrong length", detail);
    }
    for (size_t k = 0; k < def.keys.size() && k <= kMaxKeyNumber; ++k) {
      std::optional<Record> entry;
      if (!BuildKeyEntry(tn, static_cast<uint8_t>(k), def, row, locale.tables, id, &entry).ok()) {
        return Fail(Check::kFieldLayout, where + "key " + def.keys[k].label + " cannot be built", detail);
      }
      if (!entry) continue;
      auto it = r.entries.find(std::string(entry->key()));
      auto st = r.stats.find(static_cast<uint8_t>(k));
      const uint32_t marker = st == r.stats.end() ? 0 : st->second.marker;
      if (it == r.entries.end()) {
        if (marker != 0 && id >= marker) continue;  // appended, key not yet built
        return Fail(kCheckMissingEntry,
                    where + "record " + std::to_string(id) + " has no entry in key " + def.keys[k].label, detail);
      }
      if (it->second != id) {
        return Fail(kCheckEntryValue, where + "an entry of key " + def.keys[k].label + " names record " +
                                          std::to_string(it->second) + " instead of " + std::to_string(id),
                    detail);
      }
      expected.insert(it->first);
    }
  }
  std::map<uint8_t, uint32_t> per_key;
  for (const auto& [key, id] : r.entries) {
    const uint8_t k = static_cast<uint8_t>(key[4]);
    ++per_key[k];
    if (!expected.count(key)) {
      return Fail(kCheckDanglingEntry,
                  where + "key " + (k < def.keys.size() ? def.keys[k].label : std::to_string(k)) +
                      " has an entry for record " + std::to_string(id) + " that does not match it",
                  detail);
    }
  }
  for (const auto& [subject, st] : r.stats) {
    const uint32_t actual = subject == kKindData ? static_cast<uint32_t>(r.rows.size()) : per_key[subject];
    if (subject != kKindData && subject >= def.keys.size()) {
      return Fail(kCheckStatistics, where + "statistics for a key that does not exist", detail);
    }
    if (st.count != actual) {
      return Fail(kCheckStatistics,
                  where + "statistics of " + (subject == kKindData ? std::string("the data") : def.keys[subject].label) +
                      " count " + std::to_string(st.count) + ", found " + std::to_string(actual),
                  detail);
    }
  }
  for (const auto& [owner, segments] : r.memos) {
    const auto& [id, memo] = owner;
    if (!r.rows.count(id) || memo >= def.memos.size()) {
      return Fail(kCheckOrphanMemo, where + "memo segment of record " + std::to_string(id) + " without its record",
                  detail);
    }
    for (size_t i = 0; i < segments.size(); ++i) {
      if (segments[i] != i) {
        return Fail(Check::kMemoSegments, where + "memo segments of record " + std::to_string(id) + " not numbered from 0",
                    detail);
      }
    }
  }
  return Outcome::OK();
}

}  // namespace

Outcome CheckTables(PageStore* store, std::string* detail) {
  detail->clear();
  store->BeginOperation();
  Outcome result = [&]() -> Outcome {
    std::vector<std::pair<std::string, uint32_t>> tables;
    Cursor c;
    bool found = false;
    const std::string name_prefix(1, static_cast<char>(kKindName));
    KESTREL_RETURN_IF_FAILED(store->FindAtLeast(name_prefix, &c, &found));
    while (found && StartsWith(c.key(), name_prefix)) {
      uint32_t tn = 0;
      if (!DecodeTableNumber(c.value(), &tn).ok()) return Fail(kCheckNameRecord, "name record unreadable", detail);
      tables.emplace_back(std::string(c.key().substr(1)), tn);
      KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
    }
    size_t rows = 0;
    for (const auto& [name, tn] : tables) {
      TableRecords r;
      const std::string prefix = TablePrefix(tn);
      KESTREL_RETURN_IF_FAILED(store->FindAtLeast(prefix, &c, &found));
      while (found && StartsWith(c.key(), prefix)) {
        ParsedKey k = ParseKey(c.key());
        switch (k.kind) {
          case RecordKind::kKeyEntry:
            if (c.value().size() != 4) return Fail(kCheckEntryValue, "table " + name + ": entry value is not an id", detail);
            r.entries[std::string(c.key())] = Get32BE(c.value().data());
            break;
          case RecordKind::kData: r.rows[k.id] = std::string(c.value()); break;
          case RecordKind::kStatistics: {
            Statistics st;
            if (!Statistics::Decode(c.value(), &st).ok()) {
              return Fail(kCheckStatistics, "table " + name + ": statistics unreadable", detail);
            }
            r.stats[k.subject] = st;
            break;
          }
          case RecordKind::kDefinition: r.definition[k.block] = std::string(c.value()); break;
          case RecordKind::kLocale: r.locale = std::string(c.value()); break;
          case RecordKind::kMemo: r.memos[{k.id, k.memo}].push_back(k.segment); break;
          default: return Fail(Check::kRecordValue, "table " + name + ": record of an unknown kind", detail);
        }
        KESTREL_RETURN_IF_FAILED(store->Next(&c, &found));
      }
      KESTREL_RETURN_IF_FAILED(CheckTable(name, tn, r, detail));
      rows += r.rows.size();
    }
    *detail = std::to_string(tables.size()) + " tables, " + std::to_string(rows) + " records";
    return Outcome::OK();
  }();
  store->EndOperation();
  return result;
}

}  // namespace kestrel
