// Small helpers shared by the files of WindowView.
#pragma once

#include <QColor>
#include <QKeyEvent>
#include <QString>
#include <string>

namespace ui::qt {

// Widget properties that tie a widget to its control.
inline constexpr const char* kControlProp = "qv_control";
inline constexpr const char* kHeaderProp = "qv_header";

inline QColor qcolor(long long c) {
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
inline bool plainColour(long long c) { return c >= 0 && c <= 0xFFFFFF; }
inline QString qs(const std::string& s) { return QString::fromStdString(s); }

// The typed character in the 8-bit set (Latin-1), 0 when none or outside it.
inline unsigned char typedChar(const QKeyEvent& e) {
  QString t = e.text();
  if (t.size() != 1 || t[0].unicode() < 32 || t[0].unicode() > 255 || t[0].unicode() == 127) return 0;
  return static_cast<unsigned char>(t[0].unicode());
}

}  // namespace ui::qt
