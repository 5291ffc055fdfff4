#include <cctype>
#include <chrono>
#include <thread>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/os/open_mode.h"
#include "runtime/kestrel/os/status.h"
#include "runtime/kestrel/store/page_store.h"

namespace kestrel {

namespace {

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
  Journal::Contents journal;
  KESTREL_RETURN_IF_FAILED(journal_.Read(at0, &journal));

  bool apply = false;
  if (journal.complete) {
    // Look for the transaction link record in the journaled state.
    DropAllPages();
    insert_cursor_.Reset();
    header_ = journal.header;
    root_ = journal.header.root == kNoRoot ? -1 : static_cast<int32_t>(journal.header.root);
    journal_map_ = journal.copies;
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
    *effective = apply ? journal.header : at0;
    if (!apply) journal_map_.clear();
    return Outcome::OK();
  }

  journal_map_.clear();
  bool took = false;
  if (deny_write_ && !locks_.holdsWriter()) {
    locks_.TakeWriterByte();
    took = true;
  }
  // Readers that found the bounds read the changed pages from the journal
  // until their operation ends, and the journal lies beyond the end of the
  // data, where this writer may write before its commit (page_store_spill.cc): they
  // finish first, and later ones find the bounds reset.
  const bool excluded = locks_.readersExcluded();
  if (!excluded && (shared_ || deny_write_)) locks_.ExcludeReaders();
  Outcome result;
  if (apply) result = journal_.Apply(journal);
  if (result.ok()) {
    Header h;
    bool empty = false;
    result = ReadHeaderAt0(&h, &empty);
    if (result.ok()) {
      h.journal_start = h.journal_end = static_cast<uint32_t>(h.EndOfData());
      ++h.change_counter;
      result = journal_.WriteHeader(h, 0);
      if (result.ok()) result = Outcome::Code(file_->Flush());
      if (result.ok()) *effective = h;
    }
  }
  if (!excluded) locks_.ReleaseReaders();
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
