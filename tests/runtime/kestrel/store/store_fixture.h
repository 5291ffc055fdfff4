#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/os/fault_injection.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel::testing {

inline std::string Key(uint32_t n) {
  std::string k;
  Append32BE(&k, n);
  return k;
}

// A record with a 4-byte key and a value that makes it `length` bytes long.
// Values are pseudo-random so pages do not compress.
inline Record Rec(uint32_t n, size_t length, uint32_t salt = 0) {
  std::string value(length > 4 ? length - 4 : 0, '\0');
  uint32_t x = n * 2654435761u + salt * 40503u + 1;
  for (char& c : value) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return Record(Key(n), value);
}

inline uint32_t AreaPages(const Header& h, int i) { return (h.area_end[i] - h.area_start[i]) / i; }

using Contents = std::map<std::string, std::string>;

class StoreTest : public ::testing::Test {
 public:
  void SetUp() override {
    char tmpl[] = "/tmp/kestrel_store_XXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/data.krl";
  }
  void TearDown() override {
    fault::Disarm();
    std::filesystem::remove_all(dir_);
  }

  std::unique_ptr<PageStore> Open(int mode = 0x42, bool create = true) { return OpenAt(path_, mode, create); }
  static std::unique_ptr<PageStore> OpenAt(const std::string& path, int mode = 0x42, bool create = true) {
    std::unique_ptr<PageStore> s;
    PageStore::OpenOptions o;
    o.mode = mode;
    o.create = create;
    Outcome r = PageStore::Open(path, o, &s);
    EXPECT_TRUE(r.ok()) << r.ToString();
    return s;
  }

  // Runs `fn` in one write operation and commits it.
  template <typename Fn>
  static Outcome Write(PageStore& s, Fn fn) {
    s.BeginOperation();
    s.BeginWriteCycle();
    Outcome o = fn();
    if (!o.ok()) {
      s.Discard();
      s.EndOperation();
      return o;
    }
    return s.EndOperation();
  }

  // Records first to end - 1 of `length` bytes, in one commit.
  static Outcome InsertRecords(PageStore& s, uint32_t first, uint32_t end, size_t length) {
    return Write(s, [&]() -> Outcome {
      for (uint32_t k = first; k < end; ++k) KESTREL_RETURN_IF_FAILED(s.Insert(Rec(k, length)));
      return Outcome::OK();
    });
  }

  static Contents ReadAll(PageStore& s) {
    Contents out;
    s.BeginOperation();
    Cursor c;
    bool found = false;
    Outcome o = s.FindAtLeast("", &c, &found);
    EXPECT_TRUE(o.ok()) << o.ToString();
    while (o.ok() && found) {
      out[std::string(c.key())] = std::string(c.value());
      o = s.Next(&c, &found);
      EXPECT_TRUE(o.ok()) << o.ToString();
    }
    s.EndOperation();
    return out;
  }

  // Compares without printing whole record images.
  static ::testing::AssertionResult Same(const Contents& actual, const Contents& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    auto a = actual.begin();
    auto e = expected.begin();
    while (a != actual.end() && e != expected.end() && *a == *e) ++a, ++e;
    auto r = ::testing::AssertionFailure() << actual.size() << " records, expected " << expected.size();
    if (a != actual.end()) r << "; first unexpected " << HexBytes(a->first);
    if (e != expected.end()) r << "; first missing or different " << HexBytes(e->first);
    return r;
  }

  static void ExpectSound(PageStore& s) {
    std::string detail;
    s.BeginOperation();
    Outcome o = s.CheckIntegrity(&detail);
    s.EndOperation();
    EXPECT_TRUE(o.ok()) << o.ToString() << ": " << detail;
  }

  std::string dir_, path_;
};

}  // namespace kestrel::testing
