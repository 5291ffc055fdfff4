// A ViewManager drives one runtime view for the browse lists and the record
// processors, which derive from it. It keeps a list of sort orders, each
// with its key, order text, range limit and named filters, turns the active
// one into the view's order and filter texts, and reads records through the
// view with range and filter checks.
//
//   fw::ViewManager vm;
//   vm.Init(&view, &Relate_GRADES);           // opens the view's files
//   vm.AddSortOrder(kGradesBySubject);        // key 1: COD_MATERIA, ALUMNO
//   vm.AddRange(subjectField, chosenSubject); // the chosen subject's rows only
//   vm.SetFilter("QVL:ESTADO <> 'APRUEBA'");
//   vm.ApplyRange();
//   vm.Reset();
//   while (vm.Next() == fw::Level::Benign) { ... }
//   vm.Kill();
//
// Range kinds (SortOrder::LimitType) and their RangeList pairs, for a range
// on key component k:
//   0 none                         no pairs
//   1 component keeps its value    1..k: component, private copy of its value
//   2 component equals a field     1..k-1 as kind 1; k: limit field, copy
//   3 component between bounds     1..k-1 as kind 1; low pair; high pair
//   4 components equal related    1..k: component, related field (the pair's
//     fields                       buffer holds the value last applied)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/buffered_pairs.h"
#include "framework/data/level.h"
#include "runtime/core/file_field.h"

namespace rt {
class View;
}

namespace fw {

class FileManager;
class RelationManager;

// What ValidateRecord answers.
inline constexpr int kRecordAccepted = 0;
inline constexpr int kRecordOutOfRange = 1;
inline constexpr int kRecordFiltered = 2;

// The identifier SetFilter(filter) files its filter under.
inline constexpr char kStandardFilterId[] = "5 Standard";

struct FilterEntry {
  std::string Id;      // at most 30 characters; the list is ordered by Id
  std::string Filter;  // a filter expression
};

// One sort order. Browses and record processors extend it with fields of
// their own (see ViewManager::NewSortOrder).
struct SortOrder {
  virtual ~SortOrder();

  std::unique_ptr<std::vector<FilterEntry>> Filter;  // named filters, or none
  rt::FieldRef FreeElement;  // first key component the range leaves free (invalid: none)
  uint8_t LimitType = 0;
  int MainKey = -1;          // declared key of the primary file, -1 for none
  std::string Order;         // order text
  std::unique_ptr<BufferedPairsClass> RangeList;
};

// The sort orders of a view; Current is the 1-based active entry (0: none).
struct SortOrderList {
  std::vector<std::unique_ptr<SortOrder>> Entries;
  size_t Current = 0;
};

class ViewManager {
 public:
  ViewManager() = default;
  virtual ~ViewManager();
  ViewManager(const ViewManager&) = delete;
  ViewManager& operator=(const ViewManager&) = delete;

  // Uses `orders` when given (the caller keeps it), else a list of its own.
  void Init(rt::View* view, RelationManager* primary, SortOrderList* orders = nullptr);

  // --- Sort orders, ranges and filters -----------------------------------
  // Adds a sort order on a declared key of the primary file (-1: none) and
  // makes it active. Returns the number of sort orders.
  size_t AddSortOrder(int key = -1);
  virtual void AppendOrder(std::string_view text);  // "*text" replaces the order
  virtual void SetOrder(std::string_view text);
  // Kind 1: `field` (a component of the order's key) keeps its current value.
  void AddRange(const rt::FieldRef& field);
  // Kind 2: `field` equals `limit`.
  void AddRange(const rt::FieldRef& field, const rt::FieldRef& limit);
  // Kind 3: `field` lies between `low` and `high`.
  void AddRange(const rt::FieldRef& field, const rt::FieldRef& low, const rt::FieldRef& high);
  // Kind 4: the key's components up to `field` equal `related` (one field per
  // component, in component order).
  void AddRange(const rt::FieldRef& field, const std::vector<rt::FieldRef>& related);
  virtual void SetFilter(std::string_view filter);
  // A blank filter removes the filter of this identifier.
  virtual void SetFilter(std::string_view filter, std::string_view id);
  // Makes sort order `number` (0 means 1) active; true when it changed.
  virtual bool SetSort(size_t number);

  virtual void ApplyOrder();
  virtual void ApplyFilter();
  // True when the range values changed and the filter was applied again.
  virtual bool ApplyRange();

  // --- Reading ------------------------------------------------------------
  virtual void Open();
  virtual void Close();
  virtual void Close(bool force);
  // Positions at the start of the order (0) or at the record buffers'
  // values of the first `locate` order components.
  virtual void Reset(int locate);
  virtual void Reset();
  virtual Level Next();
  virtual Level Previous();
  // kRecordAccepted, kRecordOutOfRange (ends the read), anything else skips
  // the record. The base accepts every record.
  virtual int ValidateRecord();
  // Clears the view's records (unless suppressClear) and puts the range
  // values into the key so that the new record lies inside the range.
  virtual Level PrimeRecord(bool suppressClear = false);

  // --- The free element and directions -------------------------------------
  virtual size_t GetFreeElementPosition();
  virtual std::string GetFreeElementName();
  virtual bool GetFreeElementAscending();
  // False only when the view's order text names `field` descending.
  bool GetFieldAscending(const rt::FieldRef& field);

  // --- Buffers and files ----------------------------------------------------
  virtual void SaveBuffers();
  virtual void RestoreBuffers();
  virtual void ClearFilesRecord();
  void UseView();
  void UnuseView();
  virtual void Kill();

  // The active sort order, or nullptr.
  SortOrder* CurrentOrder() const;

  struct SavedBuffer {
    uint16_t Buff = 0;
    FileManager* FM = nullptr;
  };

  bool DisposeOrder = false;
  bool Opened = false;
  SortOrderList* Order = nullptr;
  uint16_t PagesAhead = 0;
  uint16_t PagesBehind = 2;
  uint16_t PageSize = 20;
  RelationManager* Primary = nullptr;
  uint16_t Timeout = 60;
  rt::View* View = nullptr;
  std::unique_ptr<std::vector<SavedBuffer>> SavedBuffers;
  bool Inited = false;
  bool Killed = false;
  bool Used = false;

 protected:
  // A new, empty sort order entry; derived managers return their own kind.
  virtual std::unique_ptr<SortOrder> NewSortOrder();
  // The primary file's manager (nullptr when there is none).
  FileManager* Me() const;
  // Reports `id` through the primary file's manager.
  void Throw(uint16_t id);

 private:
  Level Read(bool backwards);
  // Sets the range's type and pairs up the key's components before `field`;
  // nullptr (after an assertion) without an active sort order.
  SortOrder* LimitMajorComponents(const rt::FieldRef& field, uint8_t kind);
  void SetFreeElement(SortOrder& s);
  std::unique_ptr<SortOrderList> own_order_;
};

// A range value as the filter writes it: text quoted (quotes doubled), in
// UPPER( ) or LOWER( ) when `name` is; numbers as they are.
std::string CasedValue(std::string_view name, const rt::FieldRef& left, const rt::FieldRef& right);

}  // namespace fw
