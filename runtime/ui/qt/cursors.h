// Mouse cursors Qt has no shape for.
#pragma once

#include <QCursor>

namespace ui::qt {

// A magnifying glass, hot spot in the middle of the lens.
QCursor zoomCursor();

}  // namespace ui::qt
