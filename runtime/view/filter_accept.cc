#include "runtime/view/filter_accept.h"

#include <memory>

#include "runtime/core/file_access.h"
#include "runtime/view/view.h"

namespace rt {

std::function<bool(FileControlBlock&)> compileRecordFilter(FileControlBlock& file, std::string_view filter,
                                                           int32_t* error) {
  // A view compiles the text with the file's names; it is kept alive by the
  // predicate.
  auto view = std::make_shared<View>(file);
  *error = view->SetFilter(filter);
  if (*error != 0) return {};
  return [view](FileControlBlock&) { return view->Accepts(); };
}

int32_t BuildFilteredIndex(FileControlBlock& file, int key, std::string_view components, std::string_view filter) {
  int32_t error = 0;
  auto accept = compileRecordFilter(file, filter, &error);
  if (error != 0) return error;
  return BuildDynamic(file, key, components, filter, std::move(accept));
}

}  // namespace rt
