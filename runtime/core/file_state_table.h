// The saved states of one control block (file_state.h keeps them).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rt {

struct SavedFileState {
  int64_t driver_handle = 0;
  std::vector<uint8_t> record;
  std::vector<std::string> memos;
};

struct FileStateTable {
  int64_t last_handle = 0;
  std::map<int64_t, SavedFileState> states;
};

}  // namespace rt
