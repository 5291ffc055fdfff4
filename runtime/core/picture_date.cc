// Date pictures (@d): layouts 1 to 16, the locale's short and long formats
// (17, 18), format and deformat of standard dates.
#include <memory>
#include <string>

#include "runtime/core/picture_builder.h"
#include "runtime/core/picture_locale.h"
#include "runtime/core/picture_runs.h"
#include "runtime/core/std_date.h"

namespace rt {

namespace {

using Kind = PositionKind;
using picture_internal::TimeLocale;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// m month, d day, y year digit; M abbreviated month letter; F full month
// letter; '/' ',' '_' separators (default "/", ",", blank); others literal.
// The first digit of the run named by `suppress` is a suppressible blank.
struct Layout {
  const char* text;
  char suppress;
};

constexpr Layout kLayouts[17] = {
    {"", 0},
    {"mm/dd/yy", 'm'},    {"mm/dd/yyyy", 'm'},          {"MMM dd,yyyy", 'd'},
    {"FFFFFFFFFFFF dd, yyyy", 'd'},                     {"dd/mm/yy", 'd'},
    {"dd/mm/yyyy", 'd'},  {"dd_MMM_yy", 'd'},           {"dd_MMM_yyyy", 'd'},
    {"yy/mm/dd", 0},      {"yyyy/mm/dd", 0},            {"yymmdd", 0},
    {"yyyymmdd", 0},      {"mm/yy", 0},                 {"mm/yyyy", 0},
    {"yy/mm", 0},         {"yyyy/mm", 0},
};

bool IsSeparatorOption(char c) { return c == '.' || c == '-' || c == '_' || c == '`'; }

char SeparatorChar(char option) { return option == '_' ? ' ' : (option == '`' ? ',' : option); }

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

const std::string& NameOf(const std::array<std::string, 12>& full,
                          const std::array<std::string, 12>& abbr, char style, int i) {
  return style == 'F' ? full[i] : abbr[i];
}

}  // namespace

bool PictureBuilder::CompileDate(std::string_view s, Picture* p) {
  size_t i = 0;
  char fill = 0;
  if (s.size() >= 2 && (s[0] == '0' || s[0] == '_' || s[0] == '*') && IsDigit(s[1])) {
    fill = s[0] == '_' ? ' ' : s[0];
    i = 1;
  }
  const int number = ReadNumber(s, &i, 2);
  if (number < 1 || number > 18) return false;
  if (i < s.size() && (s[i] == '<' || s[i] == '>')) {
    const char dir = s[i++];
    const int n = ReadNumber(s, &i, 2);
    if (n < 0) return false;
    p->window_ = static_cast<std::uint8_t>(dir == '<' ? n : 99 - n);
  }
  char separator = 0;
  if (i < s.size() && IsSeparatorOption(s[i])) separator = SeparatorChar(s[i++]);
  if (i != s.size()) return false;
  p->number_ = static_cast<std::uint8_t>(number);

  if (number >= 17) {
    auto loc = std::make_shared<TimeLocale>(picture_internal::CurrentTimeLocale());
    const std::string& f = number == 17 ? loc->short_date : loc->long_date;
    bool variable = false;
    if (!picture_internal::ExpandLocaleFormat(f, *loc, &p->positions_, &variable)) return false;
    p->variable_names_ = variable;
    p->locale_ = std::move(loc);
  } else {
    const Layout& layout = kLayouts[number];
    bool suppressed = false;
    int name_index = 0;
    for (const char* c = layout.text; *c != '\0'; ++c) {
      if (*c != 'M' && *c != 'F') name_index = 0;
      switch (*c) {
        case 'm':
        case 'd':
        case 'y': {
          const Kind kind = *c == 'm' ? Kind::kMonthDigit
                                      : (*c == 'd' ? Kind::kDayDigit : Kind::kYearDigit);
          const bool sup = !suppressed && *c == layout.suppress;
          suppressed = suppressed || sup;
          Push(p, kind, ' ', sup);
          break;
        }
        case 'M':
        case 'F': {
          Push(p, Kind::kMonthName, *c == 'M' ? 'A' : 'F');
          p->positions_.back().index = static_cast<std::uint8_t>(name_index++);
          p->positions_.back().run = static_cast<std::uint8_t>(*c == 'M' ? 3 : 12);
          break;
        }
        case '/': Push(p, Kind::kDateTimeSeparator, '/'); break;
        case ',': Push(p, Kind::kDateTimeSeparator, ','); break;
        case '_': Push(p, Kind::kDateTimeSeparator, ' '); break;
        default: Push(p, Kind::kLiteral, *c); break;
      }
    }
    p->variable_names_ = number == 4;
  }
  ApplySeparatorAndFill(p, separator, fill);
  return true;
}

std::string PictureBuilder::FormatDate(const Picture& p, std::int32_t date) {
  const int width = p.width();
  if (p.blank_when_zero() && date == 0) return std::string(width, ' ');
  CivilDate c;
  const bool valid = SplitStdDate(date, &c);
  const TimeLocale& loc = p.locale_ ? *p.locale_ : picture_internal::DefaultTimeLocale();
  const bool compact = p.variable_names_;

  std::string out;
  out.reserve(width);
  const auto& positions = p.positions();
  for (size_t i = 0; i < positions.size(); ++i) {
    const PicturePosition& pos = positions[i];
    switch (pos.kind) {
      case Kind::kMonthDigit:
      case Kind::kDayDigit:
      case Kind::kYearDigit: {
        // Each position shows the value's digit of its place in the run:
        // two-digit years keep the last two digits.
        size_t end = i;
        while (end + 1 < positions.size() && positions[end + 1].kind == pos.kind) ++end;
        if (!valid) {
          out += ' ';
          break;
        }
        int v = pos.kind == Kind::kMonthDigit ? c.month
                                              : (pos.kind == Kind::kDayDigit ? c.day : c.year);
        for (size_t k = i; k < end; ++k) v /= 10;
        const char digit = static_cast<char>('0' + v % 10);
        if (pos.suppressible && digit == '0') {
          if (!(compact && pos.ch == ' ')) out += pos.ch;
        } else {
          out += digit;
        }
        break;
      }
      case Kind::kMonthName:
      case Kind::kWeekdayName: {
        if (!valid) {
          if (!compact) out += ' ';
          break;
        }
        std::string name = pos.kind == Kind::kMonthName
                               ? NameOf(loc.months, loc.short_months, pos.ch, c.month - 1)
                               : (pos.ch == 'F' ? loc.days : loc.short_days)[DayOfWeek(date)];
        if (pos.ch == 'A') name = Upper(name);
        if (compact) {
          if (pos.index == 0) out += name;
        } else {
          out += pos.index < name.size() ? name[pos.index] : ' ';
        }
        break;
      }
      default:
        out += pos.ch;
        break;
    }
  }
  out.resize(width, ' ');
  return out;
}

bool PictureBuilder::DeformatDate(const Picture& p, std::string_view text, PictureValue* value) {
  const TimeLocale& loc = p.locale_ ? *p.locale_ : picture_internal::DefaultTimeLocale();
  const picture_internal::RunValues r = picture_internal::ReadRuns(p.positions(), text, loc);
  if (!r.any_digit) {
    *value = PictureValue(0);
    return true;
  }
  bool has_day = false;
  for (const PicturePosition& pos : p.positions()) has_day |= pos.kind == Kind::kDayDigit;
  const int day = has_day ? r.day : 1;
  int year = r.year < 0 ? 0 : r.year;
  if (year < 100) {
    CivilDate today;
    SplitStdDate(Today(), &today);
    year = ExpandTwoDigitYear(year, today.year, p.window());
  }
  const std::int32_t date = MakeStdDate(year, r.month, day);
  *value = PictureValue(date);
  return date != -1;
}

}  // namespace rt
