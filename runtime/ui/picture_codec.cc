#include "runtime/ui/picture_codec.h"

#include <atomic>

namespace ui {

namespace {
std::atomic<PictureCodec*> installed{nullptr};
}

std::string PlainCodec::format(const std::string& value, const std::string&) const {
  return value;
}

bool PlainCodec::deformat(const std::string& text, const std::string&, std::string* value) const {
  size_t end = text.find_last_not_of(' ');
  *value = end == std::string::npos ? std::string() : text.substr(0, end + 1);
  return true;
}

PictureCodec* setPictureCodec(PictureCodec* codec) { return installed.exchange(codec); }

const PictureCodec& pictureCodec() {
  static PlainCodec plain;
  PictureCodec* c = installed.load();
  return c ? *c : plain;
}

}  // namespace ui
