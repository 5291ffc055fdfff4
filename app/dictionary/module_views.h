// The views of the procedure module (the browse lists and reports of the
// windows) as the thread knows them, so that a view a window left open is
// closed when the thread ends. A view registers when its window creates it
// and unregisters when the window frees it.
#pragma once

namespace rt {
class View;
}

namespace app {

void RegisterModuleView(rt::View* view);
void UnregisterModuleView(rt::View* view);
// Closes the calling thread's registered views that are still open;
// returns how many it closed. The registrations stay.
int CloseModuleViews();

}  // namespace app
