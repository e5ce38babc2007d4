// The curves of the shown tracks across the visible rows, drawn with Dear ImGui, and the mouse
// work on them: zoom and pan, selecting, dragging and adding keys through the edit model.
#pragma once

#include "EditModel.h"

#include <imgui.h>

#include <string>
#include <vector>

class Track;

class CurveView {
public:
    // The rows shown across the view; the whole show until zoomed.
    double getFirstRow() const { return firstRow; }
    double getLastRow() const { return lastRow; }

    // Draws the named tracks' curves (values from the engine's tracks, so they are what the
    // picture uses) into a region of the given size, and handles the mouse there. Edits go to
    // the model unless readOnly; `selection` holds the selected keys; double-click adds a key to
    // `active`. Returns false when a model command was refused, with the reason in `refusal`.
    bool draw(const std::vector<const std::string*>& shown, const std::string& active,
              bool sharedScale, bool readOnly, double playRow, ImVec2 size, EditModel& model,
              std::vector<KeyRef>& selection, std::string& refusal);

private:
    struct Scale {
        float low = 0.0f, high = 1.0f;
    };
    Scale scaleOf(const Track& track) const;
    float rowToX(double row) const;
    double xToRow(float x) const;
    float valueToY(float value, const Scale& scale) const;

    double firstRow = 0.0;
    double lastRow = 0.0;
    ImVec2 origin, extent;
    std::vector<ImVec2> points;
    std::vector<Scale> scales;
    // A drag of selected keys: the keys as they were when it began, and where it began.
    std::vector<KeyRef> dragKeys;
    bool dragging = false;
    bool dragMoved = false;
    ImVec2 dragStart;
    float dragValue = 0.0f; // the grabbed key's value when the drag began
    Scale dragScale;
    bool panning = false;
};
