// View managers over a real Kestrel grade file: the order and filter texts
// built from ranges and named filters, and reading through the view.
//   GRADES  0 GRD:SUBJECT LONG  1 GRD:NAME STRING(20)  2 GRD:SCORE LONG  3 GRD:ID LONG
//   key 0 GRD:K_SUBJECT  duplicates, ignores case: SUBJECT, NAME
//   key 1 GRD:K_ID       primary: ID
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data_fixture.h"
#include "framework/data/field_value.h"
#include "framework/data/view_manager.h"
#include "runtime/view/view.h"
#include "school_dict.h"

namespace fwtest {
namespace {

using fw::Level;
using Names = std::vector<std::string>;

enum GradeField { kSubject = 0, kName = 1, kScore = 2, kId = 3 };
constexpr int kBySubject = 0;

std::unique_ptr<rt::DeclaredFile> GradesFile(const std::string& path) {
  rt::FileDeclBuilder b("GRADES", "GRD", path);
  b.Long("GRD:SUBJECT").String("GRD:NAME", 20).Long("GRD:SCORE").Long("GRD:ID");
  b.Key("GRD:K_SUBJECT", rt::kKeyDuplicates | rt::kKeyNoCase, {"GRD:SUBJECT", "GRD:NAME"});
  b.Key("GRD:K_ID", rt::kKeyPrimary, {"GRD:ID"});
  return std::make_unique<rt::DeclaredFile>(b.Build());
}

// Answers ValidateRecord through a test's function.
class CheckedView : public fw::ViewManager {
 public:
  int ValidateRecord() override { return validate ? validate() : fw::kRecordAccepted; }
  std::function<int()> validate;
};

class ViewManagerTest : public DataTest {
 public:  // the case tables reach the fixture through a reference
  ViewManagerTest() {
    {
      TestAccess seed(file.get(), &errors, {{0, "GRD:K_SUBJECT", 0}, {1, "GRD:K_ID", 0}});
      EXPECT_EQ(seed.Open(), Level::Benign);
      int id = 0;
      for (auto [subject, name, score] : std::vector<std::tuple<int, const char*, int>>{
               {10, "Zoe", 9}, {12, "Ann", 4}, {12, "Bob", 8}, {12, "O'Brien", 7},
               {12, "mia", 6}, {12, "Tom", 3}, {14, "Eve", 5}}) {
        seed.PrimeRecord();
        seed.set(kSubject, std::to_string(subject));
        seed.set(kName, name);
        seed.set(kScore, std::to_string(score));
        seed.set(kId, std::to_string(++id));
        EXPECT_EQ(seed.Insert(), Level::Benign) << name;
      }
      seed.Close();
    }
    access = std::make_unique<TestAccess>(file.get(), &errors,
                                          TestAccess::KeyList{{0, "GRD:K_SUBJECT", 0}, {1, "GRD:K_ID", 0}});
    relate.Init(access.get(), false);
    view = std::make_unique<rt::View>(access->Block());
  }
  ~ViewManagerTest() override {
    vm.Kill();
    view.reset();
    relate.Kill();
    access->Kill();
  }

  // The names that Reset and Next read, in order.
  Names ReadAll() {
    vm.Reset();
    Names names;
    while (vm.Next() == Level::Benign) names.push_back(access->text(kName));
    return names;
  }

  // Sets the record buffer's subject and name.
  void Buffer(int subject, const std::string& name) {
    access->set(kSubject, std::to_string(subject));
    access->set(kName, name);
  }

