// The editor's key edits of one frame merged into a track's keys at once: sorted, then one pass,
// so a frame of n keys into a track of m costs n log n + m, never n times m.
#pragma once

#include "Sync.h"

#include <cstdint>
#include <vector>

namespace synclink {

// A key set or deleted, `order` counting the edits of the frame as they came.
struct KeyEdit {
    std::int32_t row;
    std::uint32_t order;
    float value;
    std::uint8_t interpolation;
    bool remove;
};

// `keys` (by row, one per row) with `edits` applied in the order they came, into `merged`
// (cleared first): the last edit of a row is the one that counts. `edits` is sorted on the way.
void mergeKeyEdits(const std::vector<TrackKey>& keys, std::vector<KeyEdit>& edits,
                   std::vector<TrackKey>& merged);

} // namespace synclink
