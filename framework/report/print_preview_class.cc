#include "framework/report/print_preview_class.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "framework/data/ini_class.h"
#include "framework/report/page_manager_class.h"
#include "framework/window/popup_class.h"
#include "framework/window/window_placement.h"
#include "runtime/core/error_assert.h"
#include "runtime/core/trim.h"
#include "runtime/ui/accept_loop.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/window.h"

namespace fw {

namespace {

ui::Engine& engine() { return ui::Engine::current(); }

const ZoomEntry kPresets[] = {
    {-2, "Tile pages", "Zoom: Tile Pages"}, {-1, "Page Width", "Zoom: Page Width"},
    {50, "50% Zoom", "Zoom: 50%"},          {75, "75% Zoom", "Zoom: 75%"},
    {100, "100% Zoom", "Zoom: 100%"},       {200, "200% Zoom", "Zoom: 200%"},
    {300, "300% Zoom", "Zoom: 300%"},
};

constexpr char kPreviewSettings[] = "_PreviewWindow_";
constexpr char kPagesSettings[] = "_PreviewAskPagesWindow_";

constexpr int kBarHeight = PrintPreviewClass::kToolbarHeight;
constexpr int kGap = 3;

bool readInt(const std::string& s, long long* v) {
  std::string t(rt::trim(s));
  if (t.empty()) return false;
  auto r = std::from_chars(t.data(), t.data() + t.size(), *v);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

ui::ControlDef ctl(ui::ControlType type, std::string text, int x = 0, int y = 0, int w = ui::Auto,
                   int h = ui::Auto, std::string tip = {}, int parent = 0) {
  ui::ControlDef c;
  c.type = type;
  c.text = std::move(text);
  c.x = x, c.y = y, c.width = w, c.height = h;
  c.tip = std::move(tip);
  c.parent = parent;
  return c;
}

}  // namespace

PrintPreviewClass::PrintPreviewClass() = default;

PrintPreviewClass::~PrintPreviewClass() {
  if (!Dead && CL) Kill();
}

// ---- window definitions ----

ui::WindowDef PrintPreviewClass::PreviewWindowDef() {
  ui::WindowDef d;
  d.title = "Report Preview";
  d.name = "P20$PREVIEWWINDOW";
  d.width = 400;
  d.height = 280;
  d.statusZones = {60, 100, -1};
  d.alerts = {ui::Key_PageUp, ui::Key_PageDown};  // page through the report from anywhere
  auto& c = d.controls;
  c.push_back(ctl(ui::Ctl_Menu, "&File"));
  c.push_back(ctl(ui::Ctl_MenuItem, "Pa&ges to Print...", 0, 0, 0, 0, "Select which pages to print", 1));
  c.push_back(ctl(ui::Ctl_MenuItem, "&Print", 0, 0, 0, 0, "Print the report", 1));
  c.push_back(ctl(ui::Ctl_MenuItem, "&Save As...", 0, 0, 0, 0, "Save the report", 1));
  c.push_back(ctl(ui::Ctl_MenuItem, "E&xit", 0, 0, 0, 0, "Exit without printing the report", 1));
  c.push_back(ctl(ui::Ctl_Menu, "&View"));
  c.push_back(ctl(ui::Ctl_MenuItem, "&Next Page(s)", 0, 0, 0, 0, "View the next page or pages of the report", 6));
  c.push_back(ctl(ui::Ctl_MenuItem, "&Previous Page(s)", 0, 0, 0, 0,
                  "View the previous page or pages of the report", 6));
  c.push_back(ctl(ui::Ctl_MenuItem, "&Jump to a page", 0, 0, 0, 0, "Jump to a specific page of the report", 6));
  c.push_back(ctl(ui::Ctl_MenuItem, "&Change Display", 0, 0, 0, 0, "Change the number of pages displayed", 6));
  c.push_back(ctl(ui::Ctl_Menu, "&Zoom", 0, 0, 0, 0, {}, 6));
  ui::ControlDef print = ctl(ui::Ctl_Button, "", 2, 2, 16, 14, "Print this report");
  print.icon = "IMPPREV";
  c.push_back(print);
  ui::ControlDef exit = ctl(ui::Ctl_Button, "", 20, 2, 16, 14, "Exit without printing the report");
  exit.icon = "SALIR";
  c.push_back(exit);
  c.push_back(ctl(ui::Ctl_Button, "Zoom", 38, 2, 28, 14, "Zoom in on a page of the report"));
  c.push_back(ctl(ui::Ctl_Prompt, "&Page:", 72, 5, 22, 10));
  ui::ControlDef page = ctl(ui::Ctl_Spin, "@n5", 94, 3, 36, 12);
  page.rangeLow = 1;
  page.rangeHigh = 1;
  c.push_back(page);
  c.push_back(ctl(ui::Ctl_Prompt, "&Across:", 136, 5, 28, 10));
  ui::ControlDef across = ctl(ui::Ctl_Spin, "@n2", 164, 3, 28, 12, "Select the number of thumbnails in a row");
  across.rangeLow = 1, across.rangeHigh = 10;
  c.push_back(across);
  c.push_back(ctl(ui::Ctl_Prompt, "&Down:", 198, 5, 24, 10));
  ui::ControlDef down = ctl(ui::Ctl_Spin, "@n2", 222, 3, 28, 12, "Select the number of thumbnails in a column");
  down.rangeLow = 1, down.rangeHigh = 10;
  c.push_back(down);
  ui::ControlDef zp = ctl(ui::Ctl_Prompt, "Z&oom:", 256, 5, 24, 10);
  zp.hidden = true;
  c.push_back(zp);
  ui::ControlDef zl = ctl(ui::Ctl_Combo, "@s16", 280, 3, 70, 12, "Set zoom to standard or user defined value");
  zl.hidden = true;
  zl.dropRows = 7;
  zl.columns = {ui::ListColumn{}};
  zl.columns[0].picture = "@s16";
  zl.columns[0].width = 70;
  c.push_back(zl);
  return d;
}

ui::WindowDef PrintPreviewClass::JumpWindowDef() {
  ui::WindowDef d;
  d.title = "Jump to a Report Page";
  d.name = "P39$JUMPWINDOW";
  d.width = 120, d.height = 40, d.resizable = false;
  d.controls.push_back(ctl(ui::Ctl_Prompt, "&Page:", 6, 8, 24, 10));
  ui::ControlDef spin = ctl(ui::Ctl_Spin, "@n5", 32, 6, 40, 12, "Select a page of the report");
  spin.rangeLow = 1;
  d.controls.push_back(spin);
  ui::ControlDef ok = ctl(ui::Ctl_Button, "OK", 78, 4, 36, 14, "Jump to the selected page");
  ok.isDefault = true;
  d.controls.push_back(ok);
  d.controls.push_back(ctl(ui::Ctl_Button, "Cancel", 78, 20, 36, 14, "Cancel this selection"));
  return d;
}

ui::WindowDef PrintPreviewClass::SelectWindowDef() {
  ui::WindowDef d;
  d.title = "Change the Report Display";
  d.name = "P40$SELECTWINDOW";
  d.width = 120, d.height = 60, d.resizable = false;
  d.controls.push_back(ctl(ui::Ctl_Text, "Pages Displayed", 4, 2, 80, 10));
  ui::ControlDef across = ctl(ui::Ctl_Spin, "@n2", 40, 16, 30, 12);
  across.label = "?PagesAcross";
  across.rangeLow = 1, across.rangeHigh = 10;
  d.controls.push_back(across);
  ui::ControlDef down = ctl(ui::Ctl_Spin, "@n2", 40, 32, 30, 12);
  down.label = "?PagesDown";
  down.rangeLow = 1, down.rangeHigh = 10;
  d.controls.push_back(down);
  ui::ControlDef ok = ctl(ui::Ctl_Button, "OK", 80, 40, 34, 14);
  ok.isDefault = true;
  d.controls.push_back(ok);
  d.controls.push_back(ctl(ui::Ctl_Prompt, "Across", 6, 18, 30, 10));
  d.controls.push_back(ctl(ui::Ctl_Prompt, "Down", 6, 34, 30, 10));
  return d;
}

ui::WindowDef PrintPreviewClass::PagesToPrintWindowDef() {
  ui::WindowDef d;
  d.title = "Pages to Print";
  d.name = "P41$PAGETOPRINTWINDOW";
  d.width = 200, d.height = 44, d.resizable = false;
  d.controls.push_back(ctl(ui::Ctl_Prompt, "&Pages to Print:", 4, 6, 60, 10));
  d.controls.push_back(ctl(ui::Ctl_Entry, "@s255", 66, 4, 130, 12));
  d.controls.push_back(ctl(ui::Ctl_Button, "&Reset", 66, 24, 40, 14));
  ui::ControlDef ok = ctl(ui::Ctl_Button, "&Ok", 110, 24, 40, 14);
  ok.isDefault = true;
  d.controls.push_back(ok);
  d.controls.push_back(ctl(ui::Ctl_Button, "&Cancel", 154, 24, 40, 14));
  return d;
}

// ---- set-up ----

void PrintPreviewClass::Init(std::vector<std::string>* pageFiles) {
  WindowManager::Init();
  PageManager.reset();
  if (!pageFiles) rt::assertionFailed("The preview needs the report's page list");
  ImageQueue = pageFiles;
  OutputFileQueue = std::make_unique<std::vector<std::string>>();
  ZoomQueue = std::make_unique<std::vector<ZoomEntry>>();
  Popup = std::make_unique<PopupClass>();
  Popup->Init();
  zoomRows_.rows.clear();
  for (const ZoomEntry& z : kPresets) {
    ZoomQueue->push_back(z);
    zoomRows_.rows.push_back({z.MenuText});
    // "-": a check item, unchecked to begin with.
    Popup->AddItem("-" + z.MenuText, ZoomItemName(ZoomQueue->size()));
  }
}

void PrintPreviewClass::SetINIManager(INIClass* ini) {
  if (!ini) rt::assertionFailed("SetINIManager needs a settings manager");
  INIMgr = ini;
}

Level PrintPreviewClass::Kill() {
  if (Dead) return Level::Notify;
  if (PageManager) PageManager->Kill();
  PageManager.reset();
  if (Popup) Popup->Kill();
  Popup.reset();
  OutputFileQueue.reset();
  ZoomQueue.reset();
  return WindowManager::Kill();
}

size_t PrintPreviewClass::Percentile2Idx(int16_t zoom) const {
  size_t n = ZoomQueue ? ZoomQueue->size() : 0;
  for (size_t i = 0; i < n; ++i)
    if ((*ZoomQueue)[i].Percentile == zoom) return i + 1;
  return n + 1;
}

int16_t PrintPreviewClass::Idx2Percentile(size_t index) const {
  if (index == 0) return int16_t(UserPercentile);
  if (!ZoomQueue || index > ZoomQueue->size()) {
    rt::assertionFailed("Zoom preset out of range");
    return -2;
  }
  return (*ZoomQueue)[index - 1].Percentile;
}

void PrintPreviewClass::SetDefaultPages() { PagesToPrint = "1-" + std::to_string(Pages()); }

bool PrintPreviewClass::InPageList(int32_t page) const {
  std::string list(rt::trim(PagesToPrint));
  if (list.empty()) return false;
  size_t start = 0;
  for (;;) {
    size_t comma = list.find(',', start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    size_t dash = item.find('-');
    long long a = 0, b = 0;
    if (dash == std::string::npos) {
      if (readInt(item, &a) && a == page) return true;
    } else if (readInt(item.substr(0, dash), &a) && readInt(item.substr(dash + 1), &b) && a > 0 && b > 0 &&
               a <= b && a <= page && page <= b) {
      return true;
    }
    if (comma == std::string::npos) return false;
    start = comma + 1;
  }
}

bool PrintPreviewClass::DeleteImageQueue(int32_t page) {
  if (!ImageQueue || page < 1 || page > Pages()) return false;
  const std::string name = (*ImageQueue)[size_t(page - 1)];
  std::error_code ec;
  if (!std::filesystem::remove(name, ec)) rt::assertionFailed("Page file could not be deleted: " + name);
  ImageQueue->erase(ImageQueue->begin() + (page - 1));
  return true;
}

void PrintPreviewClass::SyncImageQueue() {
  for (int32_t p = Pages(); p >= 1; --p)
    if (!InPageList(p)) DeleteImageQueue(p);
}

// ---- running ----

int PrintPreviewClass::Event() const { return engine().event(); }

int PrintPreviewClass::ClientWidth() const {
  return PreviewWindow ? int(PreviewWindow->prop(0, ui::Prop_ClientWidth).toInt()) : 0;
}

int PrintPreviewClass::ClientHeight() const {
  return PreviewWindow ? std::max(0, int(PreviewWindow->prop(0, ui::Prop_ClientHeight).toInt()) - kBarHeight) : 0;
}

bool PrintPreviewClass::Display(int16_t zoom, int32_t firstPage, uint16_t across, uint16_t down) {
  window_ = std::make_unique<ui::Window>(PreviewWindowDef());
  ui::Window& w = *window_;
  w.bind(PRTPREV_CurrentPage, &currentVar_);
  w.bind(PRTPREV_PagesAcross, &acrossVar_);
  w.bind(PRTPREV_PagesDown, &downVar_);
  w.bind(PRTPREV_ZoomList, &zoomVar_);
  PrintOK = 0;
  if (Pages() > 0) {
    InitZoom = zoom == 0 ? -2 : zoom;
    FirstPage = CurrentPage = std::clamp(firstPage, 1, Pages());
    PagesAcross = std::max<uint16_t>(1, across);
    PagesDown = std::max<uint16_t>(1, down);
    across_ = PagesAcross;
    down_ = PagesDown;
    SetDefaultPages();
    Inited = 0;
    if (!CL) CL = std::make_unique<std::vector<ComponentEntry>>();
    if (!Buttons) Buttons = std::make_unique<std::vector<ButtonEntry>>();
    Open(w);
    Placement(w);
    if (Maximize) w.setProp(0, ui::Prop_Maximize, 1);
    engine().setWaitCursor(true);
    PreviewWindow = &w;
    // No output generator is registered: Save As has nothing to offer.
    w.disable(PRTPREV_MenuSaveAs);
    Ask();
    if (w.isOpen()) w.close();
    PreviewWindow = nullptr;
    MyWindow = nullptr;
  }
  window_.reset();
  if (PrintOK) SyncImageQueue();
  return PrintOK != 0;
}

void PrintPreviewClass::Placement(ui::Window& w) {
  if (!WindowPosSet && !WindowSizeSet) {
    if (SaveSize.Set) {
      w.setProp(0, ui::Prop_Xpos, SaveSize.XPos);
      w.setProp(0, ui::Prop_Ypos, SaveSize.YPos);
      w.setProp(0, ui::Prop_Width, int(SaveSize.Width));
      w.setProp(0, ui::Prop_Height, int(SaveSize.Height));
    } else if (INIMgr) {
      RestoreWindowPosition(*INIMgr, kPreviewSettings, w);
    }
    return;
  }
  if (WindowPosSet) {
    w.setProp(0, ui::Prop_Xpos, WinXPos);
    w.setProp(0, ui::Prop_Ypos, WinYPos);
  }
  if (WindowSizeSet) {
    w.setProp(0, ui::Prop_Width, WinWidth);
    w.setProp(0, ui::Prop_Height, WinHeight);
  }
}

void PrintPreviewClass::Open() {
  ui::Window& w = *PreviewWindow;
  if (!Maximize) Placement(w);
  if (Pages() < 1) rt::assertionFailed("The preview has no first page");
  NewPageElement(1);
  if (Pages() > 1) {
    w.enable(PRTPREV_ViewMenu);
    w.setProp(PRTPREV_CurrentPage, ui::Prop_RangeHigh, Pages());
    w.setProp(PRTPREV_CurrentPage, ui::Prop_Msg, "Enter a page number from 1 to " + std::to_string(Pages()));
  } else {
    w.disable(PRTPREV_CurrentPage, PRTPREV_PagesDown);
  }
  for (size_t n = 1; n <= ZoomQueue->size(); ++n) {
    ui::ControlDef item = ctl(ui::Ctl_MenuItem, (*ZoomQueue)[n - 1].MenuText, 0, 0, 0, 0, {}, PRTPREV_ZoomMenu);
    item.number = int(PRTPREV_ZoomItem + n);
    w.create(item);
    MUse[n] = 0;
    Popup->AddItemEvent(ZoomItemName(n), ui::Event_Accepted, int(PRTPREV_ZoomItem + n));
  }
  w.setRowSource(PRTPREV_ZoomList, &zoomRows_);
  if (AllowUserZoom) {
    ResetUserZoom();
    w.unhide(PRTPREV_ZoomPrompt, PRTPREV_ZoomList);
  } else {
    w.hide(PRTPREV_ZoomPrompt, PRTPREV_ZoomList);
  }
  size_t idx = Percentile2Idx(InitZoom);
  if (idx > ZoomQueue->size()) {
    if (!AllowUserZoom) rt::assertionFailed("The start zoom is no preset and user zoom is off");
    ZoomIndex = 0;
    UserPercentile = uint16_t(std::abs(InitZoom));
  } else {
    ZoomIndex = uint8_t(idx);
  }
  WindowManager::Open();
  NewZoom();
  engine().setWaitCursor(false);
}

void PrintPreviewClass::NewPageElement(int32_t page) {
  if (page < 1 || page > Pages()) {
    rt::assertionFailed("Page " + std::to_string(page) + " is not in the page list");
    return;
  }
  auto e = std::make_unique<PageManagerClass>();
  e->Neighbour = std::move(PageManager);
  PageManager = std::move(e);
  PageManager->Init(this, page, uint16_t(PRTPREV_Measure + 2 * page), (*ImageQueue)[size_t(page - 1)]);
}

void PrintPreviewClass::NewZoom() {
  ResetUserZoom();
  DrawPage();
  ConfigMenuChecks();
}

void PrintPreviewClass::ResetUserZoom() {
  if (!AllowUserZoom) return;
  if (ZoomIndex != 0 && ZoomQueue && ZoomIndex <= ZoomQueue->size())
    ZoomList = (*ZoomQueue)[ZoomIndex - 1].MenuText;
  else
    ZoomList = std::to_string(UserPercentile) + "% Zoom";
  if (PreviewWindow) PreviewWindow->display(PRTPREV_ZoomList);
}

void PrintPreviewClass::ConfigMenuChecks() {
  if (!ZoomQueue) return;
  for (size_t n = 1; n <= ZoomQueue->size(); ++n) {
    if (Popup) Popup->SetItemCheck(ZoomItemName(n), n == ZoomIndex);
    MUse[n] = n == ZoomIndex ? 1 : 0;
    if (PreviewWindow) PreviewWindow->setProp(int(PRTPREV_ZoomItem + n), ui::Prop_Checked, MUse[n] != 0);
  }
}

void PrintPreviewClass::DrawPage() {
  if (!PreviewWindow || !PageManager) return;
  const int16_t zoom = CurrentZoom();
  const bool sized = Event() == ui::Event_Sized;
  if (zoom == -2) {
    Thumbnails();
  } else {
    if (!sized) {
      PageManager->Delete();
      if (!PageManager->Exists(CurrentPage)) NewPageElement(CurrentPage);
    }
    PageManager->Draw(CurrentPage, zoom);
  }
  if (!sized) PageManager->Highlight(CurrentPage);
}

void PrintPreviewClass::Thumbnails() {
  const int32_t last = FirstPage + PagesAcross * PagesDown - 1;
  if (Event() != ui::Event_Sized) {
    for (int32_t p = 1; p <= Pages(); ++p)
      if ((p < FirstPage || p > last) && PageManager->Exists(p)) PageManager->Delete(p);
  }
  const int32_t remembered = CurrentPage;
  CurrentPage = FirstPage;
  const int cellW = (ClientWidth() - (PagesAcross + 1) * kGap) / PagesAcross;
  const int cellH = (ClientHeight() - (PagesDown + 1) * kGap) / PagesDown;
  ThumbnailsPresent = 0;
  int y = kGap, h = cellH;
  for (int row = 1; row <= PagesDown; ++row) {
    int x = kGap;
    for (int col = 1; col <= PagesAcross; ++col) {
      if (CurrentPage <= Pages()) {
        if (!PageManager->Exists(CurrentPage)) NewPageElement(CurrentPage);
        PageManager->SetPosition(CurrentPage, int16_t(x), int16_t(y), int16_t(cellW), int16_t(h));
        PageManager->Draw(CurrentPage, -2);
        ++ThumbnailsPresent;
      }
      const PageManagerClass* e = PageManager->Find(CurrentPage);
      x += (e ? e->Width : 0) + kGap;
      h = e ? e->Height : 0;
      ++CurrentPage;
    }
    y += h + kGap;
  }
  CurrentPage = remembered;
  PageManager->Highlight(CurrentPage);
}

void PrintPreviewClass::WindowRefresh() {
  ui::Window& w = *PreviewWindow;
  ConfigMenuChecks();
  const int32_t pages = Pages();
  const int16_t zoom = CurrentZoom();
  auto able = [&](int c, bool on) { on ? w.enable(c) : w.disable(c); };
  able(PRTPREV_Previous, CurrentPage > 1);
  able(PRTPREV_Next, CurrentPage < pages);
  able(PRTPREV_Jump, pages > 1);
  able(PRTPREV_ChangeDisplay, pages > 1);
  if (pages <= 1) {
    w.disable(PRTPREV_PagePrompt, PRTPREV_PagesDown);
  } else {
    w.enable(PRTPREV_PagePrompt, PRTPREV_CurrentPage);
    if (zoom == -2)
      w.enable(PRTPREV_AcrossPrompt, PRTPREV_PagesDown);
    else
      w.disable(PRTPREV_AcrossPrompt, PRTPREV_PagesDown);
  }
  w.display(PRTPREV_CurrentPage, PRTPREV_PagesDown);
  able(PRTPREV_ChangeDisplay, zoom == -2 && pages > 1);
  if (ZoomIndex == 0)
    w.setProp(0, ui::Prop_StatusText, "Zoom: " + std::to_string(UserPercentile) + "%", 3);
  else
    w.setProp(0, ui::Prop_StatusText, (*ZoomQueue)[ZoomIndex - 1].StatusText, 3);
  std::string zone;
  if (zoom == -2 && ThumbnailsPresent > 1)
    zone = "Page " + std::to_string(FirstPage) + "-" + std::to_string(FirstPage + ThumbnailsPresent - 1) + " of " +
           std::to_string(pages);
  else
    zone = "Page " + std::to_string(CurrentPage) + " of " + std::to_string(pages);
  w.setProp(0, ui::Prop_StatusText, zone, 2);
  w.display(PRTPREV_Next, PRTPREV_ChangeDisplay);
}

Level PrintPreviewClass::TakeEvent() {
  if (WindowManager::TakeEvent() != Level::Benign) return Level::Notify;
  if (!PreviewWindow) return Level::Benign;
  ui::Window& w = *PreviewWindow;
  switch (Event()) {
    case ui::Event_CloseWindow:
      if (INIMgr) SaveWindowPosition(*INIMgr, kPreviewSettings, w);
      if (PageManager) PageManager->Kill();
      PageManager.reset();
      return Level::Benign;
    case ui::Event_Sized:
      SaveSize.Set = 1;
      SaveSize.XPos = int16_t(w.prop(0, ui::Prop_Xpos).toInt());
      SaveSize.YPos = int16_t(w.prop(0, ui::Prop_Ypos).toInt());
      SaveSize.Width = uint16_t(w.prop(0, ui::Prop_Width).toInt());
      SaveSize.Height = uint16_t(w.prop(0, ui::Prop_Height).toInt());
      if (PageManager) DrawPage();
      break;
    case ui::Event_AlertKey:
      AlertKey();
      break;
    default: break;
  }
  if (PageManager) WindowRefresh();
  return Level::Benign;
}

bool PrintPreviewClass::AlertKey() {
  ui::Window& w = *PreviewWindow;
  const int key = engine().keyCode();
  if (key == ui::Key_PageUp) {
    if (CurrentPage > 1 && w.enabled(PRTPREV_Previous)) engine().post(ui::Event_Accepted, PRTPREV_Previous, &w);
    return true;
  }
  if (key == ui::Key_PageDown) {
    if (CurrentPage < Pages() && w.enabled(PRTPREV_Next)) engine().post(ui::Event_Accepted, PRTPREV_Next, &w);
    return true;
  }
  if (key != ui::Mouse_Left && key != ui::Mouse_RightUp) return false;
  if (!PageManager) return false;
  const int mx = int(w.prop(0, ui::Prop_MouseX).toInt());
  const int my = int(w.prop(0, ui::Prop_MouseY).toInt()) - kBarHeight;
  const int32_t page = PageManager->CoordContained(mx, my);
  if (page == 0) return false;
  PageManagerClass* e = PageManager->Find(page);
  if (key == ui::Mouse_Left) {
    CurrentPage = page;
    if (CurrentZoom() == -2) {
      int pct = e->Height > 0 ? (my - e->YPos) * 100 / e->Height : 0;
      PageManager->SetCentre(page, 0, uint8_t(std::clamp(pct, 0, 100)));
      ZoomIndex = uint8_t(Percentile2Idx(-1));
    } else {
      ZoomIndex = uint8_t(Percentile2Idx(-2));
    }
    NewZoom();
    return true;
  }
  // Right button released: the zoom menu, centred on the point clicked.
  int px, py;
  if (e->ZoomState == -2) {
    px = e->Width > 0 ? (mx - e->XPos) * 100 / e->Width : 0;
    py = e->Height > 0 ? (my - e->YPos) * 100 / e->Height : 0;
  } else {
    auto axis = [](int mouse, int scroll, int full, int visible) {
      if (full <= 0) return 0;
      if (scroll >= 0 && full > visible) return (scroll * (full - visible) / 255 + mouse) * 100 / full;
      return visible > 0 ? mouse * 100 / visible : 0;
    };
    // Where the bars stand now: the user may have scrolled.
    const int sx = e->ScrollX >= 0 ? int(PageManager->GetProp(page, ui::Prop_HScrollPos)) : -1;
    const int sy = e->ScrollY >= 0 ? int(PageManager->GetProp(page, ui::Prop_VScrollPos)) : -1;
    px = axis(mx, sx, e->FullWidth, e->Width);
    py = axis(my, sy, e->FullHeight, e->Height);
  }
  PageManager->SetCentre(page, uint8_t(std::clamp(px, 0, 100)), uint8_t(std::clamp(py, 0, 100)));
  // A chosen item posts its zoom to its menu item.
  if (!Popup->Ask().empty())
    CurrentPage = page;
  else
    PageManager->SetCentre(page, 0, 0);
  return true;
}

void PrintPreviewClass::ShowZoomPopup() { Popup->Ask(); }

Level PrintPreviewClass::TakeFieldEvent() {
  const int f = engine().field();
  if (Event() == ui::Event_NewSelection &&
      (f == PRTPREV_CurrentPage || f == PRTPREV_PagesAcross || f == PRTPREV_PagesDown)) {
    engine().post(ui::Event_Accepted, f, PreviewWindow);
    return Level::Notify;
  }
  return Level::Benign;
}

Level PrintPreviewClass::TakeWindowEvent() {
  if (Event() == ui::Event_GainFocus) return Level::Benign;
  return WindowManager::TakeWindowEvent();
}

Level PrintPreviewClass::TakeAccepted() {
  if (WindowManager::TakeAccepted() != Level::Benign) return Level::Notify;
  if (!PreviewWindow) return Level::Benign;
  ui::Window& w = *PreviewWindow;
  const int c = engine().field();
  const int32_t grid = int32_t(PagesAcross) * PagesDown;
  // Accepted events posted by the preview itself carry no stored value yet.
  if (c == PRTPREV_CurrentPage || c == PRTPREV_PagesAcross || c == PRTPREV_PagesDown || c == PRTPREV_ZoomList)
    w.update(c, c);
  if (c > PRTPREV_ZoomItem && size_t(c - PRTPREV_ZoomItem) <= ZoomQueue->size()) {
    uint8_t n = uint8_t(c - PRTPREV_ZoomItem);
    if (n != ZoomIndex) {
      ZoomIndex = n;
      NewZoom();
    }
    return Level::Benign;
  }
  switch (c) {
    case PRTPREV_TBarZoom:
      ConfigMenuChecks();
      ShowZoomPopup();
      break;
    case PRTPREV_MenuPages:
      AskPrintPages();
      DrawPage();
      break;
    case PRTPREV_MenuPrint:
    case PRTPREV_TBarPrint:
      PrintOK = ConfirmPages ? AskPrintPages() : 1;
      engine().post(ui::Event_CloseWindow, 0, &w);
      break;
    case PRTPREV_MenuExit:
    case PRTPREV_TBarExit:
      engine().post(ui::Event_CloseWindow, 0, &w);
      break;
    case PRTPREV_ZoomList: {
      std::string typed(rt::trim(ZoomList));
      for (size_t n = 1; n <= ZoomQueue->size(); ++n) {
        if ((*ZoomQueue)[n - 1].MenuText == typed) {
          engine().post(ui::Event_Accepted, int(PRTPREV_ZoomItem + n), &w);
          return Level::Notify;
        }
      }
      long long v = std::llabs(std::atoll(typed.c_str()));
      if (v < 1 || v > 32767) {
        // Not a zoom: show the current one again.
        ResetUserZoom();
        break;
      }
      ZoomList = std::to_string(v);
      ZoomIndex = 0;
      UserPercentile = uint16_t(v);
      NewZoom();
      break;
    }
    case PRTPREV_CurrentPage:
      CurrentPage = std::clamp(CurrentPage, 1, std::max(1, Pages()));
      if (CurrentZoom() == -1) {
        DrawPage();
      } else if (CurrentPage - FirstPage + 1 >= 1 && CurrentPage - FirstPage + 1 <= grid) {
        if (PageManager && PageManager->Exists(CurrentPage))
          PageManager->Highlight(CurrentPage);
        else
          DrawPage();
      } else {
        FirstPage = CurrentPage;
        while (FirstPage + grid - 1 > Pages() && FirstPage > 1) --FirstPage;
        DrawPage();
      }
      break;
    case PRTPREV_PagesAcross:
    case PRTPREV_PagesDown: {
      PagesAcross = uint16_t(std::max(1, across_));
      PagesDown = uint16_t(std::max(1, down_));
      uint16_t& changed = c == PRTPREV_PagesAcross ? PagesAcross : PagesDown;
      bool lowered = false;
      while (FirstPage + int32_t(PagesAcross) * PagesDown - 1 > Pages() && PagesAcross > 1 && PagesDown > 1 &&
             changed > 1) {
        --changed;
        lowered = true;
      }
      across_ = PagesAcross;
      down_ = PagesDown;
      w.display(PRTPREV_PagesAcross, PRTPREV_PagesDown);
      if (!lowered) DrawPage();
      break;
    }
    case PRTPREV_Next:
    case PRTPREV_Previous:
      CurrentPage += c == PRTPREV_Next ? 1 : -1;
      CurrentPage = std::clamp(CurrentPage, 1, std::max(1, Pages()));
      w.display(PRTPREV_CurrentPage);
      engine().post(ui::Event_Accepted, PRTPREV_CurrentPage, &w);
      return Level::Notify;
    case PRTPREV_Jump:
      if (AskPage()) engine().post(ui::Event_Accepted, PRTPREV_CurrentPage, &w);
      break;
    case PRTPREV_ChangeDisplay:
      AskThumbnails();
      CurrentPage = 1;
      FirstPage = 1;
      DrawPage();
      break;
    default: break;
  }
  return Level::Benign;
}

// ---- dialogs ----

bool PrintPreviewClass::AskPage() {
  int32_t page = CurrentPage;
  ui::Int32Var var(&page);
  ui::Window d(JumpWindowDef());
  d.bind(2, &var);
  d.open(PreviewWindow);
  d.setProp(2, ui::Prop_RangeHigh, Pages());
  bool changed = false;
  ui::AcceptLoop loop(d);
  while (loop.next()) {
    if (engine().event() != ui::Event_Accepted) continue;
    if (engine().field() == 3) {
      d.update();
      page = std::clamp(page, 1, std::max(1, Pages()));
      if (page != CurrentPage) {
        CurrentPage = page;
        changed = true;
      }
      break;
    }
    if (engine().field() == 4) break;
  }
  if (d.isOpen()) d.close();
  return changed;
}

void PrintPreviewClass::AskThumbnails() {
  int32_t across = PagesAcross, down = PagesDown;
  ui::Int32Var av(&across), dv(&down);
  ui::Window d(SelectWindowDef());
  d.bind(2, &av);
  d.bind(3, &dv);
  d.open(PreviewWindow);
  ui::AcceptLoop loop(d);
  while (loop.next()) {
    if (engine().event() != ui::Event_Accepted || engine().field() != 4) continue;
    d.update();
    if (across < 1 || down < 1 || int64_t(across) * down > Pages()) {
      d.select(2);
      continue;
    }
    PagesAcross = uint16_t(across);
    PagesDown = uint16_t(down);
    across_ = across;
    down_ = down;
    break;
  }
  if (d.isOpen()) d.close();
}

bool PrintPreviewClass::AskPrintPages() {
  const std::string saved = PagesToPrint;
  ui::StringVar var(&PagesToPrint, 255);
  ui::Window d(PagesToPrintWindowDef());
  d.bind(2, &var);
  d.open(PreviewWindow);
  if (INIMgr) RestoreWindowPosition(*INIMgr, kPagesSettings, d);
  bool ok = false;
  ui::AcceptLoop loop(d);
  while (loop.next()) {
    if (engine().event() != ui::Event_Accepted) continue;
    const int f = engine().field();
    if (f == 3) {
      SetDefaultPages();
      d.display(2);
      d.select(2);
    } else if (f == 4) {
      d.update();
      ok = true;
      break;
    } else if (f == 5) {
      break;
    }
  }
  if (!ok) PagesToPrint = saved;
  PagesToPrint = std::string(rt::trim(PagesToPrint));
  if (INIMgr) SaveWindowPosition(*INIMgr, kPagesSettings, d);
  if (d.isOpen()) d.close();
  return ok;
}

}  // namespace fw
