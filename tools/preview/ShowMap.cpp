// Scene and title card spans, sampled row by row from "Part" and the cards' fade tracks.
#include "ShowMap.h"

#include "Demo.h"
#include "Sync.h"

#include <algorithm>
#include <cmath>

namespace {

// "Part" selects by truncation, like the director; values outside the list select nothing.
int sceneIndex(float part) {
    if (!(part > -1.0f && part < 1e6f))
        return -1;
    int index = int(part);
    return Demo::getSceneName(index) ? index : -1;
}

// Lengthens the span of that index that ends where this row starts, or starts a new one.
void extend(std::vector<ShowSpan>& spans, int index, const char* name, double start, double end) {
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        if (span->index == index && std::fabs(span->end - start) < 1e-9) {
            span->end = end;
            return;
        }
    }
    spans.push_back({start, end, index, name});
}

} // namespace

ShowMap::ShowMap() {
    TrackSet* tracks = Sync::getTracks();
    part = {tracks->getTrack("Part"), nullptr, -1};
    for (const Demo::TitleCardFade& fade : Demo::titleCardFades)
        fades.push_back({tracks->getTrack(fade.track), nullptr, -1});
    refresh();
}

bool ShowMap::refresh() {
    bool changed = false;
    auto note = [&](Source& source) {
        if (source.keys != source.track->getKeys() || source.count != source.track->getKeyCount()) {
            source.keys = source.track->getKeys();
            source.count = source.track->getKeyCount();
            changed = true;
        }
    };
    note(part);
    for (Source& fade : fades)
        note(fade);
    if (changed)
        rebuild();
    return changed;
}

void ShowMap::rebuild() {
    scenes.clear();
    cards.clear();
    const int rows = int(std::ceil(Demo::showLength * Demo::rowsPerSecond));
    for (int row = 0; row < rows; ++row) {
        double start = row / Demo::rowsPerSecond;
        double end = std::min((row + 1) / Demo::rowsPerSecond, Demo::showLength);
        int scene = sceneIndex(part.track->getValue(row));
        if (scene >= 0)
            extend(scenes, scene, Demo::getSceneName(scene), start, end);
        for (std::size_t card = 0; card < fades.size(); ++card)
            if (fades[card].track->getValue(row) > 0.0f)
                extend(cards, int(card), Demo::titleCardFades[card].card, start, end);
    }
}

const char* ShowMap::sceneAt(double seconds) const {
    for (const ShowSpan& span : scenes)
        if (seconds >= span.start && seconds < span.end)
            return span.name;
    return "";
}
