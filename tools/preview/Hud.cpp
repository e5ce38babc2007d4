// Draws the HUD into Dear ImGui's background list, so panels stay above it.
#include "Hud.h"

#include "Markers.h"
#include "MusicGrid.h"
#include "TimeAxis.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float margin = 8.0f;
constexpr float sceneRow = 22.0f;
constexpr float cardRow = 9.0f;
constexpr float lineHeight = 20.0f;

const ImU32 sceneColours[] = {IM_COL32(70, 110, 190, 255), IM_COL32(180, 90, 60, 255),
                              IM_COL32(90, 150, 80, 255),  IM_COL32(160, 80, 160, 255),
                              IM_COL32(170, 150, 60, 255), IM_COL32(60, 150, 150, 255)};
const ImU32 cardColour = IM_COL32(235, 235, 235, 255);
const ImU32 loopColour = IM_COL32(255, 210, 40, 90);
const ImU32 headColour = IM_COL32(255, 60, 40, 255);
const ImU32 textColour = IM_COL32(240, 240, 240, 255);
const ImU32 errorColour = IM_COL32(255, 80, 70, 255);
const ImU32 shadeColour = IM_COL32(0, 0, 0, 170);
const ImU32 stretchColour = IM_COL32(255, 255, 255, 60);
const ImU32 stretchEdgeColour = IM_COL32(255, 255, 255, 200);
const ImU32 markerColour = IM_COL32(255, 215, 60, 255);

const char* const passNames[passCount] = {"scene", "overlay", "cards", "grading", "bloom"};

} // namespace

void Hud::layout(int windowWidth, int windowHeight) {
    windowRight = float(windowWidth);
    barBottom = float(windowHeight) - margin;
    barTop = barBottom - sceneRow - cardRow;
    top = barTop - lineHeight - 4.0f;
    height = int(std::ceil(float(windowHeight) - top + 2.0f));
}

double Hud::timeAtClamped(int x, const TimeAxis& axis) const {
    return MusicGrid::secondsAt(axis.barXToRow(float(x)));
}

bool Hud::isOnBar(int x, int y, const TimeAxis& axis) const {
    return y >= barTop && y <= barBottom && x >= axis.getLeft() && x <= axis.getRight();
}

bool Hud::isOnStretch(int x, int y, const TimeAxis& axis) const {
    return axis.isZoomed() && isOnBar(x, y, axis) &&
           x >= axis.barRowToX(axis.getFirstRow()) - 3.0f &&
           x <= axis.barRowToX(axis.getLastRow()) + 3.0f;
}

void Hud::draw(const HudState& state, const ShowMap& map, const TimeAxis& axis) {
    ImDrawList* list = ImGui::GetBackgroundDrawList();
    auto xAt = [&](double seconds) { return axis.barRowToX(MusicGrid::rowAt(seconds)); };
    list->AddRectFilled(ImVec2(0, top - 2.0f), ImVec2(windowRight, barBottom + margin),
                        shadeColour);

    // Scenes, named where the span is wide enough, and the title cards beneath them.
    const float cardTop = barTop + sceneRow;
    for (const ShowSpan& span : map.getScenes()) {
        ImVec2 from(xAt(span.start), barTop), to(xAt(span.end), cardTop);
        list->AddRectFilled(from, to, sceneColours[span.index % 6]);
        ImVec2 textSize = ImGui::CalcTextSize(span.name);
        if (to.x - from.x > textSize.x + 6.0f)
            list->AddText(ImVec2(from.x + 3.0f, from.y + (sceneRow - textSize.y) / 2), textColour,
                          span.name);
    }
    for (const ShowSpan& span : map.getCards())
        list->AddRectFilled(ImVec2(xAt(span.start), cardTop + 2.0f),
                            ImVec2(std::max(xAt(span.end), xAt(span.start) + 1.0f), barBottom),
                            cardColour);
    if (state.loop)
        list->AddRectFilled(ImVec2(xAt(state.loopStart), barTop - 3.0f),
                            ImVec2(xAt(state.loopEnd), barBottom + 3.0f), loopColour);
    else if (state.markingLoop)
        list->AddLine(ImVec2(xAt(state.loopStart), barTop - 3.0f),
                      ImVec2(xAt(state.loopStart), barBottom + 3.0f), loopColour, 3.0f);
    if (axis.isZoomed()) {
        ImVec2 from(axis.barRowToX(axis.getFirstRow()), barTop - 2.0f);
        ImVec2 to(axis.barRowToX(axis.getLastRow()), barBottom + 2.0f);
        list->AddRectFilled(from, to, stretchColour);
        list->AddRect(from, to, stretchEdgeColour);
    }
    if (state.markers)
        for (const Marker& marker : state.markers->getMarkers()) {
            float x = axis.barRowToX(marker.row);
            list->AddTriangleFilled(ImVec2(x, barTop + 6.0f), ImVec2(x - 4.0f, barTop - 2.0f),
                                    ImVec2(x + 4.0f, barTop - 2.0f), markerColour);
        }
    float head = xAt(state.time);
    list->AddLine(ImVec2(head, barTop - 4.0f), ImVec2(head, barBottom + 4.0f), headColour, 2.0f);

    // The status line: where, what, how fast.
    int bar = int(std::floor(state.row / MusicGrid::rowsPerBar));
    int beat =
        int(std::floor(std::fmod(state.row, MusicGrid::rowsPerBar) / MusicGrid::rowsPerBeat));
    const char* speed = state.speed >= 1.0 ? "" : state.speed >= 0.5 ? " x1/2" : " x1/4";
    int used = std::snprintf(line, sizeof line, "%s%s %7.3f s  row %8.2f  %d:%d  %-12s %5.1f fps",
                             state.paused ? "||" : "> ", speed, state.time, state.row, bar, beat,
                             map.sceneAt(state.time), state.framesPerSecond);
    if (state.passes && state.passes->valid) {
        for (int pass = 0; pass < passCount && used > 0 && used < int(sizeof line); ++pass)
            used += std::snprintf(line + used, sizeof line - size_t(used), "  %s %.2f ms",
                                  passNames[pass], state.passes->milliseconds[pass]);
    }
    if (state.link && used > 0 && used < int(sizeof line))
        std::snprintf(line + used, sizeof line - size_t(used), "  editor: %s", state.link);
    list->AddText(ImVec2(margin, top), textColour, line);

    if (state.error && !state.error->empty()) {
        const char* text = state.error->c_str();
        const float wrap = std::max(1.0f, windowRight - 2 * margin);
        ImVec2 size = ImGui::CalcTextSize(text, nullptr, false, wrap);
        list->AddRectFilled(ImVec2(0, 0), ImVec2(size.x + 2 * margin, size.y + 2 * margin),
                            shadeColour);
        list->AddText(ImGui::GetFont(), ImGui::GetFontSize(), ImVec2(margin, margin), errorColour,
                      text, nullptr, wrap);
    }
}
