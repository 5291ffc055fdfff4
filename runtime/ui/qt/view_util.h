// Small helpers shared by the files of WindowView.
#pragma once

#include <QColor>
#include <QKeyEvent>
#include <QString>
#include <string>

#include "runtime/core/windows1252.h"

namespace ui::qt {

// Widget properties that tie a widget to its control.
inline constexpr const char* kControlProp = "qv_control";
inline constexpr const char* kHeaderProp = "qv_header";

inline QColor qcolor(long long c) {
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
inline bool plainColour(long long c) { return c >= 0 && c <= 0xFFFFFF; }
// Texts reach the display as UTF-8 (the program's own captions) or as the
// school's files store them, in Windows-1252: valid UTF-8 is read as such,
// anything else byte by byte as Windows-1252.
inline QString fromWindows1252(const std::string& s) {
  QString out;
  out.reserve(int(s.size()));
  for (char ch : s) out.append(QChar(char16_t(rt::windows1252ToCodePoint(static_cast<unsigned char>(ch)))));
  return out;
}
// Typed text goes to the program as the school's files hold text, in
// Windows-1252, so a typed accent is stored as the files' own byte; a
// character the set cannot hold becomes "?".
inline std::string toWindows1252(const QString& t) {
  std::string out;
  out.reserve(size_t(t.size()));
  for (QChar q : t) {
    int b = rt::windows1252FromCodePoint(q.unicode());
    out.push_back(static_cast<char>(b < 0 ? '?' : b));
  }
  return out;
}
inline QString qs(const std::string& s) {
  return rt::isValidUtf8(s) ? QString::fromStdString(s) : fromWindows1252(s);
}

// The typed character in the files' 8-bit set (Windows-1252), 0 when none
// or outside it.
inline unsigned char typedChar(const QKeyEvent& e) {
  QString t = e.text();
  if (t.size() != 1 || t[0].unicode() < 32 || t[0].unicode() == 127) return 0;
  int b = rt::windows1252FromCodePoint(t[0].unicode());
  return b < 0 ? 0 : static_cast<unsigned char>(b);
}

}  // namespace ui::qt
