// Lets image controls of the Qt window back-end show report page files
// (".qvpage"): drawn at the control's size, so the preview is sharp at any
// zoom. A page's own size is its paper at 96 dots per inch. Installed by
// QtReportPrinter's constructor; calling it again does no harm.
#pragma once

namespace ui::qt {

void installPagePictures();

}  // namespace ui::qt
