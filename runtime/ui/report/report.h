// A report being printed: opened, printed band by band into pages, ended
// and closed.
//
//   ui::Report report(def);           // def: report_def.h
//   report.open();
//   report.setPreview(&pageFiles);     // optional: collect pages for a preview
//   while (...) report.print(kDetailBand);
//   report.endPage();                  // completes the last page and its footer
//   report.setFlushPreview(1);         // print the listed pages (0: discard them)
//   report.close();
//
// The first band printed starts page 1 with its header; a detail band that
// does not fit under the previous ones completes the page (footer) and
// starts the next. A finished page becomes a page file (page_image.h) in a
// folder of the report's own. With a preview list set, each file's name is
// appended to it in page order; the list's owner may remove entries (pages
// the user did not choose) before flushing. Without one the engine keeps the
// names itself.
//
// Flushing with 1 prints the pages still named in the list through the
// print back-end (report_printer.h), in list order; with 0 it deletes them.
// Closing deletes whatever page files the report still has on disk and its
// folder; closing a report never opened does nothing. Nothing is printed
// without a flush: a report closed after a cancel leaves no output.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/prop_value.h"
#include "runtime/ui/report/page_image.h"
#include "runtime/ui/report/report_def.h"

namespace ui {

// Report properties the framework addresses by number.
enum ReportProp : int {
  ReportProp_Attributes = 31532,    // 0x7B2C: extended control attributes (read)
  ReportProp_Preview = 31827,       // 0x7C53: a page list is set (read); see setPreview
  ReportProp_FlushPreview = 31828,  // 0x7C54: write 1 to print, 0 to discard
  ReportProp_Pages = 0x7C80,        // pages finished so far (read)
};

enum class ReportResult : int {
  Ok = 0,
  NotOpen,      // print or end page on a report that is not open
  NoSuchBand,   // band number outside the definition, or not a detail band
  WriteFailed,  // a page file could not be written (folder or disk)
};

class Report {
 public:
  explicit Report(ReportDef def);
  ~Report();  // closes
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  const ReportDef& def() const { return def_; }
  // The paper the page form needs, in millimetres (portrait or landscape).
  double paperWidth() const { return paperW_; }
  double paperHeight() const { return paperH_; }
  bool landscape() const { return paperW_ > paperH_; }

  // Binds a variable to the field item `label` of any band; false when
  // there is no such item.
  bool bind(const std::string& label, UseVar* var);
  // The number (1-based position) of the band labelled `label`, 0 when none.
  int band(const std::string& label) const;

  ReportResult open();
  bool isOpen() const { return open_; }
  ReportResult print(int band);
  // Completes the current page (footer, page file); nothing when no page is
  // open.
  ReportResult endPage();
  void close();

  // The list that receives each finished page's file name; nullptr: the
  // engine's own list.
  void setPreview(std::vector<std::string>* list) { preview_ = list; }
  std::vector<std::string>* preview() const { return preview_; }
  // 1 prints the listed pages, 0 deletes them; either way the pages are done.
  // Returns false when printing was cancelled or failed.
  bool setFlushPreview(int flush);

  int pages() const { return pageCount_; }
  // Where the page files go (created by open).
  const std::string& folder() const { return folder_; }

  PropValue prop(int id) const;
  void setProp(int id, const PropValue& value);


 private:
  void startPage();
  ReportResult finishPage();
  void place(const ReportBand& band, double x, double y);
  void placeItem(const ReportItem& item, const ReportBand& band, double x, double y);
  std::vector<std::string>& list() { return preview_ ? *preview_ : own_; }
  void removeFiles();

  ReportDef def_;
  double paperW_ = 210, paperH_ = 297;
  bool open_ = false;
  std::string folder_;
  std::vector<std::string> own_;
  std::vector<std::string> written_;  // every page file this report wrote
  std::vector<std::string>* preview_ = nullptr;
  std::unique_ptr<PageImage> page_;   // the page being laid out
  double cursor_ = 0;                 // top of the next detail band
  bool pageHasDetail_ = false;
  int pageCount_ = 0;
};

// Prints the page files through the print back-end: true when printed.
bool printPages(const std::string& title, const std::vector<std::string>& files);
// Record text (Windows-1252) as UTF-8, as the pages show it; text that is
// already valid UTF-8 stays as it is.
std::string recordTextToUtf8(const std::string& text);
// Writes the page files as one PDF document.
bool writePdf(const std::string& title, const std::vector<std::string>& files, const std::string& path);

}  // namespace ui
