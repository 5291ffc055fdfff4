// The print preview: shows a finished report's pages (one page file each,
// named in order in the page-file list) in the "Report Preview" window, as a
// grid of thumbnails or one page at a zoom, and lets the user move between
// pages, change the grid and the zoom, choose the pages to print, and print
// or leave.
//
//   preview.Init(&pageFiles);              // the report manager does this
//   preview.SetINIManager(&INIMgr);
//   preview.AllowUserZoom = 1;
//   if (preview.Display(0, 1, 1, 1)) ...   // print what is left in pageFiles
//   preview.Kill();
//
// Zoom values: a positive number is percent of the page's natural size, -1
// is "page width", -2 is "tile pages". Display returns true when the user
// chose to print; it has then deleted the files and list entries of the
// pages outside PagesToPrint. Exit returns false and deletes nothing.
//
// PagesToPrint is a comma-separated list of page numbers n and ranges a-b
// (a <= b, both above 0); a range the other way round matches no page, and
// a blank list matches none.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/level.h"
#include "framework/window/window_manager.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/use_var.h"
#include "runtime/ui/window_def.h"

namespace ui {
class Window;
}

namespace fw {

class INIClass;
class PageManagerClass;
class PopupClass;

struct ZoomEntry {
  int16_t Percentile = 0;
  std::string MenuText;
  std::string StatusText;
};

// Control numbers of the preview window.
enum PreviewControl : int {
  PRTPREV_FileMenu = 1,
  PRTPREV_MenuPages = 2,
  PRTPREV_MenuPrint = 3,
  PRTPREV_MenuSaveAs = 4,
  PRTPREV_MenuExit = 5,
  PRTPREV_ViewMenu = 6,
  PRTPREV_Next = 7,
  PRTPREV_Previous = 8,
  PRTPREV_Jump = 9,
  PRTPREV_ChangeDisplay = 10,
  PRTPREV_ZoomMenu = 11,
  PRTPREV_TBarPrint = 12,
  PRTPREV_TBarExit = 13,
  PRTPREV_TBarZoom = 14,
  PRTPREV_PagePrompt = 15,
  PRTPREV_CurrentPage = 16,
  PRTPREV_AcrossPrompt = 17,
  PRTPREV_PagesAcross = 18,
  PRTPREV_DownPrompt = 19,
  PRTPREV_PagesDown = 20,
  PRTPREV_ZoomPrompt = 21,
  PRTPREV_ZoomList = 22,
  PRTPREV_ZoomItem = 200,   // + preset position
  PRTPREV_Measure = 498,    // page p: frame 498 + 2p, image 499 + 2p
};

class PrintPreviewClass : public WindowManager {
 public:
  PrintPreviewClass();
  ~PrintPreviewClass() override;

  // --- Overridden window-manager operations ------------------------------
  Level Kill() override;
  using WindowManager::Open;
  void Open() override;
  Level TakeAccepted() override;
  Level TakeEvent() override;
  Level TakeFieldEvent() override;
  Level TakeWindowEvent() override;

  // --- Own operations ------------------------------------------------------
  virtual bool AskPage();
  virtual bool AskPrintPages();
  virtual void AskThumbnails();
  virtual bool DeleteImageQueue(int32_t page);
  virtual bool Display(int16_t zoom = 0, int32_t firstPage = 1, uint16_t across = 1, uint16_t down = 1);
  using WindowManager::Init;
  virtual void Init(std::vector<std::string>* pageFiles);
  virtual Level ProcessResultFiles(std::vector<std::string>&) { return Level::Benign; }
  virtual void SetDefaultPages();
  virtual void SyncImageQueue();

  void SetINIManager(INIClass* ini);
  bool InPageList(int32_t page) const;
  void NewZoom();
  void ResetUserZoom();
  void ConfigMenuChecks();
  void DrawPage();
  // Position of the first preset with that zoom; presets + 1 when none.
  size_t Percentile2Idx(int16_t zoom) const;
  // The zoom of preset `index`; UserPercentile for 0.
  int16_t Idx2Percentile(size_t index) const;
  // The toolbar strip at the top of the preview window; pages are laid out
  // below it and their positions are measured from its lower edge.
  static constexpr int kToolbarHeight = 18;

  int32_t Pages() const { return ImageQueue ? int32_t(ImageQueue->size()) : 0; }
  int16_t CurrentZoom() const { return Idx2Percentile(ZoomIndex); }

  // The window definitions of the preview and its dialogs.
  static ui::WindowDef PreviewWindowDef();
  static ui::WindowDef JumpWindowDef();
  static ui::WindowDef SelectWindowDef();
  static ui::WindowDef PagesToPrintWindowDef();

  // --- Fields ------------------------------------------------------------
  uint8_t AllowUserZoom = 0;
  uint8_t ConfirmPages = 0;
  int32_t CurrentPage = 1;
  int32_t MDIWindow = 0;
  int32_t FirstPage = 1;
  std::vector<std::string>* ImageQueue = nullptr;
  std::unique_ptr<std::vector<std::string>> OutputFileQueue;
  INIClass* INIMgr = nullptr;
  int16_t InitZoom = 0;
  uint8_t Maximize = 0;
  std::array<int32_t, 32> MUse{};
  std::unique_ptr<PageManagerClass> PageManager;
  std::unique_ptr<PopupClass> Popup;  // the zoom menu
  uint16_t PagesAcross = 1;
  uint16_t PagesDown = 1;
  std::string PagesToPrint;
  ui::Window* PreviewWindow = nullptr;
  uint8_t PrintOK = 0;
  struct {
    uint8_t Set = 0;
    int16_t XPos = 0, YPos = 0;
    uint16_t Width = 0, Height = 0;
  } SaveSize;
  uint16_t ThumbnailsPresent = 0;
  uint16_t UserPercentile = 100;
  uint8_t WindowPosSet = 0, WindowSizeSet = 0;
  int16_t WinHeight = 0, WinWidth = 0, WinXPos = 0, WinYPos = 0;
  std::unique_ptr<std::vector<ZoomEntry>> ZoomQueue;
  uint8_t ZoomIndex = 0;
  std::string ZoomList;

 private:
  friend class PageManagerClass;
  void Placement(ui::Window& w);
  void Thumbnails();
  void WindowRefresh();
  void NewPageElement(int32_t page);
  void ShowZoomPopup();
  static std::string ZoomItemName(size_t n) { return "ZoomItem" + std::to_string(n); }
  int Event() const;
  int ClientWidth() const;
  int ClientHeight() const;
  bool AlertKey();

  std::unique_ptr<ui::Window> window_;
  ui::TableRowSource zoomRows_;
  ui::Int32Var currentVar_{&CurrentPage};
  int32_t across_ = 1, down_ = 1;  // the spin boxes' variables
  ui::Int32Var acrossVar_{&across_};
  ui::Int32Var downVar_{&down_};
  ui::StringVar zoomVar_{&ZoomList, 16};
};

}  // namespace fw
