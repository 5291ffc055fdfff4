#include "runtime/kestrel/store/journal.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/os/fault_injection.h"

namespace kestrel::testing {
namespace {

// An image as the journal sees one: own position, stored size, filler.
std::string Image(uint64_t own, size_t units, char fill) {
  std::string b(units * kUnitSize, fill);
  Put32LE(b.data(), static_cast<uint32_t>(own));
  Put16LE(b.data() + 4, static_cast<uint16_t>(units * kUnitSize - 10));
  return b;
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kestrel_journal_XXXXXX";
    dir_ = mkdtemp(tmpl);
    ASSERT_EQ(File::Open(dir_ + "/data.krl", 0x42, true, false, &file_), 0);
  }
  void TearDown() override {
    fault::Disarm();
    file_.reset();
    std::filesystem::remove_all(dir_);
  }

  // Three page images and the new header journaled from `start`; returns
  // the header at 0 that points at them.
  Header WriteJournal(Journal& j, uint64_t start) {
    images_ = {Image(PagePosition(0), 1, 'a'), Image(PagePosition(1), 3, 'b'), Image(PagePosition(4), 2, 'c')};
    std::vector<Journal::Piece> pieces;
    uint64_t at = start;
    for (std::string& im : images_) {
      j.Scramble(&im);
      pieces.push_back({at, im});
      at += im.size();
    }
    Header journaled;
    journaled.change_counter = 42;
    journaled.area_start[1] = 0, journaled.area_end[1] = 1;
    header_image_ = journaled.Encode();
    j.Scramble(&header_image_);
    pieces.push_back({at, header_image_});
    EXPECT_EQ(j.Write(pieces), 0);
    EXPECT_TRUE(pieces.empty());
    Header at0;
    at0.journal_start = static_cast<uint32_t>(start);
    at0.journal_end = static_cast<uint32_t>(at + kHeaderSize);
    return at0;
  }
  std::string Bytes(uint64_t at, size_t n) {
    std::string b(n, '\0');
    size_t got = 0;
    EXPECT_EQ(file_->Read(at, b.data(), n, &got), 0);
    b.resize(got);
    return b;
  }

  std::string dir_;
  std::unique_ptr<File> file_;
  std::vector<std::string> images_;
  std::string header_image_;
};

TEST_F(JournalTest, ACompleteJournalIsReadAndAppliedImageByImage) {
  for (bool scrambled : {false, true}) {
    SCOPED_TRACE(scrambled);
    std::optional<CipherKey> key;
    if (scrambled) key = MakeCipherKey("secreto");
    Journal j(file_.get(), &key);
    const Header at0 = WriteJournal(j, 8192);
    Journal::Contents c;
    ASSERT_TRUE(j.Read(at0, &c).ok());
    ASSERT_TRUE(c.complete);
    ASSERT_EQ(c.images.size(), 4u);
    EXPECT_EQ(c.header.change_counter, 42u);
    EXPECT_EQ(c.copies.size(), 3u);
    EXPECT_EQ(c.copies.at(PagePosition(1)), 8192u + kUnitSize);
    ASSERT_TRUE(j.Apply(c).ok());
    // Images land at their own places as stored (still scrambled).
    EXPECT_EQ(Bytes(PagePosition(1), 3 * kUnitSize), images_[1]);
    EXPECT_EQ(Bytes(PagePosition(4), 2 * kUnitSize), images_[2]);
    EXPECT_EQ(Bytes(0, kHeaderSize), header_image_);
  }
}

TEST_F(JournalTest, AJournalCutShortAnywhereIsIncompleteAndNeverApplied) {
  std::optional<CipherKey> none;
  Journal j(file_.get(), &none);
  const Header at0 = WriteJournal(j, 8192);
  // The file ends early (a lost write), or the bounds end inside an image.
  for (uint64_t cut = at0.journal_start; cut < at0.journal_end; cut += 64) {
    SCOPED_TRACE(cut);
    ASSERT_EQ(file_->Truncate(cut), 0);
    Journal::Contents c;
    ASSERT_TRUE(j.Read(at0, &c).ok());
    EXPECT_FALSE(c.complete);
    EXPECT_EQ(c.header.change_counter, at0.change_counter);
    EXPECT_FALSE(j.Apply(c).ok());
    WriteJournal(j, 8192);
  }
  Header short_bounds = at0;
  short_bounds.journal_end -= 64;
  Journal::Contents c;
  ASSERT_TRUE(j.Read(short_bounds, &c).ok());
  EXPECT_FALSE(c.complete);
  Header empty = at0;
  empty.journal_end = empty.journal_start;
  ASSERT_TRUE(j.Read(empty, &c).ok());
  EXPECT_FALSE(c.complete);
}

TEST_F(JournalTest, AdjacentPiecesGoOutInGatheredRunsAndEveryRunIsTried) {
  std::optional<CipherKey> none;
  Journal j(file_.get(), &none);
  const std::string piece(64 * 1024, 'x');
  auto pieces = [&] {
    std::vector<Journal::Piece> v;
    for (int i = 9; i >= 0; --i) v.push_back({uint64_t(i) * piece.size(), piece});  // out of order
    v.push_back({100 * piece.size(), piece});                                       // apart
    return v;
  };
  fault::Arm(fault::Plan{});
  auto v = pieces();
  ASSERT_EQ(j.Write(v), 0);
  // Ten adjacent pieces of 64 KiB make runs of 4, 4 and 2; the distant one its own.
  EXPECT_EQ(fault::OperationsSeen(), 4);

  ASSERT_EQ(file_->Truncate(0), 0);
  fault::Plan plan;
  plan.fail_write = 1;
  fault::Arm(plan);
  v = pieces();
  EXPECT_NE(j.Write(v), 0);
  EXPECT_EQ(fault::OperationsSeen(), 4);
  fault::Disarm();
  EXPECT_EQ(Bytes(100 * piece.size(), piece.size()), piece);  // written after the failure
}

}  // namespace
}  // namespace kestrel::testing
