// The curve lane of the panel: the shown tracks' curves over the visible rows of the shared time
// axis. Painting (CurveView.cpp) draws them and notes where each key landed; the mouse work
// (CurveMouse.cpp) selects, drags and adds keys through the edit model from those places.
#pragma once

#include "EditModel.h"
#include "Snapping.h"

#include <imgui.h>

#include <string>
#include <vector>

class CueSheet;
class TimeAxis;
class Track;

struct CurveFrame {
    const std::vector<const std::string*>* shown = nullptr; // the tracks drawn, by name
    const std::string* active = nullptr;                    // the track a double-click adds to
    bool sharedScale = false;
    bool readOnly = false;
    double playRow = 0.0;
    float top = 0.0f, bottom = 0.0f; // the lane's pixels; across the axis's span
    bool doubleClicked = false;      // the window saw a double-click since the last frame
};

struct SnapChoice {
    SnapMode mode = SnapMode::Off;
    const CueSheet* cues = nullptr;
};

class CurveView {
public:
    void paint(ImDrawList* list, const TimeAxis& axis, const CurveFrame& frame,
               const std::vector<KeyRef>& selection);
    // After paint, in the same frame: the mouse over the lane. Zoom and pan move the axis; edits
    // go to the model unless the frame is read-only. Returns false when a model command was
    // refused, with the reason in `refusal`.
    bool handleMouse(TimeAxis& axis, const CurveFrame& frame, const SnapChoice& snap,
                     EditModel& model, std::vector<KeyRef>& selection, std::string& refusal);

private:
    struct Scale {
        float low = 0.0f, high = 1.0f;
    };
    // Where a key was painted, for the mouse.
    struct KeyPlace {
        ImVec2 at;
        std::size_t shownIndex = 0;
        int row = 0;
        float value = 0.0f;
    };
    static bool isSelected(const std::vector<KeyRef>& selection, const std::string& track, int row);
    Scale scaleOf(const Track& track) const;
    float valueToY(float value, const Scale& scale, const CurveFrame& frame) const;

    std::vector<ImVec2> points;
    std::vector<Scale> scales;
    std::vector<KeyPlace> places;
    // A drag of selected keys: the keys as they were when it began, and where it began.
    std::vector<KeyRef> dragKeys;
    bool dragging = false;
    bool dragMoved = false;
    ImVec2 dragStart;
    int dragRow = 0;        // the grabbed key's row when the drag began
    float dragValue = 0.0f; // and its value
    Scale dragScale;
    bool panning = false;
};
