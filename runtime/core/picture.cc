#include "runtime/core/picture.h"

#include "runtime/core/picture_builder.h"
#include "runtime/core/picture_locale.h"

namespace rt {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void PictureBuilder::Push(Picture* p, PositionKind kind, char ch, bool suppressible) {
  PicturePosition pos;
  pos.kind = kind;
  pos.ch = ch;
  pos.suppressible = suppressible;
  p->positions_.push_back(pos);
}

int PictureBuilder::ReadNumber(std::string_view s, size_t* i, int max_digits) {
  int n = 0, digits = 0;
  while (*i < s.size() && s[*i] >= '0' && s[*i] <= '9' && digits < max_digits) {
    n = n * 10 + (s[*i] - '0');
    ++*i;
    ++digits;
  }
  return digits == 0 ? -1 : n;
}

void PictureBuilder::ReadIndicators(std::string_view s, size_t* i, char* group, char* decimal) {
  auto is_decimal = [](char c) { return c == '.' || c == '`' || c == 'v' || c == 'V'; };
  *group = *decimal = 0;
  if (*i + 1 < s.size() && (s[*i] == '.' || s[*i] == '_' || s[*i] == '`') && is_decimal(s[*i + 1])) {
    *group = s[*i];
    *decimal = s[*i + 1];
    *i += 2;
  } else if (*i < s.size() && is_decimal(s[*i])) {
    *decimal = s[(*i)++];
  }
}

void PictureBuilder::ApplySeparatorAndFill(Picture* p, char separator, char fill) {
  for (PicturePosition& pos : p->positions_) {
    if (pos.kind == PositionKind::kDateTimeSeparator && separator != 0) pos.ch = separator;
    if (pos.suppressible && fill != 0) pos.ch = fill;
  }
}

Picture Picture::Compile(std::string_view text) {
  Picture p;
  if (text.size() < 2 || text[0] != '@') return Picture();
  if (text.size() > 2 && Lower(text.back()) == 'b') {
    p.blank_when_zero_ = true;
    text.remove_suffix(1);
  }
  std::string_view body = text.substr(2);
  bool ok = false;
  switch (Lower(text[1])) {
    case 's': p.type_ = PictureType::kString; ok = PictureBuilder::CompileString(body, &p); break;
    case 'n': p.type_ = PictureType::kNumber; ok = PictureBuilder::CompileNumber(body, &p); break;
    case 'e':
      p.type_ = PictureType::kScientific;
      ok = PictureBuilder::CompileScientific(body, &p);
      break;
    case 'd': p.type_ = PictureType::kDate; ok = PictureBuilder::CompileDate(body, &p); break;
    case 't': p.type_ = PictureType::kTime; ok = PictureBuilder::CompileTime(body, &p); break;
    case 'p':
    case 'k': {
      const bool key_in = Lower(text[1]) == 'k';
      p.type_ = key_in ? PictureType::kKeyIn : PictureType::kPattern;
      // The body runs up to the closing letter, which must end the picture.
      if (body.empty() || Lower(body.back()) != Lower(text[1])) return Picture();
      body.remove_suffix(1);
      ok = PictureBuilder::CompilePattern(body, key_in, &p);
      break;
    }
    default: break;
  }
  if (!ok || p.positions_.empty() || p.positions_.size() > kMaxPositions) return Picture();
  int width = 0;
  for (const PicturePosition& pos : p.positions_) width += pos.kind != PositionKind::kKeyStop;
  if (width == 0) return Picture();  // nothing to show: a key-in of stops only
  p.width_ = static_cast<std::uint16_t>(width);
  return p;
}

std::string Picture::Format(const PictureValue& value) const {
  switch (type_) {
    case PictureType::kEmpty: return std::string();
    case PictureType::kString: return PictureBuilder::FormatString(*this, value);
    case PictureType::kNumber: return PictureBuilder::FormatNumber(*this, value.AsNumber());
    case PictureType::kScientific:
      return PictureBuilder::FormatScientific(*this, value.AsNumber());
    case PictureType::kDate: return PictureBuilder::FormatDate(*this, value.AsInt32());
    case PictureType::kTime: return PictureBuilder::FormatTime(*this, value.AsInt32());
    case PictureType::kPattern: return PictureBuilder::FormatPattern(*this, value);
    case PictureType::kKeyIn: return PictureBuilder::FormatKeyIn(*this, value);
  }
  return std::string();
}

bool Picture::TryDeformat(std::string_view text, PictureValue* value) const {
  switch (type_) {
    case PictureType::kEmpty: *value = PictureValue(); return true;
    case PictureType::kString: *value = PictureValue(text); return true;
    case PictureType::kNumber: return PictureBuilder::DeformatNumber(*this, text, value);
    case PictureType::kScientific: return PictureBuilder::DeformatScientific(*this, text, value);
    case PictureType::kDate: return PictureBuilder::DeformatDate(*this, text, value);
    case PictureType::kTime: return PictureBuilder::DeformatTime(*this, text, value);
    case PictureType::kPattern: return PictureBuilder::DeformatPattern(*this, text, value);
    case PictureType::kKeyIn: return PictureBuilder::DeformatKeyIn(*this, text, value);
  }
  *value = PictureValue();
  return true;
}

PictureValue Picture::Deformat(std::string_view text) const {
  PictureValue v;
  TryDeformat(text, &v);
  return v;
}

std::string Format(const PictureValue& value, std::string_view picture) {
  return Picture::Compile(picture).Format(value);
}

PictureValue Deformat(std::string_view text, std::string_view picture) {
  return Picture::Compile(picture).Deformat(text);
}

}  // namespace rt
