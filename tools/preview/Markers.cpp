// The marker file: read, written whole, and looked through by row.
#include "Markers.h"

#include "Numbers.h"
#include "SourceText.h"
#include "kem/Exception.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* const header =
    "# Markers of the show, made with oxbrine-preview (M adds one at the play head).\n"
    "# One a line: <row> <name>. 8 rows a beat, 32 a bar, 17.946666666666665 a second.\n";

// A seek lands up to a millisecond (under 0.02 rows) past a row's start: still on that row.
constexpr double seekSlack = 0.05;

} // namespace

void Markers::read() {
    std::vector<unsigned char> bytes;
    if (!platform::readFileIfPresent(path, platform::sourceLimit, "marker file", bytes)) {
        markers.clear();
        return;
    }
    std::string source(bytes.begin(), bytes.end());
    auto fail = [&](int line, int column, const std::string& what) {
        std::string message = text::where(path, line, column, what);
        throw Kem::Exception("not a marker file", "Markers", line, message.c_str());
    };
    try {
        text::requireText(source, path);
    } catch (const text::SourceError& error) {
        throw Kem::Exception("not a marker file", "Markers", 0, error.what());
    }
    std::vector<Marker> fresh;
    text::LineReader lines(source);
    std::string_view line;
    while (lines.next(line)) {
        int number = lines.lineNumber();
        std::vector<text::Word> words = text::splitWords(line, 0);
        if (words.empty() || words[0].text[0] == '#')
            continue;
        text::NumberRead row = text::readInteger(words[0].text, 0, 99999999);
        if (!row.ok)
            fail(number, words[0].column, "marker row " + row.problem);
        if (words.size() < 2)
            fail(number, 0, "a marker needs a name after its row");
        Marker marker;
        marker.name = std::string(text::wordsFrom(line, words, 1));
        marker.row = int(row.value);
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
