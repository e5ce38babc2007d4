// Cutting messages to what a frame can draw.
#include "ShownText.h"

namespace {

// Bytes of `line` up to `columns` characters, never splitting a UTF-8 sequence.
std::size_t cutAt(const std::string& text, std::size_t begin, std::size_t end,
                  std::size_t columns) {
    std::size_t characters = 0;
    for (std::size_t at = begin; at < end; ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && characters++ == columns)
            return at;
    }
    return end;
}

} // namespace

std::string shownText(const std::string& text, std::size_t lines, std::size_t columns) {
    std::string shown;
    std::size_t at = 0, shownCount = 0, cutLines = 0;
    bool cutWithin = false;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        if (shownCount < lines) {
            std::size_t cut = cutAt(text, at, end, columns);
            if (shownCount > 0)
                shown += '\n';
            shown.append(text, at, cut - at);
            if (cut < end) {
                shown += "...";
                cutWithin = true;
            }
            ++shownCount;
        } else {
            ++cutLines;
        }
        at = end + 1;
    }
    if (cutLines > 0 || cutWithin) {
        shown += "\n(" + std::to_string(text.size()) + " bytes in all";
        if (cutLines > 0)
            shown += ", " + std::to_string(cutLines) + " more lines";
        shown += "; the whole message is on stderr)";
    }
    return shown;
}
