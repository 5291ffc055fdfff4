#include "runtime/ui/report/qt/print_session.h"

#include "runtime/ui/report/qt/qt_report_printer.h"

namespace ui::qt {

PrintSession::PrintSession() : printer_(std::make_unique<QtReportPrinter>()) {
  previous_ = setReportPrinter(printer_.get());
}

PrintSession::~PrintSession() { setReportPrinter(previous_); }

}  // namespace ui::qt
