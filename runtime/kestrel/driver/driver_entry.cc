// The entry routine: operation numbers to table operations.
#include <memory>
#include <mutex>

#include "runtime/core/file_ops.h"
#include "runtime/core/trim.h"
#include "runtime/kestrel/driver/driver_errors.h"
#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/kestrel/driver/kestrel_table.h"
#include "runtime/kestrel/driver/properties.h"
#include "runtime/kestrel/driver/transaction.h"

namespace kestrel {

namespace {

// The driver's part of a control block.
class KestrelBlock : public rt::DriverData {
 public:
  std::unique_ptr<KestrelTable> table;
};

// A non-zero identity shared by every file of this driver.
constexpr int64_t kDriverIdentity = 0x4B524C;  // "KRL"

TableDeclaration DeclarationOf(const rt::FileControlBlock& file) {
  TableDeclaration d;
  d.name = file.name;
  d.driver_string = file.driver_string;
  d.create = (file.attributes & rt::kFileCreate) != 0;
  d.oem = (file.attributes & rt::kFileOem) != 0;
  d.per_thread = (file.attributes & rt::kFileThreaded) != 0;
  if (!file.decl().fields.empty()) d.layout = TableDefFromDecl(file.decl());
  return d;
}

KestrelTable& TableOf(rt::FileControlBlock& file, bool fresh) {
  auto* block = file.driverData<KestrelBlock>();
  if (!block) {
    file.driver_data = std::make_unique<KestrelBlock>();
    block = file.driverData<KestrelBlock>();
  }
  // A closed table takes the control block's current name and switches.
  if (!block->table || (fresh && !block->table->isOpen())) {
    block->table = std::make_unique<KestrelTable>(DeclarationOf(file));
  }
  return *block->table;
}

bool TextMemo(const rt::FileDecl& decl, size_t m) { return m < decl.memos.size() && !decl.memos[m].binary(); }

void BuffersIn(const rt::FileControlBlock& file, KestrelTable& t) {
  const size_t length = t.def().record_length;
  std::string& row = t.record();
  row.assign(reinterpret_cast<const char*>(file.record.data()), std::min(length, file.record.size()));
  row.resize(length, '\0');
  std::vector<std::string>& memos = t.memos();
  memos.resize(t.def().memos.size());
  for (size_t m = 0; m < memos.size() && m < file.memos.size(); ++m) {
    memos[m] = file.memos[m];
    if (TextMemo(file.decl(), m)) memos[m].resize(rt::trimRight(memos[m]).size());
  }
}

void BuffersOut(KestrelTable& t, rt::FileControlBlock& file) {
  const std::string& row = t.record();
  if (file.record.size() != row.size()) file.record.resize(row.size());
  std::copy(row.begin(), row.end(), file.record.begin());
  const std::vector<std::string>& memos = t.memos();
  if (file.memos.size() < memos.size()) file.memos.resize(memos.size());
  for (size_t m = 0; m < memos.size(); ++m) {
    file.memos[m] = memos[m];
    if (TextMemo(file.decl(), m) && file.memos[m].size() < file.decl().memos[m].size) {
      file.memos[m].resize(file.decl().memos[m].size, ' ');
    }
  }
}

// "+PRE:A,-PRE:B" -> components; false when empty or a field is unknown.
bool ParseComponents(const KestrelTable& t, const rt::FileDecl& decl, const std::string& text,
                     std::vector<KeyComponent>* out) {
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    std::string part = text.substr(at, comma - at);
    while (!part.empty() && part.front() == ' ') part.erase(0, 1);
    while (!part.empty() && part.back() == ' ') part.pop_back();
    bool descending = false;
    if (!part.empty() && (part[0] == '+' || part[0] == '-')) {
      descending = part[0] == '-';
      part.erase(0, 1);
    }
    if (!part.empty()) {
      int field = t.FieldIndex(part);
      if (field < 0) field = decl.findField(part);
      if (field < 0) return false;
      out->push_back(KeyComponent{static_cast<uint16_t>(field), static_cast<uint16_t>(descending ? 1 : 0)});
    }
    at = comma + 1;
  }
  return !out->empty();
}

// A file with the progress attribute only notes a build request and tells
// the runtime so; the runtime performs it with BUILDevent.
bool Noted(const rt::FileControlBlock& file, rt::DriverArgs& args, const KestrelTable& t) {
  if (!(file.attributes & rt::kFileProgress) || !t.isOpen()) return false;
  args.value = rt::kBuildNoted;
  return true;
}

int32_t Dispatch(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args, KestrelTable& t) {
  switch (op) {
    case rt::Op_ADD: return t.Add();
    case rt::Op_APPEND: return t.Append();
    case rt::Op_BOF:
    case rt::Op_EOF: {
      bool r = true;
      const int rc = op == rt::Op_BOF ? t.Bof(&r) : t.Eof(&r);
      args.value = r ? 1 : 0;
      return rc;
    }
    case rt::Op_BUILDfile:
      if (Noted(file, args, t)) {
        t.NoteBuild([&t](const BuildProgressFn& progress) { return t.BuildFile(progress); });
        return 0;
      }
      return t.BuildFile();
    case rt::Op_PACK: return t.Pack();
    case rt::Op_BUILDkey:
      if (Noted(file, args, t)) {
        t.NoteBuild([&t, key = args.key](const BuildProgressFn& progress) { return t.BuildKey(key, progress); });
        return 0;
      }
      return t.BuildKey(args.key);
    case rt::Op_BUILDdyn:
    case rt::Op_BUILDdynfilter: {
      // Filters are expressions of the runtime's evaluator: the driver can
      // only ask the compiled form, never the text.
      const bool filtered = op == rt::Op_BUILDdynfilter && args.accept;
      if (op == rt::Op_BUILDdynfilter && !filtered && !args.filter.empty()) return rt::Error_UnsupportedFileDriverFunction;
      std::vector<KeyComponent> components;
      if (!ParseComponents(t, file.decl(), args.text, &components)) return rt::Error_InvalidIndexString;
      RowFilter filter;
      if (filtered) {
        // The candidate goes through the record buffer, where the filter reads
        // its fields; the caller's buffer comes back from the table after.
        filter = [&file, accept = args.accept](std::string_view row) {
          file.record.assign(row.begin(), row.end());
          return accept(file);
        };
      }
      if (Noted(file, args, t)) {
        t.NoteBuild([&t, key = args.key, components, filter](const BuildProgressFn& progress) {
          return t.BuildDynamic(key, components, filter, nullptr, progress);
        });
        return 0;
      }
      return t.BuildDynamic(args.key, std::move(components), std::move(filter));
    }
    case rt::Op_BUILDevent: return t.RunNotedBuilds(args.progress);
    case rt::Op_CLOSE: return t.Close();
    case rt::Op_COMMIT: {
      Outcome o = Transaction::Global().Commit();
      return o.code();
    }
    case rt::Op_ROLLBACK: return Transaction::Global().Rollback().code();
    case rt::Op_STARTRAN:
    case rt::Op_ENDTRAN: return 0;
    case rt::Op_COPY: return t.Copy(args.text);
    case rt::Op_RENAME: return t.Rename(args.text);
    case rt::Op_CREATE: {
      // The runtime counts a created file as open.
      const int rc = t.Create();
      return rc != 0 || t.isOpen() ? rc : t.Share(0x42);
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
    case rt::Op_HOLDfile: t.Hold(); return 0;
    case rt::Op_HOLDfilesec: t.Hold(args.seconds); return 0;
    case rt::Op_LOCKfile: return t.Lock();
    case rt::Op_LOCKfilesec: return t.Lock(args.seconds);
    case rt::Op_UNLOCK: return t.Unlock();
    case rt::Op_LOGOUT: return t.Logout();
    case rt::Op_NAME: args.result = t.displayName(); return 0;
    case rt::Op_NEXT: return t.Next();
    case rt::Op_PREVIOUS: return t.Previous();
    case rt::Op_OPEN: return t.Open(args.access_mode);
    case rt::Op_SHARE: return t.Share(args.access_mode);
    case rt::Op_POINTERfile:
    case rt::Op_POINTERkey:
      if (!t.isOpen()) return rt::Error_FileNotOpen;
      args.value = t.currentId();
      return 0;
    case rt::Op_FLUSH: return t.Flush();
    case rt::Op_STREAM: return t.Stream();
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
    case rt::Op_BYTES: {
      if (!t.isOpen()) return rt::Error_FileNotOpen;
      if (file.runtime_flags & rt::kRuntimeByteCount) {
        args.value = file.byte_count;
        return 0;
      }
      uint64_t bytes = 0;
      const int rc = t.Bytes(&bytes);
      args.value = static_cast<int64_t>(bytes);
      return rc;
    }
    case rt::Op_WATCH: t.Watch(); return 0;
    case rt::Op_NOMEMO: t.NoMemo(); return 0;
    case rt::Op_SEND: return t.Send(args.text, &args.result);
    case rt::Op_POSITIONfile: return t.Position(KestrelTable::kFileOrder, &args.result);
    case rt::Op_POSITIONkey: return t.Position(args.key, &args.result);
    case rt::Op_RESETfile: return t.ResetTo(KestrelTable::kFileOrder, args.text);
    case rt::Op_RESETkey: return t.ResetTo(args.key, args.text);
    case rt::Op_REGETfile: return t.Reget(KestrelTable::kFileOrder, args.text);
    case rt::Op_REGETkey: return t.Reget(args.key, args.text);
    case rt::Op_CLEAR: return 0;  // the runtime has filled the buffers
    case rt::Op_SET_PROPERTY:
    case rt::Op_GET_PROPERTY: return FileProperty(op, args, t);
    case rt::Op_SETPROPERTYkey:
    case rt::Op_GETPROPERTYkey: return KeyProperty(op, args, t);
    case rt::Op_QUERY_KEY: return QueryKey(args, t);
    case rt::Op_BLOB_SIZE:
      if (args.memo < 0 || static_cast<size_t>(args.memo) >= t.memos().size()) return rt::Error_InvalidIndexString;
      args.value = static_cast<int64_t>(t.memos()[args.memo].size());
      return 0;
    case rt::Op_BLOB_YIELD:
    case rt::Op_BLOB_TAKE: {
      if (args.memo < 0 || static_cast<size_t>(args.memo) >= t.memos().size()) return rt::Error_InvalidIndexString;
      std::string& m = t.memos()[args.memo];
      if (op == rt::Op_BLOB_YIELD) {
        args.block.assign(m.begin(), m.end());
      } else {
        m.assign(args.block.begin(), args.block.end());
      }
      return 0;
    }
    case rt::Op_BLOB_SET_PROP:
    case rt::Op_BLOB_GET_PROP: return BlobProperty(op, args, t);
    case rt::Op_Internal91: args.value = kDriverIdentity; return 0;
    case rt::Op_INVIEW:
      if (!(file.runtime_flags & rt::kRuntimeNoViewMark)) t.BeginView();
      return 0;
    case rt::Op_ENDVIEW: return t.EndView();
    case rt::Op_GETSTATE: args.value = t.SaveState(); return 0;
    case rt::Op_RESTORESTATE: return t.RestoreState(args.state) ? 0 : rt::Error_UnsupportedFileDriverFunction;
    case rt::Op_FREESTATE: t.FreeState(args.state); return 0;
    default: return rt::Error_UnsupportedFileDriverFunction;
  }
}

bool Implemented(int32_t op) {
  switch (op) {
    case 51: case 53: case 55: case 59: case 68: case 69: case 70: case 74: case 80: case 81: case 83:
    case 87: case 88: case 89: case 90: case 94: case 96: case 97: case 100: case 101: case 103:
      return false;
    default:
      return op >= rt::Op_ADD && op <= rt::Op_DESTROY;
  }
}

}  // namespace

int32_t KestrelDriverEntry(int32_t op, rt::FileControlBlock& file, rt::DriverArgs& args) {
  if (!Implemented(op)) return rt::Error_UnsupportedFileDriverFunction;
  if (op == rt::Op_DESTROY) {
    file.driver_data.reset();  // the table closes itself
    return 0;
  }
  const bool fresh = op == rt::Op_OPEN || op == rt::Op_SHARE || op == rt::Op_CREATE || op == rt::Op_REMOVE ||
                     op == rt::Op_COPY || op == rt::Op_RENAME;
  KestrelTable& t = TableOf(file, fresh);
  BuffersIn(file, t);
  const int32_t rc = Dispatch(op, file, args, t);
  // A block declared without fields takes the layout stored in the file.
  if ((op == rt::Op_OPEN || op == rt::Op_SHARE) && rc == 0 && file.decl().fields.empty()) {
    file.adoptDecl(DeclFromTableDef(t.def(), file.decl()));
  }
  BuffersOut(t, file);
  return rc;
}

void RegisterKestrelDriver() {
  static std::once_flag once;
  std::call_once(once, [] { rt::registerDriver(kDriverName, KestrelDriverEntry); });
}

}  // namespace kestrel
