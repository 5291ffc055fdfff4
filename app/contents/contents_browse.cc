#include "app/contents/contents_browse.h"

#include "app/dictionary/globals.h"
#include "runtime/core/file_field.h"

namespace app::contents {

void ContentsBrowse::SetQueueRecord() {
  BrowseClass::SetQueueRecord();
  const rt::FileControlBlock& ap = Access_QVAPRENDE->Block();
  std::string learning = rt::getMemo(ap, ap.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO")).value_or("");
  if (learning.size() > 255) learning.resize(255);
  rt::setText(queue_.Buffer(), 1, learning);  // the second column
}

}  // namespace app::contents
