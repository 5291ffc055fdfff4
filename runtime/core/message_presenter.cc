#include "runtime/core/message_presenter.h"

#include <atomic>
#include <cstdio>

namespace rt {

namespace {
StderrMessagePresenter& stderrPresenter() {
  static StderrMessagePresenter presenter;
  return presenter;
}
std::atomic<MessagePresenter*> current{nullptr};
}  // namespace

uint32_t StderrMessagePresenter::show(const MessageRequest& request) {
  std::string text = request.text;
  for (char& c : text)
    if (c == '|') c = '\n';
  std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), text.c_str());
  std::fflush(stderr);
  return request.defaultButton;
}

MessagePresenter* setMessagePresenter(MessagePresenter* presenter) {
  MessagePresenter* previous = current.exchange(presenter);
  return previous ? previous : &stderrPresenter();
}

MessagePresenter& messagePresenter() {
  MessagePresenter* p = current.load();
  return p ? *p : stderrPresenter();
}

uint32_t showMessage(const MessageRequest& request) { return messagePresenter().show(request); }

}  // namespace rt
