#include <cctype>
#include <chrono>
#include <thread>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

namespace {

struct JournalImage {
  uint64_t own;
  uint64_t at;
  size_t size;
};

constexpr char kDefaultTcfMarker[] = "C:\\kEstreL.TCF";
constexpr char kDefaultTcfName[] = "kestrel.tcf";

std::string DirectoryOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

// Walks the journal, decides whether it is applied or discarded, and
// either reads through it (read mode) or applies/discards it and resets
// the bounds (write mode). *effective is the header to use afterwards.
Outcome PageStore::Recover(const Header& at0, Header* effective) {
  std::vector<JournalImage> images;
  std::unordered_map<uint64_t, uint64_t> map;
  Header journaled = at0;
  bool complete = at0.journal_end > at0.journal_start;
  uint64_t file_size = 0;
  if (file_->Size(&file_size) != 0) complete = false;
  for (uint64_t pos = at0.journal_start; complete && pos < at0.journal_end;) {
    char head[kCipherBlockSize];
    size_t got = 0;
    if (ReadPlain(pos, head, sizeof head, &got) != 0 || got < sizeof head) {
      complete = false;
      break;
    }
    uint64_t own = Get32LE(head);
    size_t size = UnitsFor(Get16LE(head + 4)) * kUnitSize;
    if (size == 0 || pos + size > at0.journal_end || pos + size > file_size) {
      complete = false;
      break;
    }
    if (own == 0) {
      std::string buf(kHeaderSize, '\0');
      if (ReadPlain(pos, buf.data(), buf.size(), &got) != 0 || got < kHeaderSize ||
          !Header::Decode(buf, &journaled).ok()) {
        complete = false;
        break;
      }
    } else {
      map[own] = pos;
    }
    images.push_back({own, pos, size});
    pos += size;
  }

  bool apply = false;
  if (complete) {
    // Look for the transaction link record in the journaled state.
    DropAllPages();
    insert_cursor_.Reset();
    header_ = journaled;
    root_ = journaled.root == kNoRoot ? -1 : static_cast<int32_t>(journaled.root);
    journal_map_ = map;
    Outcome o = DecideByTransactionLink(&apply);
    DropAllPages();
    header_valid_ = false;
    if (!o.ok()) {
      journal_map_.clear();
      return o;
    }
  }
  DropAllPages();
  header_valid_ = false;

  if (!writeMode()) {
    *effective = apply ? journaled : at0;
    if (!apply) journal_map_.clear();
    return Outcome::OK();
  }

  journal_map_.clear();
  bool took = false;
  if (deny_write_ && !locks_.holdsWriter()) {
    locks_.TakeWriterByte();
    took = true;
  }
  Outcome result;
  if (apply) {
    std::string buf;
    for (const JournalImage& im : images) {
      buf.assign(im.size, '\0');
      size_t got = 0;
      int rc = file_->Read(im.at, buf.data(), im.size, &got);
      if (rc == 0 && got < im.size) rc = rt::Error_AccessDenied;
      if (rc == 0) rc = file_->Write(im.own, buf.data(), im.size);
      if (rc != 0) {
        result = Outcome::Code(rc);
        break;
      }
    }
    if (result.ok()) result = Outcome::Code(file_->Flush());
  }
  if (result.ok()) {
    Header h;
    bool empty = false;
    result = ReadHeaderAt0(&h, &empty);
    if (result.ok()) {
      h.journal_start = h.journal_end = static_cast<uint32_t>(h.EndOfData());
      ++h.change_counter;
      result = WriteHeader(h, 0);
      if (result.ok()) result = Outcome::Code(file_->Flush());
      if (result.ok()) *effective = h;
    }
  }
  if (took) locks_.ReleaseWriterByte();
  return result;
}

Outcome PageStore::DecideByTransactionLink(bool* apply) {
  *apply = true;
  if (root_ == -1) return Outcome::OK();
  Cursor link;
  bool found = false;
  KESTREL_RETURN_IF_FAILED(SeekGreater(std::string_view("\xFF", 1), true, &link, &found));
  if (!found || link.key() != std::string_view("\xFF", 1)) return Outcome::OK();
  std::string_view value = link.value();
  if (value.size() < 4) return Status::Corruption(Check::kRecordValue);
  std::string txid(value.substr(0, 4));
  std::string tcf(value.substr(4));
  if (auto zero = tcf.find('\0'); zero != std::string::npos) tcf.resize(zero);
  if (tcf.empty() || SameTextIgnoringCase(tcf, kDefaultTcfMarker)) tcf = DirectoryOf(name_) + kDefaultTcfName;

  std::unique_ptr<PageStore> control;
  OpenOptions options;
  options.mode = kAccessReadWrite | kDenyNone;
  Outcome o;
  // The control file is refused while another process holds it exclusively;
  // that process is finishing the transaction, so keep trying for a while.
  // An undecidable journal is left in place rather than guessed.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    o = Open(tcf, options, &control);
    if (o.code() != rt::Error_AccessDenied) break;
    if (std::chrono::steady_clock::now() > deadline) return o;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!o.ok()) {
    *apply = false;
    return Outcome::OK();
  }
  control->BeginOperation();
  Cursor c;
  bool pending = false;
  o = control->Find(txid, &c, &pending);
  control->EndOperation();
  if (!o.ok()) return o;
  *apply = !pending;
  return Outcome::OK();
}

}  // namespace kestrel
