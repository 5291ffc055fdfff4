#include "runtime/core/private_profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/trim.h"

namespace rt {

namespace {

// Blanks and tabs around names and values; a line read from a file with
// CRLF endings also ends in a carriage return.
std::string_view trimEntry(std::string_view s) { return trimLeft(trimRight(s, " \t\r"), kBlankOrTab); }

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

// The parsed shape of one line.
struct Line {
  std::string text;  // without the line ending
  enum Kind { Other, Section, Entry } kind = Other;
  std::string_view name;   // section or entry name, trimmed (points into text)
  std::string_view value;  // entry value, trimmed
};

Line textLine(std::string text) {
  Line l;
  l.text = std::move(text);
  return l;
}

void classify(Line& line) {
  std::string_view t = trimEntry(line.text);
  line.kind = Line::Other;
  if (t.empty() || t[0] == ';' || t[0] == '#') return;
  if (t[0] == '[') {
    size_t close = t.find(']');
    if (close == std::string_view::npos) return;
    line.kind = Line::Section;
    line.name = trimEntry(t.substr(1, close - 1));
    return;
  }
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return;
  line.kind = Line::Entry;
  line.name = trimEntry(t.substr(0, eq));
  line.value = trimEntry(t.substr(eq + 1));
}

struct Document {
  std::vector<Line> lines;
  bool crlf = false;
  bool finalNewline = true;
};

Document parse(const std::string& content) {
  Document doc;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    size_t end = nl == std::string::npos ? content.size() : nl;
    Line line;
    line.text = content.substr(pos, end - pos);
    if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      doc.crlf = true;
    }
    doc.lines.push_back(std::move(line));
    if (nl == std::string::npos) {
      doc.finalNewline = false;
      break;
    }
    pos = nl + 1;
  }
  for (Line& l : doc.lines) classify(l);
  return doc;
}

std::string render(const Document& doc) {
  std::string out;
  const char* eol = doc.crlf ? "\r\n" : "\n";
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    out += doc.lines[i].text;
    if (i + 1 < doc.lines.size() || doc.finalNewline) out += eol;
  }
  return out;
}

bool readAll(int fd, std::string& out) {
  out.clear();
  char buf[8192];
  for (off_t at = 0;;) {
    ssize_t n = pread(fd, buf, sizeof buf, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out.append(buf, size_t(n));
    at += n;
  }
}

bool readFile(const std::string& path, std::string& out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  flock(fd, LOCK_SH);
  bool ok = readAll(fd, out);
  close(fd);
  return ok;
}

// Index of the section's header line, or -1.
long findSection(const Document& doc, std::string_view section) {
  for (size_t i = 0; i < doc.lines.size(); ++i)
    if (doc.lines[i].kind == Line::Section && equalNoCase(doc.lines[i].name, trimEntry(section))) return long(i);
  return -1;
}

// One past the section's last line (the next section header or the end).
size_t sectionEnd(const Document& doc, size_t header) {
  size_t i = header + 1;
  while (i < doc.lines.size() && doc.lines[i].kind != Line::Section) ++i;
  return i;
}

long findEntry(const Document& doc, size_t header, std::string_view name) {
  size_t end = sectionEnd(doc, header);
  for (size_t i = header + 1; i < end; ++i)
    if (doc.lines[i].kind == Line::Entry && equalNoCase(doc.lines[i].name, trimEntry(name))) return long(i);
  return -1;
}

std::string unquote(std::string_view v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// Applies the change to the document; false when nothing changes.
bool apply(Document& doc, std::string_view section, std::string_view name,
           std::optional<std::string_view> value) {
  long header = findSection(doc, section);
  if (header < 0) {
    if (!value) return false;
    if (!doc.lines.empty() && !trimEntry(doc.lines.back().text).empty()) doc.lines.push_back(Line{});
    doc.lines.push_back(textLine("[" + std::string(trimEntry(section)) + "]"));
    doc.lines.push_back(textLine(std::string(trimEntry(name)) + "=" + std::string(*value)));
    doc.finalNewline = true;
    return true;
  }
  long entry = findEntry(doc, size_t(header), name);
  if (!value) {
    if (entry < 0) return false;
    doc.lines.erase(doc.lines.begin() + entry);
    return true;
  }
  if (entry >= 0) {
    Line& l = doc.lines[size_t(entry)];
    std::string key(l.name);  // keep the name as the file spells it
    l.text = key + "=" + std::string(*value);
    return true;
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  size_t at = sectionEnd(doc, size_t(header));
  while (at > size_t(header) + 1 && trimEntry(doc.lines[at - 1].text).empty()) --at;
  doc.lines.insert(doc.lines.begin() + long(at), textLine(std::string(trimEntry(name)) + "=" + std::string(*value)));
  return true;
}

bool writeAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(n);
  }
  return true;
}

}  // namespace

std::string getProfileString(std::string_view section, std::string_view name, std::string_view def,
                             const std::string& path) {
  std::string content;
  if (!readFile(path, content)) return std::string(def);
  Document doc = parse(content);
  long header = findSection(doc, section);
  if (header < 0) return std::string(def);
  long entry = findEntry(doc, size_t(header), name);
  if (entry < 0) return std::string(def);
  return unquote(doc.lines[size_t(entry)].value);
}

bool writeProfileString(std::string_view section, std::string_view name,
                        std::optional<std::string_view> value, const std::string& path) {
  if (trimEntry(section).empty() || trimEntry(name).empty()) return false;
  for (;;) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX) != 0) {
      close(fd);
      return false;
    }
    // Another writer may have replaced the file while we waited for the lock.
    struct stat held {}, named {};
    if (fstat(fd, &held) != 0 || stat(path.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev) {
      close(fd);
      continue;
    }
    std::string content;
    bool ok = readAll(fd, content);
    Document doc = parse(content);
    if (ok && apply(doc, section, name, value)) {
      std::string tmp = path + ".tmp" + std::to_string(getpid());
      int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, held.st_mode & 07777);
      ok = out >= 0;
      if (ok) {
        ok = writeAll(out, render(doc)) && fsync(out) == 0;
        ok = close(out) == 0 && ok;
        ok = ok && rename(tmp.c_str(), path.c_str()) == 0;
        if (!ok) unlink(tmp.c_str());
      }
    }
    close(fd);
    return ok;
  }
}

}  // namespace rt
