// How the engine turns a bound variable's value into screen text and back.
// The default goes through the runtime's pictures; tests may install others.
#pragma once

#include <string>

namespace ui {

class PictureCodec {
 public:
  virtual ~PictureCodec() = default;
  virtual std::string format(const std::string& value, const std::string& picture) const = 0;
  // False when the picture refuses the text ("EVENT:Rejected").
  virtual bool deformat(const std::string& text, const std::string& picture,
                        std::string* value) const = 0;
};

// Shows values unchanged and takes typed text back without trailing blanks.
class PlainCodec : public PictureCodec {
 public:
  std::string format(const std::string& value, const std::string& picture) const override;
  bool deformat(const std::string& text, const std::string& picture,
                std::string* value) const override;
};

// The runtime's pictures ("@n-14", "@d06", ...). An empty or unreadable
// picture shows the value as it stands.
class RuntimePictureCodec : public PictureCodec {
 public:
  std::string format(const std::string& value, const std::string& picture) const override;
  bool deformat(const std::string& text, const std::string& picture,
                std::string* value) const override;
};

// Process-wide codec; nullptr restores the default. Returns the previous one.
PictureCodec* setPictureCodec(PictureCodec* codec);
const PictureCodec& pictureCodec();

}  // namespace ui
