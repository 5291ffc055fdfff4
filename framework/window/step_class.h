// Scroll steps: map a key value of a sort order to a percentage from 1 to
// 100 and back, so that a scroll-bar thumb can show and set how far through
// an ordered result set a record lies without reading the set. Record
// processing measures its progress with the same classes.
//
//   fw::StepStringClass step;
//   step.Init(fw::Step_Alpha | fw::Step_Digits, fw::StepLookup_Runtime);
//   step.SetLimit("ACOSTA", "ZAPATA");     // first and last key value
//   int pct = step.GetPercentile("MORENO");  // about 50
//   std::string v = step.GetValue(75);       // a key value three quarters in
//   step.Kill();
//
// Controls (a bit set):
//   Step_Alpha       letters belong to the character set
//   Step_Punctuation the 31 punctuation characters (space included)
//   Step_Digits      "0" to "9"
//   Step_Case        lower-case letters are distinct and values are not upper-cased
//   Step_Descending  the order is descending: percentages run from 100 down to 1
//
// Lookup modes of StepStringClass:
//   StepLookup_Names    a fixed table of 100 three-letter surname prefixes
//   StepLookup_Alphabet a fixed table of 100 two-letter prefixes
//   StepLookup_Runtime  100 four-character entries spread evenly between the
//                       limits given to SetLimit, after their common prefix
//                       (Root); needs a non-empty character set.
//
// Entry n of a table is the lowest value of percentile n. Percentages of 0
// count as 1; values compare as texts with trailing blanks ignored. Text is
// in the 8-bit (Windows-1252) character set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

inline constexpr uint8_t Step_Alpha = 1;
inline constexpr uint8_t Step_Punctuation = 2;
inline constexpr uint8_t Step_Digits = 4;
inline constexpr uint8_t Step_Case = 8;
inline constexpr uint8_t Step_Descending = 16;

inline constexpr uint8_t StepLookup_Names = 1;
inline constexpr uint8_t StepLookup_Alphabet = 2;
inline constexpr uint8_t StepLookup_Runtime = 3;

class StepClass {
 public:
  StepClass() = default;
  virtual ~StepClass() = default;
  StepClass(const StepClass&) = delete;
  StepClass& operator=(const StepClass&) = delete;

  // 1 to 100: how far through the order `value` lies.
  virtual int GetPercentile(std::string_view value);
  // A key value that lies `percent` (0 counts as 1) through the order.
  virtual std::string GetValue(int percent);
  virtual void Kill() {}
  // The first and the last value of the order, for steps that need them.
  virtual void SetLimit(std::string_view /*low*/, std::string_view /*high*/) {}
  virtual bool SetLimitNeeded() { return false; }

  void Init(uint8_t controls) { Controls = controls; }

  uint8_t Controls = 0;
};

}  // namespace fw
