#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/kestrel/format/cipher.h"
#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/os/file.h"
#include "runtime/kestrel/store/outcome.h"

namespace kestrel {

// The file side of the two-phase commit: the journal beyond the end of the
// data, and the scrambled reads and writes of page and header images.
//
// A journal is a run of images from the header's journal_start to its
// journal_end, each one a page image (its own position in its first four
// bytes, its stored size in the next two) or the new header (own position
// 0), each padded to whole 256-byte units. It is complete when every image
// in the bounds can be read whole; only a complete journal is ever applied.
// Applying copies every image to its own position and flushes; resetting
// the bounds is left to the caller, which knows the header to keep.
class Journal {
 public:
  struct Piece {
    uint64_t at;
    std::string_view bytes;
  };
  struct Image {
    uint64_t own;  // where the image belongs
    uint64_t at;   // where the journal holds it
    size_t size;
  };
  struct Contents {
    bool complete = false;
    std::vector<Image> images;
    std::unordered_map<uint64_t, uint64_t> copies;  // own position -> position in the journal
    Header header;                                  // the journaled header, else the one at 0
  };

  // Bytes of adjacent images written by one gathered write. Gathering many
  // megabytes in one call made the kernel's copy erratic and slow; a few
  // hundred KB keep the calls few and the copy steady.
  static constexpr uint64_t kMaxGatherBytes = 256 * 1024;

  // `cipher` is the store's key (empty: nothing is scrambled); it may be
  // set after the journal is made.
  Journal(File* file, const std::optional<CipherKey>* cipher) : file_(file), cipher_(cipher) {}

  // Reads `n` bytes and unscrambles the whole blocks read.
  int ReadPlain(uint64_t at, char* buf, size_t n, size_t* got);
  void Scramble(std::string* bytes) const;

  // Writes pieces in file order, each run of adjacent pieces in one
  // gathered write of at most kMaxGatherBytes (one piece alone may exceed
  // it). Every piece is tried; the first failure is answered. Empties
  // `pieces`.
  int Write(std::vector<Piece>& pieces);
  Outcome WriteHeader(const Header& h, uint64_t at);

  // Walks the journal that the header at 0 bounds.
  Outcome Read(const Header& at0, Contents* out);
  // Copies every image of a complete journal to its own place and flushes.
  Outcome Apply(const Contents& journal);

 private:
  File* file_;
  const std::optional<CipherKey>* cipher_;
};

}  // namespace kestrel
