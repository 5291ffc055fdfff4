#include "framework/window/step_string_class.h"

#include <algorithm>
#include <array>
#include <compare>

#include "runtime/core/error_assert.h"
#include "runtime/view/value.h"

namespace fw {

namespace {

constexpr size_t kEntries = 100;
constexpr size_t kMaxValue = 80;
constexpr size_t kMaxRoot = 39;

constexpr std::array<const char*, kEntries> kNames = {
    "   ", "ALB", "AME", "ARN", "BAK", "BAT", "BEN", "BIA", "BOB", "BRA", "BRO", "BUA", "CAC",
    "CAR", "CEN", "CHR", "COE", "CON", "COR", "CRU", "DAS", "DEL", "DIA", "DON", "DUR", "ELD",
    "EVE", "FEL", "FIS", "FLO", "FRE", "FUT", "GAR", "GIB", "GOL", "GOS", "GRE", "GUT", "HAM",
    "HEM", "HOB", "HOT", "ING", "JAS", "JON", "KAG", "KEA", "KIR", "KOR", "KYO", "LAT", "LEO",
    "LIG", "LOU", "MAC", "MAQ", "MAR", "MAU", "MCK", "MER", "MIL", "MON", "MOR", "NAT", "NOL",
    "OKE", "PAG", "PAU", "PET", "PIN", "POR", "PUL", "RAU", "REY", "ROB", "ROS", "RUB", "SAL",
    "SCA", "SCH", "SCR", "SHA", "SIG", "SKI", "SNA", "SOU", "STE", "STI", "SUN", "TAY", "TIR",
    "TUC", "VAN", "WAC", "WAS", "WEI", "WIE", "WIM", "WOL", "YOR"};

const std::string& NameTable() {
  static const std::string table = [] {
    std::string t;
    for (const char* n : kNames) t += n;
    return t;
  }();
  return table;
}

// Two blanks, "AF" "AN" "AT", then per letter B..Y (Q apart) the letter
// followed by blank, F, N and T; Q and Z only by blank and N.
const std::string& AlphabetTable() {
  static const std::string table = [] {
    std::string t = "  AFANAT";
    for (char c = 'B'; c <= 'Z'; ++c) {
      if (c == 'Q' || c == 'Z') {
        t += std::string{c, ' '} + std::string{c, 'N'};
      } else {
        for (char s : {' ', 'F', 'N', 'T'}) t += std::string{c, s};
      }
    }
    return t;
  }();
  return table;
}

constexpr std::string_view kPunctuation =
    "\x60\x21\x22\xA3\x24\x25\x5E\x26\x2A\x28\x29\x27\x2D\x3D\x5F\x2B\x5D\x5B\x23\x3B\x7E\x40\x3A\x2F"
    "\x2E\x2C\x3F\x5C\x7C\x20";

bool IsLetter(char c) { return rt::upperChar(c) != rt::lowerChar(c); }
bool IsUpperLetter(char c) { return IsLetter(c) && rt::upperChar(c) == c; }

std::string_view ClipTo(std::string_view s, size_t max) {
  s = s.substr(0, std::min(s.size(), max));
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

StepStringClass::~StepStringClass() { StepStringClass::Kill(); }

void StepStringClass::Init(uint8_t controls, uint8_t mode) {
  LookupMode = mode;
  Controls = controls;
  Root.clear();
  SortChars.clear();
  switch (mode) {
    case StepLookup_Names:
      Ref = NameTable();
      TestLen = 3;
      break;
    case StepLookup_Alphabet:
      Ref = AlphabetTable();
      TestLen = 2;
      break;
    case StepLookup_Runtime:
      Ref.assign(kEntries * 4, ' ');
      TestLen = 4;
      for (int code = 1; code <= 255; ++code) {
        char c = char(code);
        bool take = ((controls & Step_Punctuation) && kPunctuation.find(c) != std::string_view::npos) ||
                    ((controls & Step_Digits) && c >= '0' && c <= '9') ||
                    ((controls & Step_Alpha) && IsLetter(c) && ((controls & Step_Case) || IsUpperLetter(c)));
        if (take) SortChars += c;
      }
      break;
    default:
      rt::Assert(false, "Unknown step lookup mode");
      Ref.clear();
      TestLen = 0;
      break;
  }
}

void StepStringClass::Kill() {
  if (LookupMode == StepLookup_Runtime) Ref.clear();
  SortChars.clear();
}

std::string_view StepStringClass::Entry(int n) const {
  if (TestLen == 0 || Ref.size() < kEntries * TestLen) return std::string_view();
  n = std::clamp(n, 1, int(kEntries));
  return std::string_view(Ref).substr(size_t(n - 1) * TestLen, TestLen);
}

int64_t StepStringClass::Hash(std::string_view key) const {
  const int64_t base = int64_t(SortChars.size());
  std::string k(key.substr(0, std::min<size_t>(key.size(), 4)));
  k.resize(4, SortChars.empty() ? ' ' : SortChars.front());
  if (!(Controls & Step_Case)) k = rt::upperText(k);
  int64_t result = 0;
  for (char c : k) {
    size_t at = SortChars.find(c);
    result = result * base + (at == std::string::npos ? 0 : int64_t(at));
  }
  return result;
}

std::string StepStringClass::Unhash(int64_t n) const {
  const int64_t base = int64_t(SortChars.size());
  if (base == 0) {
    rt::Assert(false, "The step has no characters to work with");
    return std::string(4, ' ');
  }
  std::string out(4, ' ');
  for (int i = 3; i >= 0; --i) {
    int64_t r = ((n % base) + base) % base;
    out[size_t(i)] = SortChars[size_t(r)];
    n /= base;
  }
  return out;
}

void StepStringClass::SetLimit(std::string_view low, std::string_view high) {
  if (LookupMode != StepLookup_Runtime) return;
  if (SortChars.empty()) {
    rt::Assert(false, "The step has no characters to work with");
    return;
  }
  low = ClipTo(low, kMaxValue);
  high = ClipTo(high, kMaxValue);
  size_t shorter = std::min(low.size(), high.size());
  size_t at = 0;
  while (at < shorter && low[at] == high[at]) ++at;
  size_t rootLen = std::min(at, kMaxRoot);
  Root = std::string(low.substr(0, rootLen));
  auto keyAfterRoot = [&](std::string_view v, char pad) {
    std::string k(v.substr(std::min(rootLen, v.size()), 4));
    k.resize(4, pad);
    return k;
  };
  int64_t h = Hash(keyAfterRoot(low, SortChars.front()));
  int64_t step = (Hash(keyAfterRoot(high, SortChars.back())) - h) / int64_t(kEntries);
  Ref.assign(kEntries * 4, ' ');
  for (size_t i = 0; i < kEntries; ++i) {
    size_t entry = (Controls & Step_Descending) ? kEntries - 1 - i : i;
    Ref.replace(entry * 4, 4, Unhash(h + int64_t(i) * step));
  }
}

// A runtime table of a descending order is already filled from the top,
// so it maps percentages as they stand; the fixed tables are ascending and
// map the complement.
std::string StepStringClass::GetValue(int percent) {
  const bool reversedTable = LookupMode == StepLookup_Runtime;
  if ((Controls & Step_Descending) && !reversedTable) percent = int(kEntries) - percent;
  percent = std::clamp(percent, 1, int(kEntries));
  return Root + std::string(Entry(percent));
}

int StepStringClass::GetPercentile(std::string_view value) {
  std::string taken;
  if (!Root.empty()) {
    std::string head(value.substr(0, Root.size()));
    bool starts = (Controls & Step_Case) ? head == Root : rt::upperText(head) == rt::upperText(Root);
    if (!starts) {
      rt::Assert(false, "The value lies outside the step's limits");
      return 1;
    }
    taken = std::string(value.substr(Root.size(), size_t(TestLen) + 1));
  } else {
    taken = std::string(value.substr(0, std::min(value.size(), kMaxValue)));
  }
  if (!(Controls & Step_Case)) taken = rt::upperText(taken);
  // n counts the entries, in ascending order, up to the first one above the value.
  const bool reversedTable = LookupMode == StepLookup_Runtime && (Controls & Step_Descending);
  int n = int(kEntries);
  for (int i = 1; i <= int(kEntries); ++i) {
    std::string_view entry = Entry(reversedTable ? int(kEntries) + 1 - i : i);
    if (rt::compareText(entry, taken) == std::strong_ordering::greater) {
      n = i - 1;
      break;
    }
  }
  if (Controls & Step_Descending) n = int(kEntries) - n;
  return n == 0 ? 1 : n;
}

}  // namespace fw
