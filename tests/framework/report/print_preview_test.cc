// The preview window driven headless: each scripted step runs when the
// preview waits for input, acts as the user would, and checks what the
// window shows.
#include "framework/report/print_preview_class.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>
#include <memory>

#include "framework/data/ini_class.h"
#include "framework/report/page_manager_class.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/headless_backend.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window.h"

namespace fwreport {
namespace {

namespace fs = std::filesystem;
using P = fw::PreviewControl;

class PrintPreviewTest : public ::testing::Test {
 protected:
  PrintPreviewTest() { old_ = ui::setBackend(&backend); }
  ~PrintPreviewTest() override {
    EXPECT_EQ(ran_, planned_) << "steps the preview never reached";
    preview->Kill();
    report.reset();
    ui::setBackend(old_);
  }

  // A report of `pages` pages, one line each, and the preview over it.
  void MakePages(int pages) {
    ui::ReportDef d;
    d.formX = 4, d.formY = 4, d.formWidth = 290, d.formHeight = 200;
    d.detailY = 30, d.detailHeight = 10;
    ui::ReportBand band{ui::Band_Detail, "line", 0, 0, 290, 10, {}};
    band.items.push_back({ui::RItem_Field, "?LINE", "", 4, 1, 100, 5, {}});
    d.bands = {band};
    report = std::make_unique<ui::Report>(d);
    report->bind("?LINE", &lineVar_);
    report->open();
    report->setPreview(&files);
    for (int i = 1; i <= pages; ++i) {
      line_ = "Page " + std::to_string(i);
      report->print(1);
    }
    report->endPage();
    preview = std::make_unique<fw::PrintPreviewClass>();
    preview->Init(&files);
    preview->AllowUserZoom = 1;
  }

  ui::Window& w() { return *preview->PreviewWindow; }
  std::string zone(int n) { return w().prop(0, ui::Prop_StatusText, n).toString(); }
  bool enabled(int c) { return w().enabled(c); }
  void accept(int c) { ui::Engine::current().post(ui::Event_Accepted, c, &w()); }
  void then(std::function<void()> step) { backend.then(std::move(step)); }
  // The step after the preview has handled what the previous step did.
  void check(std::function<void()> step) {
    ++planned_;
    then([] {});
    then([this, step = std::move(step)] {
      ++ran_;
      step();
    });
  }
  void exitPreview() { then([this] { accept(P::PRTPREV_TBarExit); }); }
  // Clicks the page's image with the left button at a point of the page area.
  void click(int32_t page, int x, int y, int key = ui::Mouse_Left) {
    w().inputMousePosition(x, y + fw::PrintPreviewClass::kToolbarHeight);
    w().inputClick(P::PRTPREV_Measure + 2 * page + 1, key);
  }

