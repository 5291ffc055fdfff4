#include "runtime/ui/scripted_presenter.h"

namespace ui {

uint32_t ScriptedPresenter::show(const rt::MessageRequest& request) {
  shown.push_back(request);
  if (answers_.empty()) return request.defaultButton;
  uint32_t a = answers_.front();
  answers_.pop_front();
  return a;
}

std::vector<uint32_t> messageButtons(uint32_t set) {
  std::vector<uint32_t> out;
  for (uint32_t b = rt::Button_Ok; b <= rt::Button_Help; b <<= 1)
    if (set & b) out.push_back(b);
  if (out.empty()) out.push_back(rt::Button_Ok);
  return out;
}

std::string messageLines(const std::string& text) {
  std::string s = text;
  for (char& c : s)
    if (c == '|') c = '\n';
  return s;
}

}  // namespace ui
