// Running a program as its own process and reading PDFs back with
// poppler's tools, for the sheet tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace app::sheets::testing {

struct Ran {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string out, err;
};

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs `command` (a shell command line) with standard output and error
// captured in files beside `scratch`.
inline Ran RunCommand(const std::string& command, const std::string& scratch) {
  const std::string out = scratch + ".out", err = scratch + ".err";
  const int rc = std::system((command + " >" + Quoted(out) + " 2>" + Quoted(err)).c_str());
  Ran r;
  if (rc != -1 && WIFEXITED(rc)) r.status = WEXITSTATUS(rc);
  r.out = Slurp(out);
  r.err = Slurp(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

// The PDF's text laid out as on the page; pages end with a form feed.
inline std::string PdfText(const std::string& pdf) {
  return RunCommand("pdftotext -layout " + Quoted(pdf) + " -", pdf + ".text").out;
}

inline std::vector<std::string> PdfPages(const std::string& pdf) {
  std::vector<std::string> pages;
  std::string text = PdfText(pdf);
  size_t from = 0;
  for (size_t ff; (ff = text.find('\f', from)) != std::string::npos; from = ff + 1)
    pages.push_back(text.substr(from, ff - from));
  return pages;
}

// pdfinfo's value of `key` ("Title", "Pages", "CreationDate").
inline std::string PdfInfo(const std::string& pdf, const std::string& key) {
  std::istringstream in(RunCommand("pdfinfo " + Quoted(pdf), pdf + ".info").out);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key + ":", 0) != 0) continue;
    size_t v = line.find_first_not_of(' ', key.size() + 1);
    return v == std::string::npos ? std::string() : line.substr(v);
  }
  return {};
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

}  // namespace app::sheets::testing