  ui::HeadlessBackend backend;
  ui::Backend* old_ = nullptr;
  std::string line_;
  ui::StringVar lineVar_{&line_};
  std::unique_ptr<ui::Report> report;
  std::vector<std::string> files;
  std::unique_ptr<fw::PrintPreviewClass> preview = std::make_unique<fw::PrintPreviewClass>();
  int planned_ = 0, ran_ = 0;
};

TEST_F(PrintPreviewTest, OnePageReportDisablesNavigation) {
  MakePages(1);
  check([&] {
    for (int c : {P::PRTPREV_Previous, P::PRTPREV_Next, P::PRTPREV_Jump, P::PRTPREV_ChangeDisplay,
                  P::PRTPREV_PagePrompt, P::PRTPREV_CurrentPage, P::PRTPREV_PagesAcross, P::PRTPREV_PagesDown})
      EXPECT_FALSE(enabled(c)) << c;
    EXPECT_EQ(zone(2), "Page 1 of 1");
    EXPECT_EQ(zone(3), "Zoom: Tile Pages");
  });
  exitPreview();
  EXPECT_FALSE(preview->Display(0, 1, 1, 1));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(fs::exists(files[0])) << "Exit deletes nothing";
}

TEST_F(PrintPreviewTest, TilesShowTheirRangeAndAPageOutsideMovesTheGrid) {
  MakePages(10);
  check([&] {
    EXPECT_EQ(preview->ThumbnailsPresent, 4);
    EXPECT_EQ(zone(2), "Page 1-4 of 10");
    EXPECT_FALSE(enabled(P::PRTPREV_Previous));
    EXPECT_TRUE(enabled(P::PRTPREV_Next));
    EXPECT_TRUE(enabled(P::PRTPREV_PagesAcross));
    // Thumbnails keep the page's proportions and sit in a 2 x 2 grid.
    const fw::PageManagerClass* p1 = preview->PageManager->Find(1);
    const fw::PageManagerClass* p4 = preview->PageManager->Find(4);
    ASSERT_TRUE(p1 && p4);
    EXPECT_NEAR(double(p1->Height) / p1->Width, 210.0 / 297, 0.02);
    EXPECT_GT(p4->XPos, p1->XPos);
    EXPECT_GT(p4->YPos, p1->YPos);
    EXPECT_EQ(w().prop(P::PRTPREV_CurrentPage, ui::Prop_Msg).toString(), "Enter a page number from 1 to 10");
    w().inputSpin(P::PRTPREV_CurrentPage, 9);
  });
  check([&] {
    EXPECT_EQ(preview->FirstPage, 7);
    EXPECT_EQ(preview->CurrentPage, 9);
    EXPECT_EQ(zone(2), "Page 7-10 of 10");
    EXPECT_FALSE(preview->PageManager->Find(1) && w().exists(P::PRTPREV_Measure + 3)) << "page 1 left the grid";
    // Page Down moves on one page within the grid.
    w().inputKey(w().focus(), ui::Key_PageDown);
  });
  check([&] { EXPECT_EQ(preview->CurrentPage, 10); });
  exitPreview();
  EXPECT_FALSE(preview->Display(0, 1, 2, 2));
}

TEST_F(PrintPreviewTest, RaisingTheGridPastTheLastPageIsLoweredBack) {
  MakePages(10);
  check([&] {
    w().inputSpin(P::PRTPREV_CurrentPage, 6);  // the grid moves to 6..9 (5 pages left)
  });
  check([&] {
    ASSERT_EQ(preview->FirstPage, 6);
    w().inputSpin(P::PRTPREV_PagesAcross, 3);
  });
  check([&] {
    EXPECT_EQ(preview->PagesAcross, 2);
    EXPECT_EQ(w().prop(P::PRTPREV_PagesAcross, ui::Prop_ScreenText).toInt(), 2);
    EXPECT_EQ(zone(2), "Page 6-9 of 10");
  });
  exitPreview();
  preview->Display(0, 1, 2, 2);
}

TEST_F(PrintPreviewTest, ZoomTypedIntoTheBox) {
  struct Case {
    const char* typed;
    uint8_t index;
    uint16_t user;
    const char* box;
    const char* status;
  } cases[] = {
      {"150", 0, 150, "150% Zoom", "Zoom: 150%"},
      {"-150", 0, 150, "150% Zoom", "Zoom: 150%"},
      {"Page Width", 2, 100, "Page Width", "Zoom: Page Width"},
      {"200% Zoom", 6, 100, "200% Zoom", "Zoom: 200%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    files.clear();
    MakePages(3);
    check([&] {
      w().inputText(P::PRTPREV_ZoomList, c.typed);
      accept(P::PRTPREV_ZoomList);
    });
    check([&] {
      EXPECT_EQ(preview->ZoomIndex, c.index);
      EXPECT_EQ(preview->UserPercentile, c.user);
      EXPECT_EQ(preview->ZoomList, c.box);
      EXPECT_EQ(zone(3), c.status);
      for (int n = 1; n <= 7; ++n) EXPECT_EQ(preview->MUse[size_t(n)], n == c.index ? 1 : 0) << n;
    });
    exitPreview();
    preview->Display(0, 1, 1, 1);
  }
}

TEST_F(PrintPreviewTest, LeftClickZoomsToPageWidthAtTheHeightClickedAndBack) {
  MakePages(4);
  check([&] {
    const fw::PageManagerClass* p3 = preview->PageManager->Find(3);
    ASSERT_NE(p3, nullptr);
    // Three quarters down page 3.
    click(3, p3->XPos + p3->Width / 2, p3->YPos + p3->Height * 3 / 4);
  });
  check([&] {
    EXPECT_EQ(preview->CurrentPage, 3);
    EXPECT_EQ(preview->CurrentZoom(), -1);
    EXPECT_EQ(zone(3), "Zoom: Page Width");
    EXPECT_EQ(zone(2), "Page 3 of 4");
    const fw::PageManagerClass* p3 = preview->PageManager->Find(3);
    ASSERT_NE(p3, nullptr);
    EXPECT_EQ(p3->ZoomState, -1);
    EXPECT_EQ(p3->FullWidth, w().prop(0, ui::Prop_ClientWidth).toInt());
    ASSERT_GE(p3->ScrollY, 0) << "a page-width page is taller than the window";
    EXPECT_NEAR(p3->ScrollY, 74 * 255 / 100, 4);
    EXPECT_FALSE(enabled(P::PRTPREV_PagesAcross));
    // The page at its zoomed size, scrolled to that height.
    const int image = P::PRTPREV_Measure + 7;
    EXPECT_EQ(w().prop(image, ui::Prop_Text).toString(), files[2]);
    EXPECT_EQ(w().prop(image, ui::Prop_DrawWidth).toInt(), p3->FullWidth);
    EXPECT_EQ(w().prop(image, ui::Prop_DrawHeight).toInt(), p3->FullHeight);
    EXPECT_EQ(w().prop(image, ui::Prop_VScroll).toInt(), 1);
    EXPECT_EQ(w().prop(image, ui::Prop_HScroll).toInt(), 0);
    EXPECT_EQ(w().prop(image, ui::Prop_VScrollPos).toInt(), p3->ScrollY);
    click(3, 10, 10);
  });
  check([&] {
    EXPECT_EQ(preview->CurrentZoom(), -2);
    EXPECT_EQ(zone(2), "Page 1-4 of 4");
    EXPECT_EQ(w().prop(P::PRTPREV_Measure + 7, ui::Prop_VScroll).toInt(), 0);
  });
  exitPreview();
  preview->Display(0, 1, 2, 2);
}

TEST_F(PrintPreviewTest, UnchosenPagesTurnGreyAndPrintingDeletesThem) {
  MakePages(8);
  const std::vector<std::string> all = files;
  check([&] {
    preview->PagesToPrint = "2-4,7";
    preview->DrawPage();
    for (int p = 1; p <= 8; ++p) {
      bool chosen = p == 2 || p == 3 || p == 4 || p == 7;
      int frame = P::PRTPREV_Measure + 2 * p;
      EXPECT_EQ(w().prop(frame, ui::Prop_Background).toInt(), chosen ? ui::rgb(255, 255, 255) : ui::rgb(128, 128, 128))
          << p;
      EXPECT_EQ(w().prop(frame + 1, ui::Prop_Text).toString(), chosen ? all[size_t(p - 1)] : "") << p;
    }
    accept(P::PRTPREV_TBarPrint);
  });
  EXPECT_TRUE(preview->Display(0, 1, 4, 2));
  EXPECT_EQ(files, (std::vector<std::string>{all[1], all[2], all[3], all[6]}));
  for (int p : {1, 5, 6, 8}) EXPECT_FALSE(fs::exists(all[size_t(p - 1)])) << p;
  for (const std::string& f : files) EXPECT_TRUE(fs::exists(f));
}

TEST_F(PrintPreviewTest, PagesToPrintDialogOkAndCancel) {
  MakePages(5);
  // Cancel keeps the list as it was; OK takes the typed one.
  for (bool ok : {false, true}) {
    then([&] { accept(P::PRTPREV_MenuPages); });
    then([] {});
    ++planned_;
    then([&, ok] {
      ++ran_;
      ui::Window* d = ui::Engine::current().target();
      ASSERT_NE(d, nullptr);
      ASSERT_EQ(d->title(), "Pages to Print");
      d->inputText(2, "1,3");
      ui::Engine::current().post(ui::Event_Accepted, ok ? 4 : 5, d);
    });
    check([&, ok] { EXPECT_EQ(preview->PagesToPrint, ok ? "1,3" : "1-5"); });
  }
  exitPreview();
  preview->Display(0, 1, 1, 1);
}

TEST_F(PrintPreviewTest, JumpAndChangeDisplayDialogs) {
  MakePages(10);
  auto inDialog = [&](const char* title, std::function<void(ui::Window&)> act) {
    ++planned_;
    then([] {});
    then([&, title, act] {
      ++ran_;
      ui::Window* d = ui::Engine::current().target();
      ASSERT_NE(d, nullptr);
      ASSERT_EQ(d->title(), title);
      act(*d);
    });
  };
  check([&] { accept(P::PRTPREV_Jump); });
  inDialog("Jump to a Report Page", [](ui::Window& d) {
    d.inputText(2, "8");
    ui::Engine::current().post(ui::Event_Accepted, 3, &d);
  });
  check([&] {
    EXPECT_EQ(preview->CurrentPage, 8);
    EXPECT_EQ(preview->FirstPage, 7);
    accept(P::PRTPREV_ChangeDisplay);
  });
  // Four by three is more than the ten pages: the dialog stays open.
  inDialog("Change the Report Display", [](ui::Window& d) {
    d.inputText(2, "4");
    d.inputText(3, "3");
    ui::Engine::current().post(ui::Event_Accepted, 4, &d);
  });
  inDialog("Change the Report Display", [](ui::Window& d) {
    d.inputText(2, "3");
    ui::Engine::current().post(ui::Event_Accepted, 4, &d);
  });
  check([&] {
    EXPECT_EQ(preview->PagesAcross, 3);
    EXPECT_EQ(preview->PagesDown, 3);
    EXPECT_EQ(preview->CurrentPage, 1);
    EXPECT_EQ(zone(2), "Page 1-9 of 10");
  });
  exitPreview();
  preview->Display(0, 1, 2, 2);
}

TEST_F(PrintPreviewTest, RightClickOffersTheZoomMenuAtThePointClicked) {
  MakePages(3);
  backend.answerPopup(5);  // "100% Zoom"
  backend.answerPopup(0);  // dismissed
  check([&] {
    const fw::PageManagerClass* p2 = preview->PageManager->Find(2);
    ASSERT_NE(p2, nullptr);
    click(2, p2->XPos + 1, p2->YPos + 1, ui::Mouse_RightUp);
  });
  check([&] {
    EXPECT_EQ(preview->CurrentPage, 2);
    EXPECT_EQ(preview->CurrentZoom(), 100);
    EXPECT_EQ(zone(3), "Zoom: 100%");
    EXPECT_EQ(preview->MUse[5], 1);
    click(2, 5, 5, ui::Mouse_RightUp);
  });
  check([&] {
    EXPECT_EQ(preview->CurrentZoom(), 100) << "nothing chosen: nothing changes";
    ASSERT_EQ(backend.popupsShown.size(), 2u);
    EXPECT_EQ(backend.popupsShown[0], "Tile pages");
  });
  exitPreview();
  preview->Display(0, 1, 3, 1);
}

TEST_F(PrintPreviewTest, WindowPlacementIsKeptThroughTheSettingsFile) {
  std::string iniPath = (fs::temp_directory_path() / ("qv_preview_" + std::to_string(::getpid()) + ".ini")).string();
  fw::INIClass ini;
  ini.Init(iniPath);
  MakePages(2);
  preview->SetINIManager(&ini);
  check([&] { w().inputResized(320, 210); });
  check([&] {
    EXPECT_EQ(preview->SaveSize.Set, 1);
    EXPECT_EQ(preview->SaveSize.Width, 320);
  });
  exitPreview();
  preview->Display(0, 1, 1, 1);
  // A new preview (the next report) opens where the last one was left.
  MakePages(2);
  preview->SetINIManager(&ini);
  check([&] {
    EXPECT_EQ(w().prop(0, ui::Prop_Width).toInt(), 320);
    EXPECT_EQ(w().prop(0, ui::Prop_Height).toInt(), 210);
  });
  exitPreview();
  preview->Display(0, 1, 1, 1);
  ini.Kill();
  fs::remove(iniPath);
}

TEST(PageListTest, PagesToPrintMatches) {
  struct Case {
    const char* list;
    std::vector<int> pages;  // of 1..8
  } cases[] = {
      {"1-3,5", {1, 2, 3, 5}},
      {"2-4,7", {2, 3, 4, 7}},
      {"5-3", {}},
      {"", {}},
      {"   ", {}},
      {" 8 , 1 ", {1, 8}},
      {"0-2,x,3-", {}},
      {"1-8", {1, 2, 3, 4, 5, 6, 7, 8}},
  };
  fw::PrintPreviewClass p;
  for (const Case& c : cases) {
    p.PagesToPrint = c.list;
    std::vector<int> got;
    for (int page = 1; page <= 8; ++page)
      if (p.InPageList(page)) got.push_back(page);
    EXPECT_EQ(got, c.pages) << "'" << c.list << "'";
  }
}

}  // namespace
}  // namespace fwreport
