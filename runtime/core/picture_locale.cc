#include "runtime/core/picture_locale.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cstring>

namespace rt {
namespace picture_internal {

namespace {

using Kind = PositionKind;

bool IsCLocale(const char* name) {
  return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
         std::strncmp(name, "C.", 2) == 0;
}

std::string Item(nl_item item, const std::string& fallback) {
  const char* s = nl_langinfo(item);
  return (s != nullptr && *s != '\0') ? std::string(s) : fallback;
}

size_t Longest(const std::string* names, size_t n) {
  size_t m = 0;
  for (size_t i = 0; i < n; ++i) m = std::max(m, names[i].size());
  return m;
}

bool Varies(const std::string* names, size_t n) {
  for (size_t i = 1; i < n; ++i) {
    if (names[i].size() != names[0].size()) return true;
  }
  return false;
}

bool IsTimeConversion(char c) { return std::strchr("HIklMSTRrpPZzXs", c) != nullptr; }

class Expander {
 public:
  Expander(const TimeLocale& loc, std::vector<PicturePosition>* out, bool* variable)
      : loc_(loc), out_(out), variable_(variable) {}

  bool Run(std::string_view f, int depth) {
    for (size_t i = 0; i < f.size(); ++i) {
      if (f[i] != '%') {
        const unsigned char c = static_cast<unsigned char>(f[i]);
        const bool punct = c < 0x80 && std::strchr("/.-:,", f[i]) != nullptr;
        if (!Add(punct ? Kind::kDateTimeSeparator : Kind::kLiteral, f[i])) return false;
        continue;
      }
      bool suppress = false;
      while (i + 1 < f.size() && std::strchr("-_0^#", f[i + 1]) != nullptr) {
        suppress = suppress || f[i + 1] == '-' || f[i + 1] == '_';
        ++i;
      }
      if (i + 1 >= f.size()) break;
      if (!Conversion(f[++i], suppress, depth)) return false;
    }
    return true;
  }

 private:
  bool Add(Kind kind, char ch, bool suppressible = false, int index = 0, int run = 0) {
    if (out_->size() >= static_cast<size_t>(Picture::kMaxPositions)) return false;
    PicturePosition p;
    p.kind = kind;
    p.ch = ch;
    p.suppressible = suppressible;
    p.index = static_cast<std::uint8_t>(index);
    p.run = static_cast<std::uint8_t>(run);
    out_->push_back(p);
    return true;
  }

  bool Digits(Kind kind, int n, bool suppress_first) {
    for (int i = 0; i < n; ++i) {
      if (!Add(kind, ' ', i == 0 && suppress_first)) return false;
    }
    return true;
  }

  bool Name(Kind kind, char style, size_t run, bool varies) {
    if (run == 0 || run > 255) return true;
    if (varies) *variable_ = true;
    for (size_t i = 0; i < run; ++i) {
      if (!Add(kind, style, false, static_cast<int>(i), static_cast<int>(run))) return false;
    }
    return true;
  }

