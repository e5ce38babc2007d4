// What every text source parser shares: a file is refused unless it is text (UTF-8, no NUL or
// other control bytes but tab, line feed and carriage return), lines are read with their numbers,
// and words carry their columns, so every message can name file, line and column.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// Longest line a hand-written source may hold; past it the file is not taken as text.
constexpr std::size_t longestLine = 64 * 1024;
// Longest piece of a source quoted back in a message.
constexpr std::size_t longestQuote = 40;

struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "file:line:column: what" (column 0 leaves the column out).
std::string where(const std::string& file, int line, int column, const std::string& what);
// The text between quotes for a message, cut to longestQuote characters with what was left.
std::string quote(std::string_view text);

// Throws SourceError naming file, line and column of the first byte that is not text: NUL, a
// control byte, invalid UTF-8, or a line longer than longestLine.
void requireText(std::string_view bytes, const std::string& file);

struct Word {
    std::string_view text;
    int column = 0; // 1-based, in bytes
};

// Words split at spaces and tabs, up to a '#' that starts a comment (when commentMark is set).
std::vector<Word> splitWords(std::string_view line, char commentMark = '#');
// The line from words[first] to the end of the last word, the spaces between them kept (a name
// made of several words). words come from splitWords(line) and hold more than `first`.
std::string_view wordsFrom(std::string_view line, const std::vector<Word>& words,
                           std::size_t first);

// Lines of a text already checked by requireText, without their line feeds or a carriage return
// before one.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest(text) {}
    bool next(std::string_view& line);
    int lineNumber() const { return number; }

private:
    std::string_view rest;
    int number = 0;
    bool done = false;
};

} // namespace text
