// Parser for the tune's text source: instruments, chords, step patterns, arrangement, automation.
#include "SongParser.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "Numbers.h"
#include "Rng.h"
#include "SourceText.h"
#include "kem/Exception.h"
#include "platform/Files.h"

namespace Synth {
namespace {

// Every number is finite and at most this large in size.
constexpr double maxNumber = 1e9;
constexpr double lastRow = longestSeconds * 17.946666666666665;
constexpr double longestStep = 4096.0;
constexpr long long mostRepeats = 4096;
constexpr std::size_t mostNotes = 1 << 20;

struct Lane {
    std::string instrument;
    std::vector<std::string> tokens;
};

struct Pattern {
    double stepRows = 2.0;
    std::vector<Lane> lanes;

    size_t steps() const {
        size_t most = 0;
        for (const Lane& lane : lanes)
            most = std::max(most, lane.tokens.size());
        return most;
    }
};

class Parser {
public:
    explicit Parser(const std::string& sourceName) : sourceName(sourceName) {}

    Song parse(const std::string& source) {
        try {
            text::requireText(source, sourceName);
        } catch (const text::SourceError& error) {
            throw Kem::Exception(error.what(), __FILE__, __LINE__);
        }
        text::LineReader lines(source);
        std::string_view line;
        while (lines.next(line)) {
            lineNumber = lines.lineNumber();
            std::vector<std::string> words = split(line);
            if (words.empty())
                continue;
            if (openPattern) {
                if (words[0] == "end")
                    openPattern = nullptr;
                else
                    addLane(words);
                continue;
            }
            handle(words);
        }
        if (openPattern)
            fail("pattern without 'end'");
        std::stable_sort(song.events.begin(), song.events.end(),
                         [](const NoteEvent& a, const NoteEvent& b) {
                             return a.row != b.row ? a.row < b.row : a.instrument < b.instrument;
                         });
        std::vector<int> counts(song.instruments.size(), 0);
        for (NoteEvent& event : song.events)
            event.ordinal = counts[event.instrument]++;
        return std::move(song);
    }

private:
    [[noreturn]] void fail(const std::string& message, int column = 0) const {
        std::string text = text::where(sourceName, lineNumber, column, message);
        throw Kem::Exception(text.c_str(), __FILE__, __LINE__);
    }

    // The line's words; their columns stay in `columns` for messages.
    std::vector<std::string> split(std::string_view line) {
        std::vector<std::string> words;
        columns.clear();
        for (const text::Word& word : text::splitWords(line)) {
            words.push_back(std::string(word.text));
            columns.push_back(word.column);
        }
        return words;
    }

    // The column of the i-th word of the line, `offset` bytes in.
    int column(size_t index, size_t offset = 0) const {
        return index < columns.size() ? columns[index] + int(offset) : 0;
    }

    double number(const std::string& text, int at, double lowest = -maxNumber,
                  double highest = maxNumber, const char* what = "number") const {
        text::NumberRead read = text::readDecimal(text, lowest, highest);
        if (!read.ok)
            fail(std::string(what) + " " + read.problem, at);
        return read.value;
    }

    std::pair<std::string, double> keyValue(size_t index, const std::vector<std::string>& words,
                                            char separator) const {
        const std::string& word = words[index];
        size_t at = word.find(separator);
        if (at == std::string::npos || at == 0)
            fail("expected key" + std::string(1, separator) + "value, got " + text::quote(word),
                 column(index));
        return {word.substr(0, at), number(word.substr(at + 1), column(index, at + 1))};
    }

    void expectAtLeast(const std::vector<std::string>& words, size_t count) const {
        if (words.size() < count)
            fail(text::quote(words[0]) + " needs " + std::to_string(count - 1) + " argument(s)");
    }

