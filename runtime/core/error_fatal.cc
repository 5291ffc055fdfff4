#include "runtime/core/error_fatal.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/core/error_state.h"
#include "runtime/core/message_presenter.h"
#include "runtime/core/trim.h"

namespace rt {

namespace {

std::atomic<ProgramEnd> programEnd{nullptr};

// A fatal error raised while a fatal error is being shown (by the presenter,
// say) ends the program without showing anything more.
thread_local bool showing = false;

[[noreturn]] void endProgram() {
  if (ProgramEnd end = programEnd.load()) end(kFatalExitCode);
  std::fflush(nullptr);
  std::_Exit(kFatalExitCode);
}

}  // namespace

void fatalMessage(std::string_view text) {
  if (!showing) {
    showing = true;
    try {
      MessageRequest request;
      request.caption = kFatalCaption;
      request.text = std::string(text);
      request.icon = Icon_Hand;
      showMessage(request);
    } catch (...) {
      std::fprintf(stderr, "[%s] %.*s\n", kFatalCaption, int(text.size()), text.data());
    }
  }
  endProgram();
}

void fatalError(int32_t code, std::string_view context) {
  postError(code);
  std::string text;
  try {
    if (!context.empty()) text.append(context).append(" : ");
    text.append(trimRight(Error()));
  } catch (...) {
  }
  fatalMessage(text);
}

ProgramEnd setProgramEnd(ProgramEnd end) { return programEnd.exchange(end); }

}  // namespace rt
