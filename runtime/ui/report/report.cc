#include "runtime/ui/report/report.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "runtime/core/picture.h"
#include "runtime/core/trim.h"
#include "runtime/core/windows1252.h"
#include "runtime/ui/report/report_printer.h"
#include "runtime/ui/use_var.h"

namespace ui {

namespace {

struct Paper {
  double w, h;
};
// Smallest first, so a form gets the smallest sheet that holds it.
constexpr Paper kPapers[] = {{210, 297}, {215.9, 279.4}, {215.9, 355.6}, {297, 420}};

constexpr double kMmPerPoint = 25.4 / 72.0;

// Record text is Windows-1252; captions written in the program are UTF-8.
// Text that is not valid UTF-8 is taken as Windows-1252.
std::string toUtf8(const std::string& s) { return rt::isValidUtf8(s) ? s : rt::windows1252ToUtf8(s); }

}  // namespace

std::string recordTextToUtf8(const std::string& text) { return toUtf8(text); }

Report::Report(ReportDef def) : def_(std::move(def)) {
  double right = def_.formX + def_.formWidth, bottom = def_.formY + def_.formHeight;
  bool across = right > bottom;
  paperW_ = across ? kPapers[0].h : kPapers[0].w;
  paperH_ = across ? kPapers[0].w : kPapers[0].h;
  for (const Paper& p : kPapers) {
    double w = across ? p.h : p.w, h = across ? p.w : p.h;
    if (right <= w && bottom <= h) {
      paperW_ = w;
      paperH_ = h;
      break;
    }
  }
}

Report::~Report() { close(); }

bool Report::bind(const std::string& label, UseVar* var) {
  bool found = false;
  for (ReportBand& b : def_.bands)
    for (ReportItem& i : b.items)
      if (i.label == label && i.kind == RItem_Field) {
        i.use = var;
        found = true;
      }
  return found;
}

int Report::band(const std::string& label) const {
  for (size_t i = 0; i < def_.bands.size(); ++i)
    if (def_.bands[i].label == label) return int(i) + 1;
  return 0;
}

ReportResult Report::open() {
  if (open_) return ReportResult::Ok;
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qvreport-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) return ReportResult::WriteFailed;
  folder_ = buf.data();
  open_ = true;
  pageCount_ = 0;
  own_.clear();
  written_.clear();
  return ReportResult::Ok;
}

ReportResult Report::print(int number) {
  if (!open_) return ReportResult::NotOpen;
  if (number < 1 || size_t(number) > def_.bands.size()) return ReportResult::NoSuchBand;
  const ReportBand& band = def_.bands[size_t(number) - 1];
  if (band.kind != Band_Detail) return ReportResult::NoSuchBand;
  if (!page_) startPage();
  // A band that does not fit goes to the next page; one taller than the
  // whole area is printed on a page of its own (cut at the area's end)
  // rather than starting pages forever.
  if (pageHasDetail_ && cursor_ + band.height + band.withNext > def_.detailY + def_.detailHeight + 1e-9) {
    ReportResult r = finishPage();
    if (r != ReportResult::Ok) return r;
    startPage();
  }
  place(band, def_.detailX + band.x, cursor_);
  cursor_ += band.height;
  pageHasDetail_ = true;
  return ReportResult::Ok;
}

ReportResult Report::endPage() {
  if (!open_) return ReportResult::NotOpen;
  return page_ ? finishPage() : ReportResult::Ok;
}

void Report::startPage() {
  page_ = std::make_unique<PageImage>();
  page_->width = paperW_;
  page_->height = paperH_;
  cursor_ = def_.detailY;
  pageHasDetail_ = false;
  for (const ReportBand& b : def_.bands)
    if (b.kind == Band_Header) place(b, b.x, b.y);
}

