// The text check, line reader and word splitter shared by the source parsers.
#include "SourceText.h"

namespace text {

std::string where(const std::string& file, int line, int column, const std::string& what) {
    std::string out = file + ":" + std::to_string(line);
    if (column > 0)
        out += ":" + std::to_string(column);
    return out + ": " + what;
}

std::string quote(std::string_view text) {
    std::string out = "'";
    if (text.size() <= longestQuote) {
        out.append(text);
    } else {
        std::size_t cut = longestQuote;
        // Never cut a UTF-8 sequence in two.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(text.substr(0, cut));
        out += "...' (" + std::to_string(text.size()) + " bytes";
        return out + ")";
    }
    return out + "'";
}

namespace {

// Bytes of the UTF-8 sequence starting at `at`, or 0 when it is not valid UTF-8 (overlong
// forms, surrogates and code points past U+10FFFF included).
std::size_t utf8Length(std::string_view bytes, std::size_t at) {
    unsigned char lead = static_cast<unsigned char>(bytes[at]);
    std::size_t length;
    unsigned lowest;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, lowest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, lowest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, lowest = 0x10000;
    else
        return 0;
    if (bytes.size() - at < length)
        return 0;
    unsigned code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char next = static_cast<unsigned char>(bytes[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

std::string byteName(unsigned char byte) {
    static const char digits[] = "0123456789abcdef";
    if (byte == 0)
        return "a NUL byte";
    std::string hex = "0x";
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
    return byte < 0x80 ? "control byte " + hex : "byte " + hex + ", not UTF-8";
}

} // namespace

void requireText(std::string_view bytes, const std::string& file) {
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        unsigned char byte = static_cast<unsigned char>(bytes[at]);
        int column = int(at - lineStart) + 1;
        if (byte == '\n') {
            ++line;
            lineStart = ++at;
            continue;
        }
        if (at - lineStart >= longestLine)
            throw SourceError(where(file, line, 0,
                                    "the line is longer than " + std::to_string(longestLine) +
                                        " bytes; not a text source"));
        if ((byte < 0x20 && byte != '\t' && byte != '\r') || byte == 0x7F)
            throw SourceError(where(file, line, column, byteName(byte) + "; not a text source"));
        std::size_t length = utf8Length(bytes, at);
        if (length == 0)
            throw SourceError(where(file, line, column, byteName(byte) + "; not a text source"));
        at += length;
    }
}

std::string_view wordsFrom(std::string_view line, const std::vector<Word>& words,
                           std::size_t first) {
    std::size_t start = std::size_t(words[first].column - 1);
    std::size_t end = std::size_t(words.back().column - 1) + words.back().text.size();
    return line.substr(start, end - start);
}

std::vector<Word> splitWords(std::string_view line, char commentMark) {
    std::vector<Word> words;
    std::size_t at = 0;
    while (at < line.size()) {
        char c = line[at];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
            continue;
        }
        if (commentMark && c == commentMark)
            break;
        std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r' &&
               !(commentMark && line[at] == commentMark))
            ++at;
        words.push_back(Word{line.substr(start, at - start), int(start) + 1});
    }
    return words;
}

bool LineReader::next(std::string_view& line) {
    if (done)
        return false;
    std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
        done = true;
        if (rest.empty())
            return false;
        end = rest.size();
    }
    line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    rest = end < rest.size() ? rest.substr(end + 1) : std::string_view();
    ++number;
    return true;
}

} // namespace text
