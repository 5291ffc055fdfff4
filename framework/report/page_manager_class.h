// One page of the print preview that has controls on the preview window:
// a frame (a box behind the page, red around the current page) and the page
// image. The elements form a list, newest first; every operation names a
// page and acts on that page's element.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ui {
class Window;
}

namespace fw {

class PrintPreviewClass;

class PageManagerClass {
 public:
  // Page p's frame is control border, its image border + 1. The page file's
  // paper size gives the natural size and the proportions.
  void Init(PrintPreviewClass* pp, int32_t page, uint16_t border, const std::string& fileName);
  // Kills the whole list from here: controls destroyed, elements released.
  void Kill();

  void SetPosition(int32_t page, int16_t x, int16_t y, int16_t w, int16_t h);
  void Draw(int32_t page, int16_t zoom);
  void Highlight(int32_t page);
  void SetCentre(int32_t page, uint8_t x, uint8_t y);
  long long GetProp(int32_t page, int prop);
  bool Exists(int32_t page) const { return Find(page) != nullptr; }
  void Delete(int32_t page);  // that page's controls
  void Delete();              // every element's controls; the elements stay
  // The page under a window point, 0 when none.
  int32_t CoordContained(int x, int y) const;
  PageManagerClass* Find(int32_t page);
  const PageManagerClass* Find(int32_t page) const;

  PrintPreviewClass* PP = nullptr;
  double AspectRatio = 1;  // natural height / natural width, 4 places
  uint16_t ImageFEQ = 0;
  uint16_t BorderFEQ = 0;
  uint16_t ImageWidth = 0, ImageHeight = 0;  // natural size, dialog units
  int16_t XPos = 0, YPos = 0, Width = 0, Height = 0;
  std::string FileName;
  uint8_t CentreOnX = 0, CentreOnY = 0;  // percent of the page; 0: none
  std::unique_ptr<PageManagerClass> Neighbour;
  int32_t PageNo = 0;
  int16_t ZoomState = -2;
  // A zoomed page: its full drawn size, and the scroll positions (0 to 255)
  // it was drawn with (-1: no bar); the user may have scrolled since.
  int32_t FullWidth = 0, FullHeight = 0;
  int ScrollX = -1, ScrollY = -1;

 private:
  void DeleteControls();
  // Moves frame and image to the element's rectangle, the frame
  // `frameMargin` units larger all round.
  void Place(ui::Window& win, int frameMargin);

};

}  // namespace fw
