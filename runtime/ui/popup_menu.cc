#include "runtime/ui/popup_menu.h"

namespace ui {

namespace {

// Reads "~+-" prefixes and an attribute block, leaving the caption.
MenuEntry makeEntry(const std::string& raw) {
  MenuEntry e;
  if (raw == "-") {
    e.separator = true;
    e.text.assign(1, '-');  // g++ 12 warns falsely (-Wrestrict) on assigning the literal
    return e;
  }
  size_t i = 0;
  for (; i < raw.size(); ++i) {
    if (raw[i] == '~')
      e.disabled = true;
    else if (raw[i] == '+')
      e.check = 1;
    else if (raw[i] == '-')
      e.check = 2;
    else
      break;
  }
  if (i < raw.size() && raw[i] == '[') {
    size_t close = raw.find(']', i);
    std::string block = raw.substr(i + 1, close == std::string::npos ? std::string::npos
                                                                     : close - i - 1);
    i = close == std::string::npos ? raw.size() : close + 1;
    size_t p = block.find("31848(");
    if (p != std::string::npos) {
      size_t start = p + 6;
      if (start < block.size() && block[start] == '~') ++start;
      size_t end = block.find(')', start);
      e.icon = block.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
  }
  e.text = raw.substr(i);
  return e;
}

void number(std::vector<MenuEntry>& items, int& next) {
  for (auto& e : items) {
    if (!e.children.empty()) {
      e.number = 0;
      number(e.children, next);
    } else if (!e.separator) {
      e.number = ++next;
    }
  }
}

const MenuEntry* findIn(const std::vector<MenuEntry>& items, int n) {
  for (const auto& e : items) {
    if (e.number == n && n != 0) return &e;
    if (const MenuEntry* c = findIn(e.children, n)) return c;
  }
  return nullptr;
}

}  // namespace

PopupMenu PopupMenu::parse(const std::string& text) {
  PopupMenu menu;
  std::vector<std::vector<MenuEntry>*> stack{&menu.items};
  std::string pending;
  bool havePending = false;
  auto flush = [&] {
    if (havePending && !pending.empty()) stack.back()->push_back(makeEntry(pending));
    pending.clear();
    havePending = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '[') {  // attribute blocks may hold any character
      size_t close = text.find(']', i);
      if (close == std::string::npos) close = text.size() - 1;
      pending.append(text, i, close - i + 1);
      havePending = true;
      i = close;
    } else if (c == '|') {
      flush();
    } else if (c == '{') {
      flush();
      auto* level = stack.back();
      if (level->empty()) level->push_back(MenuEntry{});  // untitled submenu
      stack.push_back(&level->back().children);
    } else if (c == '}') {
      flush();
      if (stack.size() > 1) stack.pop_back();
    } else {
      pending.push_back(c);
      havePending = true;
    }
  }
  flush();
  int next = 0;
  number(menu.items, next);
  menu.count_ = next;
  return menu;
}

const MenuEntry* PopupMenu::find(int n) const { return findIn(items, n); }

int PopupMenu::numberOf(const std::string& text) const {
  for (int n = 1; n <= count_; ++n)
    if (stripAmpersands(find(n)->text) == stripAmpersands(text)) return n;
  return 0;
}

std::string stripAmpersands(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out.push_back('&');
        ++i;
      }
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace ui
