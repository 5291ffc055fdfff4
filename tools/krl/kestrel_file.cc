#include "tools/krl/kestrel_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/definition_codec.h"

namespace krl {

using kestrel::Check;
using kestrel::ParsedKey;
using kestrel::RecordKind;
using kestrel::Status;

namespace {

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) {
    *error = path + ": read error";
    return false;
  }
  *bytes = ss.str();
  return true;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// Definition blocks of one table, served from the loaded records.
class RecordBlocks : public kestrel::DefinitionBlocks {
 public:
  RecordBlocks(const KestrelFile& file, uint32_t table) : file_(file), table_(table) {}
  bool Load(uint16_t n, std::string* out) override {
    const std::string key = kestrel::DefinitionKey(table_, n);
    auto [b, e] = file_.Range(key);
    for (size_t i = b; i < e; ++i) {
      if (file_.records()[i].key() == key) {
        *out = std::string(file_.records()[i].value());
        return true;
      }
    }
    return false;
  }
  void Store(uint16_t, std::string_view) override {}

 private:
  const KestrelFile& file_;
  uint32_t table_;
};

}  // namespace

Status KestrelFile::LoadHeader(const std::string& path, bool* readable, std::string* error) {
  path_ = path;
  std::string bytes;
  *readable = ReadWholeFile(path, &bytes, error);
  if (!*readable) return Status::OK();
  return reader_.Open(std::move(bytes));
}

Status KestrelFile::Load(const std::string& path, bool* readable, std::string* error) {
  Status s = LoadHeader(path, readable, error);
  if (!*readable || !s.ok()) return s;
  KESTREL_RETURN_IF_ERROR(reader_.ReadAll(&records_));
  return FindTables();
}

std::pair<size_t, size_t> KestrelFile::Range(std::string_view prefix) const {
  auto less_key = [](const kestrel::Record& r, std::string_view k) { return kestrel::CompareKeys(r.key(), k) < 0; };
  auto b = std::lower_bound(records_.begin(), records_.end(), prefix, less_key);
  auto e = b;
  while (e != records_.end() && e->key().substr(0, prefix.size()) == prefix) ++e;
  return {static_cast<size_t>(b - records_.begin()), static_cast<size_t>(e - records_.begin())};
}

Status KestrelFile::FindTables() {
  tables_.clear();
  for (const kestrel::Record& r : records_) {
    ParsedKey k = kestrel::ParseKey(r.key());
    if (k.kind == RecordKind::kTransactionLink) transaction_linked_ = true;
    if (k.kind != RecordKind::kName) continue;
    TableInfo t;
    t.name = std::string(k.name);
    KESTREL_RETURN_IF_ERROR(kestrel::DecodeTableNumber(r.value(), &t.number));
    tables_.push_back(std::move(t));
  }
  std::sort(tables_.begin(), tables_.end(), [](const TableInfo& a, const TableInfo& b) { return a.number < b.number; });
  for (TableInfo& t : tables_) {
    RecordBlocks blocks(*this, t.number);
    t.definition_status = kestrel::WalkDefinition(kestrel::DefinitionMode::kRead, &t.def, &blocks);
    if (t.definition_status.isCorruption()) return t.definition_status;
    auto [b, e] = Range(kestrel::StatisticsKey(t.number, kestrel::kKindData));
    if (b != e) {
      KESTREL_RETURN_IF_ERROR(kestrel::Statistics::Decode(records_[b].value(), &t.data_stats));
      t.has_stats = true;
    }
    auto [lb, le] = Range(kestrel::LocaleKey(t.number));
    if (lb != le) KESTREL_RETURN_IF_ERROR(kestrel::LocaleRecord::Decode(records_[lb].value(), &t.locale));
  }
  return Status::OK();
}

const TableInfo* KestrelFile::FindTable(std::string_view name) const {
  for (const TableInfo& t : tables_) {
    if (EqualNoCase(t.name, name)) return &t;
  }
  return nullptr;
}

int ReportFailure(const Status& status, const std::string& path, Io& io) {
  if (status.isInvalidFile()) {
    io.err << path << ": Invalid Data File\n";
    return kExitInvalid;
  }
  if (status.isCorruption()) {
    Status named = status;
    named.inFile(path);
    io.err << named.ToString() << "\n";
    return kExitCorrupt;
  }
  io.err << path << ": " << status.ToString() << "\n";
  return kExitFailed;
}

int LoadOrReport(KestrelFile* file, const std::string& path, Io& io) {
  bool readable = false;
  std::string error;
  Status s = file->Load(path, &readable, &error);
  if (!readable) {
    io.err << "krl: " << error << "\n";
    return kExitFailed;
  }
  if (!s.ok()) return ReportFailure(s, path, io);
  return kExitOk;
}

}  // namespace krl
