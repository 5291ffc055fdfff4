#include "framework/data/history_viewer.h"

#include <atomic>

namespace fw {

namespace {
std::atomic<HistoryViewer*> viewer{nullptr};
}

HistoryViewer* SetHistoryViewer(HistoryViewer* v) { return viewer.exchange(v); }

HistoryViewer* GetHistoryViewer() { return viewer.load(); }

}  // namespace fw
