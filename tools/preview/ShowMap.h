// The show's structure along its 78 s, read from the tracks: which scene "Part" selects where,
// and where each title card is faded in. Worked out again only when those tracks' keys change.
#pragma once

#include <string>
#include <vector>

class Track;

struct ShowSpan {
    double start = 0.0; // seconds
    double end = 0.0;
    int index = 0; // scene index, or title card index
    const char* name = "";
};

class ShowMap {
public:
    ShowMap();
    // Rebuilds the spans when a track they come from has new keys; true when it did.
    bool refresh();
    const std::vector<ShowSpan>& getScenes() const { return scenes; }
    const std::vector<ShowSpan>& getCards() const { return cards; }
    // The scene's name at that time, or "" outside every scene.
    const char* sceneAt(double seconds) const;

private:
    struct Source {
        Track* track;
        const void* keys;
        int count;
    };
    void rebuild();

    Source part;
    std::vector<Source> fades;
    std::vector<ShowSpan> scenes;
    std::vector<ShowSpan> cards;
};
