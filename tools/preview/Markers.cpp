// The marker file: read, written whole, and looked through by row.
#include "Markers.h"

#include "kem/Exception.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace {

const char* const header =
    "# Markers of the show, made with oxbrine-preview (M adds one at the play head).\n"
    "# One a line: <row> <name>. 8 rows a beat, 32 a bar, 17.946666666666665 a second.\n";

// A seek lands up to a millisecond (under 0.02 rows) past a row's start: still on that row.
constexpr double seekSlack = 0.05;

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

void Markers::read() {
    std::vector<unsigned char> bytes;
    if (!platform::readFileIfPresent(path, platform::sourceLimit, "marker file", bytes)) {
        markers.clear();
        return;
    }
    std::vector<Marker> fresh;
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::string line;
    for (int number = 1; std::getline(text, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::istringstream words(line);
        long long row = -1;
        Marker marker;
        if (!(words >> row) || row < 0 || row > 99999999 ||
            !std::getline(words >> std::ws, marker.name) || marker.name.empty())
            throw Kem::Exception(("not a marker: \"" + line.substr(0, 80) + "\"").c_str(),
                                 "Markers", number, (path + ":" + std::to_string(number)).c_str());
        while (!marker.name.empty() && isSpace(marker.name.back()))
            marker.name.pop_back();
        marker.row = int(row);
        fresh.push_back(std::move(marker));
    }
    std::stable_sort(fresh.begin(), fresh.end(),
                     [](const Marker& a, const Marker& b) { return a.row < b.row; });
    markers = std::move(fresh);
}

void Markers::add(int row, const std::string& name) {
    std::vector<Marker> fresh = markers;
    auto at = std::lower_bound(fresh.begin(), fresh.end(), row,
                               [](const Marker& m, int r) { return m.row < r; });
    std::string clean;
    for (char c : name)
        clean += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    if (at != fresh.end() && at->row == row)
        at->name = clean;
    else
        fresh.insert(at, Marker{row, clean});
    std::string text = header;
    for (const Marker& marker : fresh) {
        char line[32];
        std::snprintf(line, sizeof line, "%-8d ", marker.row);
        text += line + marker.name + "\n";
    }
    platform::writeFileAtomically(path, text);
    markers = std::move(fresh);
}

bool Markers::previous(double row, int& found) const {
    for (auto it = markers.rbegin(); it != markers.rend(); ++it)
        if (it->row < row - seekSlack) {
            found = it->row;
            return true;
        }
    return false;
}

bool Markers::next(double row, int& found) const {
    for (const Marker& marker : markers)
        if (marker.row > row + seekSlack) {
            found = marker.row;
            return true;
        }
    return false;
}

std::string Markers::freeNumber() const {
    for (int number = 1;; ++number) {
        std::string name = std::to_string(number);
        if (std::none_of(markers.begin(), markers.end(),
                         [&](const Marker& m) { return m.name == name; }))
            return name;
    }
}
