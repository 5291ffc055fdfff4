// A memo of a record buffer bound to a control or a report field: the
// control shows the memo's text and writes what the user typed back into
// it. Text memos read without their trailing blanks.
#pragma once

#include <string>

#include "runtime/core/file_control.h"
#include "runtime/ui/use_var.h"

namespace fw {

class MemoVar : public ui::UseVar {
 public:
  // `memo` is the 0-based memo number of the file.
  MemoVar(rt::FileControlBlock* file, int memo) : file_(file), memo_(memo) {}
  std::string get() const override;
  // False, changing nothing, when the file has no such memo.
  bool set(const std::string& value) override;

 private:
  rt::FileControlBlock* file_;
  int memo_;
};

}  // namespace fw
