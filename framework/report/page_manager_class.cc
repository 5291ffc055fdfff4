#include "framework/report/page_manager_class.h"

#include <algorithm>
#include <cmath>

#include "framework/report/print_preview_class.h"
#include "runtime/core/trim.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/key_codes.h"
#include "runtime/ui/report/page_image.h"
#include "runtime/ui/window.h"

namespace fw {

namespace {

// A page's natural size on the preview window: dialog units per millimetre
// of paper (about the paper's own size on a common screen).
constexpr double kDluPerMm = 2.5;
constexpr long long kGrey = ui::rgb(128, 128, 128);
constexpr long long kWhite = ui::rgb(255, 255, 255);
constexpr long long kRed = ui::rgb(255, 0, 0);

}  // namespace

PageManagerClass* PageManagerClass::Find(int32_t page) {
  for (PageManagerClass* e = this; e; e = e->Neighbour.get())
    if (e->PageNo == page) return e;
  return nullptr;
}

const PageManagerClass* PageManagerClass::Find(int32_t page) const {
  for (const PageManagerClass* e = this; e; e = e->Neighbour.get())
    if (e->PageNo == page) return e;
  return nullptr;
}

void PageManagerClass::Init(PrintPreviewClass* pp, int32_t page, uint16_t border, const std::string& fileName) {
  PP = pp;
  PageNo = page;
  FileName = std::string(rt::trimRight(fileName));
  BorderFEQ = border;
  ImageFEQ = uint16_t(border + 1);
  double w = 210, h = 297;
  // A page file that cannot be read is shown as a blank A4 page.
  ui::readPageSize(FileName, &w, &h);
  ImageWidth = uint16_t(std::lround(w * kDluPerMm));
  ImageHeight = uint16_t(std::lround(h * kDluPerMm));
  // The window engine knows how its units fall on the screen (dialog units
  // are not square): measure the page as an image control would show it,
  // and keep that unless the back-end cannot draw page files.
  if (ui::Window* win = pp ? pp->PreviewWindow : nullptr) {
    ui::ControlDef probe;
    probe.type = ui::Ctl_Image;
    probe.number = PRTPREV_Measure;
    probe.text = FileName;
    probe.hidden = true;
    if (win->exists(PRTPREV_Measure)) win->destroy(PRTPREV_Measure);
    if (win->create(probe) == PRTPREV_Measure) {
      long long mw = win->prop(PRTPREV_Measure, ui::Prop_ImageWidth).toInt();
      long long mh = win->prop(PRTPREV_Measure, ui::Prop_ImageHeight).toInt();
      win->destroy(PRTPREV_Measure);
      const double paper = h / w;
      if (mw > 0 && mh > 0 && mw <= 0xFFFF && mh <= 0xFFFF && std::fabs(double(mh) / mw / paper - 1) < 0.25) {
        ImageWidth = uint16_t(mw);
        ImageHeight = uint16_t(mh);
      }
    }
  }
  AspectRatio = std::round(double(ImageHeight) / ImageWidth * 10000) / 10000;
  ZoomState = -2;
}

void PageManagerClass::DeleteControls() {
  ui::Window* w = PP ? PP->PreviewWindow : nullptr;
  if (w) {
    if (w->exists(ImageFEQ)) w->destroy(ImageFEQ);
    if (w->exists(BorderFEQ)) w->destroy(BorderFEQ);
  }
  ZoomState = -2;
}

void PageManagerClass::Kill() {
  // Iterative, so a long report does not recurse once per page.
  std::unique_ptr<PageManagerClass> next = std::move(Neighbour);
  DeleteControls();
  FileName.clear();
  while (next) {
    next->DeleteControls();
    std::unique_ptr<PageManagerClass> after = std::move(next->Neighbour);
    next = std::move(after);
  }
}

void PageManagerClass::SetPosition(int32_t page, int16_t x, int16_t y, int16_t w, int16_t h) {
  PageManagerClass* e = Find(page);
  if (!e) return;
  e->XPos = x;
  e->YPos = y;
  if (w > 0 && double(h) / w < e->AspectRatio)
    w = int16_t(h / e->AspectRatio);
  else
    h = int16_t(w * e->AspectRatio);
  e->Width = w;
  e->Height = h;
  if (PP->PreviewWindow && PP->PreviewWindow->exists(e->ImageFEQ)) e->Place(*PP->PreviewWindow, 1);
}

void PageManagerClass::Place(ui::Window& win, int frameMargin) {
  const int top = PrintPreviewClass::kToolbarHeight;
  auto put = [&](int c, int m) {
    win.setProp(c, ui::Prop_Xpos, XPos - m);
    win.setProp(c, ui::Prop_Ypos, YPos + top - m);
    win.setProp(c, ui::Prop_Width, Width + 2 * m);
    win.setProp(c, ui::Prop_Height, Height + 2 * m);
  };
  // The frame shows around a thumbnail, so that the current page's red
  // frame can be seen.
  put(BorderFEQ, frameMargin);
  put(ImageFEQ, 0);
}

void PageManagerClass::Draw(int32_t page, int16_t zoom) {
  PageManagerClass* e = Find(page);
  if (!e) return;
  ui::Window* win = PP->PreviewWindow;
  if (!win) return;
  if (!win->exists(e->BorderFEQ)) {
    ui::ControlDef frame;
    frame.type = ui::Ctl_Box;
    frame.number = e->BorderFEQ;
    frame.color = 0;
    frame.background = kWhite;
    frame.hidden = true;
    win->create(frame);
    ui::ControlDef image;
    image.type = ui::Ctl_Image;
    image.number = e->ImageFEQ;
    image.text = e->FileName;
    image.cursor = ui::Cursor_Zoom;
    image.background = kWhite;
    image.alerts = {ui::Mouse_Left, ui::Mouse_RightUp};  // zoom by click, zoom menu
    image.hidden = true;
    win->create(image);
  }
  if (zoom == -2) {
    const bool chosen = PP->InPageList(page);
    win->setProp(e->BorderFEQ, ui::Prop_Background, chosen ? kWhite : kGrey);
    win->setProp(e->ImageFEQ, ui::Prop_Text, chosen ? e->FileName : std::string());
    win->setProp(e->ImageFEQ, ui::Prop_DrawWidth, 0);  // the control's size
    win->setProp(e->ImageFEQ, ui::Prop_DrawHeight, 0);
    win->setProp(e->ImageFEQ, ui::Prop_HScroll, 0);
    win->setProp(e->ImageFEQ, ui::Prop_VScroll, 0);
    e->ScrollX = e->ScrollY = -1;
    e->FullWidth = e->Width;
    e->FullHeight = e->Height;
    e->Place(*win, 1);
    win->unhide(e->BorderFEQ);
    win->unhide(e->ImageFEQ);
  } else {
    const int clientW = PP->ClientWidth(), clientH = PP->ClientHeight();
    const double scale = zoom == -1 ? double(clientW) / e->ImageWidth : zoom / 100.0;
    e->FullWidth = int32_t(e->ImageWidth * scale);
    e->FullHeight = int32_t(e->ImageHeight * scale);
    e->XPos = 0;
    e->YPos = 0;
    e->Width = int16_t(std::min(e->FullWidth, clientW));
    e->Height = int16_t(std::min(e->FullHeight, clientH));
    const bool hbar = e->FullWidth > clientW, vbar = e->FullHeight > clientH;
    win->setProp(e->BorderFEQ, ui::Prop_Background, kWhite);
    e->Place(*win, 0);
    win->unhide(e->BorderFEQ);
    win->unhide(e->ImageFEQ);
    if (hbar && vbar) win->hide(e->BorderFEQ);
    if (PP->Event() != ui::Event_Sized) {
      e->ScrollX = hbar ? e->CentreOnX * 255 / 100 : -1;
      e->ScrollY = vbar ? e->CentreOnY * 255 / 100 : -1;
    } else {
      // A resize keeps the scroll positions of the bars that remain.
      e->ScrollX = hbar ? std::max(0, e->ScrollX) : -1;
      e->ScrollY = vbar ? std::max(0, e->ScrollY) : -1;
    }
    e->CentreOnX = e->CentreOnY = 0;
    // The page at its full zoomed size inside the visible area, scrolled
    // to the point asked for.
    win->setProp(e->ImageFEQ, ui::Prop_Text, e->FileName);
    win->setProp(e->ImageFEQ, ui::Prop_DrawWidth, e->FullWidth);
    win->setProp(e->ImageFEQ, ui::Prop_DrawHeight, e->FullHeight);
    win->setProp(e->ImageFEQ, ui::Prop_HScroll, hbar);
    win->setProp(e->ImageFEQ, ui::Prop_VScroll, vbar);
    if (hbar) win->setProp(e->ImageFEQ, ui::Prop_HScrollPos, e->ScrollX);
    if (vbar) win->setProp(e->ImageFEQ, ui::Prop_VScrollPos, e->ScrollY);
  }
  e->ZoomState = zoom;
}

void PageManagerClass::Highlight(int32_t page) {
  ui::Window* win = PP ? PP->PreviewWindow : nullptr;
  if (!win) return;
  for (PageManagerClass* e = this; e; e = e->Neighbour.get())
    if (win->exists(e->BorderFEQ)) win->setProp(e->BorderFEQ, ui::Prop_FontColor, e->PageNo == page ? kRed : 0);
}

void PageManagerClass::SetCentre(int32_t page, uint8_t x, uint8_t y) {
  for (PageManagerClass* e = this; e; e = e->Neighbour.get()) {
    e->CentreOnX = e->PageNo == page ? x : 0;
    e->CentreOnY = e->PageNo == page ? y : 0;
  }
}

long long PageManagerClass::GetProp(int32_t page, int prop) {
  PageManagerClass* e = Find(page);
  ui::Window* win = PP ? PP->PreviewWindow : nullptr;
  if (!e || !win || !win->exists(e->ImageFEQ)) return 0;
  return win->prop(e->ImageFEQ, prop).toInt();
}

void PageManagerClass::Delete(int32_t page) {
  if (PageManagerClass* e = Find(page)) e->DeleteControls();
}

void PageManagerClass::Delete() {
  for (PageManagerClass* e = this; e; e = e->Neighbour.get()) e->DeleteControls();
}

int32_t PageManagerClass::CoordContained(int x, int y) const {
  for (const PageManagerClass* e = this; e; e = e->Neighbour.get()) {
    ui::Window* win = PP ? PP->PreviewWindow : nullptr;
    if (!win || !win->exists(e->ImageFEQ)) continue;
    if (e->ZoomState == -2) {
      if (x - e->XPos >= 0 && x - e->XPos <= e->Width && y - e->YPos >= 0 && y - e->YPos <= e->Height)
        return e->PageNo;
    } else if (x >= 0 && x <= e->Width && y >= 0 && y <= e->Height) {
      return e->PageNo;
    }
  }
  return 0;
}

}  // namespace fw
