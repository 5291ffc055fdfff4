#include "app/dictionary/module_views.h"

#include <algorithm>
#include <vector>

#include "runtime/view/view.h"

namespace app {

namespace {
thread_local std::vector<rt::View*> thread_views;
}  // namespace

void RegisterModuleView(rt::View* view) {
  if (view && std::find(thread_views.begin(), thread_views.end(), view) == thread_views.end())
    thread_views.push_back(view);
}

void UnregisterModuleView(rt::View* view) { std::erase(thread_views, view); }

int CloseModuleViews() {
  int closed = 0;
  for (rt::View* v : thread_views) {
    if (v->isOpen()) {
      v->Close();
      ++closed;
    }
  }
  return closed;
}

}  // namespace app
