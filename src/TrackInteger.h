// Whole numbers from track values, defined for every float however wild the track.
#pragma once

#include <cmath>

// Truncated toward zero, then held inside [lowest, highest]; not-a-number counts as 0.
inline int trackInteger(float value, int lowest, int highest) {
    if (std::isnan(value))
        value = 0.0f;
    // Compared as floats: past either bound the conversion itself would be undefined.
    if (value <= float(lowest))
        return lowest;
    if (value >= float(highest))
        return highest;
    int whole = static_cast<int>(value);
    return whole < lowest ? lowest : whole > highest ? highest : whole;
}
