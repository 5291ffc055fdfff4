// Browse lists over a real Kestrel table, shown through the Qt back-end
// offscreen and driven with real key presses, clicks and wheel turns.
#include "browse_fixture.h"

namespace fwwin {
namespace {

using Names = std::vector<std::string>;

// The names "N00" ... of rows first..last.
Names Named(int first, int last, const std::string& prefix = "N") {
  Names out;
  for (int i = first; i <= last; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%02d", prefix.c_str(), i);
    out.push_back(name);
  }
  return out;
}

TEST_F(BrowseTest, FirstPageHoldsOnlyTheRowsShown) {
  SeedNamed(40);
  StudentBrowse b(*access, relate, errors, {});
  int page = 0;
  Script s;
  s.act([&] {
    page = b.brw.LastItems;
    ASSERT_GE(page, 3);
    EXPECT_LT(page, 40);
    EXPECT_EQ(Page(b), Named(0, page - 1));
    EXPECT_EQ(b.brw.CurrentChoice, 1);
    EXPECT_EQ(Highlighted(b), "N00");
    EXPECT_EQ(access->text(kStuName), "N00");  // the record buffer holds the highlighted row
    // The page's rows are on the screen, the first highlighted.
    QTableView* t = List(b);
    EXPECT_EQ(t->model()->rowCount(), page);
    EXPECT_EQ(t->model()->index(1, 1).data().toString().trimmed().toStdString(), "N01");
    EXPECT_EQ(t->selectionModel()->selectedRows().value(0).row(), 0);
    EXPECT_TRUE(b.window.enabled(kChange));
    EXPECT_TRUE(b.window.enabled(kDelete));
  }).act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseTest, EmptyViewDisablesButtonsClearsBufferAndLocator) {
  Seed({{1, 2, "OTHER SUBJECT"}});
  StudentBrowse::Options o;
  o.subject = 1;
  StudentBrowse b(*access, relate, errors, o);
  Script s;
  s.act([&] {
    EXPECT_EQ(b.queue.rowCount(), 0);
    EXPECT_EQ(b.brw.CurrentChoice, 0);
    EXPECT_FALSE(b.window.enabled(kChange));
    EXPECT_FALSE(b.window.enabled(kDelete));
    EXPECT_TRUE(b.window.enabled(kInsert));
    EXPECT_FALSE(b.window.enabled(kLocEntry));
    EXPECT_EQ(access->text(kStuName), "");
    EXPECT_EQ(access->text(kStuNum), "0");
  })
      .act(Press(b, Qt::Key_Down))
      .act(Press(b, Qt::Key_PageDown))
      .act([&] { EXPECT_EQ(b.queue.rowCount(), 0); })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseTest, LineScrollOnTheLastRowReadsOneRecord) {
  SeedNamed(40);
  StudentBrowse b(*access, relate, errors, {});
  int page = 0;
  long long before = 0;
  Script s;
  s.act([&] { page = b.brw.LastItems; });
  // Down to the last row of the page: only the highlight moves.
  s.act([&] {
    before = b.brw.RecordsRead;
    for (int i = 1; i < page; ++i) QTest::keyClick(List(b), Qt::Key_Down);
  });
  s.act([&] {
    EXPECT_EQ(b.brw.RecordsRead, before);
    EXPECT_EQ(b.brw.CurrentChoice, page);
    before = b.brw.RecordsRead;
  });
  s.act(Press(b, Qt::Key_Down)).act([&] {
    EXPECT_EQ(b.brw.RecordsRead - before, 1);
    EXPECT_EQ(Page(b), Named(1, page));  // the first row dropped, one read
    EXPECT_EQ(b.brw.CurrentChoice, page);
    EXPECT_EQ(Highlighted(b), Named(page, page)[0]);
    EXPECT_EQ(access->text(kStuName), Named(page, page)[0]);
  });
  // The wheel scrolls the same way, one line per notch.
  s.act([&] { Wheel(b, -2); }).act([&] { EXPECT_EQ(Page(b), Named(3, page + 2)); });
  s.act([&] { Wheel(b, 1); }).act([&] { EXPECT_EQ(Page(b), Named(3, page + 2)); EXPECT_EQ(b.brw.CurrentChoice, page - 1); });
  s.act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseTest, ScrollingStopsAtBothEndsOfTheView) {
  SeedNamed(12);
  StudentBrowse b(*access, relate, errors, {});
  int page = 0;
  Script s;
  s.act([&] { page = b.brw.LastItems; ASSERT_LT(page, 12); })
      .act(Press(b, Qt::Key_End, Qt::ControlModifier))
      .act([&] {
        EXPECT_EQ(Page(b), Named(12 - page, 11));
        EXPECT_EQ(Highlighted(b), "N11");
        EXPECT_EQ(Thumb(b)->value(), 100);
      })
      .act(Press(b, Qt::Key_Down))
      .act([&] {
        EXPECT_EQ(Page(b), Named(12 - page, 11));  // nothing beyond the last record
        EXPECT_EQ(Highlighted(b), "N11");
      })
      .act(Press(b, Qt::Key_Home, Qt::ControlModifier))
      .act([&] {
        EXPECT_EQ(Page(b), Named(0, page - 1));
        EXPECT_EQ(Highlighted(b), "N00");
        EXPECT_EQ(Thumb(b)->value(), 0);
      })
      .act(Press(b, Qt::Key_Up))
      .act([&] { EXPECT_EQ(Page(b), Named(0, page - 1)); EXPECT_EQ(b.brw.CurrentChoice, 1); })
      .act(Press(b, Qt::Key_PageDown))
      .act([&] {
        // 12 - page rows were left: the page ends at the last record and the
        // highlight moves down by the rows that could not be read.
        EXPECT_EQ(Page(b), Named(12 - page, 11));
        EXPECT_EQ(b.brw.CurrentChoice, 1 + page - (12 - page));
        EXPECT_EQ(Highlighted(b), Named(page, page)[0]);  // the record a full page down would show first
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseTest, PageDownNearTheEndMovesTheHighlightByTheRowsLeftUnread) {
  SeedNamed(40);
  StudentBrowse b(*access, relate, errors, {});
  int page = 0;
  Script s;
  s.act([&] { page = b.brw.LastItems; })
      .act(Press(b, Qt::Key_End, Qt::ControlModifier))
      .act(Press(b, Qt::Key_PageUp))  // rows 40-2*page .. 40-page-1, highlight on the last
      .act([&] {
        EXPECT_EQ(Page(b), Named(40 - 2 * page, 40 - page - 1));
        EXPECT_EQ(b.brw.CurrentChoice, page);
      })
      .act(Press(b, Qt::Key_Up))
      .act(Press(b, Qt::Key_Up))  // highlight on row page - 2
      .act([&] {
        // Scroll back two lines so that only part of a page is left below.
        QTest::keyClick(List(b), Qt::Key_Down);
        QTest::keyClick(List(b), Qt::Key_Down);
      })
      .act([&] { EXPECT_EQ(b.brw.CurrentChoice, page); })
      .act(Press(b, Qt::Key_Up))
      .act(Press(b, Qt::Key_Up))
      .act([&] {
        ASSERT_EQ(b.brw.CurrentChoice, page - 2);
        // One line up at the top reads one more row at the top.
        for (int i = 0; i < page - 3; ++i) QTest::keyClick(List(b), Qt::Key_Up);
      })
      .act(Press(b, Qt::Key_Up))
      .act(Press(b, Qt::Key_Up))  // page now starts two rows higher: 40-2*page-2 ...
      .act([&] {
        EXPECT_EQ(Page(b), Named(40 - 2 * page - 2, 40 - page - 3));
        EXPECT_EQ(b.brw.CurrentChoice, 1);
      })
      .act(Press(b, Qt::Key_PageDown))  // a full page read: the highlight stays on row 1
      .act([&] {
        EXPECT_EQ(Page(b), Named(40 - page - 2, 40 - 3));
        EXPECT_EQ(b.brw.CurrentChoice, 1);
      })
      .act(Press(b, Qt::Key_PageDown))  // only two rows are left: the highlight moves page - 2 rows
      .act([&] {
        EXPECT_EQ(Page(b), Named(40 - page, 39));
        EXPECT_EQ(b.brw.CurrentChoice, 1 + page - 2);
        EXPECT_EQ(Highlighted(b), Named(40 - 2, 40 - 2)[0]);
      })
      .act(Close(b));
  RunBrowse(b, s);
}

}  // namespace
}  // namespace fwwin

namespace fwwin {
namespace {

// Record actions: the update form is StudentBrowse::form, called with the
// highlighted record in the buffer.
class BrowseActions : public BrowseTest {
 protected:
  // A form that renames the record in the buffer and saves it.
  std::function<uint8_t(uint8_t)> Rename(const std::string& name) {
    return [this, name](uint8_t request) {
      if (request != fw::Request_Change) return fw::Response_Cancelled;
      access->set(kStuName, name);
      return access->Update() == fw::Level::Benign ? fw::Response_Completed : fw::Response_Cancelled;
    };
  }
};

TEST_F(BrowseActions, ChangeThatMovesTheRecordKeepsItOnItsScreenRow) {
  SeedNamed(30);
  StudentBrowse b(*access, relate, errors, {});
  b.form = Rename("N20X");
  Script s;
  s.act(Press(b, Qt::Key_Down)).act(Press(b, Qt::Key_Down))
      .act([&] { ASSERT_EQ(Highlighted(b), "N02"); })
      .act(Press(b, Qt::Key_Return, Qt::ControlModifier))  // Ctrl+Enter: change
      .act([&] {
        EXPECT_EQ(b.calls, (std::vector<uint8_t>{fw::Request_Change}));
        EXPECT_EQ(b.brw.CurrentChoice, 3);
        EXPECT_EQ(Highlighted(b), "N20X");
        // The page was rebuilt around the moved record.
        EXPECT_EQ(Page(b)[1], "N20");
        EXPECT_EQ(Page(b)[3], "N21");
        EXPECT_EQ(access->text(kStuName), "N20X");
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_TRUE(errors.ids.empty());
}

TEST_F(BrowseActions, ChangeThatFailsTheFilterDropsTheRowAndRefillsThePage) {
  SeedNamed(30);
  StudentBrowse::Options o;
  o.subject = 1;
  StudentBrowse b(*access, relate, errors, o);
  b.form = [this](uint8_t) {
    access->set(kStuSubj, "2");  // out of the browse's range
    return access->Update() == fw::Level::Benign ? fw::Response_Completed : fw::Response_Cancelled;
  };
  int page = 0;
  Script s;
  s.act([&] { page = b.brw.LastItems; })
      .act(Press(b, Qt::Key_Down))
      .act([&] { QTest::mouseDClick(List(b)->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(b, 2)); })
      .act([&] {
        EXPECT_EQ(b.calls, (std::vector<uint8_t>{fw::Request_Change}));
        Names expected = Named(0, page);
        expected.erase(expected.begin() + 1);
        EXPECT_EQ(Page(b), expected);  // N01 gone, one more row read at the bottom
        EXPECT_EQ(Highlighted(b), "N02");
        EXPECT_EQ(b.brw.CurrentChoice, 2);
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseActions, DeleteDropsTheRowAndRefillsThePage) {
  SeedNamed(40);  // more than a page, whatever the page holds
  StudentBrowse b(*access, relate, errors, {});
  b.form = [this](uint8_t request) {
    EXPECT_EQ(request, fw::Request_Delete);
    return relate.Delete(false) == fw::Level::Benign ? fw::Response_Completed : fw::Response_Cancelled;
  };
  int page = 0;
  Script s;
  s.act([&] { page = b.brw.LastItems; })
      .act(Press(b, Qt::Key_Delete))
      .act([&] {
        EXPECT_EQ(Page(b), Named(1, page));
        EXPECT_EQ(Highlighted(b), "N01");
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseActions, InsertedRecordIsHighlighted) {
  SeedNamed(20);
  StudentBrowse b(*access, relate, errors, {});
  b.form = [this](uint8_t request) {
    EXPECT_EQ(request, fw::Request_Insert);
    access->set(kStuNum, "99");
    access->set(kStuSubj, "1");
    access->set(kStuName, "N05A");
    return access->Insert() == fw::Level::Benign ? fw::Response_Completed : fw::Response_Cancelled;
  };
  Script s;
  s.act([&] { QTest::mouseClick(ui::qt::QtBackend::controlWidget(b.window, kInsert), Qt::LeftButton); })
      .act([&] {
        EXPECT_EQ(Highlighted(b), "N05A");
        EXPECT_EQ(b.brw.CurrentChoice, 1);  // the screen row it was pressed on
        EXPECT_EQ(Page(b)[1], "N06");
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseActions, RightClickHighlightsTheRowAndOffersTheActions) {
  SeedNamed(10);
  StudentBrowse b(*access, relate, errors, {});
  b.form = Rename("N03B");
  Script s;
  s.act([&] { QTest::mouseClick(List(b)->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(b, 4)); })
      .then([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return false;
        EXPECT_EQ(Highlighted(b), "N03");
        QStringList texts;
        for (QAction* a : menu->actions()) texts << a->text();
        EXPECT_EQ(texts, (QStringList{"&Insert", "&Change", "&Delete"}));  // the buttons' own texts
        menu->setActiveAction(menu->actions()[1]);
        QTest::keyClick(menu, Qt::Key_Return);
        return true;
      })
      .then([&] { return !b.calls.empty(); })
      .act([&] {
        EXPECT_EQ(b.calls, (std::vector<uint8_t>{fw::Request_Change}));
        EXPECT_EQ(Highlighted(b), "N03B");
        EXPECT_EQ(b.brw.CurrentChoice, 4);
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseActions, ActionEntriesFollowTheProgramsOwnItemsAndAreMadeOnce) {
  SeedNamed(10);
  StudentBrowse::Options o;
  o.beforeAlerts = [](fw::BrowseClass& brw) { brw.Popup->AddItem("&Own", "Own"); };
  StudentBrowse b(*access, relate, errors, o);
  QStringList texts;
  Script s;
  s.act([&] { b.SetAlerts(); })  // again, as each reset does
      .act([&] { QTest::mouseClick(List(b)->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(b, 2)); })
      .then([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return false;
        for (QAction* a : menu->actions()) texts << a->text();
        menu->close();
        return true;
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(texts, (QStringList{"&Own", "&Insert", "&Change", "&Delete"}));
  EXPECT_TRUE(b.calls.empty());
}

}  // namespace
}  // namespace fwwin

namespace fwwin {
namespace {

// Thumb, list size and locator.
class BrowseNavigation : public BrowseTest {
 protected:
  // Drags the thumb to `pos` (0..100) as the mouse would.
  static std::function<void()> Drag(StudentBrowse& b, int pos) {
    return [&b, pos] { Thumb(b)->setSliderPosition(pos); };
  }
  void SeedPeople() {
    Seed({{1, 1, "Ana"}, {2, 1, "Beto"}, {3, 1, "Bruno"}, {4, 1, "Carla"}, {5, 1, "Diego"}, {6, 1, "Mario"},
          {7, 1, "Marta"}, {8, 1, "Miguel"}, {9, 1, "Nora"}, {10, 1, "Olga"}, {11, 1, "Pablo"},
          {12, 1, "Rita"}, {13, 1, "Zoe"}});
  }
};

TEST_F(BrowseNavigation, ThumbWithoutStepJumpsToTheEndsOrPages) {
  SeedNamed(60);
  StudentBrowse b(*access, relate, errors, {});
  int page = 0;
  Script s;
  s.act([&] {
    page = b.brw.LastItems;
    ASSERT_NE(Thumb(b), nullptr);
    EXPECT_TRUE(Thumb(b)->isVisible());  // the page is full
  })
      .act(Drag(b, 100))
      .act([&] {
        EXPECT_EQ(Page(b), Named(60 - page, 59));
        EXPECT_EQ(Highlighted(b), "N59");
        EXPECT_EQ(Thumb(b)->value(), 100);
      })
      .act(Drag(b, 1))
      .act([&] {
        EXPECT_EQ(Page(b), Named(0, page - 1));
        EXPECT_EQ(Highlighted(b), "N00");
        EXPECT_EQ(Thumb(b)->value(), 0);
      })
      .act(Drag(b, 70))  // below the middle: a page down
      .act([&] { EXPECT_EQ(Page(b), Named(page, 2 * page - 1)); })
      .act(Drag(b, 30))  // above it: a page up
      .act([&] { EXPECT_EQ(Page(b), Named(0, page - 1)); })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseNavigation, ThumbWithStepPositionsByKeyValue) {
  std::vector<std::tuple<int, int, std::string>> rows;
  for (int i = 0; i < 52; ++i) rows.emplace_back(i + 1, 1, std::string(1, char('A' + i / 2)) + "X" + char('0' + i % 2));
  Seed(rows);
  fw::StepStringClass step;
  step.Init(fw::Step_Alpha | fw::Step_Digits, fw::StepLookup_Runtime);
  StudentBrowse::Options o;
  o.step = &step;
  o.subject = 1;  // the range leaves NAME as the free element
  StudentBrowse b(*access, relate, errors, o);
  Script s;
  s.act([&] {
    // The limits are the first and the last value of the order.
    EXPECT_EQ(step.GetValue(1).substr(0, 3), "AX0");
    EXPECT_EQ(Thumb(b)->value(), 0);
  })
      .act(Drag(b, 50))
      .act([&] {
        char first = Highlighted(b)[0];
        EXPECT_TRUE(first == 'M' || first == 'N') << Highlighted(b);
        EXPECT_EQ(b.brw.CurrentChoice, 1);
        EXPECT_NEAR(Thumb(b)->value(), 50, 3);  // from the highlighted record's value
      })
      .act(Drag(b, 100))
      .act([&] { EXPECT_EQ(Highlighted(b), "ZX1"); EXPECT_EQ(Thumb(b)->value(), 100); })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseNavigation, FixedThumbIsHiddenOnAShortResultSet) {
  SeedNamed(2);
  StudentBrowse b(*access, relate, errors, {});
  Script s;
  s.act([&] {
    EXPECT_EQ(b.queue.rowCount(), 2);
    EXPECT_FALSE(Thumb(b)->isVisible());
    EXPECT_EQ(b.window.prop(kList, ui::Prop_VScroll).toInt(), 0);
  }).act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseNavigation, ListThatShrinksOrGrowsKeepsTheHighlightedRecord) {
  SeedNamed(40);
  StudentBrowse::Options o;
  o.listHeight = 120;
  StudentBrowse b(*access, relate, errors, o);
  int page = 0;
  Script s;
  s.act([&] {
    page = b.brw.LastItems;
    ASSERT_GE(page, 6);
    for (int i = 0; i < 4; ++i) QTest::keyClick(List(b), Qt::Key_Down);
  })
      .act([&] {
        ASSERT_EQ(Highlighted(b), "N04");
        b.window.setProp(kList, ui::Prop_Height, 40);
        ui::Engine::current().post(ui::Event_Sized, 0, &b.window);
      })
      .then([&] { return b.brw.LastItems < page; })
      .act([&] {
        EXPECT_EQ(b.queue.rowCount(), b.brw.LastItems);
        EXPECT_EQ(Highlighted(b), "N04");
        b.window.setProp(kList, ui::Prop_Height, 120);
        ui::Engine::current().post(ui::Event_Sized, 0, &b.window);
      })
      .then([&] { return b.brw.LastItems == page; })
      .act([&] {
        EXPECT_EQ(b.queue.rowCount(), page);
        EXPECT_EQ(Highlighted(b), "N04");
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseNavigation, LocatorInAnAscendingOrder) {
  SeedPeople();
  StudentBrowse b(*access, relate, errors, {});
  Script s;
  s.act(Type(b, "m"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Mario"); })
      .act(Type(b, "m"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Marta"); })  // the same letter again: one row down
      .act(Type(b, "M"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Miguel"); })
      .act(Type(b, "m"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Mario"); })  // past the last M: back to the first
      .act(Type(b, "q"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Rita"); })  // no Q: the next higher value
      .act(Type(b, "a"))
      .act([&] {
        EXPECT_EQ(Highlighted(b), "Ana");
        EXPECT_EQ(access->text(kStuName), "Ana");
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseNavigation, LocatorInADescendingOrder) {
  SeedPeople();
  StudentBrowse::Options o;
  o.key = kByNameDesc;
  StudentBrowse b(*access, relate, errors, o);
  Script s;
  s.act([&] { ASSERT_EQ(Highlighted(b), "Zoe"); })
      .act(Type(b, "m"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Miguel"); })
      .act(Type(b, "m"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Marta"); })
      .act(Type(b, "c"))
      .act([&] { EXPECT_EQ(Highlighted(b), "Carla"); })
      .act(Close(b));
  RunBrowse(b, s);
}

}  // namespace
}  // namespace fwwin

namespace fwwin {
namespace {

// Another process changes the file under an open browse. The child is
// forked before this process opens the table; it waits for a signal, does
// its one change and signals back.
class BrowseConcurrency : public BrowseActions {
 protected:
  std::unique_ptr<kestrel::testing::ChildProcess> Elsewhere(std::function<bool(StudentsAccess&)> change) {
    return std::make_unique<kestrel::testing::ChildProcess>([this, change](kestrel::testing::ChildProcess& self) {
      if (!self.Await()) return 10;
      bool ok = false;
      std::thread([&] {
        StudentsAccess other(file.get(), nullptr);
        if (other.Open() != fw::Level::Benign) return;
        other.set(kStuNum, "3");
        if (other.TryFetch(kByNum) == fw::Level::Benign) ok = change(other);
        other.Close();
      }).join();
      self.Signal();
      return ok ? 0 : 11;
    });
  }
  // The step that lets the other process act and waits for it.
  static std::function<void()> Let(kestrel::testing::ChildProcess& child) {
    return [&child] {
      child.Signal();
      ASSERT_TRUE(child.Await());
    };
  }
  std::string StoredName(int num) {
    std::string out = "?";
    std::thread([&] {
      StudentsAccess reader(file.get(), nullptr);
      reader.Open();
      reader.set(kStuNum, std::to_string(num));
      out = reader.TryFetch(kByNum) == fw::Level::Benign ? reader.text(kStuName) : "(none)";
      reader.Close();
    }).join();
    return out;
  }
};

TEST_F(BrowseConcurrency, RecordChangedElsewhereIsReportedAndReloadedNotOverwritten) {
  auto child = Elsewhere([](StudentsAccess& a) {
    a.set(kStuName, "CHANGED");
    return a.TryUpdate() == fw::Level::Benign;
  });
  ASSERT_TRUE(child->started());
  SeedNamed(20);
  StudentBrowse b(*access, relate, errors, {});
  b.form = Rename("MINE");
  Script s;
  s.act(Press(b, Qt::Key_Down)).act(Press(b, Qt::Key_Down))
      .act([&] { ASSERT_EQ(Highlighted(b), "N02"); })
      .act(Let(*child))
      .act(Press(b, Qt::Key_Return, Qt::ControlModifier))
      .then(Answer(rt::Button_Ok))
      .act([&] {
        EXPECT_TRUE(b.calls.empty());  // the form never ran
        Names page = Page(b);
        EXPECT_EQ(std::count(page.begin(), page.end(), "N02"), 0);
        EXPECT_EQ(Highlighted(b), "N03");
        EXPECT_EQ(b.brw.CurrentChoice, 3);
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(errors.ids, (std::vector<int>{9}));
  EXPECT_EQ(child->Join(), 0);
  EXPECT_EQ(StoredName(3), "CHANGED");
}

TEST_F(BrowseConcurrency, RecordDeletedElsewhereIsReportedAndTheRowGoes) {
  auto child = Elsewhere([](StudentsAccess& a) { return a.DeleteRecord(false) == fw::Level::Benign; });
  ASSERT_TRUE(child->started());
  SeedNamed(20);
  StudentBrowse b(*access, relate, errors, {});
  b.form = [](uint8_t) { return fw::Response_Completed; };
  Script s;
  s.act(Press(b, Qt::Key_Down)).act(Press(b, Qt::Key_Down))
      .act(Let(*child))
      .act(Press(b, Qt::Key_Delete))
      .then(Answer(rt::Button_Ok))
      .act([&] {
        EXPECT_TRUE(b.calls.empty());
        Names page = Page(b);
        EXPECT_EQ(std::count(page.begin(), page.end(), "N02"), 0);
        EXPECT_EQ(page.size(), size_t(b.brw.LastItems));
      })
      .act(Close(b));
  RunBrowse(b, s);
  EXPECT_EQ(errors.ids, (std::vector<int>{9}));
  EXPECT_EQ(child->Join(), 0);
  EXPECT_EQ(StoredName(3), "(none)");
}

}  // namespace
}  // namespace fwwin

namespace fwwin {
namespace {

TEST_F(BrowseConcurrency, ReadFailureClosesTheWindow) {
  const std::string path = dir_ + "/STUDENTS.KRL";
  kestrel::testing::ChildProcess child([path](kestrel::testing::ChildProcess& self) {
    if (!self.Await()) return 10;
    int rc = ::truncate(path.c_str(), 0);  // the file's pages are gone
    self.Signal();
    return rc == 0 ? 0 : 11;
  });
  ASSERT_TRUE(child.started());
  SeedNamed(200);
  StudentBrowse b(*access, relate, errors, {});
  Script s;
  s.act(Let(child))
      .act(Press(b, Qt::Key_End, Qt::ControlModifier))
      .then(Answer(rt::Button_Ok))
      ;
  uint8_t response = RunBrowse(b, s);
  EXPECT_EQ(response, fw::Response_Cancelled);
  ASSERT_FALSE(errors.ids.empty());
  EXPECT_EQ(errors.ids.front(), 1);
  EXPECT_EQ(child.Join(), 0);
}

}  // namespace
}  // namespace fwwin

namespace fwwin {
namespace {

TEST_F(BrowseActions, ToolbarButtonsScrollTheList) {
  SeedNamed(40);
  StudentBrowse::Options o;
  o.toolbar = true;
  StudentBrowse b(*access, relate, errors, o);
  int page = 0;
  auto click = [&b](int control) {
    // The standard buttons live in the window's tool bar: the click as the back-end reports it.
    return [&b, control] { b.window.inputClick(control, ui::Mouse_Left); };
  };
  Script s;
  s.act([&] { page = b.brw.LastItems; })
      .act(click(fw::Toolbar_Down))
      .act([&] { EXPECT_EQ(Highlighted(b), "N01"); })
      .act(click(fw::Toolbar_PageDown))
      .act([&] {
        EXPECT_EQ(Page(b), Named(page, 2 * page - 1));
        EXPECT_EQ(Highlighted(b), Named(page + 1, page + 1)[0]);
      })
      .act(Close(b));
  RunBrowse(b, s);
}

TEST_F(BrowseActions, FormAskingForTheNextRecordGetsIt) {
  SeedNamed(10);
  StudentBrowse b(*access, relate, errors, {});
  std::vector<std::string> seen;
  b.form = [&](uint8_t request) {
    EXPECT_EQ(request, fw::Request_Change);
    seen.push_back(access->text(kStuName));
    b.vcr = seen.size() < 3 ? fw::Toolbar_Down : 0;  // "next record" twice, then done
    return fw::Response_Completed;
  };
  Script s;
  s.act(Press(b, Qt::Key_Return, Qt::ControlModifier))
      .act([&] {
        EXPECT_EQ(seen, (Names{"N00", "N01", "N02"}));
        EXPECT_EQ(Highlighted(b), "N02");
      })
      .act(Close(b));
  RunBrowse(b, s);
}

}  // namespace
}  // namespace fwwin
