// Curves sampled from the engine's tracks every other pixel, keys as squares, and the mouse.
#include "CurveView.h"

#include "Demo.h"
#include "Sync.h"
#include "Timeline.h"

#include <algorithm>
#include <cmath>

namespace {

const double showRows = Demo::showLength * Demo::rowsPerSecond;
constexpr double fewestRows = 16.0;
constexpr float keyRadius = 4.0f;
constexpr float grabDistance = 7.0f;

const ImU32 curveColours[] = {IM_COL32(255, 190, 60, 255),  IM_COL32(90, 200, 255, 255),
                              IM_COL32(140, 235, 120, 255), IM_COL32(255, 120, 200, 255),
                              IM_COL32(200, 160, 255, 255), IM_COL32(255, 255, 255, 255)};
const ImU32 backgroundColour = IM_COL32(20, 22, 28, 255);
const ImU32 gridColour = IM_COL32(60, 64, 76, 255);
const ImU32 headColour = IM_COL32(255, 60, 40, 255);
const ImU32 selectedColour = IM_COL32(255, 255, 255, 255);

bool isSelected(const std::vector<KeyRef>& selection, const std::string& track, int row) {
    for (const KeyRef& key : selection)
        if (key.row == row && key.track == track)
            return true;
    return false;
}

} // namespace

float CurveView::rowToX(double row) const {
    return origin.x + float((row - firstRow) / (lastRow - firstRow)) * extent.x;
}

double CurveView::xToRow(float x) const {
    return firstRow + double(x - origin.x) / double(extent.x) * (lastRow - firstRow);
}

