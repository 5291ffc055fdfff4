// A small numbered file for the file-manager tests:
//   0 ITM:PREFIX STRING(4)   1 ITM:NUM LONG   2 ITM:NAME STRING(20)   3 ITM:NOTE STRING(10)
//   key 0 ITM:K_PRIMARY  primary, on PREFIX, NUM (NUM numbered automatically)
//   key 1 ITM:K_NAME     unique, blank names left out, on NAME
//   key 2 ITM:K_ORDER    duplicates, ignores case, on NUM, -NAME
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data_fixture.h"

namespace fwtest {

enum ItemField { kPrefix = 0, kNum = 1, kName = 2, kNote = 3 };

inline std::unique_ptr<rt::DeclaredFile> ItemsFile(const std::string& path,
                                                   const std::string& driver = "KESTREL") {
  rt::FileDeclBuilder b("ITEMS", "ITM", path, driver);
  b.String("ITM:PREFIX", 4).Long("ITM:NUM").String("ITM:NAME", 20).String("ITM:NOTE", 10);
  b.Key("ITM:K_PRIMARY", rt::kKeyPrimary, {"ITM:PREFIX", "ITM:NUM"});
  b.Key("ITM:K_NAME", rt::kKeyExcludeBlank, {"ITM:NAME"});
  b.Key("ITM:K_ORDER", rt::kKeyDuplicates | rt::kKeyNoCase, {"ITM:NUM", "-ITM:NAME"});
  return std::make_unique<rt::DeclaredFile>(b.Build());
}

inline TestAccess::KeyList ItemKeys(int autoInc = 2) {
  return {{0, "ITM:K_PRIMARY", autoInc}, {1, "Item name", 0}, {2, "ITM:K_ORDER", 0}};
}

struct Item {
  std::string prefix;
  int num;
  std::string name;
};

// Adds the items as they are (no numbering) and closes the file again.
inline void SeedItems(rt::DeclaredFile* file, fw::ErrorClass* errors, const std::vector<Item>& items) {
  TestAccess seed(file, errors, ItemKeys(0));
  ASSERT_EQ(seed.Open(), fw::Level::Benign);
  for (const Item& it : items) {
    seed.PrimeRecord();
    seed.set(kPrefix, it.prefix);
    seed.set(kNum, std::to_string(it.num));
    seed.set(kName, it.name);
    ASSERT_EQ(seed.Insert(), fw::Level::Benign) << it.name;
  }
  seed.Close();
}

}  // namespace fwtest
