#include "runtime/kestrel/format/table_writer.h"

#include <cctype>
#include <optional>

#include "runtime/kestrel/format/definition_codec.h"
#include "runtime/kestrel/format/key_encoder.h"
#include "runtime/kestrel/format/memo.h"

namespace kestrel {

namespace {

// Collects the definition blocks so they can become records.
class CollectBlocks : public DefinitionBlocks {
 public:
  bool Load(uint16_t, std::string*) override { return false; }
  void Store(uint16_t n, std::string_view bytes) override { blocks.emplace_back(n, std::string(bytes)); }
  std::vector<std::pair<uint16_t, std::string>> blocks;
};

}  // namespace

TableWriter::TableWriter(ImageWriter* image, std::string name, TableDef def, LocaleRecord locale)
    : image_(image), name_(std::move(name)), def_(std::move(def)), locale_(std::move(locale)) {
  for (char& c : name_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

Status TableWriter::Create() {
  KESTREL_RETURN_IF_ERROR(CheckKeySizes(def_));
  CollectBlocks blocks;
  KESTREL_RETURN_IF_ERROR(WalkDefinition(DefinitionMode::kWrite, &def_, &blocks));
  KESTREL_RETURN_IF_ERROR(image_->header().NextId(&table_));
  KESTREL_RETURN_IF_ERROR(image_->Put(NameKey(name_), EncodeTableNumber(table_)));
  KESTREL_RETURN_IF_ERROR(image_->Put(LocaleKey(table_), locale_.Encode()));
  for (const auto& [n, bytes] : blocks.blocks) {
    KESTREL_RETURN_IF_ERROR(image_->Put(DefinitionKey(table_, n), bytes));
  }
  PutStatistics(kKindData, data_stats_);
  key_stats_.assign(def_.keys.size(), Statistics{});
  for (size_t k = 0; k < def_.keys.size(); ++k) PutStatistics(static_cast<uint8_t>(k), key_stats_[k]);
  return Status::OK();
}

void TableWriter::PutStatistics(uint8_t subject, const Statistics& s) {
  image_->Replace(Record(StatisticsKey(table_, subject), s.Encode()));
}

Status TableWriter::AddRow(std::string_view row, const std::vector<std::string>& memos, uint32_t* id_out) {
  if (row.size() != def_.record_length) return Status::Corruption(Check::kFieldLayout);
  const uint32_t before = image_->header().last_id;
  uint32_t id = 0;
  KESTREL_RETURN_IF_ERROR(image_->header().NextId(&id));

  // Every entry is built and tested before anything is written.
  std::vector<std::pair<size_t, Record>> entries;
  for (size_t k = 0; k < def_.keys.size(); ++k) {
    std::optional<Record> e;
    Status s = BuildKeyEntry(table_, static_cast<uint8_t>(k), def_, row, locale_.tables, id, &e);
    if (s.ok() && e && image_->Contains(e->key())) s = Status::Corruption(Check::kDuplicateKey);
    if (!s.ok()) {
      image_->header().last_id = before;
      return s;
    }
    if (e) entries.emplace_back(k, std::move(*e));
  }
  for (auto& [k, e] : entries) {
    KESTREL_RETURN_IF_ERROR(image_->Put(std::move(e)));
    ++key_stats_[k].count;
    PutStatistics(static_cast<uint8_t>(k), key_stats_[k]);
  }
  KESTREL_RETURN_IF_ERROR(image_->Put(DataKey(table_, id), row));
  ++data_stats_.count;
  PutStatistics(kKindData, data_stats_);
  for (size_t m = 0; m < def_.memos.size() && m < memos.size(); ++m) {
    const std::vector<std::string> segments = SplitMemo(memos[m], def_.memos[m].blob());
    for (size_t s = 0; s < segments.size(); ++s) {
      KESTREL_RETURN_IF_ERROR(image_->Put(
          MemoKey(table_, id, static_cast<uint8_t>(m), static_cast<uint16_t>(s)), segments[s]));
    }
  }
  if (id_out) *id_out = id;
  return Status::OK();
}

}  // namespace kestrel