ReportResult Report::finishPage() {
  for (const ReportBand& b : def_.bands)
    if (b.kind == Band_Footer) place(b, b.x, b.y);
  char name[32];
  std::snprintf(name, sizeof name, "/page%05d.qvpage", pageCount_ + 1);
  std::string path = folder_ + name;
  std::unique_ptr<PageImage> page = std::move(page_);
  if (!writePageFile(*page, path)) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return ReportResult::WriteFailed;
  }
  ++pageCount_;
  written_.push_back(path);
  list().push_back(path);
  return ReportResult::Ok;
}

void Report::place(const ReportBand& band, double x, double y) {
  for (const ReportItem& item : band.items) placeItem(item, band, x, y);
}

void Report::placeItem(const ReportItem& item, const ReportBand& band, double x, double y) {
  PageOp op;
  op.x = x + item.x;
  op.y = y + item.y;
  op.w = item.width;
  op.h = item.height;
  op.color = item.color;
  switch (item.kind) {
    case RItem_Box:
      op.kind = PageOp::Box;
      op.fill = item.fill;
      break;
    case RItem_Line:
      op.kind = PageOp::Line;
      break;
    case RItem_Text:
    case RItem_Field:
    case RItem_PageNo: {
      op.kind = PageOp::Text;
      op.font = item.font.name.empty() ? def_.fontName : item.font.name;
      op.size = item.font.size > 0 ? item.font.size : def_.fontSize;
      op.bold = item.font.bold;
      op.italic = item.font.italic;
      op.align = item.align;
      op.wrap = item.wrap;
      double bandWidth = band.kind == Band_Detail ? (band.width > 0 ? band.width : def_.detailWidth - band.x)
                                                  : band.width;
      if (op.w <= 0) op.w = std::max(0.0, bandWidth - item.x);
      if (op.h <= 0) op.h = op.size * kMmPerPoint * 1.2;
      if (item.kind == RItem_Text) {
        op.text = item.text;
      } else if (item.kind == RItem_PageNo) {
        op.text = std::string(rt::trimRight(rt::Format(rt::PictureValue(pageCount_ + 1), item.text)));
      } else {
        std::string value = item.use ? item.use->get() : std::string();
        const std::string shown = item.text.empty() ? value : rt::Format(rt::PictureValue(value), item.text);
        op.text = toUtf8(std::string(rt::trimRight(shown)));
      }
      // Nothing to draw: a blank field leaves no trace on the page.
      if (rt::isBlank(op.text)) return;
      break;
    }
  }
  page_->ops.push_back(std::move(op));
}

bool Report::setFlushPreview(int flush) {
  if (!open_) return flush == 0;
  if (page_) finishPage();
  std::vector<std::string>& pages = list();
  bool ok = true;
  if (flush) ok = printPages(def_.title, pages);
  // The pages are done with either way: printed or discarded.
  for (const std::string& f : pages) {
    std::error_code ec;
    std::filesystem::remove(f, ec);
  }
  if (!preview_) own_.clear();
  return ok;
}

void Report::removeFiles() {
  for (const std::string& f : written_) {
    std::error_code ec;
    std::filesystem::remove(f, ec);
  }
  written_.clear();
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  folder_.clear();
}

void Report::close() {
  if (!open_) return;
  page_.reset();
  removeFiles();
  own_.clear();
  open_ = false;
}

PropValue Report::prop(int id) const {
  switch (id) {
    case ReportProp_Attributes: return def_.attributes;
    case ReportProp_Preview: return preview_ ? 1 : 0;
    case ReportProp_FlushPreview: return 0;
    case ReportProp_Pages: return pageCount_;
    default: return PropValue();
  }
}

void Report::setProp(int id, const PropValue& value) {
  switch (id) {
    case ReportProp_Attributes: def_.attributes = int(value.toInt()); break;
    case ReportProp_FlushPreview: setFlushPreview(int(value.toInt())); break;
    default: break;
  }
}

bool printPages(const std::string& title, const std::vector<std::string>& files) {
  if (files.empty()) return true;
  return reportPrinter().print(PrintJob{title, files});
}

bool writePdf(const std::string& title, const std::vector<std::string>& files, const std::string& path) {
  return reportPrinter().writePdf(PrintJob{title, files}, path);
}

}  // namespace ui
