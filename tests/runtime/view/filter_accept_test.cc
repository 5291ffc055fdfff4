// A filter handed to a run-time index build: the driver asks the compiled
// filter about each candidate record while it stands in the buffer.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_driver.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_ops.h"
#include "runtime/view/filter_accept.h"

namespace rt {
namespace {

TEST(FilterAcceptTest, BuildHandsTheDriverTheTextAndACompiledFilter) {
  std::vector<int> admitted;
  std::string text;
  int builds = 0;
  registerDriver("VIEWBUILD", [&](int32_t op, FileControlBlock& f, DriverArgs& a) -> int32_t {
    if (op != Op_BUILDdynfilter) return 0;
    ++builds;
    text = a.filter;
    for (int id = 1; id <= 6; ++id) {
      setInteger(f, 0, id);
      if (a.accept && a.accept(f)) admitted.push_back(id);
    }
    return 0;
  });
  FileDeclBuilder b("T", "T", "T.KRL", "VIEWBUILD");
  b.Long("T:ID").Key("T:K_RUN", kKeyDynamic | kKeyDuplicates, {"T:ID"});
  FileControlBlock file(b.Build());
  EXPECT_EQ(BuildFilteredIndex(file, 0, "-T:ID", "T:ID % 2 = 0 AND T:ID > 2"), 0);
  EXPECT_EQ(admitted, (std::vector<int>{4, 6}));
  EXPECT_EQ(text, "T:ID % 2 = 0 AND T:ID > 2");
  // A filter that does not compile never reaches the driver.
  EXPECT_EQ(BuildFilteredIndex(file, 0, "-T:ID", "T:ID >"), 1010);
  EXPECT_EQ(builds, 1);
  registerDriver("VIEWBUILD", {});
}

}  // namespace
}  // namespace rt
