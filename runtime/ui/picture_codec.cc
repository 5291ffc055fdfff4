#include "runtime/ui/picture_codec.h"

#include <atomic>
#include <map>

#include "runtime/core/picture.h"
#include "runtime/core/trim.h"

namespace ui {

namespace {
std::atomic<PictureCodec*> installed{nullptr};
}

std::string PlainCodec::format(const std::string& value, const std::string&) const {
  return value;
}

bool PlainCodec::deformat(const std::string& text, const std::string&, std::string* value) const {
  *value = std::string(rt::trimRight(text));
  return true;
}

namespace {
// Compiled pictures by text, per thread; windows use a few dozen at most.
const rt::Picture& compiled(const std::string& text) {
  static thread_local std::map<std::string, rt::Picture> cache;
  auto it = cache.find(text);
  if (it != cache.end()) return it->second;
  if (cache.size() >= 512) cache.clear();
  return cache.emplace(text, rt::Picture::Compile(text)).first->second;
}
}  // namespace

std::string RuntimePictureCodec::format(const std::string& value, const std::string& picture) const {
  const rt::Picture& p = compiled(picture);
  if (p.empty()) return value;
  return p.Format(rt::PictureValue(value));
}

bool RuntimePictureCodec::deformat(const std::string& text, const std::string& picture,
                                   std::string* value) const {
  const rt::Picture& p = compiled(picture);
  if (p.empty()) return PlainCodec().deformat(text, picture, value);
  rt::PictureValue v;
  bool ok = p.TryDeformat(text, &v);
  *value = v.AsText();
  return ok;
}

PictureCodec* setPictureCodec(PictureCodec* codec) { return installed.exchange(codec); }

const PictureCodec& pictureCodec() {
  static RuntimePictureCodec runtime;
  PictureCodec* c = installed.load();
  return c ? *c : runtime;
}

}  // namespace ui
