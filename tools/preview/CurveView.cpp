// Painting the curve lane: grid, curves sampled from the engine's tracks every other pixel (so
// they are what the picture uses), keys as squares and the play head.
#include "CurveView.h"

#include "MusicGrid.h"
#include "Sync.h"
#include "TimeAxis.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float keyRadius = 4.0f;

const ImU32 curveColours[] = {IM_COL32(255, 190, 60, 255),  IM_COL32(90, 200, 255, 255),
                              IM_COL32(140, 235, 120, 255), IM_COL32(255, 120, 200, 255),
                              IM_COL32(200, 160, 255, 255), IM_COL32(255, 255, 255, 255)};
const ImU32 backgroundColour = IM_COL32(20, 22, 28, 255);
const ImU32 gridColour = IM_COL32(50, 54, 66, 255);
const ImU32 barColour = IM_COL32(72, 77, 92, 255);
const ImU32 phraseColour = IM_COL32(105, 110, 130, 255);
const ImU32 headColour = IM_COL32(255, 60, 40, 255);
const ImU32 selectedColour = IM_COL32(255, 255, 255, 255);

} // namespace

bool CurveView::isSelected(const std::vector<KeyRef>& selection, const std::string& track,
                           int row) {
    for (const KeyRef& key : selection)
        if (key.row == row && key.track == track)
            return true;
    return false;
}

float CurveView::valueToY(float value, const Scale& scale, const CurveFrame& frame) const {
    float fraction = (value - scale.low) / (scale.high - scale.low);
    return frame.bottom - 6.0f - fraction * (frame.bottom - frame.top - 12.0f);
}

CurveView::Scale CurveView::scaleOf(const Track& track) const {
    Scale scale{0.0f, 0.0f};
    bool any = false;
    for (int i = 0; i < track.getKeyCount(); ++i) {
        float value = track.getKeys()[i].value;
        if (!std::isfinite(value))
            continue;
        scale.low = any ? std::min(scale.low, value) : value;
        scale.high = any ? std::max(scale.high, value) : value;
        any = true;
    }
    if (scale.high - scale.low < 1e-6f) {
        scale.low -= 1.0f;
        scale.high += 1.0f;
    }
    float margin = (scale.high - scale.low) * 0.08f;
    return {scale.low - margin, scale.high + margin};
}

void CurveView::paint(ImDrawList* list, const TimeAxis& axis, const CurveFrame& frame,
                      const std::vector<KeyRef>& selection) {
    const std::vector<const std::string*>& shown = *frame.shown;
    ImVec2 origin(axis.getLeft(), frame.top), end(axis.getRight(), frame.bottom);
    list->PushClipRect(origin, end, true);
    list->AddRectFilled(origin, end, backgroundColour);

    // Grid lines at least 6 pixels apart; bars and phrases stand out.
    int step = axis.gridStep(6.0f);
    for (double row = std::ceil(axis.getFirstRow() / step) * step; row <= axis.getLastRow();
         row += step) {
        float x = axis.rowToX(row);
        ImU32 colour = std::fmod(row, MusicGrid::rowsPerPhrase) == 0.0 ? phraseColour
                       : std::fmod(row, MusicGrid::rowsPerBar) == 0.0  ? barColour
                                                                       : gridColour;
        list->AddLine(ImVec2(x, origin.y), ImVec2(x, end.y), colour);
    }

    TrackSet* tracks = Sync::getTracks();
    scales.clear();
    Scale shared{0.0f, 0.0f};
    for (std::size_t i = 0; i < shown.size(); ++i) {
        Scale scale = scaleOf(*tracks->getTrack(shown[i]->c_str()));
        shared = i == 0 ? scale
                        : Scale{std::min(shared.low, scale.low), std::max(shared.high, scale.high)};
        scales.push_back(scale);
    }
    if (frame.sharedScale)
        std::fill(scales.begin(), scales.end(), shared);

    places.clear();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Track& track = *tracks->getTrack(shown[i]->c_str());
        ImU32 colour = curveColours[i % 6];
        points.clear();
        for (float x = origin.x; x <= end.x + 1.0f; x += 2.0f)
            points.push_back(ImVec2(x, valueToY(track.getValue(axis.xToRow(x)), scales[i], frame)));
        list->AddPolyline(points.data(), int(points.size()), colour, 0,
                          frame.active && *shown[i] == *frame.active ? 2.5f : 1.5f);
        for (int k = 0; k < track.getKeyCount(); ++k) {
            const TrackKey& key = track.getKeys()[k];
            ImVec2 at(axis.rowToX(key.row), valueToY(key.value, scales[i], frame));
            if (at.x < origin.x - keyRadius || at.x > end.x + keyRadius)
                continue;
            bool selected = isSelected(selection, *shown[i], key.row);
            list->AddRectFilled(ImVec2(at.x - keyRadius, at.y - keyRadius),
                                ImVec2(at.x + keyRadius, at.y + keyRadius),
                                selected ? selectedColour : colour);
            places.push_back(KeyPlace{at, i, key.row, key.value});
        }
    }
    float head = axis.rowToX(frame.playRow);
    list->AddLine(ImVec2(head, origin.y), ImVec2(head, end.y), headColour, 2.0f);
    list->PopClipRect();
}
