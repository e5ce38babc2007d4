// The key check shared by the edit model, the timeline writer and the editor link.
#include "KeyCheck.h"

#include "TrackSource.h"

#include <cmath>
#include <cstdio>

std::string keyProblem(std::int64_t row, float value, int interpolation) {
    if (row < -lastTextRow || row > lastTextRow)
        return "row " + std::to_string(row) + " is past the last row a timeline holds, " +
               std::to_string(lastTextRow);
    if (!std::isfinite(value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", double(value));
        return std::string("value ") + text + " is not a finite number";
    }
    if (interpolation < 0 || interpolation > 3)
        return "interpolation " + std::to_string(interpolation) + " is not 0 to 3";
    return {};
}
