// The save protocol of an update form over a Kestrel table, driven through
// the Qt back-end offscreen with key presses and clicks.
#include "form_fixture.h"

namespace fwwin {
namespace {

using fw::Response_Cancelled;
using fw::Response_Completed;

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class Form : public FormTest {
 protected:
  std::string BufferName() { return access->text(kNum) + ":" + access->text(kNameField); }
};

using Names = std::vector<std::string>;

TEST_F(Form, InsertClosesWithCompleted) {
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  Script s;
  s.act(Type(f, kName, "Ana")).act(Click(f, kOk));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana"}));
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(Form, InsertActionThreePrimesTheNextRecordUntilCancelled) {
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  f.insertAction = 3;
  Script s;
  s.act(Type(f, kName, "Ana"))
      .act(Click(f, kOk))
      .act([&] {
        // A fresh record, numbered, with the focus back on the first field.
        EXPECT_EQ(Screen(f, kName), "");
        EXPECT_EQ(access->text(kNum), "2");
        EXPECT_EQ(f.window.focus(), kName);
      })
      .act(Type(f, kName, "Bea"))
      .act(Click(f, kOk))
      .act(Key(f, Qt::Key_Escape));
  // Records were added: done, with the last one in the buffer; the number
  // reserved for the third is given back.
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_EQ(BufferName(), "2:Bea");
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana", "2:Bea"}));
}

TEST_F(Form, InsertActionFourAsksWhetherToAddAnother) {
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  f.insertAction = 4;
  Script s;
  s.act(Type(f, kName, "Ana"))
      .act(Click(f, kOk))
      .then(Answer(rt::Button_Yes))
      .act(Type(f, kName, "Bea"))
      .act(Click(f, kOk))
      .then(Answer(rt::Button_No));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_EQ(errors.ids, (std::vector<int>{3, 3}));
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana", "2:Bea"}));
}

TEST_F(Form, SaveAndStayTwiceThenCancelReportsTheRecordAdded) {
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  f.DisableCancelButton = 1;  // checked below
  Script s;
  s.act(Type(f, kName, "Ana"))
      .act(Click(f, kSave))
      .act([&] {
        EXPECT_EQ(f.Request, fw::Request_Change);
        EXPECT_FALSE(f.window.enabled(kCancel));
      })
      .act(Type(f, kName, "Anabel"))
      .act([&] { EXPECT_FALSE(f.window.enabled(kCancel)); })
      .act(Key(f, Qt::Key_Tab))
      .act([&] { EXPECT_TRUE(f.window.enabled(kCancel)); })  // a control was accepted
      .act(Click(f, kSave))
      .act(Key(f, Qt::Key_Escape));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_EQ(BufferName(), "1:Anabel");
  EXPECT_TRUE(errors.ids.empty());
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Anabel"}));
}

TEST_F(Form, ChangeWritesAChangedRecord) {
  Seed({"Ana", "Bea"});
  access->Open();
  Load(2);
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Change;
  Script s;
  s.act([&] { EXPECT_EQ(Screen(f, kName), "Bea"); }).act(Type(f, kName, "Eva")).act(Click(f, kOk));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana", "2:Eva"}));
}

// An unchanged record is not written (so another station's change stays);
// it counts as done only on a form with a toolbar and no navigation pending.
TEST_F(Form, ChangeOfAnUnchangedRecordWritesNothing) {
  struct Case {
    bool toolbar;
    int32_t vcr;
    uint8_t response;
  } cases[] = {{false, 0, Response_Cancelled}, {true, 0, Response_Completed}, {true, 3009, Response_Cancelled}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "toolbar " << c.toolbar << " vcr " << c.vcr);
    Seed({"Ana"});
    access->Open();
    Load(1);
    RenameElsewhere(1, "Zoe");
    fw::ToolbarClass toolbar;
    ItemForm f(*access, relate, errors);
    f.Request = fw::Request_Change;
    if (c.toolbar) f.toolbar = &toolbar;
    f.vcr = c.vcr;
    Script s;
    s.act(Click(f, kOk));
    EXPECT_EQ(RunForm(f, s), c.response);
    access->Close();
    EXPECT_EQ(Stored(), (Names{"1:Zoe"}));
    EXPECT_TRUE(errors.ids.empty());
    std::filesystem::remove(file->decl().name);
  }
}

TEST_F(Form, ChangeRefusedAfterAnotherStationChangedTheRecord) {
  Seed({"Ana"});
  access->Open();
  Load(1);
  RenameElsewhere(1, "Zoe");
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Change;
  Script s;
  s.act(Type(f, kName, "Eva"))
      .act(Click(f, kOk))
      .then(Answer(rt::Button_Ok))
      .act([&] {
        // The other version is shown; the history key brings the typed value back.
        EXPECT_EQ(Screen(f, kName), "Zoe");
        EXPECT_EQ(f.window.focus(), kName);
      })
      .act(Key(f, Qt::Key_H, Qt::ControlModifier))
      .act([&] { EXPECT_EQ(Screen(f, kName), "Eva"); })
      .act(Click(f, kOk));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_EQ(errors.ids, (std::vector<int>{8}));
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Eva"}));
}

// Closing a changed form asks message 38: Yes saves, No drops the change,
// Cancel stays on the form.
TEST_F(Form, CancelOfAChangedRecordAsksWhetherToSave) {
  struct Case {
    uint32_t answer;
    uint8_t response;
    const char* stored;
  } cases[] = {{rt::Button_Yes, Response_Completed, "1:Eva"},
               {rt::Button_No, Response_Cancelled, "1:Ana"},
               {rt::Button_Cancel, Response_Cancelled, "1:Ana"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    errors.ids.clear();
    Seed({"Ana"});
    access->Open();
    Load(1);
    ItemForm f(*access, relate, errors);
    f.Request = fw::Request_Change;
    Script s;
    s.act(Type(f, kName, "Eva")).act(Key(f, Qt::Key_Tab)).act(Key(f, Qt::Key_Escape)).then(Answer(c.answer));
    std::vector<int> asked = {38};
    if (c.answer == rt::Button_Cancel) {
      s.act([&] {
         EXPECT_TRUE(f.window.isOpen());
         EXPECT_EQ(f.window.focus(), kName);
       })
          .act(Click(f, kCancel))
          .then(Answer(rt::Button_No));
      asked.push_back(38);
    }
    EXPECT_EQ(RunForm(f, s), c.response);
    EXPECT_EQ(errors.ids, asked);
    access->Close();
    EXPECT_EQ(Stored(), (Names{c.stored}));
    std::filesystem::remove(file->decl().name);
  }
}

// A delete form deletes before its window would open; a declined
// confirmation leaves the record.
TEST_F(Form, DeleteWithAndWithoutConfirmation) {
  struct Case {
    uint8_t action;
    uint32_t answer;  // 0: nothing asked
    uint8_t response;
    Names stored;
  } cases[] = {{2, rt::Button_Yes, Response_Completed, {"2:Bea"}},
               {2, rt::Button_No, Response_Cancelled, {"1:Ana", "2:Bea"}},
               {4, 0, Response_Completed, {"2:Bea"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.action) << " " << c.answer);
    errors.ids.clear();
    Seed({"Ana", "Bea"});
    access->Open();
    Load(1);
    ItemForm f(*access, relate, errors);
    f.Request = fw::Request_Delete;
    f.deleteAction = c.action;
    Script s;
    if (c.answer) s.then(Answer(c.answer));
    EXPECT_EQ(RunForm(f, s), c.response);
    EXPECT_EQ(f.Opened, 0);
    EXPECT_EQ(errors.ids, c.answer ? std::vector<int>{11} : std::vector<int>{});
    access->Close();
    EXPECT_EQ(Stored(), c.stored);
    std::filesystem::remove(file->decl().name);
  }
}

// A delete form that shows its record first: OK deletes after the
// confirmation; declining it still ends the form as done.
TEST_F(Form, DeleteFromTheOpenFormEndsCompletedEvenWhenDeclined) {
  for (uint32_t answer : {rt::Button_Yes, rt::Button_No}) {
    SCOPED_TRACE(answer);
    Seed({"Ana", "Bea"});
    access->Open();
    Load(1);
    ItemForm f(*access, relate, errors);
    f.Request = fw::Request_Delete;
    f.deleteAction = 0;  // nothing deleted before the window opens
    Script s;
    s.act([&] { f.DeleteAction_ = 2; }).act(Click(f, kOk)).then(Answer(answer));
    EXPECT_EQ(RunForm(f, s), Response_Completed);
    access->Close();
    EXPECT_EQ(Stored(), (answer == rt::Button_Yes ? Names{"2:Bea"} : Names{"1:Ana", "2:Bea"}));
    std::filesystem::remove(file->decl().name);
  }
}

TEST_F(Form, InsertRefusedByPrimeFieldsGivesBackTheNumber) {
  Seed({"Ana"});
  PrimeForInsert();  // reserves number 2
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  f.refuseInsert = true;
  Script s;
  EXPECT_EQ(RunForm(f, s), Response_Cancelled);
  EXPECT_EQ(f.Opened, 0);
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana"}));
}

// A write that fails (here: the new name duplicates another record's) asks
// message 37: Yes tries again, No gives up and closes (which asks 38 about
// the unsaved change), Cancel stays.
TEST_F(Form, FailedChangeOffersToTryAgain) {
  struct Case {
    std::vector<uint32_t> answers;
    std::vector<int> shown;
  } cases[] = {{{rt::Button_No}, {28, 37, 38}},
               {{rt::Button_Yes, rt::Button_Cancel}, {28, 37, 28, 37}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers.size());
    errors.ids.clear();
    Seed({"Ana", "Bea"});
    access->Open();
    Load(2);
    ItemForm f(*access, relate, errors);
    f.Request = fw::Request_Change;
    Script s;
    s.act(Type(f, kName, "Ana")).act(Click(f, kOk));
    for (uint32_t a : c.answers) s.then(Answer(rt::Button_Ok)).then(Answer(a));
    if (c.answers.back() == rt::Button_Cancel) {
      // Still on the form, on its first field: leave it.
      s.act([&] { EXPECT_EQ(f.window.focus(), kName); }).act(Click(f, kCancel));
    }
    s.then(Answer(rt::Button_No));  // do not save the changes
    EXPECT_EQ(RunForm(f, s), Response_Cancelled);
    std::vector<int> shown = c.shown;
    if (c.answers.back() == rt::Button_Cancel) shown.push_back(38);
    EXPECT_EQ(errors.ids, shown);
    access->Close();
    EXPECT_EQ(Stored(), (Names{"1:Ana", "2:Bea"}));
    std::filesystem::remove(file->decl().name);
  }
}

// A fast typist enters three records while the first one is being saved:
// each typed-ahead key acts only once the program has handled the keys
// before it, so every name lands in its own record.
TEST_F(Form, KeysTypedAheadDuringASaveLandInTheirOwnRecords) {
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  f.insertAction = 3;
  f.duringInsert = [&] { TypeAhead(f, "Bea\nCid\n\x1b"); };
  Script s;
  s.act([&] { TypeAhead(f, "Ana\n"); });
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_TRUE(errors.ids.empty());
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana", "2:Bea", "3:Cid"}));
}

// Keys typed while the form opens wait for its opening and the redisplay on
// gaining the focus, instead of being wiped by them.
TEST_F(Form, KeysTypedWhileTheFormOpensAreKept) {
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  f.afterOpen = [&] { TypeAhead(f, "Ana\tNo"); };
  Script s;
  s.act([&] { TypeAhead(f, "\n"); });
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_EQ(access->text(kNoteField), "No");
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana"}));
}

}  // namespace
}  // namespace fwwin
