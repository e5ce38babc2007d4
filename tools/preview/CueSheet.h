// The music's cue sheet as the synthesizer writes it (Data/music.cues): one event a line,
// "<row> <kind> [detail]", kinds section, accent, kick and clap; '#' starts a comment line.
#pragma once

#include <string>
#include <vector>

enum class CueKind { Section, Accent, Kick, Clap };

struct Cue {
    int row = 0;
    CueKind kind = CueKind::Kick;
    std::string detail; // a section's name, an accent's what
};

// The events of a cue sheet's text, by row; a line that is not an event (or bytes that are not
// text) throws Kem::Exception naming file, line and column. A fractional row is rounded.
std::vector<Cue> parseCueSheet(const std::string& text, const std::string& file);

class CueSheet {
public:
    // Reads the file; a line that is not an event throws Kem::Exception naming the file and line,
    // leaving the sheet as it was. A missing file leaves the sheet empty.
    void read(const std::string& path);
    const std::vector<Cue>& getCues() const { return cues; }
    // The row of the cue of that kind nearest to row; false when there is none.
    bool nearest(CueKind kind, double row, int& found) const;

private:
    std::vector<Cue> cues; // by row
};
