#include "framework/data/ini_class.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "runtime/core/error_assert.h"
#include "runtime/core/private_profile.h"

namespace fw {

namespace {

constexpr std::string_view kUnknown = "---Unknown---";
constexpr std::string_view kSectorsSection = "Sectors";
constexpr std::string_view kSectorsName = "__Dont_Touch_Me__";
constexpr size_t kMaxQueueValue = 4999;
constexpr size_t kMaxFetched = 1023;

// A number as a stored entry reads: optional sign and leading digits; anything else is 0.
long toNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  long n = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 100000000000L; ++i) n = n * 10 + (s[i] - '0');
  return negative ? -n : n;
}

std::string yesNo(bool on) { return on ? "Yes" : "No"; }

std::string str(std::string_view s) { return std::string(s); }

void mkdirIfMissing(const std::string& dir) { ::mkdir(dir.c_str(), 0755); }

}  // namespace

INIClass::INIClass() = default;

INIClass::~INIClass() = default;

void INIClass::Init(std::string_view fileName, int32_t nvType, int32_t extraData) {
  ExtraData = extraData;
  NVType = nvType;
  FileName = str(fileName.substr(0, std::min<size_t>(fileName.size(), 259)));
  Sectors.clear();
  HasSectors = true;
  Fetch();
  QueueEntries loaded;
  FetchQueue(kSectorsSection, kSectorsName, loaded, 3);
  for (auto& e : loaded) {
    SectorEntry s{e[0], e[1], e[2]};
    auto at = std::lower_bound(Sectors.begin(), Sectors.end(), s, [](const SectorEntry& a, const SectorEntry& b) {
      return std::tie(a.Family, a.Item, a.Type) < std::tie(b.Family, b.Item, b.Type);
    });
    if (at == Sectors.end() || !(*at == s)) Sectors.insert(at, std::move(s));
  }
}

void INIClass::Kill() {
  CriticalProcedure cp(CritSect.GetIface());
  if (!HasSectors) return;
  QueueEntries list;
  for (const SectorEntry& s : Sectors) list.push_back({s.Family, s.Item, s.Type});
  UpdateQueue(kSectorsSection, kSectorsName, list, 3);
  Sectors.clear();
  HasSectors = false;
}

std::string INIClass::registryPath() {
  if (const char* p = std::getenv("QV_REGISTRY_FILE"); p && *p) return p;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/qvnotas/registry.ini";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/qvnotas/registry.ini";
}

std::string INIClass::registrySection(std::string_view sector, std::string_view file) const {
  uint32_t root = ExtraData ? uint32_t(ExtraData) : 0x80000000u;
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", root);
  std::string path = file.empty() ? str(sector) : str(file) + "\\" + str(sector);
  return std::string(hex) + "\\" + path;
}

std::string INIClass::Fetch(std::string_view sector, std::string_view name, std::string_view def,
                            std::string_view file) {
  CriticalProcedure cp(CritSect.GetIface());
  std::string value;
  switch (NVType) {
    case 0:
      value = rt::getProfileString(sector, name, def, str(file));
      break;
    case 1: {
      std::string path = registryPath();
      value = rt::getProfileString(registrySection(sector, file), name, "", path);
      if (value.empty()) value = str(def);
      break;
    }
    default:
      rt::assertionFailed("NV_Table: Not Supported Yet");
      return {};
  }
  if (value.size() > kMaxFetched) value.resize(kMaxFetched);
  return value;
}

void INIClass::Update(std::string_view sector, std::string_view name, std::string_view value,
                      std::string_view file) {
  CriticalProcedure cp(CritSect.GetIface());
  switch (NVType) {
    case 0:
      rt::writeProfileString(sector, name, value, str(file));
      break;
    case 1: {
      std::string path = registryPath();
      if (auto slash = path.rfind('/'); slash != std::string::npos) {
        std::string dir = path.substr(0, slash);
        for (size_t i = 1; i <= dir.size(); ++i)
          if (i == dir.size() || dir[i] == '/') mkdirIfMissing(dir.substr(0, i));
      }
      std::optional<std::string_view> v;
      if (!value.empty()) v = value;  // an empty value removes the entry
      rt::writeProfileString(registrySection(sector, file), name, v, path);
      break;
    }
    default:
      rt::assertionFailed("NV_Table: Not Supported Yet");
  }
}

