// Parsers for the timeline text format and editor XML.
#include "Timeline.h"

#include "FileIo.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
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

[[noreturn]] void fail(const std::string& file, int line, const std::string& what) {
    throw TimelineError(file + ":" + std::to_string(line) + ": " + what);
}

long parseWhole(const std::string& text, bool& ok) {
    ok = false;
    if (text.empty())
        return 0;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    ok = errno == 0 && *end == '\0' && value >= -lastTextRow && value <= lastTextRow;
    return value;
}

float parseValue(const std::string& text, const std::string& file, int line) {
    char* end = nullptr;
    float value = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value))
        fail(file, line, "not a number: '" + text + "'");
    return value;
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
            throw TimelineError("bad position '" + text + "'");
        return static_cast<std::int32_t>(row);
    }
    long parts[3] = {0, 0, 0};
    int count = 0;
    std::string rest = text;
    while (true) {
        size_t colon = rest.find(':');
        std::string part = rest.substr(0, colon);
        if (count == 3)
            throw TimelineError("bad position '" + text + "'");
        if (!part.empty()) {
            bool ok;
            parts[count] = parseWhole(part, ok);
            if (!ok || parts[count] < 0)
                throw TimelineError("bad position '" + text + "'");
        } else if (count == 0) {
            throw TimelineError("bad position '" + text + "'");
        }
        ++count;
        if (colon == std::string::npos)
            break;
        rest = rest.substr(colon + 1);
    }
    // Large bars would overflow the row.
    long long row = (long long)parts[0] * rowsPerBar + (long long)parts[1] * rowsPerBeat + parts[2];
    if (row > lastTextRow)
        throw TimelineError("position '" + text + "' is past row " + std::to_string(lastTextRow));
    return static_cast<std::int32_t>(row);
}

std::vector<TrackSource> parseTimeline(const std::string& text, const std::string& file) {
    std::vector<TrackSource> tracks;
    std::istringstream lines(text);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(lines, raw)) {
        ++lineNumber;
        std::string line = trim(raw.substr(0, raw.find('#')));
        if (line.empty())
            continue;
        if (line.compare(0, 6, "track ") == 0 || line == "track") {
            std::string name = trim(line.substr(5));
            if (name.empty())
                fail(file, lineNumber, "track without a name");
            tracks.push_back(TrackSource{name, file, lineNumber, {}});
            continue;
        }
        if (tracks.empty())
            fail(file, lineNumber, "key before the first 'track' line");
        std::istringstream words(line);
        std::string position, value, interpolation, extra;
        words >> position >> value >> interpolation >> extra;
        if (value.empty() || !extra.empty())
            fail(file, lineNumber, "expected: position value [interpolation]");
        SourceKey key;
        try {
            key.row = parsePosition(position);
        } catch (const TimelineError& e) {
            fail(file, lineNumber, e.what());
        }
        key.value = parseValue(value, file, lineNumber);
        key.interpolation = interpolation.empty() ? 0 : interpolationFromName(interpolation);
        if (key.interpolation < 0)
            fail(file, lineNumber, "unknown interpolation '" + interpolation + "'");
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
            tracks.push_back(TrackSource{attribute(tag, "name", file), file, tag.line, {}});
            inTrack = !tag.selfClosing;
        } else if (tag.name == "key" && !tag.closing) {
            if (!inTrack)
                fail(file, tag.line, "<key> outside <track>");
            SourceKey key;
            bool ok;
            key.row = static_cast<std::int32_t>(parseWhole(attribute(tag, "row", file), ok));
            if (!ok)
                fail(file, tag.line, "bad row");
            key.value = parseValue(attribute(tag, "value", file), file, tag.line);
            key.interpolation =
                static_cast<int>(parseWhole(attribute(tag, "interpolation", file), ok));
            if (!ok)
                fail(file, tag.line, "bad interpolation");
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
