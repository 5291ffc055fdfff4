// The settings store: named texts in an INI file, window positions per
// procedure, and the registered sector list.
//
// Storage kinds: 0 an INI file (FileName); 1 the "registry", which on this
// platform is a per-user INI file of its own (registryPath(): one section per
// root key and key path); 2 a table, not supported (every access asserts).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/critical_section.h"

namespace fw {

constexpr int32_t kNotRecorded = INT32_MIN;  // 0x80000000: a position or size not recorded

struct WindowInfo {
  int32_t X = kNotRecorded;
  int32_t Y = kNotRecorded;
  int32_t W = kNotRecorded;
  int32_t H = kNotRecorded;
  uint8_t Maximized = 0;
  uint8_t Minimized = 0;
  uint8_t Got = 0;
};

// What the settings store needs of a window to save and restore it.
class WindowPlacement {
 public:
  virtual ~WindowPlacement() = default;
  virtual bool maximized() const = 0;
  virtual void setMaximized(bool on) = 0;
  virtual bool minimized() const = 0;
  virtual void setMinimized(bool on) = 0;
  virtual int32_t x() const = 0;
  virtual int32_t y() const = 0;
  virtual void setPosition(int32_t x, int32_t y) = 0;  // kNotRecorded: the platform's default
  virtual int32_t width() const = 0;
  virtual int32_t height() const = 0;
  virtual void setWidth(int32_t w) = 0;
  virtual void setHeight(int32_t h) = 0;
  virtual bool resizable() const = 0;
};

struct SectorEntry {
  std::string Family;
  std::string Item;  // escaped with AddDollar
  std::string Type;
  bool operator==(const SectorEntry&) const = default;
};

// A list saved and loaded with UpdateQueue/FetchQueue: each entry's fields in order.
using QueueEntries = std::vector<std::vector<std::string>>;

class INIClass {
 public:
  INIClass();
  virtual ~INIClass();

  void Init(std::string_view fileName, int32_t nvType = 0, int32_t extraData = 0);
  void Kill();

  virtual std::string Fetch(std::string_view sector, std::string_view name, std::string_view def,
                            std::string_view file);
  virtual void Update(std::string_view sector, std::string_view name, std::string_view value,
                      std::string_view file);
  virtual void Fetch() {}   // hooks for derived stores
  virtual void Update() {}

  void Update(std::string_view sector, std::string_view name, std::string_view value);
  void Remove(std::string_view sector, std::string_view name);
  std::string TryFetch(std::string_view sector, std::string_view name);
  // The entry must exist: otherwise asserts and returns "---Unknown---".
  std::string Fetch(std::string_view sector, std::string_view name);
  // Assigns the entry to `variable`, which keeps its value when the entry is absent.
  void Fetch(std::string_view sector, std::string_view name, std::string& variable);
  std::string FetchField(std::string_view sector, std::string_view name, int n);

  // `fields` (1 to 4) of each entry are saved and loaded; loading appends.
  void FetchQueue(std::string_view sector, std::string_view name, QueueEntries& list, int fields);
  void UpdateQueue(std::string_view sector, std::string_view name, const QueueEntries& list,
                   int fields);

  void Fetch(std::string_view procedureName, WindowPlacement& window);
  void Update(std::string_view procedureName, const WindowPlacement& window);
  void FetchWindowInfo(std::string_view sector, WindowInfo& info);
  void UpdateWindowInfo(std::string_view sector, const WindowInfo& info);

  std::string GetSector(std::string_view family, std::string_view item, std::string_view type);
  void AddSector(std::string_view sector);
  void GetFamily(std::string_view sector, std::string& family, std::string& item, std::string& type);
  void GetSectors(std::string_view family, std::string_view item, std::string_view type,
                  std::vector<SectorEntry>& list);
  static std::string AddDollar(std::string_view text);
  static std::string RemoveDollar(std::string_view text);

  // Where storage kind 1 keeps its values: $QV_REGISTRY_FILE, else
  // $XDG_CONFIG_HOME/qvnotas/registry.ini, else ~/.config/qvnotas/registry.ini.
  static std::string registryPath();

  std::string FileName;
  std::vector<SectorEntry> Sectors;  // ordered by (Family, Item, Type)
  bool HasSectors = false;           // the list exists between Init and Kill
  int32_t NVType = 0;
  int32_t ExtraData = 0;
  CriticalSection CritSect;

 private:
  std::string registrySection(std::string_view sector, std::string_view file) const;
};

}  // namespace fw
