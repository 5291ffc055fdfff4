#include "runtime/kestrel/driver/properties.h"

#include <charconv>
#include <string>

#include "runtime/core/error_state.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_properties.h"
#include "runtime/kestrel/driver/send_command.h"
#include "runtime/kestrel/format/memo.h"

namespace kestrel {

namespace {

int32_t Refuse(const KestrelTable& t, const std::string& why) {
  rt::postFileError(t.displayName(), why);
  return rt::Error_UnsupportedFileDriverFunction;
}

int32_t ReadOnly(const KestrelTable& t, int32_t property) {
  return Refuse(t, "Property " + std::to_string(property) + " can only be read");
}

// A whole decimal number, blanks around it allowed.
bool ParseNumber(std::string_view text, uint64_t* out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// A driver command standing for the property: its answer is the value
// before the set.
int32_t ByCommand(const char* word, bool set, rt::DriverArgs& args, KestrelTable& t) {
  std::string answer;
  const int32_t rc = t.Send(set ? std::string(word) + "=" + args.text : std::string(word), &answer);
  if (rc == 0 && !set) args.result = answer;
  return rc;
}

}  // namespace

int32_t FileProperty(int32_t op, rt::DriverArgs& args, KestrelTable& t) {
  const bool set = op == rt::Op_SET_PROPERTY;
  args.result.clear();
  switch (args.property) {
    case rt::FileProp_SqlDriver:
      if (set) return ReadOnly(t, args.property);
      args.result = "0";
      return 0;
    case rt::FileProp_FileSize: {
      if (set) return ReadOnly(t, args.property);
      uint64_t bytes = 0;
      const int32_t rc = t.Bytes(&bytes);
      if (rc == 0) args.result = std::to_string(bytes);
      return rc;
    }
    case rt::FileProp_MultiRecordRead: {
      if (!set) {
        args.result = std::to_string(t.multiRecordRead());
        return 0;
      }
      uint64_t n = 0;
      if (!ParseNumber(args.text, &n) || n > 0xFFFF) return Refuse(t, "Not a record count: " + args.text);
      t.setMultiRecordRead(static_cast<uint32_t>(n));
      return 0;
    }
    case rt::FileProp_DecimalCheck:
    case rt::FileProp_FullBuild: {
      bool on = false;
      if (set && !ParseSwitch(args.text, &on)) return Refuse(t, "Not ON or OFF: " + args.text);
      return ByCommand(args.property == rt::FileProp_FullBuild ? "FULLBUILD" : "DECIMALCHECK", set, args, t);
    }
    case rt::FileProp_Flags: {
      uint64_t n = 0;
      if (set && (!ParseNumber(args.text, &n) || n > 0xFFFFFFFFu)) return Refuse(t, "Not a flag value: " + args.text);
      return ByCommand("FLAGS", set, args, t);
    }
    case rt::FileProp_TableName:
      if (set) return ReadOnly(t, args.property);
      return ByCommand("PNM", false, args, t);
    case rt::FileProp_Records: {
      if (set) return ReadOnly(t, args.property);
      uint32_t n = 0;
      const int32_t rc = t.Records(&n);
      if (rc == 0) args.result = std::to_string(n);
      return rc;
    }
    default:
      return Refuse(t, "Unknown file property " + std::to_string(args.property));
  }
}

int32_t KeyProperty(int32_t op, rt::DriverArgs& args, KestrelTable& t) {
  args.result.clear();
  if (args.key < 0 || static_cast<size_t>(args.key) >= t.def().keys.size()) return rt::Error_InvalidIndexString;
  const KeyDef& key = t.def().keys[args.key];
  const bool known = args.property >= rt::KeyProp_Label && args.property <= rt::KeyProp_Complete;
  if (!known) return Refuse(t, "Unknown key property " + std::to_string(args.property));
  if (op == rt::Op_SETPROPERTYkey) return ReadOnly(t, args.property);
  switch (args.property) {
    case rt::KeyProp_Label: args.result = key.label; return 0;
    case rt::KeyProp_Components:
      for (const KeyComponent& c : key.components) {
        if (!args.result.empty()) args.result += ',';
        args.result += c.descending() ? '-' : '+';
        if (c.field < t.def().fields.size()) args.result += t.def().fields[c.field].name;
      }
      return 0;
    case rt::KeyProp_Attributes: args.result = std::to_string(key.attributes); return 0;
    default: {
      uint32_t entries = 0;
      bool complete = false;
      const int32_t rc = t.KeyState(args.key, &entries, &complete);
      if (rc != 0) return rc;
      args.result = args.property == rt::KeyProp_Entries ? std::to_string(entries) : (complete ? "1" : "0");
      return 0;
    }
  }
}

int32_t BlobProperty(int32_t op, rt::DriverArgs& args, KestrelTable& t) {
  if (args.memo < 0 || static_cast<size_t>(args.memo) >= t.def().memos.size()) return rt::Error_InvalidIndexString;
  const MemoDef& m = t.def().memos[args.memo];
  std::string& value = t.memos()[args.memo];
  if (op == rt::Op_BLOB_GET_PROP) {
    switch (args.property) {
      case rt::BlobProp_Size: args.value = static_cast<int64_t>(value.size()); return 0;
      case rt::BlobProp_Binary: args.value = m.binary() ? 1 : 0; return 0;
      case rt::BlobProp_Blob: args.value = m.blob() ? 1 : 0; return 0;
      case rt::BlobProp_DeclaredSize: args.value = m.size; return 0;
      default: return Refuse(t, "Unknown blob property " + std::to_string(args.property));
    }
  }
  if (args.property >= rt::BlobProp_Binary && args.property <= rt::BlobProp_DeclaredSize) {
    return ReadOnly(t, args.property);
  }
  if (args.property != rt::BlobProp_Size) return Refuse(t, "Unknown blob property " + std::to_string(args.property));
  // A memo holds at most its declared size; a blob what its segments can number.
  const int64_t limit = m.blob() ? int64_t{kBlobSegmentSize} * 0x10000 : int64_t{m.size};
  if (args.value < 0 || args.value > limit) return Refuse(t, "Size out of range: " + std::to_string(args.value));
  value.resize(static_cast<size_t>(args.value), m.blob() || m.binary() ? '\0' : ' ');
  return 0;
}

int32_t QueryKey(rt::DriverArgs& args, KestrelTable& t) {
  args.value = 0;
  if (!t.isOpen()) return rt::Error_FileNotOpen;
  if (args.key < 0 || static_cast<size_t>(args.key) >= t.def().keys.size()) return rt::Error_InvalidIndexString;
  args.value = !t.def().keys[args.key].dynamic() || t.dynamicBuilt(args.key) ? 1 : 0;
  return 0;
}

}  // namespace kestrel
