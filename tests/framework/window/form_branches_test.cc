// Branches of the save protocol beyond the main paths: cancelling without
// the question, a delete that fails, forms that stay open after a save, a
// failed insert and the update files saved with the primary record.
#include "form_fixture.h"

namespace fwwin {
namespace {

using fw::Response_Cancelled;
using fw::Response_Completed;
using Names = std::vector<std::string>;

class FormBranches : public FormTest {};

// CancelAction 1 saves a changed record on cancel without asking.
TEST_F(FormBranches, CancelActionOneSavesWithoutAsking) {
  Seed({"Ana"});
  access->Open();
  Load(1);
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Change;
  f.cancelAction = 1;
  Script s;
  s.act(Type(f, kName, "Eva")).act(Key(f, Qt::Key_Tab)).act(Key(f, Qt::Key_Escape));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_TRUE(errors.ids.empty());
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Eva"}));
}

// With bit 0 clear, cancelling a changed record asks message 10: No stays
// on the form, Yes drops the change.
TEST_F(FormBranches, CancelActionWithoutSavingAsksWhetherToLoseTheChanges) {
  Seed({"Ana"});
  access->Open();
  Load(1);
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Change;
  f.cancelAction = 2;
  Script s;
  s.act(Type(f, kName, "Eva"))
      .act(Key(f, Qt::Key_Tab))
      .act(Key(f, Qt::Key_Escape))
      .then(Answer(rt::Button_No))
      .act([&] {
        EXPECT_TRUE(f.window.isOpen());
        EXPECT_EQ(f.window.focus(), kName);
      })
      .act(Key(f, Qt::Key_Escape))
      .then(Answer(rt::Button_Yes));
  EXPECT_EQ(RunForm(f, s), Response_Cancelled);
  EXPECT_EQ(errors.ids, (std::vector<int>{10, 10}));
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana"}));
}

// A delete that fails (the record went at another station) offers to try
// again with message 36: Cancel stays on the form, No closes it.
TEST_F(FormBranches, FailedDeleteOffersToTryAgain) {
  Seed({"Ana", "Bea"});
  access->Open();
  Load(1);
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Delete;
  f.deleteAction = 0;  // the window opens
  Script s;
  s.act([&] {
     f.DeleteAction_ = 4;  // then deletes without confirmation
     DeleteElsewhere(1);
   })
      .act(Click(f, kOk));
  // The file layer reports the failure and asks itself; then the form asks.
  s.then(Answer(rt::Button_Ok)).then(Answer(rt::Button_No)).then(Answer(rt::Button_Cancel));
  s.act([&] {
     EXPECT_TRUE(f.window.isOpen());
     EXPECT_EQ(f.window.focus(), kName);
   })
      .act(Click(f, kOk))
      .then(Answer(rt::Button_Ok))
      .then(Answer(rt::Button_No))
      .then(Answer(rt::Button_No));
  EXPECT_EQ(RunForm(f, s), Response_Cancelled);
  // Each attempt: the cause (13), the relation manager's own retry
  // question, then the form's.
  EXPECT_EQ(errors.ids, (std::vector<int>{13, 36, 36, 13, 36, 36}));
  access->Close();
  EXPECT_EQ(Stored(), (Names{"2:Bea"}));
}

// ChangeAction 3 keeps the form open after a save; the next save writes
// again and closing reports the record saved.
TEST_F(FormBranches, ChangeActionThreeStaysOpenAfterSaving) {
  Seed({"Ana"});
  access->Open();
  Load(1);
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Change;
  f.changeAction = 3;
  Script s;
  s.act(Type(f, kName, "Eva"))
      .act(Click(f, kOk))
      .act([&] {
        EXPECT_TRUE(f.window.isOpen());
        EXPECT_EQ(Stored(), (Names{"1:Eva"}));
      })
      .act(Type(f, kName, "Zoe"))
      .act(Click(f, kOk))
      .act(Key(f, Qt::Key_Escape));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_TRUE(errors.ids.empty());
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Zoe"}));
}

// Save-and-stay on a change form writes the record and keeps the form
// open; leaving afterwards asks nothing, and the response stays Cancelled
// because no OK completed the form.
TEST_F(FormBranches, SaveAndStayOnAChangeForm) {
  Seed({"Ana"});
  access->Open();
  Load(1);
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Change;
  Script s;
  s.act(Type(f, kName, "Eva"))
      .act(Click(f, kSave))
      .act([&] {
        EXPECT_TRUE(f.window.isOpen());
        EXPECT_EQ(f.Request, fw::Request_Change);
        EXPECT_EQ(Stored(), (Names{"1:Eva"}));
      })
      .act(Key(f, Qt::Key_Escape));
  EXPECT_EQ(RunForm(f, s), Response_Cancelled);
  EXPECT_TRUE(errors.ids.empty());
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Eva"}));
}

// An insert the file refuses (a duplicate name) leaves the form open on
// its first field; the corrected record is then added.
TEST_F(FormBranches, FailedInsertStaysOnTheForm) {
  Seed({"Ana"});
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  Script s;
  s.act(Type(f, kName, "Ana"))
      .act(Click(f, kOk))
      .then(Answer(rt::Button_Ok))
      .act([&] {
        EXPECT_TRUE(f.window.isOpen());
        EXPECT_EQ(f.window.focus(), kName);
      })
      .act(Type(f, kName, "Bea"))
      .act(Click(f, kOk));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_EQ(errors.ids, (std::vector<int>{15}));  // the duplicate key
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana", "2:Bea"}));
}

// An update file's record is put back as it was at the start for every
// new record primed; closing the form releases it as it stands.
TEST_F(FormBranches, UpdateFileIsRestoredForEachNewRecord) {
  rt::DeclaredFile otherFile(ItemsDecl(file->decl().name + ".OTHER"));
  ItemsAccess other(&otherFile, &errors);
  other.set(kNameField, "Keep");
  PrimeForInsert();
  ItemForm f(*access, relate, errors);
  f.Request = fw::Request_Insert;
  f.insertAction = 3;
  f.updateFile = &other;
  Script s;
  s.act([&] { other.set(kNameField, "Changed"); })
      .act(Type(f, kName, "Ana"))
      .act(Click(f, kOk))
      .act([&] {
        EXPECT_EQ(other.text(kNameField), "Keep");
        other.set(kNameField, "Again");
      })
      .act(Key(f, Qt::Key_Escape));
  EXPECT_EQ(RunForm(f, s), Response_Completed);
  EXPECT_EQ(other.text(kNameField), "Again");
  access->Close();
  EXPECT_EQ(Stored(), (Names{"1:Ana"}));
}

}  // namespace
}  // namespace fwwin