void INIClass::Update(std::string_view sector, std::string_view name, std::string_view value) {
  Update(sector, name, value, FileName);
}

void INIClass::Remove(std::string_view sector, std::string_view name) {
  CriticalProcedure cp(CritSect.GetIface());
  switch (NVType) {
    case 0:
      rt::writeProfileString(sector, name, std::nullopt, FileName);
      break;
    case 1:
      rt::writeProfileString(registrySection(sector, FileName), name, std::nullopt, registryPath());
      break;
    default:
      rt::assertionFailed("NV_Table: Not Supported Yet");
  }
}

std::string INIClass::TryFetch(std::string_view sector, std::string_view name) {
  return Fetch(sector, name, "", FileName);
}

std::string INIClass::Fetch(std::string_view sector, std::string_view name) {
  std::string value = Fetch(sector, name, kUnknown, FileName);
  if (value == kUnknown)
    rt::assertionFailed("INI Assert: Could not find " + str(name) + " in sector " + str(sector) + " of " + FileName);
  return value;
}

void INIClass::Fetch(std::string_view sector, std::string_view name, std::string& variable) {
  variable = Fetch(sector, name, variable, FileName);
}

std::string INIClass::FetchField(std::string_view sector, std::string_view name, int n) {
  std::string text = Fetch(sector, name);
  size_t at = 0;
  for (int i = 1; i < n; ++i) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) {
      rt::assertionFailed("INI Assert: field " + std::to_string(n) + " of " + str(name) + " missing");
      return {};
    }
    at = comma + 1;
  }
  size_t end = text.find(',', at);
  return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

void INIClass::FetchQueue(std::string_view sector, std::string_view name, QueueEntries& list, int fields) {
  CriticalProcedure cp(CritSect.GetIface());
  fields = std::clamp(fields, 1, 4);
  long count = toNumber(TryFetch(sector, name));
  for (long i = 1; i <= count; ++i) {
    std::string entryName = str(name) + "_" + std::to_string(i);
    std::vector<std::string> entry;
    for (int k = 1; k <= fields; ++k) entry.push_back(FetchField(sector, entryName, k));
    list.push_back(std::move(entry));
  }
}

void INIClass::UpdateQueue(std::string_view sector, std::string_view name, const QueueEntries& list,
                           int fields) {
  CriticalProcedure cp(CritSect.GetIface());
  fields = std::clamp(fields, 1, 4);
  Update(sector, name, std::to_string(list.size()));
  for (size_t i = 0; i < list.size(); ++i) {
    std::string value;
    for (int k = 0; k < fields && k < int(list[i].size()); ++k) {
      if (k) value += ",";
      value += list[i][size_t(k)];
    }
    if (value.size() > kMaxQueueValue) value.resize(kMaxQueueValue);
    Update(sector, str(name) + "_" + std::to_string(i + 1), value);
  }
}

void INIClass::FetchWindowInfo(std::string_view sector, WindowInfo& info) {
  CriticalProcedure cp(CritSect.GetIface());
  std::string maximize = TryFetch(sector, "Maximize");
  if (maximize != "Yes" && maximize != "No") {
    info.Got = 0;
    return;
  }
  info.Maximized = maximize == "Yes";
  info.Minimized = TryFetch(sector, "Minimize") == "Yes";
  auto read = [&](std::string_view entry) {
    std::string v = TryFetch(sector, entry);
    return v.empty() ? kNotRecorded : int32_t(toNumber(v));
  };
  info.X = read("XPos");
  info.Y = read("YPos");
  info.W = read("Width");
  info.H = read("Height");
  info.Got = 1;
}

