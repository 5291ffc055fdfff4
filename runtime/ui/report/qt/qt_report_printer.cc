#include "runtime/ui/report/qt/qt_report_printer.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

#include "runtime/ui/report/page_image.h"
#include "runtime/ui/report/qt/page_painter.h"
#include "runtime/ui/report/qt/page_pictures.h"

namespace ui::qt {

namespace {

std::vector<PageImage> readPages(const PrintJob& job) {
  std::vector<PageImage> pages;
  for (const std::string& f : job.pages) {
    PageImage p;
    if (readPageFile(f, &p)) pages.push_back(std::move(p));
  }
  return pages;
}

QPageLayout layoutFor(const PageImage& p) {
  bool across = p.width > p.height;
  QSizeF portrait = across ? QSizeF(p.height, p.width) : QSizeF(p.width, p.height);
  return QPageLayout(QPageSize(portrait, QPageSize::Millimeter), across ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0));
}

// Paints every page on a device that is already set to the first page's
// layout; later pages of another size get their own.
template <typename Device>
bool paintAll(Device& device, const std::vector<PageImage>& pages) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i > 0) {
      device.setPageLayout(layoutFor(pages[i]));
      if (!device.newPage()) return false;
    }
    QRectF paper = device.pageLayout().fullRectPixels(device.resolution());
    paintPage(painter, pages[i], QRectF(0, 0, paper.width(), paper.height()));
  }
  return painter.end();
}

}  // namespace

QtReportPrinter::QtReportPrinter() {
  installPagePictures();
  askPrinter = [](QPrinter& printer) {
    QPrintDialog dialog(&printer);
    return dialog.exec() == QDialog::Accepted;
  };
}

bool QtReportPrinter::print(const PrintJob& job) {
  std::vector<PageImage> pages = readPages(job);
  if (pages.empty()) return false;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromStdString(job.title));
  printer.setFullPage(true);
  printer.setPageLayout(layoutFor(pages[0]));
  printer.setFromTo(1, int(pages.size()));
  if (!askPrinter || !askPrinter(printer)) return false;
  return paintAll(printer, pages);
}

bool QtReportPrinter::writePdf(const PrintJob& job, const std::string& path) {
  std::vector<PageImage> pages = readPages(job);
  if (pages.empty()) return false;
  bool ok;
  {
    QPdfWriter writer(QString::fromStdString(path));
    writer.setTitle(QString::fromStdString(job.title));
    writer.setCreator("QV Notas");
    writer.setResolution(600);
    writer.setPageLayout(layoutFor(pages[0]));
    ok = paintAll(writer, pages);
  }
  if (!ok) QFile::remove(QString::fromStdString(path));
  return ok;
}

}  // namespace ui::qt
