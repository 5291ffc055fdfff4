#pragma once

#include <cstdint>

#include "runtime/kestrel/format/header.h"
#include "runtime/kestrel/store/outcome.h"

namespace kestrel {

// Places pages in the size areas of a header's area table: area i (1 to
// kMaxUnits) holds the pages of i units, one every i units, in
// [area_start[i], area_end[i]), the areas in ascending order. An area only
// grows by shifting its neighbours, and they shift by moving their pages
// one at a time through the Mover, which gives the page its new place and
// points its parent at it. The allocator changes nothing but the area
// table and what it asks of the Mover.
//
// Precondition of every call: every area starts at or above the end of the
// one below it (an empty area lies at the end of the one below).
class SpaceAreas {
 public:
  class Mover {
   public:
    // The page at `from` now lives at `to`, a place no page holds.
    virtual Outcome MovePage(int32_t from, int32_t to) = 0;

   protected:
    ~Mover() = default;
  };

  SpaceAreas(Header* header, Mover* mover) : header_(header), mover_(mover) {}

  // A free place for a page of `units` (1 to kMaxUnits): the gap below the
  // area when the lower areas can be shifted down to make one, else the
  // end of the area, after shifting the higher areas up.
  Outcome Take(int units, int32_t* ref);
  // Gives back the place `hole` of a page of `units` units: the last page of
  // the area fills the hole and the area shrinks.
  Outcome Give(int32_t hole, int units);
  // Closes gaps: a one-page area moves its page to the end of the area
  // below; a larger one moves pages from its end to just below its start
  // while the gap below it holds a page.
  Outcome Compact();

  // End of the area below area i (0 for area 1).
  int64_t Floor(int i) const { return i > 1 ? int64_t{header_->area_end[i - 1]} : 0; }
  uint32_t Pages(int i) const {
    return header_->area_end[i] > header_->area_start[i] ? (header_->area_end[i] - header_->area_start[i]) / i : 0;
  }

 private:
  Outcome MakeRoomBelow(int i, int64_t n, bool* done);
  Outcome MakeRoomAbove(int i, int64_t n);

  Header* header_;
  Mover* mover_;
};

}  // namespace kestrel
