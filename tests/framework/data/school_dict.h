// A three-level dictionary for the relation tests: parents, their children,
// the children's grandchildren.
//   PARENT  0 PAR:ID LONG  1 PAR:NAME STRING(10)           key 0 PAR:K_ID primary
//   CHILD   0 CHI:ID LONG  1 CHI:PARENT LONG               key 0 CHI:K_ID primary
//                                                           key 1 CHI:K_PARENT dups (PARENT, ID)
//   GRAND   0 GRA:ID LONG  1 GRA:CHILD LONG                key 0 GRA:K_ID primary
//                                                           key 1 GRA:K_CHILD dups (CHILD, ID)
// PARENT lists CHILD through CHI:K_PARENT and CHILD lists GRAND through
// GRA:K_CHILD, with the rules given; CHILD also looks its parent up.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data_fixture.h"
#include "framework/data/relation_manager.h"
#include "runtime/core/file_sequence.h"

namespace fwtest {

class TestRelate : public fw::RelationManager {
 public:
  ~TestRelate() override { Kill(); }
  void DeferedAddRelations() override {
    if (relations) relations(*this);
  }
  std::function<void(TestRelate&)> relations;
};

struct Rules {
  uint8_t childUpdate = fw::kRiNone, childDelete = fw::kRiNone;
  uint8_t grandUpdate = fw::kRiNone, grandDelete = fw::kRiNone;
};

inline std::unique_ptr<rt::DeclaredFile> Declare(const std::string& dir, const std::string& label,
                                                 const std::string& prefix, const std::string& second,
                                                 const std::string& driver) {
  rt::FileDeclBuilder b(label, prefix, dir + "/" + label + ".krl", driver);
  b.Long(prefix + ":ID");
  if (second == "NAME") {
    b.String(prefix + ":NAME", 10);
  } else {
    b.Long(prefix + ":" + second);
  }
  b.Key(prefix + ":K_ID", rt::kKeyPrimary, {prefix + ":ID"});
  if (second != "NAME") b.Key(prefix + ":K_" + second, rt::kKeyDuplicates, {prefix + ":" + second, prefix + ":ID"});
  return std::make_unique<rt::DeclaredFile>(b.Build());
}

class SchoolDict {
 public:
  SchoolDict(const std::string& dir, fw::ErrorClass* errors, Rules rules, const std::string& driver = "KESTREL")
      : parentFile(Declare(dir, "PARENT", "PAR", "NAME", driver)),
        childFile(Declare(dir, "CHILD", "CHI", "PARENT", driver)),
        grandFile(Declare(dir, "GRAND", "GRA", "CHILD", driver)),
        parent(parentFile.get(), errors, {{0, "PAR:K_ID", 0}}),
        child(childFile.get(), errors, {{0, "CHI:K_ID", 0}, {1, "CHI:K_PARENT", 0}}),
        grand(grandFile.get(), errors, {{0, "GRA:K_ID", 0}, {1, "GRA:K_CHILD", 0}}) {
    relParent.relations = [this, rules](TestRelate& r) {
      r.AddRelation(&relChild, rules.childUpdate, rules.childDelete, 1, {{"PAR:ID", "CHI:PARENT"}});
    };
    relChild.relations = [this, rules](TestRelate& r) {
      r.AddRelation(&relGrand, rules.grandUpdate, rules.grandDelete, 1, {{"CHI:ID", "GRA:CHILD"}});
      r.AddRelation(&relParent, fw::kRiNone, fw::kRiNone, -1, {{"CHI:PARENT", "PAR:ID"}});
    };
    relParent.Init(&parent, true);
    relChild.Init(&child, true);
    relGrand.Init(&grand, true);
  }
  ~SchoolDict() {
    for (TestRelate* r : {&relParent, &relChild, &relGrand}) r->Kill();
    for (TestAccess* a : {&parent, &child, &grand}) a->Kill();
  }

  // Adds rows of (ID, second field) to a file and closes it again.
  static void Seed(TestAccess& access, const std::vector<std::pair<int, std::string>>& rows) {
    access.Open();
    for (const auto& [id, second] : rows) {
      access.PrimeRecord();
      access.set(0, std::to_string(id));
      access.set(1, second);
      ASSERT_EQ(access.Insert(), fw::Level::Benign) << id;
    }
    access.Close();
  }
  void SeedAll() {
    Seed(parent, {{1, "ONE"}, {2, "TWO"}});
    Seed(child, {{10, "1"}, {11, "1"}, {20, "2"}});
    Seed(grand, {{100, "10"}, {101, "10"}, {110, "11"}, {200, "20"}});
  }

  // Every record as ID -> second field, read through the primary key.
  static std::map<int, std::string> Rows(TestAccess& access) {
    std::map<int, std::string> rows;
    access.Open();
    access.UseFile(fw::kUseRead);
    uint16_t saved = access.SaveFile();
    rt::SetKey(access.Block(), 0);
    while (access.TryNext() == fw::Level::Benign) rows[std::stoi(access.text(0))] = access.text(1);
    access.RestoreFile(saved);
    access.Close();
    return rows;
  }

  // Reads parent `id` into the parent's buffer.
  bool FetchParent(int id) {
    parent.set(0, std::to_string(id));
    return parent.Fetch(0) == fw::Level::Benign;
  }

  std::unique_ptr<rt::DeclaredFile> parentFile, childFile, grandFile;
  TestAccess parent, child, grand;
  TestRelate relParent, relChild, relGrand;
};

}  // namespace fwtest
