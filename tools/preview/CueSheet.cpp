// Reading the cue sheet, and the nearest cue of a kind.
#include "CueSheet.h"

#include "Numbers.h"
#include "SourceText.h"
#include "kem/Exception.h"
#include "platform/Files.h"

#include <algorithm>
#include <cmath>

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

std::vector<Cue> parseCueSheet(const std::string& source, const std::string& file) {
    auto fail = [&](int line, int column, const std::string& what) {
        std::string message = text::where(file, line, column, what);
        throw Kem::Exception("not a cue sheet", "CueSheet", line, message.c_str());
    };
    try {
        text::requireText(source, file);
    } catch (const text::SourceError& error) {
        throw Kem::Exception("not a cue sheet", "CueSheet", 0, error.what());
    }
    std::vector<Cue> cues;
    text::LineReader lines(source);
    std::string_view line;
    while (lines.next(line)) {
        int number = lines.lineNumber();
        std::vector<text::Word> words = text::splitWords(line, 0);
        if (words.empty() || words[0].text[0] == '#')
            continue;
        Cue cue;
        text::NumberRead row = text::readDecimal(words[0].text, 0.0, 99999999.0);
        if (!row.ok)
            fail(number, words[0].column, "cue row " + row.problem);
        if (words.size() < 2 || !kindNamed(std::string(words[1].text), cue.kind))
            fail(number, words.size() < 2 ? 0 : words[1].column,
                 "expected a kind (section, accent, kick, clap) after the row");
        cue.row = int(std::lround(row.value));
        if (words.size() > 2)
            cue.detail = std::string(text::wordsFrom(line, words, 2));
        cues.push_back(std::move(cue));
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const Cue& a, const Cue& b) { return a.row < b.row; });
    return cues;
}

void CueSheet::read(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!platform::readFileIfPresent(path, platform::sourceLimit, "cue sheet", bytes)) {
        cues.clear();
        return;
    }
    cues = parseCueSheet(std::string(bytes.begin(), bytes.end()), path);
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
