// Locators: turn a key typed in a browse list into a value of the sort
// order's free key component (the first component no range fixes), after
// which the browse positions its view there and reloads the page.
//
//   fw::StepLocatorClass loc;
//   loc.Init(0, access.ref(NAME), /*noCase=*/true, &browse);
//   browse.AddSortOrder(nullptr, KEY_NAME);
//   browse.AddLocator(&loc);
//
// The base class holds what every locator needs and does nothing with keys;
// StepLocatorClass (step_locator_class.h) is the one-letter kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/file_field.h"

namespace fw {

class BrowseClass;
class ViewManager;

class LocatorClass {
 public:
  LocatorClass() = default;
  // Unbinds the free element.
  virtual ~LocatorClass();
  LocatorClass(const LocatorClass&) = delete;
  LocatorClass& operator=(const LocatorClass&) = delete;

  virtual std::string GetShadow() { return std::string(); }
  // Binds FreeElement to `field`; `control` is the entry that shows the
  // locator's value (0: none).
  virtual void Init(int32_t control, const rt::FieldRef& field, bool noCase);
  virtual void Reset() {}
  // The highlight moved or the order changed.
  virtual void Set() {}
  // Rebinds the free element, blanks it and the shadow.
  virtual void SetLocatorField(const rt::FieldRef& field);
  virtual void SetAlerts(int32_t /*control*/) {}
  // Disables the entry control when `enabled` is false.
  virtual void SetEnabled(bool enabled);
  virtual void SetShadow(std::string_view /*text*/) {}
  // The entry control was accepted: true when the browse must reposition.
  virtual bool TakeAccepted() { return false; }
  // The current key: true when it was taken and the browse must reposition.
  virtual bool TakeKey() { return false; }
  virtual void UpdateWindow() { Set(); }

  // Sets the browse (also as the view manager), then the virtual Init.
  void Init(int32_t control, const rt::FieldRef& field, bool noCase, BrowseClass* browse);

  ::fw::ViewManager* ViewManager = nullptr;
  BrowseClass* BrowseManager = nullptr;
  int32_t Control = 0;
  rt::FieldRef FreeElement;
  bool NoCase = false;
};

}  // namespace fw
