// BRW1 of ABM_Contenidos: the contents list. Besides the record fields its
// rows show the first 255 characters of the learning memo.
#pragma once

#include "framework/window/browse_class.h"
#include "framework/window/record_queue.h"

namespace app::contents {

class ContentsBrowse : public fw::BrowseClass {
 public:
  // `queue` is the page the list shows (the one given to Init).
  explicit ContentsBrowse(fw::RecordQueue& queue) : queue_(queue) {}
  void SetQueueRecord() override;

 private:
  fw::RecordQueue& queue_;
};

}  // namespace app::contents
