#include "runtime/ui/qt/picture_loader.h"

#include <QFileInfo>
#include <QImageReader>
#include <map>
#include <mutex>

namespace ui::qt {

namespace {

std::mutex& loadersMutex() {
  static std::mutex m;
  return m;
}

std::map<QString, PictureLoader>& loaders() {
  static std::map<QString, PictureLoader> m;
  return m;
}

const PictureLoader* loaderFor(const QString& path) {
  std::lock_guard<std::mutex> lock(loadersMutex());
  auto it = loaders().find(QFileInfo(path).suffix().toLower());
  return it == loaders().end() ? nullptr : &it->second;
}

}  // namespace

void registerPictureLoader(const QString& suffix, PictureLoader loader) {
  std::lock_guard<std::mutex> lock(loadersMutex());
  loaders()[suffix.toLower()] = std::move(loader);
}

QPixmap loadPicture(const QString& path, const QSize& size) {
  if (const PictureLoader* l = loaderFor(path)) return l->draw ? l->draw(path, size) : QPixmap();
  QPixmap p;
  p.load(path);
  return p;
}

QSize pictureSize(const QString& path) {
  if (const PictureLoader* l = loaderFor(path)) return l->naturalSize ? l->naturalSize(path) : QSize();
  QImageReader reader(path);
  QSize s = reader.size();
  if (s.isValid()) return s;
  QPixmap p;
  return p.load(path) ? p.size() : QSize();
}

}  // namespace ui::qt
