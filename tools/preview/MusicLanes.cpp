// Ruler, waveform and cue lanes drawn with Dear ImGui.
#include "MusicLanes.h"

#include "CueSheet.h"
#include "Markers.h"
#include "MusicGrid.h"
#include "MusicWaveform.h"
#include "TimeAxis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const ImU32 laneColour = IM_COL32(26, 28, 34, 255);
const ImU32 rulerColour = IM_COL32(34, 36, 44, 255);
const ImU32 tickColour = IM_COL32(120, 126, 145, 255);
const ImU32 labelColour = IM_COL32(215, 220, 230, 255);
const ImU32 secondsColour = IM_COL32(150, 200, 255, 255);
const ImU32 waveColour = IM_COL32(110, 190, 170, 255);
const ImU32 markerColour = IM_COL32(255, 215, 60, 255);
const ImU32 markerPlateColour = IM_COL32(60, 50, 20, 255);
const ImU32 headColour = IM_COL32(255, 60, 40, 255);
const ImU32 cueColours[] = {IM_COL32(255, 120, 90, 255),   // accent
                            IM_COL32(120, 170, 255, 255),  // kick
                            IM_COL32(255, 235, 120, 255)}; // clap
const ImU32 sectionColours[] = {IM_COL32(60, 90, 150, 255), IM_COL32(140, 80, 60, 255),
                                IM_COL32(70, 120, 70, 255), IM_COL32(120, 70, 130, 255)};

// Seconds between labels at least `pixels` apart.
double secondsStep(const TimeAxis& axis, float pixels) {
    const double steps[] = {0.1, 0.25, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 30.0};
    double pixelsPerSecond = axis.pixelsPerRow() * MusicGrid::rowsPerSecond;
    for (double step : steps)
        if (step * pixelsPerSecond >= pixels)
            return step;
    return 60.0;
}

} // namespace

void paintRuler(ImDrawList* list, const TimeAxis& axis, float top, const Markers& markers,
                double playRow) {
    const float left = axis.getLeft(), right = axis.getRight(), bottom = top + rulerHeight;
    const float middle = top + rulerHeight / 2;
    list->PushClipRect(ImVec2(left, top), ImVec2(right, bottom), true);
    list->AddRectFilled(ImVec2(left, top), ImVec2(right, bottom), rulerColour);

    // Bar:beat above, at grid lines far enough apart for their labels.
    char label[48];
    int step = axis.gridStep(64.0f);
    for (double row = std::ceil(axis.getFirstRow() / step) * step; row <= axis.getLastRow();
         row += step) {
        int whole = int(row);
        int bar = whole / MusicGrid::rowsPerBar;
        int beat = whole % MusicGrid::rowsPerBar / MusicGrid::rowsPerBeat;
        int rest = whole % MusicGrid::rowsPerBeat;
        if (rest)
            std::snprintf(label, sizeof label, "%d:%d:%d", bar, beat, rest);
        else
            std::snprintf(label, sizeof label, "%d:%d", bar, beat);
        float x = axis.rowToX(row);
        list->AddLine(ImVec2(x, top), ImVec2(x, middle), tickColour);
        list->AddText(ImVec2(x + 3.0f, top), labelColour, label);
    }
    // Seconds below.
    double seconds = secondsStep(axis, 64.0f);
    double firstSecond = std::ceil(MusicGrid::secondsAt(axis.getFirstRow()) / seconds) * seconds;
    for (double at = firstSecond; MusicGrid::rowAt(at) <= axis.getLastRow(); at += seconds) {
        float x = axis.rowToX(MusicGrid::rowAt(at));
        std::snprintf(label, sizeof label, seconds < 1.0 ? "%.2f s" : "%.0f s", at);
        list->AddLine(ImVec2(x, middle + 2.0f), ImVec2(x, bottom), secondsColour);
        list->AddText(ImVec2(x + 3.0f, middle), secondsColour, label);
    }
    // Markers as flags with their names.
    for (const Marker& marker : markers.getMarkers()) {
        float x = axis.rowToX(marker.row);
        if (x < left - 200.0f || x > right)
            continue;
        list->AddTriangleFilled(ImVec2(x, bottom), ImVec2(x - 5.0f, bottom - 8.0f),
                                ImVec2(x + 5.0f, bottom - 8.0f), markerColour);
        // Over the seconds' labels, on a plate of its own so both stay readable.
        ImVec2 size = ImGui::CalcTextSize(marker.name.c_str());
        list->AddRectFilled(ImVec2(x + 5.0f, middle + 1.0f),
                            ImVec2(x + 9.0f + size.x, bottom), markerPlateColour);
        list->AddText(ImVec2(x + 7.0f, middle), markerColour, marker.name.c_str());
    }
    float head = axis.rowToX(playRow);
    list->AddLine(ImVec2(head, top), ImVec2(head, bottom), headColour, 2.0f);
    list->PopClipRect();
}

