#include "runtime/core/error_assert.h"

#include <cstdio>
#include <string>

#include "runtime/core/message_presenter.h"

namespace rt {

namespace {
// An assertion that fails while one is being shown (inside the presenter, say)
// goes to standard error instead of recursing.
thread_local bool showing = false;
}  // namespace

void assertionFailed(std::string_view message, const char* file, unsigned line) {
  std::string text = std::string(kAssertionCaption) + " on line: " + std::to_string(line) +
                     " in file " + (file ? file : "");
  if (!message.empty()) text.append("|Message: ").append(message);
  if (showing) {
    std::fprintf(stderr, "[%s] %s\n", kAssertionCaption, text.c_str());
    return;
  }
  struct Showing {
    Showing() { showing = true; }
    ~Showing() { showing = false; }
  } guard;
  MessageRequest request;
  request.caption = kAssertionCaption;
  request.text = std::move(text);
  request.icon = Icon_Exclamation;
  showMessage(request);
}

}  // namespace rt
