// Timeline text output: value and position texts, whole files, and block replacement that
// keeps the rest of a hand-written file as it was.
#include "TimelineWriter.h"

#include "KeyCheck.h"
#include "Timeline.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

std::string formatValue(float value) {
    if (!std::isfinite(value))
        throw TimelineError("the value " + std::to_string(value) + " cannot be written");
    char text[32];
    for (int digits = 1;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, double(value));
        float back = std::strtof(text, nullptr);
        // Nine significant digits always read back exactly.
        if (std::memcmp(&back, &value, sizeof value) == 0 || digits >= 9)
            return text;
    }
}

std::string formatBarBeatRow(std::int32_t row, bool full) {
    std::int32_t bar = row / rowsPerBar, beat = row % rowsPerBar / rowsPerBeat,
                 rest = row % rowsPerBeat;
    std::string text = std::to_string(bar) + ":";
    if (full || beat || rest)
        text += std::to_string(beat);
    if (full || rest)
        text += ":" + std::to_string(rest);
    return text;
}

bool isWritableTrackName(const std::string& name) {
    if (name.empty() || name.find_first_of("#\r\n") != std::string::npos)
        return false;
    return !std::isspace(static_cast<unsigned char>(name.front())) &&
           !std::isspace(static_cast<unsigned char>(name.back()));
}

namespace {

struct Line {
    std::string content;    // without its ending
    std::string terminator; // "\n", "\r\n", or "" for a last line without one
};

std::vector<Line> splitLines(const std::string& text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back({text.substr(start), ""});
            break;
        }
        size_t contentEnd = end > start && text[end - 1] == '\r' ? end - 1 : end;
        lines.push_back({text.substr(start, contentEnd - start),
                         text.substr(contentEnd, end + 1 - contentEnd)});
        start = end + 1;
    }
    return lines;
}

struct Field {
    size_t column = 0;
    std::string text;
};

// A key line taken apart: position, value and the optional interpolation, and an end comment.
struct KeyLine {
    std::vector<Field> fields;
    bool hasComment = false;
    Field comment;
};

KeyLine splitKeyLine(const std::string& content) {
    KeyLine line;
    size_t hash = content.find('#');
    size_t end = hash == std::string::npos ? content.size() : hash;
    for (size_t i = 0; i < end;) {
        if (std::isspace(static_cast<unsigned char>(content[i]))) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < end && !std::isspace(static_cast<unsigned char>(content[i])))
            ++i;
        line.fields.push_back({start, content.substr(start, i - start)});
    }
    if (hash != std::string::npos) {
        line.hasComment = true;
        line.comment = {hash, content.substr(hash)};
    }
    return line;
}

// How a file or block lays out its key lines.
struct Style {
    size_t indent = 2;
    size_t valueColumn = 10;
    size_t interpolationColumn = 20;
    bool barBeat = false;
    bool fullBarBeat = false;
    bool writeHold = true;
    std::string easeIn = "easein";
};

size_t mostCommon(const std::map<size_t, int>& counts, size_t fallback) {
    size_t best = fallback;
    int bestCount = 0;
    for (const auto& [column, count] : counts)
        if (count > bestCount) {
            best = column;
            bestCount = count;
        }
    return best;
}

bool learnStyle(const std::vector<KeyLine>& lines, Style& style) {
    if (lines.empty())
        return false;
    std::map<size_t, int> indents, values, interpolations;
    size_t valueEnd = 0;
    bool anyInterpolation = false, anyColon = false, allFull = true;
    for (const KeyLine& line : lines) {
        if (line.fields.size() < 2)
            continue;
        ++indents[line.fields[0].column];
        ++values[line.fields[1].column];
        valueEnd = std::max(valueEnd, line.fields[1].column + line.fields[1].text.size());
        const std::string& position = line.fields[0].text;
        if (position.find(':') != std::string::npos) {
            anyColon = true;
            allFull = allFull && std::count(position.begin(), position.end(), ':') == 2 &&
                      position.back() != ':';
        }
        if (line.fields.size() > 2) {
            anyInterpolation = true;
            ++interpolations[line.fields[2].column];
            if (line.fields[2].text == "ease-in")
                style.easeIn = "ease-in";
        }
    }
    if (indents.empty())
        return false;
    style.indent = mostCommon(indents, style.indent);
    style.valueColumn = mostCommon(values, style.valueColumn);
    style.interpolationColumn = mostCommon(interpolations, valueEnd + 2);
    style.barBeat = anyColon;
    style.fullBarBeat = anyColon && allFull;
    style.writeHold = anyInterpolation;
    return true;
}

