#include "app/gradebook/grade_book_record.h"

#include <algorithm>

#include "app/dictionary/file_decls.h"
#include "runtime/core/file_control.h"
#include "runtime/core/trim.h"

namespace app {

namespace {

constexpr std::size_t kDecimalFields = 15;  // kGradeFields before QVL:ETADO

// Looked up once: a record is decoded for every row a save or a listing
// goes through.
struct Layout {
  std::array<const rt::FieldDecl*, kGradeFields.size()> grades{};
  const rt::FieldDecl *subject, *student, *name;

  Layout() {
    const rt::FileDecl& decl = *QVLIBRETADecl();
    auto field = [&](std::string_view label) { return &decl.fields[static_cast<std::size_t>(decl.findField(label))]; };
    for (std::size_t i = 0; i < kGradeFields.size(); ++i) grades[i] = field(kGradeFields[i]);
    subject = field("QVL:COD_MATERIA");
    student = field("QVL:NRO_LEGAJO");
    name = field("QVL:ALUMNO");
  }
};

const Layout& TheLayout() {
  static const Layout layout;
  return layout;
}

constexpr std::size_t kEtado = 15, kAc = 16, kAm = 17;  // kGradeFields positions of the texts
static_assert(kGradeFields[kEtado] == "QVL:ETADO" && kGradeFields[kAc] == "QVL:AC" && kGradeFields[kAm] == "QVL:AM");
static_assert(kGradeFields[kDecimalFields - 1] == "QVL:MARZO");
static_assert(kGradeFields[10] == "QVL:ETAPA11" && kGradeFields[12] == "QVL:FINAL");

// The bytes of a field; empty when the image is too short for it.
std::span<const std::uint8_t> BytesOf(std::span<const std::uint8_t> image, const rt::FieldDecl& f) {
  if (image.size() < static_cast<std::size_t>(f.offset) + f.size) return {};
  return image.subspan(f.offset, f.size);
}

template <std::size_t N>
void CopyText(std::span<const std::uint8_t> image, const rt::FieldDecl& f, std::array<char, N>& out) {
  out.fill(' ');
  const auto bytes = BytesOf(image, f);
  std::copy_n(bytes.begin(), std::min(bytes.size(), N), out.begin());
}

std::int32_t LongOf(std::span<const std::uint8_t> image, const rt::FieldDecl& f) {
  const auto b = BytesOf(image, f);
  if (b.size() != 4) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                   static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

std::string Trimmed(std::span<const char> text) {
  return std::string(rt::trimRight(std::string_view(text.data(), text.size())));
}

// A new grade-book row as the runtime clears one: zero grades, blank texts.
const std::vector<std::uint8_t>& BlankImage() {
  static const std::vector<std::uint8_t> blank = rt::FileControlBlock(QVLIBRETADecl()).record;
  return blank;
}

}  // namespace

std::string_view GradeFieldHeader(std::string_view field) {
  static constexpr std::array<std::string_view, kGradeFields.size()> kHeaders = {
      "Eval. 1", "Eval. 2", "Eval. 3", "OLE 1",    "JIS 1", "Eval. 4",   "Eval. 5", "Eval. 6", "OLE 2",
      "JIS 2",   "Prom. OLE", "Recupera", "FINAL", "DICIEMBRE", "MARZO", "ETADO", "AC", "AM"};
  for (std::size_t i = 0; i < kGradeFields.size(); ++i) {
    if (kGradeFields[i] == field) return kHeaders[i];
  }
  return field;
}

GradeBookRecord::GradeBookRecord(std::span<const std::uint8_t> image) {
  const Layout& l = TheLayout();
  for (std::size_t i = 0; i < kDecimalFields; ++i) {
    const auto bytes = BytesOf(image, *l.grades[i]);
    decimals_[i] = bytes.empty() ? rt::Decimal(0) : rt::Decimal::FromPacked(bytes, l.grades[i]->places);
  }
  CopyText(image, *l.grades[kEtado], etado_);
  CopyText(image, *l.grades[kAc], ac_);
  CopyText(image, *l.grades[kAm], am_);
  subject_ = LongOf(image, *l.subject);
  student_ = LongOf(image, *l.student);
  std::array<char, 30> name;
  CopyText(image, *l.name, name);
  name_ = Trimmed(name);
}

GradeBookRow GradeBookRecord::Row() {
  auto& d = decimals_;
  return GradeBookRow{.QVL_ETAPA1 = d[0], .QVL_ETAPA2 = d[1], .QVL_ETAPA3 = d[2], .QVL_ETAPA4 = d[3],
                      .QVL_ETAPA5 = d[4], .QVL_ETAPA6 = d[5], .QVL_ETAPA7 = d[6], .QVL_ETAPA8 = d[7],
                      .QVL_ETAPA9 = d[8], .QVL_ETAPA10 = d[9], .QVL_ETAPA12 = d[11],
                      .QVL_DICIEMBRE = d[13], .QVL_MARZO = d[14], .QVL_AC = ac_, .QVL_AM = am_,
                      .QVL_ETAPA11 = d[10], .QVL_FINAL = d[12], .QVL_ETADO = etado_};
}

std::string GradeBookRecord::status() const { return Trimmed(etado_); }

std::string GradeBookRecord::ValueText(std::size_t index) const {
  if (index < kDecimalFields) {
    const rt::Decimal& d = decimals_[index];
    return d.IsValid() ? d.ToString(2) : "?";
  }
  if (index == kEtado) return Trimmed(etado_);
  return Trimmed(index == kAc ? std::span<const char>(ac_) : std::span<const char>(am_));
}

void GradeBookRecord::StoreResults(std::span<std::uint8_t> image) const {
  const Layout& l = TheLayout();
  auto room = [&](const rt::FieldDecl& f) { return image.size() >= static_cast<std::size_t>(f.offset) + f.size; };
  for (const std::size_t i : {std::size_t{10}, std::size_t{12}}) {  // QVL:ETAPA11, QVL:FINAL
    const rt::FieldDecl& f = *l.grades[i];
    if (room(f)) decimals_[i].ToPacked(image.subspan(f.offset, f.size), f.places);
  }
  const rt::FieldDecl& f = *l.grades[kEtado];
  if (room(f)) {
    auto out = image.subspan(f.offset, f.size);
    std::fill(out.begin(), out.end(), std::uint8_t{' '});
    std::copy_n(etado_.begin(), std::min(etado_.size(), out.size()), out.begin());
  }
}

void ApplyGradeRulesToRecord(std::span<std::uint8_t> image, GradeRuleWork* work) {
  GradeBookRecord row(image);
  if (work) {
    ApplyGradeRules(row.Row(), *work);
  } else {
    ApplyGradeRules(row.Row());
  }
  row.StoreResults(image);
}

std::vector<GradeFieldChange> GradeFieldChanges(std::span<const std::uint8_t> before,
                                                std::span<const std::uint8_t> after) {
  const bool added = before.empty();
  const std::span<const std::uint8_t> old_image = added ? std::span<const std::uint8_t>(BlankImage()) : before;
  std::vector<GradeFieldChange> changes;
  const GradeBookRecord old_row(old_image), new_row(after);
  for (std::size_t i = 0; i < kGradeFields.size(); ++i) {
    const rt::FieldDecl& f = *TheLayout().grades[i];
    const auto a = BytesOf(old_image, f), b = BytesOf(after, f);
    if (std::equal(a.begin(), a.end(), b.begin(), b.end())) continue;
    changes.push_back({kGradeFields[i], added ? std::string() : old_row.ValueText(i), new_row.ValueText(i)});
  }
  return changes;
}

}  // namespace app