    void handle(const std::vector<std::string>& words) {
        const std::string& keyword = words[0];
        if (keyword == "length") {
            expectAtLeast(words, 2);
            song.seconds =
                number(words[1], column(1), shortestSeconds, longestSeconds, "length in seconds");
        } else if (keyword == "master") {
            for (size_t i = 1; i < words.size(); ++i) {
                auto [key, value] = keyValue(i, words, '=');
                if (key == "lufs")
                    song.targetLufs = value;
                else if (key == "ceiling")
                    song.ceilingDbtp = value;
                else
                    fail("unknown master setting " + text::quote(key));
            }
        } else if (keyword == "instrument") {
            expectAtLeast(words, 3);
            if (song.findInstrument(words[1]) >= 0)
                fail("instrument " + text::quote(words[1]) + " defined twice");
            Instrument instrument;
            instrument.name = words[1];
            instrument.kind = words[2];
            for (size_t i = 3; i < words.size(); ++i)
                instrument.params.insert(keyValue(i, words, '='));
            song.instruments.push_back(instrument);
        } else if (keyword == "chord") {
            expectAtLeast(words, 3);
            std::vector<int> notes;
            for (size_t i = 2; i < words.size(); ++i) {
                int note = parseNoteName(words[i]);
                if (note < 0)
                    fail("not a note: " + text::quote(words[i]));
                notes.push_back(note);
            }
            chords[words[1]] = notes;
        } else if (keyword == "pattern") {
            expectAtLeast(words, 2);
            Pattern& pattern = patterns[words[1]];
            pattern = Pattern();
            for (size_t i = 2; i < words.size(); ++i) {
                auto [key, value] = keyValue(i, words, '=');
                if (key != "step" || value <= 0.0 || value > longestStep)
                    fail("patterns take one setting, step=<rows> (above 0, at most " +
                             std::to_string(int(longestStep)) + ")",
                         column(i));
                pattern.stepRows = value;
            }
            openPattern = &pattern;
        } else if (keyword == "play") {
            expectAtLeast(words, 3);
            play(words);
        } else if (keyword == "automate") {
            expectAtLeast(words, 4);
            automate(words);
        } else if (keyword == "section" || keyword == "accent") {
            expectAtLeast(words, 3);
            Marker marker{number(words[1], column(1), 0.0, lastRow, "row"), words[2]};
            for (size_t i = 3; i < words.size(); ++i)
                marker.name += " " + words[i];
            (keyword == "section" ? song.sections : song.accents).push_back(marker);
        } else {
            fail("unknown keyword " + text::quote(keyword));
        }
    }

