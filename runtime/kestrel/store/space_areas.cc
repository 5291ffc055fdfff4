#include "runtime/kestrel/store/space_areas.h"

#include <algorithm>

namespace kestrel {

// Makes the gap below area i at least n units by shifting lower areas down.
// Fails (*done false, nothing moved) when area 0 would have to give room.
Outcome SpaceAreas::MakeRoomBelow(int i, int64_t n, bool* done) {
  *done = false;
  int64_t gap = int64_t{header_->area_start[i]} - Floor(i);
  if (gap >= n) {
    *done = true;
    return Outcome::OK();
  }
  const int j = i - 1;
  if (j == 0) return Outcome::OK();
  const int64_t need = n - gap;
  bool below = false;
  KESTREL_RETURN_IF_FAILED(MakeRoomBelow(j, (need + j - 1) / j * j, &below));
  if (!below) return Outcome::OK();
  while (int64_t{header_->area_start[i]} - int64_t{header_->area_end[j]} < n) {
    if (Pages(j) > 0) {
      KESTREL_RETURN_IF_FAILED(mover_->MovePage(static_cast<int32_t>(header_->area_end[j] - j),
                                        static_cast<int32_t>(header_->area_start[j] - j)));
    }
    header_->area_start[j] -= j;
    header_->area_end[j] -= j;
  }
  *done = true;
  return Outcome::OK();
}

// Makes the gap above area i at least n units by shifting higher areas up.
Outcome SpaceAreas::MakeRoomAbove(int i, int64_t n) {
  if (i >= kMaxUnits) return Outcome::OK();  // the last area has unlimited room
  const int k = i + 1;
  while (int64_t{header_->area_start[k]} - int64_t{header_->area_end[i]} < n) {
    const int64_t missing = n - (int64_t{header_->area_start[k]} - int64_t{header_->area_end[i]});
    if (Pages(k) <= 1) {
      KESTREL_RETURN_IF_FAILED(MakeRoomAbove(k, missing));
      if (Pages(k) == 1) {
        KESTREL_RETURN_IF_FAILED(mover_->MovePage(static_cast<int32_t>(header_->area_start[k]),
                                          static_cast<int32_t>(header_->area_start[k] + missing)));
      }
      header_->area_start[k] += static_cast<uint32_t>(missing);
      header_->area_end[k] += static_cast<uint32_t>(missing);
    } else {
      KESTREL_RETURN_IF_FAILED(MakeRoomAbove(k, k));
      KESTREL_RETURN_IF_FAILED(mover_->MovePage(static_cast<int32_t>(header_->area_start[k]),
                                        static_cast<int32_t>(header_->area_end[k])));
      header_->area_start[k] += k;
      header_->area_end[k] += k;
    }
  }
  return Outcome::OK();
}

Outcome SpaceAreas::Take(int units, int32_t* ref) {
  // Shifting areas down only moves the gaps below area `units`; when they
  // add up to less than a page, MakeRoomBelow would fail (moving nothing)
  // after walking down to area 1.
  int64_t free_below = 0;
  for (int j = 1; j <= units; ++j) free_below += std::max<int64_t>(0, int64_t{header_->area_start[j]} - Floor(j));
  bool below = false;
  if (free_below >= units) KESTREL_RETURN_IF_FAILED(MakeRoomBelow(units, units, &below));
  if (below) {
    header_->area_start[units] -= units;
    *ref = static_cast<int32_t>(header_->area_start[units]);
  } else {
    KESTREL_RETURN_IF_FAILED(MakeRoomAbove(units, units));
    *ref = static_cast<int32_t>(header_->area_end[units]);
    header_->area_end[units] += units;
  }
  return Outcome::OK();
}

Outcome SpaceAreas::Give(int32_t hole, int units) {
  const int32_t last = static_cast<int32_t>(header_->area_end[units] - units);
  if (last != hole) KESTREL_RETURN_IF_FAILED(mover_->MovePage(last, hole));
  header_->area_end[units] -= units;
  return Outcome::OK();
}

Outcome SpaceAreas::Compact() {
  for (int i = 2; i <= kMaxUnits; ++i) {
    const uint32_t floor = header_->area_end[i - 1];
    const uint32_t pages = Pages(i);
    if (pages == 0) {
      if (header_->area_start[i] > floor) header_->area_start[i] = header_->area_end[i] = floor;
      continue;
    }
    if (pages == 1) {
      if (header_->area_start[i] > floor) {
        KESTREL_RETURN_IF_FAILED(
            mover_->MovePage(static_cast<int32_t>(header_->area_start[i]), static_cast<int32_t>(floor)));
        header_->area_start[i] = floor;
        header_->area_end[i] = floor + i;
      }
      continue;
    }
    while (header_->area_start[i] >= floor + i) {
      KESTREL_RETURN_IF_FAILED(mover_->MovePage(static_cast<int32_t>(header_->area_end[i] - i),
                                        static_cast<int32_t>(header_->area_start[i] - i)));
      header_->area_start[i] -= i;
      header_->area_end[i] -= i;
    }
  }
  return Outcome::OK();
}

}  // namespace kestrel