  bool Conversion(char c, bool suppress, int depth) {
    if (depth > 2) return true;
    switch (c) {
      case 'd': return Digits(Kind::kDayDigit, 2, suppress);
      case 'e': return Digits(Kind::kDayDigit, 2, true);
      case 'm': return Digits(Kind::kMonthDigit, 2, suppress);
      case 'y': return Digits(Kind::kYearDigit, 2, false);
      case 'Y': return Digits(Kind::kYearDigit, 4, false);
      case 'H': case 'I': return Digits(Kind::kHourDigit, 2, suppress);
      case 'k': case 'l': return Digits(Kind::kHourDigit, 2, true);
      case 'M': return Digits(Kind::kMinuteDigit, 2, false);
      case 'S': return Digits(Kind::kSecondDigit, 2, false);
      case 'b': case 'h':
        return Name(Kind::kMonthName, 'a', Longest(loc_.short_months.data(), 12),
                    Varies(loc_.short_months.data(), 12));
      case 'B':
        return Name(Kind::kMonthName, 'F', Longest(loc_.months.data(), 12),
                    Varies(loc_.months.data(), 12));
      case 'a':
        return Name(Kind::kWeekdayName, 'a', Longest(loc_.short_days.data(), 7),
                    Varies(loc_.short_days.data(), 7));
      case 'A':
        return Name(Kind::kWeekdayName, 'F', Longest(loc_.days.data(), 7),
                    Varies(loc_.days.data(), 7));
      case 'p': case 'P': {
        const size_t n = std::max(loc_.am.size(), loc_.pm.size());
        for (size_t i = 0; i < n && i < 255; ++i) {
          if (!Add(Kind::kAmPm, ' ', false, static_cast<int>(i), static_cast<int>(n))) return false;
        }
        return true;
      }
      case 'D': return Run("%m/%d/%y", depth + 1);
      case 'F': return Run("%Y-%m-%d", depth + 1);
      case 'R': return Run("%H:%M", depth + 1);
      case 'T': return Run("%H:%M:%S", depth + 1);
      case 'r': return Run("%I:%M:%S %p", depth + 1);
      case '%': return Add(Kind::kLiteral, '%');
      case 't': case 'n': return Add(Kind::kLiteral, ' ');
      default: return true;  // conversions a picture cannot show
    }
  }

  const TimeLocale& loc_;
  std::vector<PicturePosition>* out_;
  bool* variable_;
};

}  // namespace

const TimeLocale& DefaultTimeLocale() {
  static const TimeLocale kDefault;
  return kDefault;
}

TimeLocale CurrentTimeLocale() {
  TimeLocale loc;
  if (IsCLocale(setlocale(LC_TIME, nullptr))) return loc;
  loc.short_date = Item(D_FMT, loc.short_date);
  const std::string long_date = DatePartOf(Item(_DATE_FMT, ""));
  if (long_date.find('%') != std::string::npos) loc.long_date = long_date;
  std::string t = Item(T_FMT, loc.long_time);
  if (t == "%r") t = Item(T_FMT_AMPM, "%I:%M:%S %p");
  loc.long_time = t;
  loc.short_time = WithoutSeconds(t);
  loc.am = Item(AM_STR, loc.am);
  loc.pm = Item(PM_STR, loc.pm);
  for (int i = 0; i < 12; ++i) {
    loc.months[i] = Item(static_cast<nl_item>(MON_1 + i), loc.months[i]);
    loc.short_months[i] = Item(static_cast<nl_item>(ABMON_1 + i), loc.short_months[i]);
  }
  for (int i = 0; i < 7; ++i) {
    loc.days[i] = Item(static_cast<nl_item>(DAY_1 + i), loc.days[i]);
    loc.short_days[i] = Item(static_cast<nl_item>(ABDAY_1 + i), loc.short_days[i]);
  }
  return loc;
}

bool ExpandLocaleFormat(std::string_view format, const TimeLocale& locale,
                        std::vector<PicturePosition>* out, bool* variable) {
  return Expander(locale, out, variable).Run(format, 0);
}

std::string DatePartOf(std::string_view f) {
  std::string r;
  bool skipping = false;  // separators right after a dropped conversion
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == '%' && i + 1 < f.size()) {
      size_t j = i + 1;
      while (j < f.size() && std::strchr("-_0^#", f[j]) != nullptr) ++j;
      if (j >= f.size()) break;
      if (IsTimeConversion(f[j])) {
        skipping = true;
      } else {
        r.append(f.substr(i, j + 1 - i));
        skipping = false;
      }
      i = j;
      continue;
    }
    if (!skipping) r += f[i];
  }
  std::string out;  // blanks collapsed and trimmed
  for (char c : r) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string WithoutSeconds(std::string_view f) {
  const size_t s = f.find("%S");
  if (s == std::string_view::npos) return std::string(f);
  size_t start = s;
  while (start > 0 && f[start - 1] != 'M' && f[start - 1] != '%') --start;
  if (start > 0 && f[start - 1] == '%') start = s;  // nothing safe to cut before
  std::string r(f.substr(0, start));
  r.append(f.substr(s + 2));
  return r;
}

}  // namespace picture_internal
}  // namespace rt