float CurveView::valueToY(float value, const Scale& scale) const {
    float fraction = (value - scale.low) / (scale.high - scale.low);
    return origin.y + extent.y - 6.0f - fraction * (extent.y - 12.0f);
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

bool CurveView::draw(const std::vector<const std::string*>& shown, const std::string& active,
                     bool sharedScale, bool readOnly, double playRow, ImVec2 size, EditModel& model,
                     std::vector<KeyRef>& selection, std::string& refusal) {
    if (lastRow <= firstRow) {
        firstRow = 0.0;
        lastRow = showRows;
    }
    origin = ImGui::GetCursorScreenPos();
    extent = ImVec2(std::max(size.x, 50.0f), std::max(size.y, 50.0f));
    ImGui::InvisibleButton("curves", extent,
                           ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight |
                               ImGuiButtonFlags_MouseButtonMiddle);
    const bool hovered = ImGui::IsItemHovered();
    ImDrawList* list = ImGui::GetWindowDrawList();
    ImVec2 end(origin.x + extent.x, origin.y + extent.y);
    list->PushClipRect(origin, end, true);
    list->AddRectFilled(origin, end, backgroundColour);

    // Beat lines when they are far enough apart, bar lines otherwise, phrase lines always.
    double pixelsPerRow = extent.x / (lastRow - firstRow);
    int step = pixelsPerRow * 8 >= 6 ? 8 : (pixelsPerRow * 32 >= 6 ? 32 : 256);
    for (double row = std::ceil(firstRow / step) * step; row <= lastRow; row += step) {
        float x = rowToX(row);
        bool phrase = std::fmod(row, 256.0) == 0.0;
        list->AddLine(ImVec2(x, origin.y), ImVec2(x, end.y),
                      phrase ? IM_COL32(95, 100, 118, 255) : gridColour);
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
    if (sharedScale)
        std::fill(scales.begin(), scales.end(), shared);

    // Curves, and the key nearest the pointer for the mouse work below.
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    const KeyRef* nearestKey = nullptr;
    KeyRef nearest;
    float nearestDistance = grabDistance;
    float nearestValue = 0.0f;
    Scale nearestScale;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Track& track = *tracks->getTrack(shown[i]->c_str());
        ImU32 colour = curveColours[i % 6];
        points.clear();
        for (float x = origin.x; x <= end.x + 1.0f; x += 2.0f)
            points.push_back(ImVec2(x, valueToY(track.getValue(xToRow(x)), scales[i])));
        list->AddPolyline(points.data(), int(points.size()), colour, 0,
                          *shown[i] == active ? 2.5f : 1.5f);
        for (int k = 0; k < track.getKeyCount(); ++k) {
            const TrackKey& key = track.getKeys()[k];
            ImVec2 at(rowToX(key.row), valueToY(key.value, scales[i]));
            if (at.x < origin.x - keyRadius || at.x > end.x + keyRadius)
                continue;
            bool selected = isSelected(selection, *shown[i], key.row);
            list->AddRectFilled(ImVec2(at.x - keyRadius, at.y - keyRadius),
                                ImVec2(at.x + keyRadius, at.y + keyRadius),
                                selected ? selectedColour : colour);
            float distance = std::hypot(mouse.x - at.x, mouse.y - at.y);
            if (distance < nearestDistance) {
                nearestDistance = distance;
                nearest = {*shown[i], key.row};
                nearestKey = &nearest;
                nearestValue = key.value;
                nearestScale = scales[i];
            }
        }
    }
    float head = rowToX(playRow);
    list->AddLine(ImVec2(head, origin.y), ImVec2(head, end.y), headColour, 2.0f);
    list->PopClipRect();

    const ImGuiIO& io = ImGui::GetIO();
    bool accepted = true;
    auto attempt = [&](auto&& command) {
        try {
            command();
        } catch (const std::exception& error) {
            refusal = error.what();
            accepted = false;
        }
    };

    // Zoom around the pointer; pan with the right or middle button, or the left on empty space.
    if (hovered && io.MouseWheel != 0.0f) {
        double pivot = xToRow(mouse.x);
        double span =
            std::clamp((lastRow - firstRow) * std::pow(0.8, io.MouseWheel), fewestRows, showRows);
        double fraction = (pivot - firstRow) / (lastRow - firstRow);
        firstRow = std::clamp(pivot - fraction * span, 0.0, showRows - span);
        lastRow = firstRow + span;
    }
    if (hovered && (ImGui::IsMouseClicked(ImGuiMouseButton_Right) ||
                    ImGui::IsMouseClicked(ImGuiMouseButton_Middle) ||
                    (ImGui::IsMouseClicked(ImGuiMouseButton_Left) && !nearestKey)))
        panning = true;
    if (panning) {
        bool held = ImGui::IsMouseDown(ImGuiMouseButton_Left) ||
                    ImGui::IsMouseDown(ImGuiMouseButton_Right) ||
                    ImGui::IsMouseDown(ImGuiMouseButton_Middle);
        double rows = -io.MouseDelta.x / pixelsPerRow;
        double span = lastRow - firstRow;
        firstRow = std::clamp(firstRow + rows, 0.0, showRows - span);
        lastRow = firstRow + span;
        panning = held;
    }

    if (readOnly)
        return true;

    if (hovered && ImGui::IsMouseClicked(ImGuiMouseButton_Left) && nearestKey) {
        if (io.KeyShift) {
            if (!isSelected(selection, nearest.track, nearest.row))
                selection.push_back(nearest);
        } else if (!isSelected(selection, nearest.track, nearest.row)) {
            selection.assign(1, nearest);
        }
        dragging = true;
        dragMoved = false;
        dragKeys = selection;
        dragStart = mouse;
        dragValue = nearestValue;
        dragScale = nearestScale;
    } else if (hovered && ImGui::IsMouseClicked(ImGuiMouseButton_Left) && !io.KeyShift) {
        selection.clear();
    }
    if (dragging && ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
        double rowOffset = std::round(double(mouse.x - dragStart.x) / pixelsPerRow);
        float valuePerPixel = (dragScale.high - dragScale.low) / (extent.y - 12.0f);
        float valueOffset = -(mouse.y - dragStart.y) * valuePerPixel;
        if (io.KeyCtrl) {
            // Snaps the grabbed key to twentieths of the curve's range.
            float stepValue = 0.05f * (dragScale.high - dragScale.low);
            valueOffset = std::round((dragValue + valueOffset) / stepValue) * stepValue - dragValue;
        }
        if (dragMoved || rowOffset != 0.0 || std::fabs(mouse.y - dragStart.y) >= 2.0f) {
            attempt([&] {
                selection = model.moveKeys(dragKeys, rowOffset, valueOffset, dragMoved);
                dragMoved = true;
            });
        }
    } else {
        dragging = false;
    }

    if (hovered && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left) && !nearestKey &&
        !active.empty()) {
        std::int32_t row = std::int32_t(std::lround(std::max(0.0, xToRow(mouse.x))));
        const Track& track = *tracks->getTrack(active.c_str());
        int interpolation = Linear;
        for (int k = 0; k < track.getKeyCount(); ++k)
            if (track.getKeys()[k].row <= row)
                interpolation = track.getKeys()[k].interpolation;
        attempt([&] {
            model.insertKey(active, {row, track.getValue(row), interpolation});
            selection.assign(1, KeyRef{active, row});
        });
    }
    return accepted;
}
