#include "runtime/ui/report/page_image.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace ui {

namespace {

constexpr char kMagic[] = "QVPAGE";

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s = buf;
  // Trim zeros after the point so files stay short.
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string escape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') continue;
    else out += c;
  }
  return out;
}

std::string unescape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 't' ? '\t' : n == 'n' ? '\n' : n;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return parts;
}

bool toDouble(const std::string& s, double* v) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), *v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool toLong(const std::string& s, long long* v) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), *v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool decodeOp(const std::vector<std::string>& f, PageOp* op) {
  if (f.empty() || f[0].size() != 1) return false;
  char kind = f[0][0];
  size_t want = kind == 'T' ? 13 : kind == 'B' ? 7 : kind == 'L' ? 6 : 0;
  if (want == 0 || f.size() != want) return false;
  op->kind = PageOp::Kind(kind);
  double x2 = 0, y2 = 0;
  if (!toDouble(f[1], &op->x) || !toDouble(f[2], &op->y) || !toDouble(f[3], &x2) ||
      !toDouble(f[4], &y2) || !toLong(f[5], &op->color))
    return false;
  if (kind == 'L') {
    op->w = x2 - op->x;
    op->h = y2 - op->y;
    return true;
  }
  op->w = x2;
  op->h = y2;
  if (kind == 'B') return toLong(f[6], &op->fill);
  if (f[6].size() != 1 || f[7].size() != 1 || f[10].size() != 1 || f[11].size() != 1) return false;
  op->align = f[6][0];
  op->wrap = f[7] == "1";
  op->font = f[8];
  op->bold = f[10] == "1";
  op->italic = f[11] == "1";
  op->text = unescape(f[12]);
  return toDouble(f[9], &op->size);
}

}  // namespace

std::vector<std::string> PageImage::texts() const {
  std::vector<std::string> out;
  for (const PageOp& op : ops)
    if (op.kind == PageOp::Text) out.push_back(op.text);
  return out;
}

std::string encodePage(const PageImage& page) {
  std::string out = std::string(kMagic) + "\t1\t" + num(page.width) + "\t" + num(page.height) + "\n";
  for (const PageOp& op : page.ops) {
    out += char(op.kind);
    out += '\t';
    if (op.kind == PageOp::Line) {
      out += num(op.x) + "\t" + num(op.y) + "\t" + num(op.x + op.w) + "\t" + num(op.y + op.h) + "\t" +
             std::to_string(op.color) + "\n";
      continue;
    }
    out += num(op.x) + "\t" + num(op.y) + "\t" + num(op.w) + "\t" + num(op.h) + "\t" + std::to_string(op.color);
    if (op.kind == PageOp::Box) {
      out += "\t" + std::to_string(op.fill) + "\n";
      continue;
    }
    out += std::string("\t") + op.align + "\t" + (op.wrap ? "1" : "0") + "\t" + escape(op.font) + "\t" +
           num(op.size) + "\t" + (op.bold ? "1" : "0") + "\t" + (op.italic ? "1" : "0") + "\t" +
           escape(op.text) + "\n";
  }
  return out;
}

bool decodePage(const std::string& text, PageImage* page) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line)) return false;
  std::vector<std::string> head = splitTabs(line);
  PageImage p;
  if (head.size() != 4 || head[0] != kMagic || head[1] != "1" || !toDouble(head[2], &p.width) ||
      !toDouble(head[3], &p.height) || p.width <= 0 || p.height <= 0)
    return false;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    PageOp op;
    if (!decodeOp(splitTabs(line), &op)) return false;
    p.ops.push_back(std::move(op));
  }
  *page = std::move(p);
  return true;
}

bool writePageFile(const PageImage& page, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << encodePage(page);
  out.close();
  return bool(out);
}

bool readPageFile(const std::string& path, PageImage* page) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  return decodePage(s.str(), page);
}

bool readPageSize(const std::string& path, double* width, double* height) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return false;
  std::vector<std::string> head = splitTabs(line);
  double w = 0, h = 0;
  if (head.size() != 4 || head[0] != kMagic || !toDouble(head[2], &w) || !toDouble(head[3], &h) || w <= 0 ||
      h <= 0)
    return false;
  *width = w;
  *height = h;
  return true;
}

}  // namespace ui
