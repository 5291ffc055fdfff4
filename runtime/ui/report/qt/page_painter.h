// Paints a page drawing with Qt: the preview, the printer and PDF output all
// go through here, so they agree to the stroke.
#pragma once

#include <QRectF>

#include "runtime/ui/report/page_image.h"

class QPainter;

namespace ui::qt {

// Paints `page` scaled into `target` (device coordinates of the painter),
// which should have the page's proportions. Texts stay texts (PDF output
// keeps them extractable); the painter's state is restored afterwards.
void paintPage(QPainter& painter, const PageImage& page, const QRectF& target);

}  // namespace ui::qt
