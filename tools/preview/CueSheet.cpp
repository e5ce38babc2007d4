// Reading the cue sheet, and the nearest cue of a kind.
#include "CueSheet.h"

#include "kem/Exception.h"
#include "platform/Files.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

bool kindNamed(const std::string& name, CueKind& kind) {
    static const struct {
        const char* name;
        CueKind kind;
    } kinds[] = {{"section", CueKind::Section},
                 {"accent", CueKind::Accent},
                 {"kick", CueKind::Kick},
                 {"clap", CueKind::Clap}};
    for (const auto& known : kinds)
        if (name == known.name) {
            kind = known.kind;
            return true;
        }
    return false;
}

} // namespace

void CueSheet::read(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!platform::readFileIfPresent(path, platform::sourceLimit, "cue sheet", bytes)) {
        cues.clear();
        return;
    }
    std::vector<Cue> fresh;
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::string line;
    for (int number = 1; std::getline(text, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#')
            continue;
        std::istringstream words(line);
        Cue cue;
        std::string kind;
        long long row = -1;
        if (!(words >> row >> kind) || row < 0 || row > 99999999 || !kindNamed(kind, cue.kind))
            throw Kem::Exception(("not a cue: \"" + line.substr(0, 80) + "\"").c_str(), "CueSheet",
                                 number, (path + ":" + std::to_string(number)).c_str());
        cue.row = int(row);
        std::getline(words >> std::ws, cue.detail);
        fresh.push_back(std::move(cue));
    }
    std::stable_sort(fresh.begin(), fresh.end(),
                     [](const Cue& a, const Cue& b) { return a.row < b.row; });
    cues = std::move(fresh);
}

bool CueSheet::nearest(CueKind kind, double row, int& found) const {
    bool any = false;
    double best = 0.0;
    for (const Cue& cue : cues) {
        if (cue.kind != kind)
            continue;
        double distance = std::fabs(cue.row - row);
        if (!any || distance < best) {
            best = distance;
            found = cue.row;
            any = true;
        }
    }
    return any;
}
