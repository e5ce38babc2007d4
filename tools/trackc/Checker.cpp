// Checks authored tracks against themselves, the program's sources and the value limits.
#include "Checker.h"

#include "Numbers.h"
#include "SourceText.h"

#include "Sync.h"
#include "Timeline.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <regex>
#include <sstream>

std::vector<std::string> checkStructure(const std::vector<TrackSource>& tracks) {
    std::vector<std::string> problems;
    std::map<std::string, const TrackSource*> seen;
    for (const TrackSource& track : tracks) {
        std::string where = track.file + ":" + std::to_string(track.line);
        auto [existing, added] = seen.emplace(track.name, &track);
        if (!added)
            problems.push_back(where + ": track '" + track.name + "' already defined at " +
                               existing->second->file + ":" +
                               std::to_string(existing->second->line));
        if (track.keys.empty())
            problems.push_back(where + ": track '" + track.name + "' has no keys");
        for (size_t i = 0; i < track.keys.size(); ++i) {
            const SourceKey& key = track.keys[i];
            std::string keyWhere = track.file + ":" + std::to_string(key.line);
            if (i > 0 && key.row <= track.keys[i - 1].row)
                problems.push_back(keyWhere + ": '" + track.name + "' row " +
                                   std::to_string(key.row) + " does not follow row " +
                                   std::to_string(track.keys[i - 1].row));
            if (key.interpolation < 0 || key.interpolation > 3)
                problems.push_back(keyWhere + ": '" + track.name + "' interpolation " +
                                   std::to_string(key.interpolation) + " is not 0 to 3");
        }
    }
    return problems;
}

namespace {

const std::regex& stringLiteral() {
    static const std::regex literal(R"re("([^"\\]*)")re");
    return literal;
}

void insertLiterals(const std::string& text, std::set<std::string>& names) {
    for (std::sregex_iterator it(text.begin(), text.end(), stringLiteral()), end; it != end; ++it)
        names.insert((*it)[1].str());
}

} // namespace

std::set<std::string> findReadTrackNames(const std::string& sourceText) {
    // A literal, or a choice between two (getValue(first ? "A 1" : "A 2")), which names both.
    static const std::regex call(
        R"(\b(?:getValue|getTrack)\s*\(\s*("[^"\\]*"|[\w.:>-]+\s*\?\s*"[^"\\]*"\s*:\s*"[^"\\]*"))");
    std::set<std::string> names;
    for (std::sregex_iterator it(sourceText.begin(), sourceText.end(), call), end; it != end; ++it)
        insertLiterals((*it)[1].str(), names);
    return names;
}

std::set<std::string> findIndirectTrackNames(const std::string& sourceText) {
    // A read through a variable (getValue(card.fade)) may take its name from any literal in
    // the file, e.g. a table of cards and their fade tracks.
    static const std::regex indirect(R"(\b(?:getValue|getTrack)\s*\(\s*[A-Za-z_][\w.:>-]*\s*\))");
    std::set<std::string> names;
    if (std::regex_search(sourceText, indirect))
        insertLiterals(sourceText, names);
    return names;
}

namespace {

template <typename Finder> std::set<std::string> findInTree(const std::string& root, Finder find) {
    namespace fs = std::filesystem;
    std::set<std::string> names;
    const char* folders[] = {"src", "effects", "post", ""};
    for (const char* folder : folders) {
        fs::path dir = fs::path(root) / folder;
        if (!fs::is_directory(dir))
            continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h")
                continue;
            std::ifstream stream(entry.path());
            std::stringstream text;
            text << stream.rdbuf();
            std::set<std::string> found = find(text.str());
            names.insert(found.begin(), found.end());
        }
    }
    return names;
}

} // namespace

std::set<std::string> findReadTrackNamesInTree(const std::string& root) {
    return findInTree(root, findReadTrackNames);
}

std::set<std::string> findIndirectTrackNamesInTree(const std::string& root) {
    return findInTree(root, findIndirectTrackNames);
}

std::vector<std::string> checkCoverage(const std::vector<TrackSource>& tracks,
                                       const std::set<std::string>& readNames,
                                       const std::set<std::string>& indirectNames) {
    std::vector<std::string> problems;
    std::set<std::string> sourced;
    for (const TrackSource& track : tracks) {
        sourced.insert(track.name);
        if (!readNames.count(track.name) && !indirectNames.count(track.name))
            problems.push_back(track.file + ":" + std::to_string(track.line) + ": track '" +
                               track.name + "' is never read by the program");
    }
    for (const std::string& name : readNames)
        if (!sourced.count(name))
            problems.push_back("the program reads track '" + name + "', which has no source");
    return problems;
}

std::vector<ValueLimit> parseLimits(const std::string& source) {
    std::vector<ValueLimit> limits;
    try {
        text::requireText(source, "limits");
    } catch (const text::SourceError& error) {
        throw TimelineError(error.what());
    }
    text::LineReader lines(source);
    std::string_view line;
    auto bound = [&](const text::Word& word, double unbounded) {
        if (word.text == "*")
            return unbounded;
        text::NumberRead read = text::readDecimal(word.text);
        if (!read.ok)
            throw TimelineError(text::where("limits", lines.lineNumber(), word.column,
                                            "bad bound " + read.problem));
        return read.value;
    };
    while (lines.next(line)) {
        std::vector<text::Word> words = text::splitWords(line);
        if (words.empty())
            continue;
        if (words.size() < 3)
            throw TimelineError(
                text::where("limits", lines.lineNumber(), 0, "expected min max name"));
        // The name is the rest of the line, spaces within it kept.
        std::string name(text::wordsFrom(line, words, 2));
        limits.push_back({name, bound(words[0], -std::numeric_limits<double>::infinity()),
                          bound(words[1], std::numeric_limits<double>::infinity())});
    }
    return limits;
}

std::vector<std::string> checkLimits(const std::vector<ValueLimit>& limits,
                                     const std::string& compiledFolder, double showSeconds,
                                     double rowsPerSecond) {
    std::vector<std::string> problems;
    std::string base = compiledFolder;
    if (base.empty() || base.back() != '/')
        base += '/';
    TrackSet tracks(base.c_str());
    double lastRow = showSeconds * rowsPerSecond;
    for (const ValueLimit& limit : limits) {
        const Track* track = tracks.getTrack(limit.name.c_str());
        // Quarter rows catch what smooth and ease-in curves do between keys.
        for (double row = 0.0; row <= lastRow; row += 0.25) {
            double value = track->getValue(row);
            if (value < limit.minimum || value > limit.maximum) {
                std::ostringstream message;
                message << "'" << limit.name << "' is " << value << " at row " << row << " ("
                        << row / rowsPerSecond << " s), outside " << limit.minimum << " to "
                        << limit.maximum;
                problems.push_back(message.str());
                break;
            }
        }
    }
    return problems;
}
