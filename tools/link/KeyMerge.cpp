// Sort and merge of one frame's key edits.
#include "KeyMerge.h"

#include <algorithm>

namespace synclink {

void mergeKeyEdits(const std::vector<TrackKey>& keys, std::vector<KeyEdit>& edits,
                   std::vector<TrackKey>& merged) {
    std::sort(edits.begin(), edits.end(), [](const KeyEdit& a, const KeyEdit& b) {
        return a.row != b.row ? a.row < b.row : a.order < b.order;
    });
    merged.clear();
    auto key = keys.begin();
    for (auto edit = edits.begin(); edit != edits.end();) {
        while (key != keys.end() && key->row < edit->row)
            merged.push_back(*key++);
        if (key != keys.end() && key->row == edit->row)
            ++key;
        auto last = edit;
        while (edit != edits.end() && edit->row == last->row)
            last = edit++;
        if (!last->remove)
            merged.push_back(TrackKey{last->row, last->value, last->interpolation});
    }
    merged.insert(merged.end(), key, keys.end());
}

} // namespace synclink