// Columns for a fresh block of these keys.
Style freshStyle(const std::vector<TrackKey>& keys) {
    Style style;
    size_t position = 0, value = 0;
    for (const TrackKey& key : keys) {
        position = std::max(position, std::to_string(key.row).size());
        value = std::max(value, formatValue(key.value).size());
    }
    style.valueColumn = style.indent + std::max<size_t>(8, position + 2);
    style.interpolationColumn = style.valueColumn + std::max<size_t>(10, value + 2);
    return style;
}

std::string positionText(std::int32_t row, const Style& style) {
    return style.barBeat && row >= 0 ? formatBarBeatRow(row, style.fullBarBeat)
                                     : std::to_string(row);
}

std::string interpolationText(int interpolation, const Style& style) {
    if (interpolation == 0 && !style.writeHold)
        return "";
    return interpolation == 3 ? style.easeIn : interpolationName(interpolation);
}

void padTo(std::string& line, size_t column) {
    if (line.size() < column)
        line.append(column - line.size(), ' ');
    else
        line += ' ';
}

std::string layOut(const std::string& lead, const std::vector<Field>& fields) {
    std::string line = lead + fields[0].text;
    for (size_t i = 1; i < fields.size(); ++i) {
        if (fields[i].text.empty())
            continue;
        padTo(line, fields[i].column);
        line += fields[i].text;
    }
    return line;
}

std::string freshKeyLine(const TrackKey& key, const Style& style) {
    return layOut(std::string(style.indent, ' '),
                  {{style.indent, positionText(key.row, style)},
                   {style.valueColumn, formatValue(key.value)},
                   {style.interpolationColumn, interpolationText(key.interpolation, style)}});
}

// The key's line written over an existing line of the same row: texts that still say the same
// thing stay, and so do the separators, the columns where they fit and the end comment.
std::string rewrittenKeyLine(const std::string& content, const KeyLine& old, const TrackKey& key,
                             const Style& style) {
    std::vector<Field> fields = old.fields;
    float oldValue = std::strtof(fields[1].text.c_str(), nullptr);
    if (std::memcmp(&oldValue, &key.value, sizeof oldValue) != 0)
        fields[1].text = formatValue(key.value);
    int oldInterpolation = fields.size() > 2 ? interpolationFromName(fields[2].text) : 0;
    if (oldInterpolation != key.interpolation) {
        std::string text =
            key.interpolation == 0 ? "hold" : interpolationText(key.interpolation, style);
        if (fields.size() > 2)
            fields[2].text = text;
        else
            fields.push_back({style.interpolationColumn, text});
    }
    bool same = fields.size() == old.fields.size();
    for (size_t i = 0; same && i < fields.size(); ++i)
        same = fields[i].text == old.fields[i].text;
    if (same)
        return content;

    // What follows each field up to the next one (or the comment), as the line had it.
    auto separatorAfter = [&](size_t i) -> std::string {
        size_t from = old.fields[i].column + old.fields[i].text.size();
        size_t to = i + 1 < old.fields.size() ? old.fields[i + 1].column
                    : old.hasComment          ? old.comment.column
                                              : from;
        return content.substr(from, to - from);
    };
    auto separate = [](std::string& line, const std::string& separator, size_t column) {
        if (separator.find('\t') != std::string::npos)
            line += separator;
        else
            padTo(line, column);
    };
    std::string line = content.substr(0, fields[0].column);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            separate(line, i < old.fields.size() ? separatorAfter(i - 1) : "", fields[i].column);
        line += fields[i].text;
    }
    if (old.hasComment)
        separate(line, separatorAfter(old.fields.size() - 1), old.comment.column);
    if (old.hasComment)
        line += old.comment.text;
    return line;
}

void emit(std::string& out, const std::string& content, const std::string& terminator,
          const std::string& eol) {
    if (!out.empty() && out.back() != '\n')
        out += eol;
    out += content;
    out += terminator;
}

void checkKeys(const std::vector<TrackKey>& keys, const std::string& name) {
    for (size_t i = 0; i < keys.size(); ++i) {
        std::string problem = keyProblem(keys[i].row, keys[i].value, keys[i].interpolation);
        if (!problem.empty())
            throw TimelineError("'" + name + "' row " + std::to_string(keys[i].row) + ": " +
                                problem);
        if (i > 0 && keys[i].row <= keys[i - 1].row)
            throw TimelineError("'" + name + "' row " + std::to_string(keys[i].row) +
                                " does not follow row " + std::to_string(keys[i - 1].row));
    }
}

} // namespace