    void addLane(const std::vector<std::string>& words) {
        if (song.findInstrument(words[0]) < 0)
            fail("lane for unknown instrument " + text::quote(words[0]));
        Lane* lane = nullptr;
        for (Lane& existing : openPattern->lanes)
            if (existing.instrument == words[0])
                lane = &existing;
        if (!lane) {
            openPattern->lanes.push_back({words[0], {}});
            lane = &openPattern->lanes.back();
        }
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i] == "|")
                continue;
            checkToken(words[i]);
            lane->tokens.push_back(words[i]);
        }
    }

    // Tokens are checked where they are written, so mistakes point at their line.
    void checkToken(std::string token) const {
        if (token == "." || token == "-")
            return;
        if (token.size() > 1 && (token.back() == '!' || token.back() == '?'))
            token.pop_back();
        if (token != "x" && !chords.count(token) && parseNoteName(token) < 0)
            fail("not a note, chord or hit: " + text::quote(token));
    }

    void play(const std::vector<std::string>& words) {
        // A note before row 0 has no sample to start on.
        double startRow = number(words[1], column(1), 0.0, lastRow, "start row");
        auto found = patterns.find(words[2]);
        if (found == patterns.end())
            fail("unknown pattern " + text::quote(words[2]));
        int repeats = 1;
        if (words.size() > 3) {
            if (words[3].size() < 2 || words[3][0] != 'x')
                fail("repeat count is written x<count>", column(3));
            text::NumberRead read =
                text::readInteger(std::string_view(words[3]).substr(1), 1, mostRepeats);
            if (!read.ok)
                fail("repeat count " + read.problem, column(3, 1));
            repeats = static_cast<int>(read.value);
        }
        const Pattern& pattern = found->second;
        double lengthRows = pattern.steps() * pattern.stepRows;
        std::size_t adding = 0;
        for (const Lane& lane : pattern.lanes)
            adding += lane.tokens.size();
        if (song.events.size() + adding * std::size_t(repeats) > mostNotes)
            fail("the tune would hold more than " + std::to_string(mostNotes) + " notes");
        for (int repeat = 0; repeat < repeats; ++repeat)
            for (const Lane& lane : pattern.lanes)
                expandLane(lane, pattern.stepRows, startRow + repeat * lengthRows);
    }

    void expandLane(const Lane& lane, double stepRows, double startRow) {
        int instrumentIndex = song.findInstrument(lane.instrument);
        const Instrument& instrument = song.instruments[instrumentIndex];
        double baseVelocity = instrument.param("velocity", 0.8);
        double humanize = instrument.param("humanize", 0.0);
        long last = -1; // index of the note a hold extends
        for (size_t step = 0; step < lane.tokens.size(); ++step) {
            std::string token = lane.tokens[step];
            if (token == ".") {
                last = -1;
                continue;
            }
            if (token == "-") {
                if (last >= 0)
                    song.events[last].lengthRows += stepRows;
                continue;
            }
            double velocity = baseVelocity;
            if (token.back() == '!') {
                velocity = 1.0;
                token.pop_back();
            } else if (token.back() == '?') {
                velocity = baseVelocity * 0.55;
                token.pop_back();
            }
            NoteEvent event;
            event.instrument = instrumentIndex;
            event.row = startRow + step * stepRows;
            event.lengthRows = stepRows;
            if (token != "x") {
                auto chord = chords.find(token);
                if (chord != chords.end()) {
                    event.pitches = chord->second;
                } else {
                    int note = parseNoteName(token);
                    if (note < 0)
                        fail("not a note, chord or hit: " + text::quote(token));
                    event.pitches.push_back(note);
                }
            }
            // Slight, repeatable variation so repeated hits do not sound stamped.
            Rng rng(hashSeed(lane.instrument, static_cast<uint32_t>(event.row * 16.0)));
            event.velocity = static_cast<float>(velocity * (1.0 + humanize * rng.nextBipolar()));
            song.events.push_back(event);
            last = static_cast<long>(song.events.size()) - 1;
        }
    }

    void automate(const std::vector<std::string>& words) {
        Automation curve;
        for (size_t i = 3; i < words.size(); ++i) {
            auto [rowText, value] = keyValue(i, words, ':');
            double row = number(rowText, column(i), -maxNumber, maxNumber, "row");
            if (!curve.points.empty() && row <= curve.points.back().first)
                fail("automation rows must increase");
            curve.points.push_back({row, value});
        }
        if (words[1] == "master") {
            if (words[2] != "gain")
                fail("the master automates only 'gain'");
            song.masterGain = curve;
            return;
        }
        int index = song.findInstrument(words[1]);
        if (index < 0)
            fail("automation for unknown instrument " + text::quote(words[1]));
        song.instruments[index].automation[words[2]] = curve;
    }

    std::string sourceName;
    int lineNumber = 0;
    std::vector<int> columns;
    Song song;
    std::map<std::string, std::vector<int>> chords;
    std::map<std::string, Pattern> patterns;
    Pattern* openPattern = nullptr;
};

} // namespace

int parseNoteName(const std::string& text) {
    static const int semitones[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (text.size() < 2 || text[0] < 'A' || text[0] > 'G')
        return -1;
    int note = semitones[text[0] - 'A'];
    size_t at = 1;
    if (text[at] == '#' || text[at] == 'b') {
        note += text[at] == '#' ? 1 : -1;
        ++at;
    }
    if (at + 1 != text.size() || text[at] < '0' || text[at] > '9')
        return -1;
    return note + 12 * (text[at] - '0' + 1);
}

Song parseSong(const std::string& text, const std::string& sourceName) {
    return Parser(sourceName).parse(text);
}

Song loadSong(const std::string& path) {
    std::vector<unsigned char> text =
        platform::readFileLimited(path, platform::sourceLimit, "tune source");
    return parseSong(std::string(text.begin(), text.end()), path);
}

} // namespace Synth