void INIClass::UpdateWindowInfo(std::string_view sector, const WindowInfo& info) {
  CriticalProcedure cp(CritSect.GetIface());
  Update(sector, "Maximize", yesNo(info.Maximized));
  Update(sector, "Minimize", yesNo(info.Minimized));
  auto write = [&](std::string_view entry, int32_t v) {
    if (v == kNotRecorded)
      Remove(sector, entry);
    else
      Update(sector, entry, std::to_string(v));
  };
  write("XPos", info.X);
  write("YPos", info.Y);
  write("Width", info.W);
  write("Height", info.H);
}

void INIClass::Fetch(std::string_view procedureName, WindowPlacement& window) {
  WindowInfo info;
  FetchWindowInfo(procedureName, info);
  if (!info.Got) return;
  if (window.maximized() && !info.Maximized) window.setMaximized(false);
  window.setPosition(info.X, info.Y);
  if (window.resizable()) {
    if (info.W != kNotRecorded) window.setWidth(info.W);
    if (info.H != kNotRecorded) window.setHeight(info.H);
  }
  if (info.Maximized && !window.maximized()) window.setMaximized(true);
  window.setMinimized(info.Minimized);
}

void INIClass::Update(std::string_view procedureName, const WindowPlacement& window) {
  WindowInfo info;
  info.Maximized = window.maximized();
  info.Minimized = window.minimized();
  if (!info.Maximized && !info.Minimized) {
    info.X = window.x();
    info.Y = window.y();
    if (window.resizable()) {
      info.W = window.width();
      info.H = window.height();
    }
  }
  UpdateWindowInfo(procedureName, info);
}

std::string INIClass::AddDollar(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '$')
      out += "$$$";
    else
      out += c;
  }
  if (out.size() > kMaxFetched) out.resize(kMaxFetched);
  return out;
}

std::string INIClass::RemoveDollar(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text.compare(i, 3, "$$$") == 0) i += 2;
  }
  if (out.size() > kMaxFetched) out.resize(kMaxFetched);
  return out;
}

std::string INIClass::GetSector(std::string_view family, std::string_view item, std::string_view type) {
  return str(family) + "$" + AddDollar(item) + "$$" + str(type);
}

void INIClass::GetFamily(std::string_view sector, std::string& family, std::string& item, std::string& type) {
  family.clear();
  item.clear();
  type.clear();
  size_t first = sector.find('$');
  if (first == std::string_view::npos || first == 0) {
    rt::assertionFailed();
    return;
  }
  size_t itemStart = first + 1;
  size_t at = itemStart;
  size_t sep = std::string_view::npos;
  while ((at = sector.find("$$", at)) != std::string_view::npos) {
    if (sector.compare(at, 3, "$$$") == 0) {
      at += 3;  // an escaped "$" inside the item
      continue;
    }
    sep = at;
    break;
  }
  if (sep == std::string_view::npos || sep == itemStart) {
    rt::assertionFailed();
    return;
  }
  family = str(sector.substr(0, first));
  item = str(sector.substr(itemStart, sep - itemStart));
  type = str(sector.substr(sep + 2));
}

void INIClass::AddSector(std::string_view sector) {
  CriticalProcedure cp(CritSect.GetIface());
  SectorEntry s;
  GetFamily(sector, s.Family, s.Item, s.Type);
  if (s.Family.empty()) return;
  auto less = [](const SectorEntry& a, const SectorEntry& b) {
    return std::tie(a.Family, a.Item, a.Type) < std::tie(b.Family, b.Item, b.Type);
  };
  auto at = std::lower_bound(Sectors.begin(), Sectors.end(), s, less);
  if (at == Sectors.end() || !(*at == s)) Sectors.insert(at, std::move(s));
}

void INIClass::GetSectors(std::string_view family, std::string_view item, std::string_view type,
                          std::vector<SectorEntry>& list) {
  CriticalProcedure cp(CritSect.GetIface());
  auto blank = [](std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; };
  list.clear();
  for (const SectorEntry& s : Sectors) {
    std::string plainItem = RemoveDollar(s.Item);
    if (!blank(family) && s.Family != family) continue;
    if (!blank(item) && plainItem != item) continue;
    if (!blank(type) && s.Type != type) continue;
    list.push_back({s.Family, plainItem, s.Type});
  }
}

}  // namespace fw
