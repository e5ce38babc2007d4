// Parsers for the timeline text format and editor XML.
#include "Timeline.h"

#include "FileIo.h"
#include "Numbers.h"
#include "SourceText.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <set>
#include <sstream>

int interpolationFromName(const std::string& name) {
    if (name == "hold")
        return 0;
    if (name == "linear")
        return 1;
    if (name == "smooth")
        return 2;
    if (name == "easein" || name == "ease-in")
        return 3;
    return -1;
}

const char* interpolationName(int interpolation) {
    static const char* const names[] = {"hold", "linear", "smooth", "easein"};
    return interpolation >= 0 && interpolation <= 3 ? names[interpolation] : "?";
}

namespace {

[[noreturn]] void fail(const std::string& file, int line, const std::string& what, int column = 0) {
    throw TimelineError(text::where(file, line, column, what));
}

// Whole rows, bars, beats: the text format's integers.
long parseWhole(std::string_view text, bool& ok) {
    text::NumberRead read = text::readInteger(text, -lastTextRow, lastTextRow);
    ok = read.ok;
    return ok ? long(read.value) : 0;
}

// A key's value: any decimal number a float holds.
float parseValue(std::string_view text, const std::string& file, int line, int column) {
    text::NumberRead read = text::readDecimal(text);
    if (read.ok && !std::isfinite(float(read.value)))
        read = text::NumberRead{false, 0.0, text::quote(text) + " is past the largest float"};
    if (!read.ok)
        fail(file, line, "value " + read.problem, column);
    return float(read.value);
}

// The bytes as text, or a TimelineError naming where they stop being text.
void requireText(const std::string& bytes, const std::string& file) {
    try {
        text::requireText(bytes, file);
    } catch (const text::SourceError& error) {
        throw TimelineError(error.what());
    }
}

std::string trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

std::int32_t parsePosition(const std::string& text) {
    if (text.find(':') == std::string::npos) {
        bool ok;
        long row = parseWhole(text, ok);
        if (!ok)
            throw TimelineError("bad position " + text::quote(text));
        return static_cast<std::int32_t>(row);
    }
    long parts[3] = {0, 0, 0};
    int count = 0;
    std::string rest = text;
    while (true) {
        size_t colon = rest.find(':');
        std::string part = rest.substr(0, colon);
        if (count == 3)
            throw TimelineError("bad position " + text::quote(text));
        if (!part.empty()) {
            bool ok;
            parts[count] = parseWhole(part, ok);
            if (!ok || parts[count] < 0)
                throw TimelineError("bad position " + text::quote(text));
        } else if (count == 0) {
            throw TimelineError("bad position " + text::quote(text));
        }
        ++count;
        if (colon == std::string::npos)
            break;
        rest = rest.substr(colon + 1);
    }
    // Large bars would overflow the row.
    long long row = (long long)parts[0] * rowsPerBar + (long long)parts[1] * rowsPerBeat + parts[2];
    if (row > lastTextRow)
        throw TimelineError("position " + text::quote(text) + " is past row " +
                            std::to_string(lastTextRow));
    return static_cast<std::int32_t>(row);
}

std::vector<TrackSource> parseTimeline(const std::string& source, const std::string& file) {
    requireText(source, file);
    std::vector<TrackSource> tracks;
    text::LineReader lines(source);
    std::string_view raw;
    while (lines.next(raw)) {
        int lineNumber = lines.lineNumber();
        std::string line = trim(std::string(raw.substr(0, raw.find('#'))));
        if (line.empty())
            continue;
        if (line.compare(0, 6, "track ") == 0 || line == "track") {
            std::string name = trim(line.substr(5));
            if (name.empty())
                fail(file, lineNumber, "track without a name");
            if (name.size() > longestTrackName)
                fail(file, lineNumber,
                     "a track name of " + std::to_string(name.size()) + " bytes; names hold " +
                         std::to_string(longestTrackName) + " at most");
            tracks.push_back(TrackSource{name, file, lineNumber, {}});
            continue;
        }
        if (tracks.empty())
            fail(file, lineNumber, "key before the first 'track' line");
        std::vector<text::Word> words = text::splitWords(raw);
        if (words.size() < 2 || words.size() > 3)
            fail(file, lineNumber, "expected: position value [interpolation]");
        SourceKey key;
        try {
            key.row = parsePosition(std::string(words[0].text));
        } catch (const TimelineError& e) {
            fail(file, lineNumber, e.what(), words[0].column);
        }
        key.value = parseValue(words[1].text, file, lineNumber, words[1].column);
        std::string interpolation = words.size() > 2 ? std::string(words[2].text) : "";
        key.interpolation = interpolation.empty() ? 0 : interpolationFromName(interpolation);
        if (key.interpolation < 0)
            fail(file, lineNumber, "unknown interpolation " + text::quote(interpolation),
                 words[2].column);
        key.line = lineNumber;
        tracks.back().keys.push_back(key);
    }
    return tracks;
}

namespace {

// Just enough XML for editor files: elements with attributes, comments, declarations.
struct XmlTag {
    std::string name;
    std::map<std::string, std::string> attributes;
    bool closing = false;
    bool selfClosing = false;
    int line = 0;
};

std::string unescape(const std::string& text) {
    static const std::pair<const char*, char> entities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& entity : entities) {
                size_t length = std::char_traits<char>::length(entity.first);
                if (text.compare(i, length, entity.first) == 0) {
                    out += entity.second;
                    i += length;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

std::vector<XmlTag> scanTags(const std::string& text, const std::string& file) {
    std::vector<XmlTag> tags;
    int line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            ++line;
        if (text[i] != '<')
            continue;
        if (text.compare(i, 4, "<!--") == 0 || text.compare(i, 2, "<?") == 0 ||
            text.compare(i, 2, "<!") == 0) {
            const char* terminator = text.compare(i, 4, "<!--") == 0 ? "-->" : ">";
            size_t end = text.find(terminator, i);
            if (end == std::string::npos)
                fail(file, line, "unterminated markup");
            for (size_t j = i; j < end; ++j)
                line += text[j] == '\n';
            i = end;
            continue;
        }
        size_t end = text.find('>', i);
        if (end == std::string::npos)
            fail(file, line, "unterminated tag");
        std::string body = text.substr(i + 1, end - i - 1);
        XmlTag tag;
        tag.line = line;
        for (char c : body)
            line += c == '\n';
        if (!body.empty() && body[0] == '/') {
            tag.closing = true;
            body = body.substr(1);
        }
        if (!body.empty() && body.back() == '/') {
            tag.selfClosing = true;
            body.pop_back();
        }
        size_t p = 0;
        while (p < body.size() && !std::isspace(static_cast<unsigned char>(body[p])))
            ++p;
        tag.name = body.substr(0, p);
        while (p < body.size()) {
            while (p < body.size() && std::isspace(static_cast<unsigned char>(body[p])))
                ++p;
            if (p >= body.size())
                break;
            size_t equals = body.find('=', p);
            if (equals == std::string::npos)
                fail(file, tag.line, "attribute without a value in <" + tag.name + ">");
            std::string name = trim(body.substr(p, equals - p));
            size_t open = body.find_first_of("\"'", equals);
            if (open == std::string::npos)
                fail(file, tag.line, "unquoted attribute in <" + tag.name + ">");
            size_t close = body.find(body[open], open + 1);
            if (close == std::string::npos)
                fail(file, tag.line, "unterminated attribute in <" + tag.name + ">");
            tag.attributes[name] = unescape(body.substr(open + 1, close - open - 1));
            p = close + 1;
        }
        tags.push_back(tag);
        i = end;
    }
    return tags;
}

const std::string& attribute(const XmlTag& tag, const char* name, const std::string& file) {
    auto found = tag.attributes.find(name);
    if (found == tag.attributes.end())
        fail(file, tag.line, "<" + tag.name + "> lacks " + name);
    return found->second;
}

} // namespace

std::vector<TrackSource> parseEditorXml(const std::string& text, const std::string& file) {
    std::vector<TrackSource> tracks;
    bool inTracks = false, inTrack = false;
    requireText(text, file);
    for (const XmlTag& tag : scanTags(text, file)) {
        if (tag.name == "tracks") {
            inTracks = !tag.closing;
        } else if (tag.name == "track") {
            if (tag.closing) {
                inTrack = false;
                continue;
            }
            if (!inTracks)
                fail(file, tag.line, "<track> outside <tracks>");
            const std::string& name = attribute(tag, "name", file);
            if (name.size() > longestTrackName)
                fail(file, tag.line,
                     "a track name of " + std::to_string(name.size()) + " bytes; names hold " +
                         std::to_string(longestTrackName) + " at most");
            tracks.push_back(TrackSource{name, file, tag.line, {}});
            inTrack = !tag.selfClosing;
        } else if (tag.name == "key" && !tag.closing) {
            if (!inTrack)
                fail(file, tag.line, "<key> outside <track>");
            SourceKey key;
            bool ok;
            const std::string& row = attribute(tag, "row", file);
            key.row = static_cast<std::int32_t>(parseWhole(row, ok));
            if (!ok)
                fail(file, tag.line, "bad row " + text::quote(row));
            key.value = parseValue(attribute(tag, "value", file), file, tag.line, 0);
            const std::string& interpolation = attribute(tag, "interpolation", file);
            key.interpolation = static_cast<int>(parseWhole(interpolation, ok));
            if (!ok)
                fail(file, tag.line, "bad interpolation " + text::quote(interpolation));
            key.line = tag.line;
            tracks.back().keys.push_back(key);
        }
    }
    return tracks;
}

namespace {

bool isXml(const std::string& path) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".xml") == 0;
}

} // namespace

std::vector<TrackSource> readTrackFile(const std::string& path) {
    std::string text = readWholeFile(path);
    return isXml(path) ? parseEditorXml(text, path) : parseTimeline(text, path);
}

std::string textTwinOf(const std::string& xmlPath) {
    return xmlPath + ".tl";
}

std::vector<TrackSource> readTrackFiles(const std::vector<std::string>& paths) {
    namespace fs = std::filesystem;
    auto same = [](const std::string& a, const std::string& b) {
        return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
    };
    std::vector<std::vector<TrackSource>> perFile;
    for (const std::string& path : paths)
        perFile.push_back(readTrackFile(path));
    std::vector<TrackSource> tracks;
    for (size_t i = 0; i < paths.size(); ++i) {
        std::set<std::string> overridden;
        if (isXml(paths[i]))
            for (size_t j = 0; j < paths.size(); ++j)
                if (same(paths[j], textTwinOf(paths[i])))
                    for (const TrackSource& twin : perFile[j])
                        overridden.insert(twin.name);
        for (TrackSource& track : perFile[i])
            if (!overridden.count(track.name))
                tracks.push_back(std::move(track));
    }
    return tracks;
}