std::string formatTimeline(const std::vector<TrackSource>& tracks,
                           const std::vector<std::string>& heading) {
    std::string out;
    for (const std::string& line : heading)
        out += "# " + line + "\n";
    std::set<std::string> names;
    for (const TrackSource& track : tracks) {
        if (!isWritableTrackName(track.name))
            throw TimelineError(track.file + ": the name '" + track.name +
                                "' cannot be written as a timeline track");
        if (!names.insert(track.name).second)
            throw TimelineError(track.file + ": track '" + track.name + "' given twice");
        std::vector<TrackKey> keys;
        for (const SourceKey& key : track.keys)
            keys.push_back(TrackKey{key.row, key.value, key.interpolation});
        // Compiled files may hold rows in any order; they are written as they come so that
        // compiling the text again gives the same bytes, and the checker reports the order.
        for (const TrackKey& key : keys) {
            std::string problem = keyProblem(key.row, key.value, key.interpolation);
            if (!problem.empty())
                throw TimelineError(track.file + ": '" + track.name + "' row " +
                                    std::to_string(key.row) + ": " + problem +
                                    "; the timeline format cannot hold it");
        }
        Style style = freshStyle(keys);
        out += (out.empty() ? "" : "\n") + std::string("track ") + track.name + "\n";
        for (const TrackKey& key : keys)
            out += freshKeyLine(key, style) + "\n";
    }
    return out;
}

std::string replaceTrackBlock(const std::string& text, const std::string& file,
                              const std::string& name, const std::vector<TrackKey>& keys) {
    checkKeys(keys, name);
    if (!isWritableTrackName(name))
        throw TimelineError("the name '" + name + "' cannot be written as a timeline track");
    std::vector<TrackSource> tracks = parseTimeline(text, file);
    const TrackSource* block = nullptr;
    for (const TrackSource& track : tracks) {
        if (track.name != name)
            continue;
        if (block)
            throw TimelineError(file + ":" + std::to_string(track.line) + ": track '" + name +
                                "' is defined twice in this file");
        block = &track;
    }

    std::vector<Line> lines = splitLines(text);
    std::string eol = "\n";
    for (const Line& line : lines)
        if (!line.terminator.empty()) {
            eol = line.terminator;
            break;
        }
    std::vector<KeyLine> fileKeyLines;
    for (const TrackSource& track : tracks)
        for (const SourceKey& key : track.keys)
            fileKeyLines.push_back(splitKeyLine(lines[size_t(key.line - 1)].content));
    Style fileStyle = freshStyle(keys);
    learnStyle(fileKeyLines, fileStyle);

    std::string out;
    if (!block) {
        // After the last line, with a blank line between.
        out = text;
        if (!out.empty()) {
            if (out.back() != '\n')
                out += eol;
            if (lines.back().content.find_first_not_of(" \t\r") != std::string::npos)
                out += eol;
        }
        out += "track " + name + eol;
        for (const TrackKey& key : keys)
            out += freshKeyLine(key, fileStyle) + eol;
        return out;
    }

    std::vector<KeyLine> blockKeyLines;
    for (const SourceKey& key : block->keys)
        blockKeyLines.push_back(splitKeyLine(lines[size_t(key.line - 1)].content));
    Style style = fileStyle;
    learnStyle(blockKeyLines, style);

    int header = block->line;
    int last = block->keys.empty() ? header : block->keys.back().line;
    for (int i = 1; i <= header; ++i)
        emit(out, lines[size_t(i - 1)].content, lines[size_t(i - 1)].terminator, eol);
    size_t next = 0;
    int lineNumber = header + 1;
    for (size_t k = 0; k < block->keys.size(); ++k) {
        const SourceKey& old = block->keys[k];
        // New keys before this row go straight after the previous key, ahead of any comment
        // lines that lead into this one.
        while (next < keys.size() && keys[next].row < old.row)
            emit(out, freshKeyLine(keys[next++], style), eol, eol);
        for (; lineNumber < old.line; ++lineNumber)
            emit(out, lines[size_t(lineNumber - 1)].content,
                 lines[size_t(lineNumber - 1)].terminator, eol);
        const Line& line = lines[size_t(old.line - 1)];
        const KeyLine& parts = blockKeyLines[k];
        if (next < keys.size() && keys[next].row == old.row) {
            emit(out, rewrittenKeyLine(line.content, parts, keys[next++], style),
                 line.terminator.empty() ? eol : line.terminator, eol);
        } else if (parts.hasComment) {
            emit(out, line.content.substr(0, parts.fields[0].column) + parts.comment.text,
                 line.terminator, eol);
        }
        lineNumber = old.line + 1;
    }
    while (next < keys.size())
        emit(out, freshKeyLine(keys[next++], style), eol, eol);
    // A block that ended the file without a line ending ends it the same way.
    if (size_t(last) == lines.size() && lines.back().terminator.empty() && !out.empty() &&
        out.size() >= eol.size() && out.compare(out.size() - eol.size(), eol.size(), eol) == 0)
        out.erase(out.size() - eol.size());
    for (size_t i = size_t(last); i < lines.size(); ++i)
        emit(out, lines[i].content, lines[i].terminator, eol);
    return out;
}
