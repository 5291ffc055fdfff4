#include "runtime/kestrel/store/journal.h"

#include <algorithm>

#include "runtime/kestrel/format/coding.h"
#include "runtime/kestrel/os/status.h"

namespace kestrel {

int Journal::ReadPlain(uint64_t at, char* buf, size_t n, size_t* got) {
  int rc = file_->Read(at, buf, n, got);
  if (rc == rt::Error_NoError && *cipher_) Unscramble(**cipher_, buf, *got / kCipherBlockSize * kCipherBlockSize);
  return rc;
}

void Journal::Scramble(std::string* bytes) const {
  if (*cipher_) kestrel::Scramble(**cipher_, bytes->data(), bytes->size());
}

int Journal::Write(std::vector<Piece>& pieces) {
  std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.at < b.at; });
  int first_error = rt::Error_NoError;
  std::vector<std::string_view> run;
  for (size_t i = 0; i < pieces.size();) {
    run.clear();
    const uint64_t start = pieces[i].at;
    uint64_t end = start;
    while (i < pieces.size() && pieces[i].at == end &&
           (run.empty() || end - start + pieces[i].bytes.size() <= kMaxGatherBytes)) {
      run.push_back(pieces[i].bytes);
      end += pieces[i].bytes.size();
      ++i;
    }
    int rc = file_->WriteGather(start, run);
    if (rc != rt::Error_NoError && first_error == rt::Error_NoError) first_error = rc;
  }
  pieces.clear();
  return first_error;
}

Outcome Journal::WriteHeader(const Header& h, uint64_t at) {
  std::string image = h.Encode();
  Scramble(&image);
  return Outcome::Code(file_->Write(at, image.data(), image.size()));
}

// Reads each image's first block for its place and size, stepping by the
// size; an image cut short by the bounds or the end of the file leaves the
// journal incomplete.
Outcome Journal::Read(const Header& at0, Contents* out) {
  out->images.clear();
  out->copies.clear();
  out->header = at0;
  out->complete = at0.journal_end > at0.journal_start;
  uint64_t file_size = 0;
  if (file_->Size(&file_size) != 0) out->complete = false;
  for (uint64_t pos = at0.journal_start; out->complete && pos < at0.journal_end;) {
    char head[kCipherBlockSize];
    size_t got = 0;
    if (ReadPlain(pos, head, sizeof head, &got) != 0 || got < sizeof head) {
      out->complete = false;
      break;
    }
    uint64_t own = Get32LE(head);
    size_t size = UnitsFor(Get16LE(head + 4)) * kUnitSize;
    if (size == 0 || pos + size > at0.journal_end || pos + size > file_size) {
      out->complete = false;
      break;
    }
    if (own == 0) {
      std::string buf(kHeaderSize, '\0');
      if (ReadPlain(pos, buf.data(), buf.size(), &got) != 0 || got < kHeaderSize ||
          !Header::Decode(buf, &out->header).ok()) {
        out->complete = false;
        break;
      }
    } else {
      out->copies[own] = pos;
    }
    out->images.push_back({own, pos, size});
    pos += size;
  }
  if (!out->complete) out->header = at0;
  return Outcome::OK();
}

Outcome Journal::Apply(const Contents& journal) {
  if (!journal.complete) return Outcome::Code(rt::Error_AccessDenied);
  std::string buf;
  for (const Image& im : journal.images) {
    buf.assign(im.size, '\0');
    size_t got = 0;
    int rc = file_->Read(im.at, buf.data(), im.size, &got);
    if (rc == 0 && got < im.size) rc = rt::Error_AccessDenied;
    if (rc == 0) rc = file_->Write(im.own, buf.data(), im.size);
    if (rc != 0) return Outcome::Code(rc);
  }
  return Outcome::Code(file_->Flush());
}

}  // namespace kestrel
