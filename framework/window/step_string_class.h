// The text step: a table of 100 key prefixes (see step_class.h for the
// modes and the character-set bits).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/window/step_class.h"

namespace fw {

class StepStringClass : public StepClass {
 public:
  ~StepStringClass() override;

  // Returns a percentile from 1 to 100. In StepLookup_Runtime a value that
  // does not start with Root lies outside the limits: a programming error,
  // reported, and answered with 1.
  int GetPercentile(std::string_view value) override;
  // Root followed by table entry `percent` (0 counts as 1, above 100 as 100).
  std::string GetValue(int percent) override;
  void Kill() override;
  // StepLookup_Runtime: builds the table from the two limits (trailing
  // blanks ignored, at most 80 characters each). Other modes ignore it.
  void SetLimit(std::string_view low, std::string_view high) override;
  bool SetLimitNeeded() override { return LookupMode == StepLookup_Runtime; }

  void Init(uint8_t controls, uint8_t mode);
  // The four characters of `key` as a number in base |SortChars| (absent
  // characters count as the first one).
  int64_t Hash(std::string_view key) const;
  // The four characters whose Hash is `n`; requires a non-empty SortChars.
  std::string Unhash(int64_t n) const;

  // Table entry n (1 to 100), TestLen characters.
  std::string_view Entry(int n) const;

  uint8_t LookupMode = 0;
  std::string Ref;        // the step table: 100 entries of TestLen characters
  std::string Root;       // common prefix of the limits (StepLookup_Runtime), at most 39 characters
  std::string SortChars;  // the ordered character set (StepLookup_Runtime)
  uint8_t TestLen = 0;
};

}  // namespace fw
