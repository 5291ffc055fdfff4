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
// Texts reach the display as UTF-8 (the program's own captions) or as the
// school's files store them, in Windows-1252: valid UTF-8 is read as such,
// anything else byte by byte as Windows-1252.
inline bool validUtf8(const std::string& s) {
  size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
    if (more < 0 || (more == 1 && c < 0xC2) || i + more >= n + (more ? 0 : 1)) return false;
    for (int k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += size_t(more) + 1;
  }
  return true;
}
// Code points of the bytes 0x80-0x9F, where Windows-1252 differs from
// Latin-1; the five unassigned codes stand for themselves.
inline constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
inline QString fromWindows1252(const std::string& s) {
  QString out;
  out.reserve(int(s.size()));
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    out.append(QChar(c >= 0x80 && c < 0xA0 ? kWindows1252High[c - 0x80] : char16_t(c)));
  }
  return out;
}
// The Windows-1252 byte of a character, 0 when the set has none.
inline unsigned char windows1252Byte(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<unsigned char>(u);
  for (int i = 0; i < 32; ++i)
    if (kWindows1252High[i] == u) return static_cast<unsigned char>(0x80 + i);
  return 0;
}
// Typed text goes to the program as the school's files hold text, in
// Windows-1252, so a typed accent is stored as the files' own byte; a
// character the set cannot hold becomes "?".
inline std::string toWindows1252(const QString& t) {
  std::string out;
  out.reserve(size_t(t.size()));
  for (QChar q : t) {
    unsigned char b = windows1252Byte(q.unicode());
    out.push_back(static_cast<char>(b ? b : '?'));
  }
  return out;
}
inline QString qs(const std::string& s) {
  return validUtf8(s) ? QString::fromStdString(s) : fromWindows1252(s);
}

// The typed character in the files' 8-bit set (Windows-1252), 0 when none
// or outside it.
inline unsigned char typedChar(const QKeyEvent& e) {
  QString t = e.text();
  if (t.size() != 1 || t[0].unicode() < 32 || t[0].unicode() == 127) return 0;
  return windows1252Byte(t[0].unicode());
}

}  // namespace ui::qt
