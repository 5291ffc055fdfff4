// Picture files that Qt's image formats do not cover: a loader registered
// for a file-name suffix draws such a file at the size asked for, so vector
// pictures (report pages) stay sharp at any size. Image controls and their
// measuring go through here.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>
#include <functional>

namespace ui::qt {

struct PictureLoader {
  // The file drawn at `size`; a null pixmap when it cannot be read.
  std::function<QPixmap(const QString& path, const QSize& size)> draw;
  // The file's own size in pixels; invalid when it cannot be read.
  std::function<QSize(const QString& path)> naturalSize;
};

// `suffix` without the dot, any case ("qvpage").
void registerPictureLoader(const QString& suffix, PictureLoader loader);

// The picture at `path`: drawn at `size` by its loader, else read by Qt
// (not scaled). Null when neither can read it.
QPixmap loadPicture(const QString& path, const QSize& size);
// The picture's own size; invalid when it cannot be read.
QSize pictureSize(const QString& path);

}  // namespace ui::qt