void paintWaveform(ImDrawList* list, const TimeAxis& axis, float top, MusicWaveform& waveform) {
    const float left = axis.getLeft(), right = axis.getRight(), bottom = top + waveformHeight;
    list->AddRectFilled(ImVec2(left, top), ImVec2(right, bottom), laneColour);
    if (!waveform.isReady()) {
        list->AddText(ImVec2(left + 6.0f, top + 4.0f), tickColour, "working out the waveform...");
        return;
    }
    int columns = std::max(1, int(right - left));
    waveform.columnsFor(axis.getFirstRow(), axis.getLastRow(), columns);
    const float middle = (top + bottom) / 2, half = (bottom - top) / 2 - 1.0f;
    const std::vector<float>& lows = waveform.getColumnLows();
    const std::vector<float>& highs = waveform.getColumnHighs();
    for (int column = 0; column < waveform.getColumnCount(); ++column) {
        float x = left + float(column) + 0.5f;
        float high = std::clamp(highs[std::size_t(column)], -1.0f, 1.0f);
        float low = std::clamp(lows[std::size_t(column)], -1.0f, 1.0f);
        list->AddLine(ImVec2(x, middle - high * half), ImVec2(x, middle - low * half + 1.0f),
                      waveColour);
    }
}

void paintCueLanes(ImDrawList* list, const TimeAxis& axis, float top, const CueSheet& cues) {
    const float left = axis.getLeft(), right = axis.getRight();
    const float bottom = top + cueLanesHeight;
    list->PushClipRect(ImVec2(left, top), ImVec2(right, bottom), true);
    list->AddRectFilled(ImVec2(left, top), ImVec2(right, bottom), laneColour);
    const std::vector<Cue>& all = cues.getCues();
    // Sections: from each to the next.
    int sectionIndex = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind != CueKind::Section)
            continue;
        double end = MusicGrid::showRows;
        for (std::size_t j = i + 1; j < all.size(); ++j)
            if (all[j].kind == CueKind::Section) {
                end = all[j].row;
                break;
            }
        float from = axis.rowToX(all[i].row), to = axis.rowToX(end);
        ImU32 colour = sectionColours[sectionIndex++ % 4];
        if (to < left || from > right)
            continue;
        list->AddRectFilled(ImVec2(from, top + 1.0f), ImVec2(to - 1.0f, top + sectionLaneHeight),
                            colour);
        const char* name = all[i].detail.c_str();
        if (to - std::max(from, left) > ImGui::CalcTextSize(name).x + 6.0f)
            list->AddText(ImVec2(std::max(from, left) + 3.0f, top), labelColour, name);
    }
    // Accents, kicks and claps as ticks, a lane each.
    for (const Cue& cue : all) {
        if (cue.kind == CueKind::Section)
            continue;
        float x = axis.rowToX(cue.row);
        if (x < left - 1.0f || x > right + 1.0f)
            continue;
        int lane = cue.kind == CueKind::Accent ? 0 : cue.kind == CueKind::Kick ? 1 : 2;
        float laneTop = top + sectionLaneHeight + float(lane) * tickLaneHeight;
        list->AddLine(ImVec2(x, laneTop + 1.0f), ImVec2(x, laneTop + tickLaneHeight - 1.0f),
                      cueColours[lane], 2.0f);
    }
    list->PopClipRect();
}