  std::unique_ptr<rt::DeclaredFile> file = GradesFile(dir.file("GRADES.krl"));
  std::unique_ptr<TestAccess> access;
  TestRelate relate;
  std::unique_ptr<rt::View> view;
  CheckedView vm;
};

// A private field of the given type to serve as a limit.
struct Limit {
  explicit Limit(const rt::FieldRef& like, const std::string& value) : v(like) { rt::setValueText(v.ref(), value); }
  fw::FieldValue v;
  rt::FieldRef ref() const { return v.ref(); }
};

TEST_F(ViewManagerTest, RangeKindsGiveTheirFilterTextAndReadOnlyTheRange) {
  struct Case {
    const char* name;
    std::function<void(ViewManagerTest&, std::vector<std::unique_ptr<Limit>>&)> setUp;
    std::string filter;
    Names read;
    size_t freePosition;
    std::string freeName;
  } cases[] = {
      {"none",
       [](ViewManagerTest&, auto&) {},
       "", {"Zoe", "Ann", "Bob", "mia", "O'Brien", "Tom", "Eve"}, 1, "GRD:SUBJECT"},
      {"kind 1 keeps the subject it had",
       [](ViewManagerTest& t, auto&) {
         t.Buffer(12, "x");
         t.vm.AddRange(t.access->ref(kSubject));
         t.Buffer(14, "y");  // later changes do not move the range
       },
       "GRD:SUBJECT = 12", {"Ann", "Bob", "mia", "O'Brien", "Tom"}, 2, "UPPER(GRD:NAME)"},
      {"kind 2 on the second component, text quoted in UPPER",
       [](ViewManagerTest& t, auto& limits) {
         t.Buffer(12, "");
         limits.push_back(std::make_unique<Limit>(t.access->ref(kName), "o'brien"));
         t.vm.AddRange(t.access->ref(kName), limits.back()->ref());
       },
       "GRD:SUBJECT = 12 AND UPPER(GRD:NAME) = UPPER('o''brien')", {"O'Brien"}, 0, ""},
      {"kind 3 on the second component",
       [](ViewManagerTest& t, auto& limits) {
         t.Buffer(12, "");
         limits.push_back(std::make_unique<Limit>(t.access->ref(kName), "b"));
         limits.push_back(std::make_unique<Limit>(t.access->ref(kName), "N"));
         t.vm.AddRange(t.access->ref(kName), limits[0]->ref(), limits[1]->ref());
       },
       "GRD:SUBJECT = 12 AND UPPER(GRD:NAME) >= UPPER('b') AND UPPER(GRD:NAME) <= UPPER('N')",
       {"Bob", "mia"}, 0, ""},
      {"kind 3 on the first component, numbers unquoted",
       [](ViewManagerTest& t, auto& limits) {
         limits.push_back(std::make_unique<Limit>(t.access->ref(kSubject), "11"));
         limits.push_back(std::make_unique<Limit>(t.access->ref(kSubject), "14"));
         t.vm.AddRange(t.access->ref(kSubject), limits[0]->ref(), limits[1]->ref());
         t.vm.SetFilter("GRD:SCORE >= 5");
       },
       "GRD:SUBJECT >= 11 AND GRD:SUBJECT <= 14 AND (GRD:SCORE >= 5)",
       {"Bob", "mia", "O'Brien", "Eve"}, 2, "UPPER(GRD:NAME)"},
      {"kind 4 follows a related field",
       [](ViewManagerTest& t, auto& limits) {
         limits.push_back(std::make_unique<Limit>(t.access->ref(kSubject), "14"));
         t.vm.AddRange(t.access->ref(kSubject), {limits[0]->ref()});
       },
       "GRD:SUBJECT = 14", {"Eve"}, 2, "UPPER(GRD:NAME)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::unique_ptr<Limit>> limits;
    vm.Init(view.get(), &relate);
    vm.AddSortOrder(kBySubject);
    c.setUp(*this, limits);
    vm.ApplyRange();
    EXPECT_EQ(ReadAll(), c.read);
    EXPECT_EQ(view->filter(), c.filter);
    EXPECT_EQ(view->order(), "GRD:SUBJECT,UPPER(GRD:NAME)");
    EXPECT_EQ(vm.GetFreeElementPosition(), c.freePosition);
    EXPECT_EQ(vm.GetFreeElementName(), c.freeName);
    vm.Kill();
  }
  EXPECT_TRUE(errors.ids.empty());
  EXPECT_TRUE(assertions().empty());
}

TEST_F(ViewManagerTest, ApplyRangeReportsChangedLimitsOnce) {
  Limit subject(access->ref(kSubject), "12");
  Limit low(access->ref(kName), "A"), high(access->ref(kName), "C");
  struct Case {
    const char* name;
    std::function<void()> range;
    std::function<void()> change;
    std::string after;
  } cases[] = {
      {"kind 1 never changes", [&] { Buffer(12, ""); vm.AddRange(access->ref(kSubject)); },
       [&] { Buffer(14, ""); }, ""},
      {"kind 2 takes the new limit", [&] { vm.AddRange(access->ref(kSubject), subject.ref()); },
       [&] { rt::setValueText(subject.ref(), "14"); }, "GRD:SUBJECT = 14"},
      {"kind 3 low bound moves both",
       [&] { Buffer(12, ""); vm.AddRange(access->ref(kName), low.ref(), high.ref()); },
       [&] { rt::setValueText(low.ref(), "B"); rt::setValueText(high.ref(), "Z"); },
       "GRD:SUBJECT = 12 AND UPPER(GRD:NAME) >= UPPER('B') AND UPPER(GRD:NAME) <= UPPER('Z')"},
      {"kind 3 high bound alone",
       [&] { Buffer(12, ""); vm.AddRange(access->ref(kName), low.ref(), high.ref()); },
       [&] { rt::setValueText(high.ref(), "M"); },
       "GRD:SUBJECT = 12 AND UPPER(GRD:NAME) >= UPPER('A') AND UPPER(GRD:NAME) <= UPPER('M')"},
      {"kind 4 takes the related value", [&] { vm.AddRange(access->ref(kSubject), {subject.ref()}); },
       [&] { rt::setValueText(subject.ref(), "10"); }, "GRD:SUBJECT = 10"},
      {"kind 4 ignores a change of letter case", [&] { vm.AddRange(access->ref(kName), {subject.ref(), low.ref()}); },
       [&] { rt::setValueText(low.ref(), "a"); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rt::setValueText(subject.ref(), "12");
    rt::setValueText(low.ref(), "A");
    rt::setValueText(high.ref(), "C");
    vm.Init(view.get(), &relate);
    vm.AddSortOrder(kBySubject);
    c.range();
    vm.ApplyRange();
    vm.Open();
    std::string before = view->filter();
    EXPECT_FALSE(vm.ApplyRange()) << "nothing changed yet";
    c.change();
    bool changes = !c.after.empty();
    EXPECT_EQ(vm.ApplyRange(), changes);
    EXPECT_EQ(view->filter(), changes ? c.after : before);
    EXPECT_FALSE(vm.ApplyRange());
    vm.Kill();
  }
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(ViewManagerTest, NamedFiltersCombineInIdentifierOrder) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  vm.SetFilter("GRD:SCORE > 3", "9 - QBE");
  vm.SetFilter("GRD:SCORE < 9");  // "5 Standard"
  vm.SetFilter("GRD:SUBJECT = 12", "1 First");
  vm.ApplyFilter();
  EXPECT_EQ(view->filter(), "(GRD:SUBJECT = 12) AND (GRD:SCORE < 9) AND (GRD:SCORE > 3)");

  vm.SetFilter("  ");  // removes the standard filter
  vm.SetFilter("GRD:SUBJECT <> 12", "1 First");  // replaces
  vm.ApplyFilter();
  EXPECT_EQ(view->filter(), "(GRD:SUBJECT <> 12) AND (GRD:SCORE > 3)");
  EXPECT_EQ(ReadAll(), (Names{"Zoe", "Eve"}));

  // Each sort order keeps its own filters.
  EXPECT_EQ(vm.AddSortOrder(1), 2u);
  vm.ApplyFilter();
  EXPECT_EQ(view->filter(), "");
  EXPECT_TRUE(vm.SetSort(0));
  EXPECT_FALSE(vm.SetSort(1));
  vm.ApplyFilter();
  EXPECT_EQ(view->filter(), "(GRD:SUBJECT <> 12) AND (GRD:SCORE > 3)");
  EXPECT_TRUE(assertions().empty());
  EXPECT_FALSE(vm.SetSort(3));
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("Sort order does not exist:3"), std::string::npos);
}

TEST_F(ViewManagerTest, AppendOrder) {
  struct Case {
    std::string start, append, order;
  } cases[] = {
      {"QVG:NRO_LEGAJO", "QVG:ALUMNO", "QVG:NRO_LEGAJO,QVG:ALUMNO"},
      {"QVG:NRO_LEGAJO", "*QVG:ALUMNO", "QVG:ALUMNO"},
      {"", "QVG:ALUMNO", "QVG:ALUMNO"},
      {"", "*QVG:ALUMNO", "*QVG:ALUMNO"},
  };
  vm.Init(view.get(), &relate);
  vm.AddSortOrder();
  for (const Case& c : cases) {
    vm.SetOrder(c.start);
    vm.AppendOrder(c.append);
    EXPECT_EQ(vm.CurrentOrder()->Order, c.order) << c.start << " + " << c.append;
  }
}

TEST_F(ViewManagerTest, OpeningAViewAlreadyOpenLeavesItToItsOwner) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  vm.SetFilter("GRD:SUBJECT = 14");
  ASSERT_EQ(view->Open(), 0);
  vm.Open();  // error 52: accepted quietly
  EXPECT_FALSE(vm.Opened);
  EXPECT_EQ(view->order(), "GRD:SUBJECT,UPPER(GRD:NAME)");
  EXPECT_EQ(view->filter(), "(GRD:SUBJECT = 14)");
  vm.Close();
  EXPECT_TRUE(view->isOpen());
  vm.Close(true);
  EXPECT_FALSE(view->isOpen());

  vm.Open();
  EXPECT_TRUE(vm.Opened);
  vm.Close();
  EXPECT_FALSE(view->isOpen());
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(ViewManagerTest, OpenWithoutSortOrderAsserts) {
  vm.Init(view.get(), &relate);
  vm.Open();
  ASSERT_EQ(assertions().size(), 1u);
  EXPECT_NE(assertions()[0].find("At least 1 view order must be specified"), std::string::npos);
}

TEST_F(ViewManagerTest, ViewsWithoutManagedFilesAreProgrammingErrors) {
  auto stray = GradesFile(dir.file("STRAY.krl"));  // no file or relation manager
  rt::View strayView(stray->instance());
  struct Case {
    rt::View* view;
    std::string assertion;
  } cases[] = {
      {nullptr, "View manager has not been assigned a view"},
      {&strayView, "Unable to obtain file manager for constituent file:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.assertion);
    presenter.shown.clear();
    fw::ViewManager other;
    other.Init(c.view, &relate);
    EXPECT_FALSE(other.Used);
    ASSERT_EQ(assertions().size(), 1u);
    EXPECT_NE(assertions()[0].find(c.assertion), std::string::npos);
  }
}

TEST_F(ViewManagerTest, NextStopsOutOfRangeAndSkipsFilteredRecords) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  vm.validate = [&] {
    std::string name = access->text(kName);
    if (name == "Tom") return fw::kRecordOutOfRange;
    return name == "Bob" || name == "mia" ? fw::kRecordFiltered : fw::kRecordAccepted;
  };
  EXPECT_EQ(ReadAll(), (Names{"Zoe", "Ann", "O'Brien"}));

  // Backwards the same checks apply.
  vm.Reset();
  Names back;
  while (vm.Previous() == Level::Benign) back.push_back(access->text(kName));
  EXPECT_EQ(back, Names{"Eve"});
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(ViewManagerTest, ReadErrorIsFatal) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  // Reading a view that was never opened fails with something other than
  // "no more records".
  EXPECT_EQ(vm.Next(), Level::Fatal);
  EXPECT_EQ(errors.ids, std::vector<int>{1});
}

TEST_F(ViewManagerTest, RefusedFilterIsReportedAndReadingGoesOn) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  vm.SetFilter("GRD:SCORE >");
  EXPECT_EQ(ReadAll().size(), 7u);
  EXPECT_EQ(errors.ids, std::vector<int>{43});
}

TEST_F(ViewManagerTest, ResetLocatesAtTheBufferValues) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  Buffer(12, "c");
  vm.Reset(2);
  Names names;
  while (vm.Next() == Level::Benign) names.push_back(access->text(kName));
  EXPECT_EQ(names, (Names{"mia", "O'Brien", "Tom", "Eve"}));
  Buffer(14, "");
  vm.Reset(1);
  EXPECT_EQ(vm.Next(), Level::Benign);
  EXPECT_EQ(access->text(kName), "Eve");
  EXPECT_EQ(vm.Next(), Level::Notify);
}

TEST_F(ViewManagerTest, PrimeRecordPutsTheNewRecordInsideTheRange) {
  Limit name(access->ref(kName), "Kim"), low(access->ref(kName), "B"), high(access->ref(kName), "M");
  struct Case {
    const char* name;
    std::function<void()> range;
    std::string subject, recordName;
  } cases[] = {
      {"kind 2 fills the limited component",
       [&] { vm.AddRange(access->ref(kName), name.ref()); }, "12", "Kim"},
      {"kind 3 fills only the components before the range",
       [&] { vm.AddRange(access->ref(kName), low.ref(), high.ref()); }, "12", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vm.Init(view.get(), &relate);
    vm.AddSortOrder(kBySubject);
    Buffer(12, "Ann");
    c.range();
    Buffer(99, "Other");
    access->set(kScore, "5");
    EXPECT_EQ(vm.PrimeRecord(), Level::Benign);
    EXPECT_EQ(access->text(kSubject), c.subject);
    EXPECT_EQ(access->text(kName), c.recordName);
    EXPECT_EQ(access->text(kScore), "0");
    vm.Kill();
  }
}

TEST_F(ViewManagerTest, FieldDirectionFromTheOrderText) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  struct Case {
    std::string order;
    bool subject, name, score;
  } cases[] = {
      {"GRD:SUBJECT,UPPER(GRD:NAME)", true, true, true},
      {"-GRD:SUBJECT,-UPPER(GRD:NAME)", false, false, true},
      {"+GRD:SCORE,-GRD:NAME", true, false, true},
      {"GRD:SUBJECT,-GRD:SCORE", true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.order);
    vm.SetOrder(c.order);
    vm.ApplyOrder();
    EXPECT_EQ(vm.GetFieldAscending(access->ref(kSubject)), c.subject);
    EXPECT_EQ(vm.GetFieldAscending(access->ref(kName)), c.name);
    EXPECT_EQ(vm.GetFieldAscending(access->ref(kScore)), c.score);
  }
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(ViewManagerTest, SavedBuffersComeBack) {
  vm.Init(view.get(), &relate);
  vm.AddSortOrder(kBySubject);
  Buffer(12, "Ann");
  vm.SaveBuffers();
  vm.SaveBuffers();  // a second save replaces the first
  Buffer(14, "Eve");
  vm.RestoreBuffers();
  EXPECT_EQ(access->text(kName), "Ann");
  EXPECT_TRUE(access->Buffers.empty());
  vm.ClearFilesRecord();
  EXPECT_EQ(access->text(kName), "");
}

TEST_F(ViewManagerTest, KillClosesTheViewAndItsFiles) {
  vm.Init(view.get(), &relate);
  EXPECT_TRUE(vm.Used);
  EXPECT_TRUE(access->IsOpened());
  vm.AddSortOrder(kBySubject);
  vm.Reset();
  EXPECT_TRUE(view->isOpen());
  vm.Kill();
  EXPECT_TRUE(vm.Killed);
  EXPECT_FALSE(view->isOpen());
  EXPECT_FALSE(vm.Used);
  EXPECT_EQ(access->GetOpened(), 0);
  vm.Kill();  // a second Kill does nothing
  EXPECT_TRUE(assertions().empty());
}

}  // namespace
}  // namespace fwtest
