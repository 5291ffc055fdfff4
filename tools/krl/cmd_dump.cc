// krl dump FILE [TABLE]: every data record as one JSON object per line.
#include <ostream>

#include "runtime/core/trim.h"
#include "runtime/core/windows1252.h"
#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/format/memo.h"
#include "tools/krl/command.h"
#include "tools/krl/json.h"
#include "tools/krl/kestrel_file.h"

namespace krl {
namespace {

using kestrel::Check;
using kestrel::Status;

// Joins the segments of memo `m` of record `id`; they must be numbered 0, 1, 2 ...
Status ReadMemo(const KestrelFile& file, const TableInfo& t, uint32_t id, size_t m, std::string* text) {
  const kestrel::MemoDef& memo = t.def.memos[m];
  std::string prefix = kestrel::MemoRecordPrefix(t.number, id);
  prefix.push_back(static_cast<char>(m));
  auto [b, e] = file.Range(prefix);
  std::vector<std::string> segments;
  for (size_t i = b; i < e; ++i) {
    kestrel::ParsedKey k = kestrel::ParseKey(file.records()[i].key());
    if (k.kind != kestrel::RecordKind::kMemo || k.segment != segments.size()) {
      return Status::Corruption(Check::kMemoSegments);
    }
    segments.emplace_back(file.records()[i].value());
  }
  if (segments.empty()) {
    text->clear();
    return Status::OK();
  }
  const size_t declared = memo.blob() ? 0 : memo.size;
  KESTREL_RETURN_IF_ERROR(kestrel::JoinMemo(segments, memo.blob(), declared, text));
  if (!memo.blob()) text->resize(rt::trimRight(*text).size());
  return Status::OK();
}

Status DumpTable(const KestrelFile& file, const TableInfo& t, std::ostream& out) {
  if (!t.definition_status.ok()) return t.definition_status;
  const kestrel::TableDef& d = t.def;
  for (const kestrel::FieldDef& f : d.fields) {
    if (size_t{f.offset} + f.size > d.record_length) return Status::Corruption(Check::kFieldLayout);
  }
  auto [b, e] = file.Range(kestrel::KeyEntryPrefix(t.number, kestrel::kKindData));
  for (size_t i = b; i < e; ++i) {
    const kestrel::Record& r = file.records()[i];
    kestrel::ParsedKey k = kestrel::ParseKey(r.key());
    if (k.kind != kestrel::RecordKind::kData) return Status::Corruption(Check::kRecordValue);
    const std::string_view row = r.value();
    if (row.size() != d.record_length) return Status::Corruption(Check::kRecordValue);
    Json fields = Json::object();
    for (const kestrel::FieldDef& f : d.fields) {
      if (f.type == kestrel::FieldType::kGroup) continue;  // its members follow it
      fields[rt::windows1252ToUtf8(f.name)] = FieldJson(f, row.substr(f.offset, f.size));
    }
    Json memos = Json::object();
    for (size_t m = 0; m < d.memos.size(); ++m) {
      std::string text;
      KESTREL_RETURN_IF_ERROR(ReadMemo(file, t, k.id, m, &text));
      memos[rt::windows1252ToUtf8(d.memos[m].label)] = TextJson(text);
    }
    Json line = {{"table", TextJson(t.name)}, {"id", k.id}, {"fields", std::move(fields)}, {"memos", std::move(memos)}};
    out << JsonLine(line) << "\n";
  }
  return Status::OK();
}

int Run(const std::vector<std::string>& args, Io& io) {
  if (args.empty() || args.size() > 2) {
    io.err << "usage: krl dump FILE [TABLE]\n";
    return kExitFailed;
  }
  KestrelFile file;
  if (int rc = LoadOrReport(&file, args[0], io); rc != kExitOk) return rc;
  std::vector<const TableInfo*> tables;
  if (args.size() == 2) {
    const TableInfo* t = file.FindTable(args[1]);
    if (!t) {
      io.err << "krl: " << args[0] << ": no table " << args[1] << "\n";
      return kExitFailed;
    }
    tables.push_back(t);
  } else {
    for (const TableInfo& t : file.tables()) tables.push_back(&t);
  }
  for (const TableInfo* t : tables) {
    Status s = DumpTable(file, *t, io.out);
    if (!s.ok()) return ReportFailure(s, args[0], io);
  }
  return kExitOk;
}

}  // namespace

KRL_COMMAND(dump, "dump FILE [TABLE]", "every data record as one JSON object per line", Run);

}  // namespace krl
