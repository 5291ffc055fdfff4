#include "framework/window/hist_handler_class.h"

#include "runtime/ui/control.h"
#include "runtime/ui/engine.h"
#include "runtime/ui/event_codes.h"
#include "runtime/ui/row_source.h"
#include "runtime/ui/window.h"

namespace fw {

// The list's rows, answered by VLBProc.
class HistHandlerClass::Rows : public ui::RowSource {
 public:
  explicit Rows(const HistHandlerClass& h) : h_(h) {}
  int rowCount() const override { return std::stoi(h_.VLBProc(-1, 0)); }
  std::string value(int row, int field) const override { return h_.VLBProc(row, int16_t(field)); }

 private:
  const HistHandlerClass& h_;
};

void HistHandlerClass::Init(ui::Window* win, int32_t list, const std::vector<HistoryEntry>* history,
                            ErrorClass* err) {
  Win = win;
  List = list;
  History = history;
  Err = err;
}

Level HistHandlerClass::TakeEvent() {
  ui::Engine& e = ui::Engine::current();
  if (e.event() != ui::Event_OpenWindow || !Win || !Win->exists(List)) return Level::Benign;
  if (!rows_) rows_ = std::make_shared<Rows>(*this);
  Win->setRowSource(List, rows_.get());
  LBColumns = int16_t(Win->control(List)->list.columns.size());
  return Level::Benign;
}

void HistHandlerClass::UpdateWindow() {
  if (Win && Win->isOpen() && Win->exists(List)) Win->refreshRows(List);
}

std::string HistHandlerClass::VLBProc(int32_t row, int16_t column) const {
  const size_t count = History ? History->size() : 0;
  switch (row) {
    case -1: return std::to_string(count);
    case -2: return std::to_string(LBColumns);
    case -3: return "1";  // always re-read: the copy is small
    default: break;
  }
  if (row < 1 || size_t(row) > count) return {};
  const HistoryEntry& entry = (*History)[size_t(row) - 1];
  if (column == 1) return entry.Txt;
  if (column == 2) return entry.Category;
  return {};
}

}  // namespace fw
