// The mouse on the curve lane: zoom and pan of the shared axis, selecting, dragging and adding
// keys, rows snapped as chosen unless Alt is held.
#include "CurveView.h"

#include "Sync.h"
#include "TimeAxis.h"
#include "Timeline.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float grabDistance = 7.0f;

} // namespace

bool CurveView::handleMouse(TimeAxis& axis, const CurveFrame& frame, const SnapChoice& snap,
                            EditModel& model, std::vector<KeyRef>& selection,
                            std::string& refusal) {
    const std::vector<const std::string*>& shown = *frame.shown;
    ImGui::SetCursorScreenPos(ImVec2(axis.getLeft(), frame.top));
    ImGui::InvisibleButton(
        "curves",
        ImVec2(axis.getRight() - axis.getLeft(), std::max(1.0f, frame.bottom - frame.top)),
        ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight |
            ImGuiButtonFlags_MouseButtonMiddle);
    const bool hovered = ImGui::IsItemHovered();
    // The wheel zooms even while a field is being typed in.
    const bool underPointer = ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenBlockedByActiveItem);
    const ImGuiIO& io = ImGui::GetIO();
    const ImVec2 mouse = io.MousePos;

    const KeyPlace* nearest = nullptr;
    float nearestDistance = grabDistance;
    for (const KeyPlace& place : places) {
        float distance = std::hypot(mouse.x - place.at.x, mouse.y - place.at.y);
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = &place;
        }
    }
    bool snapping = snap.mode != SnapMode::Off && snap.cues && !io.KeyAlt;
    auto landingRow = [&](double row) {
        return snapping ? snapRow(row, snap.mode, *snap.cues) : int(std::lround(row));
    };

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
    if (underPointer && io.MouseWheel != 0.0f)
        axis.zoomAround(axis.xToRow(mouse.x), io.MouseWheel);
    // The pointer's move in the frame of the press itself is where it came from, not a pan.
    if (panning) {
        bool held = ImGui::IsMouseDown(ImGuiMouseButton_Left) ||
                    ImGui::IsMouseDown(ImGuiMouseButton_Right) ||
                    ImGui::IsMouseDown(ImGuiMouseButton_Middle);
        if (io.MouseDelta.x != 0.0f)
            axis.scrollBy(-io.MouseDelta.x / axis.pixelsPerRow());
        panning = held;
    }
    if (hovered && (ImGui::IsMouseClicked(ImGuiMouseButton_Right) ||
                    ImGui::IsMouseClicked(ImGuiMouseButton_Middle) ||
                    (ImGui::IsMouseClicked(ImGuiMouseButton_Left) && !nearest)))
        panning = true;

    if (frame.readOnly)
        return true;

    if (hovered && ImGui::IsMouseClicked(ImGuiMouseButton_Left) && nearest) {
        KeyRef grabbed{*shown[nearest->shownIndex], nearest->row};
        if (io.KeyShift) {
            if (!isSelected(selection, grabbed.track, grabbed.row))
                selection.push_back(grabbed);
        } else if (!isSelected(selection, grabbed.track, grabbed.row)) {
            selection.assign(1, grabbed);
        }
        dragging = true;
        dragMoved = false;
        dragKeys = selection;
        dragStart = mouse;
        dragRow = nearest->row;
        dragValue = nearest->value;
        dragScale = scales[nearest->shownIndex];
        panning = false;
    } else if (hovered && ImGui::IsMouseClicked(ImGuiMouseButton_Left) && !io.KeyShift) {
        selection.clear();
    }
    if (dragging && ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
        double pointedRow = dragRow + double(mouse.x - dragStart.x) / axis.pixelsPerRow();
        // The grabbed key lands on the snapped row; the others keep their distance to it. Until
        // the pointer leaves the key's own row, nothing moves in time.
        bool leftItsRow = std::fabs(pointedRow - dragRow) >= 0.5;
        double rowOffset = leftItsRow || dragMoved ? landingRow(pointedRow) - dragRow : 0.0;
        float valuePerPixel = (dragScale.high - dragScale.low) / (frame.bottom - frame.top - 12.0f);
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

    if (hovered && frame.doubleClicked && !nearest && frame.active && !frame.active->empty()) {
        const std::string& active = *frame.active;
        std::int32_t row = std::max(0, landingRow(std::max(0.0, axis.xToRow(mouse.x))));
        const Track& track = *Sync::getTracks()->getTrack(active.c_str());
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
