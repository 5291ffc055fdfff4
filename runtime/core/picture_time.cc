// Time pictures (@t): layouts 1 to 6, the locale's short and long formats
// (7, 8), format and deformat of standard times.
#include <memory>
#include <string>

#include "runtime/core/picture_builder.h"
#include "runtime/core/picture_locale.h"
#include "runtime/core/picture_runs.h"
#include "runtime/core/std_time.h"

namespace rt {

namespace {

using Kind = PositionKind;
using picture_internal::TimeLocale;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// h hour, m minute, s second digit; ':' separator; X the AM/PM letter.
constexpr const char* kLayouts[7] = {"",       "hh:mm",  "hhmm",      "hh:mmXM",
                                     "hh:mm:ss", "hhmmss", "hh:mm:ssXM"};

bool HasAmPm(const Picture& p) {
  for (const PicturePosition& pos : p.positions()) {
    if (pos.kind == Kind::kAmPm) return true;
  }
  return false;
}

}  // namespace

bool PictureBuilder::CompileTime(std::string_view s, Picture* p) {
  size_t i = 0;
  char fill = 0;
  if (s.size() >= 2 && (s[0] == '0' || s[0] == '_' || s[0] == '*') && IsDigit(s[1])) {
    fill = s[0] == '_' ? ' ' : s[0];
    i = 1;
  }
  const int number = ReadNumber(s, &i, 1);
  if (number < 1 || number > 8) return false;
  char separator = 0;
  if (i < s.size() && (s[i] == '.' || s[i] == '-' || s[i] == '_' || s[i] == '`')) {
    separator = s[i] == '_' ? ' ' : (s[i] == '`' ? ',' : s[i]);
    ++i;
  }
  if (i != s.size()) return false;
  p->number_ = static_cast<std::uint8_t>(number);

  if (number >= 7) {
    auto loc = std::make_shared<TimeLocale>(picture_internal::CurrentTimeLocale());
    const std::string& f = number == 7 ? loc->short_time : loc->long_time;
    bool variable = false;
    if (!picture_internal::ExpandLocaleFormat(f, *loc, &p->positions_, &variable)) return false;
    p->locale_ = std::move(loc);
  } else {
    bool first_hour = true;
    for (const char* c = kLayouts[number]; *c != '\0'; ++c) {
      switch (*c) {
        case 'h':
          Push(p, Kind::kHourDigit, ' ', first_hour);
          first_hour = false;
          break;
        case 'm': Push(p, Kind::kMinuteDigit, ' '); break;
        case 's': Push(p, Kind::kSecondDigit, ' '); break;
        case ':': Push(p, Kind::kDateTimeSeparator, ':'); break;
        case 'X':
          Push(p, Kind::kAmPm, ' ');
          p->positions_.back().run = 1;
          break;
        default: Push(p, Kind::kLiteral, *c); break;
      }
    }
  }
  ApplySeparatorAndFill(p, separator, fill);
  return true;
}

std::string PictureBuilder::FormatTime(const Picture& p, std::int32_t time) {
  const int width = p.width();
  if (p.blank_when_zero() && time == 0) return std::string(width, ' ');
  ClockTime c;
  const bool valid = SplitStdTime(time, &c);
  const TimeLocale& loc = p.locale_ ? *p.locale_ : picture_internal::DefaultTimeLocale();
  const bool twelve = HasAmPm(p);
  int hour = c.hour;
  if (twelve) hour = c.hour % 12 == 0 ? 12 : c.hour % 12;
  const std::string& ampm = c.hour >= 12 ? loc.pm : loc.am;

  std::string out;
  out.reserve(width);
  const auto& positions = p.positions();
  for (size_t i = 0; i < positions.size(); ++i) {
    const PicturePosition& pos = positions[i];
    switch (pos.kind) {
      case Kind::kHourDigit:
      case Kind::kMinuteDigit:
      case Kind::kSecondDigit: {
        if (!valid) {
          out += ' ';
          break;
        }
        const bool last = i + 1 >= positions.size() || positions[i + 1].kind != pos.kind;
        const int v = pos.kind == Kind::kHourDigit
                          ? hour
                          : (pos.kind == Kind::kMinuteDigit ? c.minute : c.second);
        const char digit = static_cast<char>('0' + (last ? v % 10 : (v / 10) % 10));
        out += (pos.suppressible && digit == '0') ? pos.ch : digit;
        break;
      }
      case Kind::kAmPm:
        out += (valid && pos.index < ampm.size()) ? Upper(ampm[pos.index]) : ' ';
        break;
      default:
        out += pos.ch;
        break;
    }
  }
  return out;
}

bool PictureBuilder::DeformatTime(const Picture& p, std::string_view text, PictureValue* value) {
  const TimeLocale& loc = p.locale_ ? *p.locale_ : picture_internal::DefaultTimeLocale();
  const picture_internal::RunValues r = picture_internal::ReadRuns(p.positions(), text, loc);
  if (!r.any_digit) {
    *value = PictureValue(0);
    return true;
  }
  int hour = r.hour < 0 ? 0 : r.hour;
  // The first letter that starts the AM or PM text decides.
  const char am = loc.am.empty() ? 'A' : Upper(loc.am[0]);
  const char pm = loc.pm.empty() ? 'P' : Upper(loc.pm[0]);
  for (char ch : text) {
    const char u = Upper(ch);
    if (u == pm && am != pm) {
      if (hour != 12) hour += 12;
      break;
    }
    if (u == am) {
      if (hour == 12) hour = 0;
      break;
    }
  }
  const int minute = r.minute < 0 ? 0 : r.minute;
  const int second = r.second < 0 ? 0 : r.second;
  std::int32_t t = -1;
  if (hour < 24 && minute < 60 && second < 60) t = MakeStdTime(hour, minute, second);
  *value = PictureValue(t);
  return t != -1;
}

}  // namespace rt
