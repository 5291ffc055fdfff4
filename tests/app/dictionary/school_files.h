// Scratch copies of the dictionary's files in a temporary directory, opened
// through the runtime file layer and the Kestrel driver.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "runtime/core/file_access.h"
#include "runtime/core/file_control.h"
#include "runtime/core/file_field.h"
#include "runtime/kestrel/driver/kestrel_driver.h"

namespace app::testing {

class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/qvdict.XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A control block of `decl` whose file lives in `dir`, created and open.
inline std::unique_ptr<rt::FileControlBlock> CreateIn(const std::string& dir, const rt::FileDeclPtr& decl) {
  kestrel::RegisterKestrelDriver();
  auto block = std::make_unique<rt::FileControlBlock>(decl);
  block->name = dir + "/" + decl->name;
  EXPECT_EQ(rt::Create(*block), 0) << block->name;
  rt::Close(*block);  // reopened shared, as the program opens its files
  EXPECT_EQ(rt::Open(*block, rt::kAccessReadWrite | rt::kShareDenyNone), 0) << block->name;
  return block;
}

// Field access by label, failing the test on a wrong label or value.
inline void SetInt(rt::FileControlBlock& f, const char* label, int64_t v) {
  rt::FieldRef r = rt::findFieldRef(f, label);
  ASSERT_TRUE(r.valid()) << label;
  ASSERT_TRUE(rt::setInteger(f, r.field, v)) << label;
}
inline void SetText(rt::FileControlBlock& f, const char* label, const std::string& v) {
  rt::FieldRef r = rt::findFieldRef(f, label);
  ASSERT_TRUE(r.valid()) << label;
  ASSERT_TRUE(rt::setText(f, r.field, v)) << label;
}
inline void SetDec(rt::FileControlBlock& f, const char* label, const char* v) {
  rt::FieldRef r = rt::findFieldRef(f, label);
  ASSERT_TRUE(r.valid()) << label;
  ASSERT_TRUE(rt::setDecimal(f, r.field, *rt::Decimal::Parse(v))) << label;
}
inline std::string Value(rt::FileControlBlock& f, const char* label) {
  return rt::getValueText(rt::findFieldRef(f, label)).value_or("?");
}

}  // namespace app::testing
