// The entry routine: operation numbers to table operations.
#include <charconv>
#include <memory>
#include <mutex>

#include "runtime/core/error_codes.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_properties.h"
#include "runtime/pgsql/pg_table.h"
#include "runtime/pgsql/pgsql_driver.h"

namespace pgsql {

namespace {

class PgBlock : public rt::DriverData {
 public:
  std::unique_ptr<PgTable> table;
};

// A non-zero identity shared by every file of this driver.
constexpr int64_t kDriverIdentity = 0x504753;  // "PGS"

PgTable& TableOf(rt::FileControlBlock& file, bool fresh) {
  auto* block = file.driverData<PgBlock>();
  if (!block) {
    file.driver_data = std::make_unique<PgBlock>();
    block = file.driverData<PgBlock>();
  }
  // A closed table takes the control block's current name and switches.
  if (!block->table || (fresh && !block->table->isOpen())) block->table = std::make_unique<PgTable>(file);
  block->table->bind(file);
  return *block->table;
}

int32_t Refuse(const PgTable& t, const std::string& why) {
  rt::postFileError(t.displayName(), why);
  return rt::Error_UnsupportedFileDriverFunction;
}

bool IsRead(int32_t op) {
  switch (op) {
    case rt::Op_GETfilekey: case rt::Op_GETfileptr: case rt::Op_GETkeyptr: case rt::Op_NEXT:
    case rt::Op_PREVIOUS: case rt::Op_REGETfile: case rt::Op_REGETkey:
      return true;
    default:
      return false;
  }
}

int32_t FileProperty(int32_t op, rt::DriverArgs& args, PgTable& t) {
  const bool set = op == rt::Op_SET_PROPERTY;
  args.result.clear();
  switch (args.property) {
    case rt::FileProp_SqlDriver:
      if (set) return Refuse(t, "Property can only be read");
      // The program reaches these tables through the same operations as
      // Kestrel's: it is told no SQL is spoken, so it sends none.
      args.result = "0";
      return 0;
    case rt::FileProp_MultiRecordRead: {
      if (!set) {
        args.result = std::to_string(t.multiRecordRead());
        return 0;
      }
      uint32_t n = 0;
      std::string_view v = args.text;
      while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
      while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
      auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
      if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n > 0xFFFF) {
        return Refuse(t, "Not a record count: " + args.text);
      }
      t.setMultiRecordRead(n);
      return 0;
    }
    case rt::FileProp_TableName:
      if (set) return Refuse(t, "Property can only be read");
      if (!t.isOpen()) return rt::Error_FileNotOpen;
      args.result = t.qualifiedName();
      return 0;
    case rt::FileProp_Records: {
      if (set) return Refuse(t, "Property can only be read");
      uint32_t n = 0;
      const int32_t rc = t.Records(&n);
      if (rc == 0) args.result = std::to_string(n);
      return rc;
    }
    default:
      return Refuse(t, "Unknown file property " + std::to_string(args.property));
  }
}

int32_t KeyProperty(int32_t op, rt::DriverArgs& args, PgTable& t) {
  args.result.clear();
  if (args.key < 0 || static_cast<size_t>(args.key) >= t.def().keys.size()) return rt::Error_InvalidIndexString;
  const kestrel::KeyDef& key = t.def().keys[args.key];
  if (args.property < rt::KeyProp_Label || args.property > rt::KeyProp_Complete) {
    return Refuse(t, "Unknown key property " + std::to_string(args.property));
  }
  if (op == rt::Op_SETPROPERTYkey) return Refuse(t, "Property can only be read");
  switch (args.property) {
    case rt::KeyProp_Label: args.result = key.label; return 0;
    case rt::KeyProp_Components:
      for (const kestrel::KeyComponent& c : key.components) {
        if (!args.result.empty()) args.result += ',';
        args.result += c.descending() ? '-' : '+';
        if (c.field < t.def().fields.size()) args.result += t.def().fields[c.field].name;
      }
      return 0;
    case rt::KeyProp_Attributes: args.result = std::to_string(key.attributes); return 0;
    case rt::KeyProp_Entries: {
      uint32_t n = 0;
      const int32_t rc = t.RecordsKey(args.key, &n);
      if (rc == 0) args.result = std::to_string(n);
      return rc;
    }
    default:
      if (!t.isOpen()) return rt::Error_FileNotOpen;
      args.result = key.dynamic() ? "0" : "1";  // declared keys are kept with every write
      return 0;
  }
}

int32_t Dispatch(int32_t op, rt::DriverArgs& args, PgTable& t) {
  switch (op) {
    case rt::Op_ADD:
    case rt::Op_APPEND: return t.Add();  // keys are always kept: APPEND adds its entries too
    case rt::Op_BOF:
    case rt::Op_EOF: {
      bool r = true;
      const int rc = op == rt::Op_BOF ? t.Bof(&r) : t.Eof(&r);
      args.value = r ? 1 : 0;
      return rc;
    }
    case rt::Op_BUILDfile:
    case rt::Op_BUILDkey:
    case rt::Op_PACK:
      // The server keeps every declared key with each write: nothing to build.
      if (!t.isOpen()) return rt::Error_FileNotOpen;
      return 0;
    case rt::Op_CLOSE: return t.Close();
    case rt::Op_COMMIT:
    case rt::Op_ROLLBACK: {
      std::string message;
      const int rc = op == rt::Op_COMMIT ? PgTable::Commit(&message) : PgTable::Rollback(&message);
      if (rc != 0 && !message.empty()) rt::postFileError(t.displayName(), message);
      return rc;
    }
    case rt::Op_STARTRAN:
    case rt::Op_ENDTRAN: return 0;
    case rt::Op_CREATE: {
      const int rc = t.Create();
      return rc != 0 ? rc : t.Open(0x42);  // the runtime counts a created file as open
    }
    case rt::Op_DELETE: return t.Delete();
    case rt::Op_DUPLICATE:
    case rt::Op_DUPLICATEkey: {
      bool d = false;
      const int rc = op == rt::Op_DUPLICATE ? t.Duplicate(&d) : t.DuplicateKey(args.key, &d);
      args.value = d ? 1 : 0;
      return rc;
    }
    case rt::Op_EMPTY: return t.Empty();
    case rt::Op_GETfilekey: return t.GetByKey(args.key);
    case rt::Op_GETfileptr:
    case rt::Op_GETkeyptr: return t.GetById(args.id);
    case rt::Op_HOLDfile: t.Hold(PgTable::kNoTimeout); return 0;
    case rt::Op_HOLDfilesec: t.Hold(args.seconds); return 0;
    case rt::Op_LOCKfile: return t.Lock(0);
    case rt::Op_LOCKfilesec: return t.Lock(args.seconds);
    case rt::Op_UNLOCK: return t.Unlock();
    case rt::Op_LOGOUT: return t.Logout();
    case rt::Op_NAME: args.result = t.displayName(); return 0;
    case rt::Op_NEXT: return t.Next();
    case rt::Op_PREVIOUS: return t.Previous();
    case rt::Op_OPEN: return t.Open(args.access_mode);
    case rt::Op_SHARE: return t.Open(args.access_mode);
    case rt::Op_POINTERfile:
    case rt::Op_POINTERkey:
      if (!t.isOpen()) return rt::Error_FileNotOpen;
      args.value = t.currentId();
      return 0;
    case rt::Op_FLUSH:
    case rt::Op_STREAM: return t.isOpen() ? 0 : rt::Error_FileNotOpen;
    case rt::Op_PUT: return t.Put();
    case rt::Op_PUTfileptr: return t.PutById(args.id);
    case rt::Op_RECORDSfile:
    case rt::Op_COUNTRECORDS:
    case rt::Op_RECORDSkey: {
      uint32_t n = 0;
      const int rc = op == rt::Op_RECORDSkey ? t.RecordsKey(args.key, &n) : t.Records(&n);
      args.value = n;
      return rc;
    }
    case rt::Op_RELEASE: return t.Release();
    case rt::Op_REMOVE: return t.Remove();
    case rt::Op_SETfile: return t.SetFile();
    case rt::Op_SETfilekey: return t.SetFileKey(args.key);
    case rt::Op_SETfileptr: return t.SetFilePtr(args.id);
    case rt::Op_SETkey: return t.SetKey(args.key);
    case rt::Op_SETkeykey: return t.SetKeyKey(args.key);
    case rt::Op_SETkeyptr: return t.SetKeyPtr(args.key, args.id);
    case rt::Op_SETkeykeyptr: return t.SetKeyKeyPtr(args.key, args.id);
    case rt::Op_SKIP: return t.Skip(args.count);
    case rt::Op_WATCH: t.Watch(); return 0;
    case rt::Op_NOMEMO: t.NoMemo(); return 0;
    case rt::Op_POSITIONfile: return t.Position(PgTable::kFileOrder, &args.result);
    case rt::Op_POSITIONkey: return t.Position(args.key, &args.result);
    case rt::Op_RESETfile: return t.ResetTo(PgTable::kFileOrder, args.text);
    case rt::Op_RESETkey: return t.ResetTo(args.key, args.text);
    case rt::Op_REGETfile: return t.Reget(PgTable::kFileOrder, args.text);
    case rt::Op_REGETkey: return t.Reget(args.key, args.text);
    case rt::Op_CLEAR: return 0;  // the runtime has filled the buffers
    case rt::Op_SET_PROPERTY:
    case rt::Op_GET_PROPERTY: return FileProperty(op, args, t);
    case rt::Op_SETPROPERTYkey:
    case rt::Op_GETPROPERTYkey: return KeyProperty(op, args, t);
    case rt::Op_QUERY_KEY:
      args.value = 0;
      if (!t.isOpen()) return rt::Error_FileNotOpen;
      if (args.key < 0 || static_cast<size_t>(args.key) >= t.def().keys.size()) return rt::Error_InvalidIndexString;
      args.value = t.def().keys[args.key].dynamic() ? 0 : 1;
      return 0;
    case rt::Op_Internal91: args.value = kDriverIdentity; return 0;
    case rt::Op_INVIEW: return 0;
    case rt::Op_ENDVIEW: return 0;
    case rt::Op_GETSTATE: args.value = t.SaveState(); return 0;
    case rt::Op_RESTORESTATE: return t.RestoreState(args.state) ? 0 : rt::Error_UnsupportedFileDriverFunction;
    case rt::Op_FREESTATE: t.FreeState(args.state); return 0;
    default:
      // Run-time indexes, copies, renames, byte counts and blob transfer
      // are not offered on the server.
      return Refuse(t, std::string("Not offered by the PostgreSQL driver: ") + rt::fileOpName(op));
  }
}

}  // namespace

int32_t PgsqlDriverEntry(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args) {
  if (op == rt::Op_DESTROY) {
    file.driver_data.reset();  // the table closes itself
    return 0;
  }
  if (op < rt::Op_ADD || op > rt::kMaxDriverOp) return rt::Error_UnsupportedFileDriverFunction;
  const bool fresh = op == rt::Op_OPEN || op == rt::Op_SHARE || op == rt::Op_CREATE || op == rt::Op_REMOVE;
  PgTable& t = TableOf(file, fresh);
  const int32_t rc = Dispatch(op, args, t);
  if (IsRead(op)) t.ClearRequests();
  return rc;
}

void RegisterPgsqlDriver() {
  static std::once_flag once;
  std::call_once(once, [] { rt::registerDriver(kDriverName, PgsqlDriverEntry); });
}

}  // namespace pgsql
