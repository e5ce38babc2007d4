// Strict decimal number forms, checked before conversion so no locale, hex or special name
// slips through the C library.
#include "Numbers.h"

#include "SourceText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace text {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits from `at`; returns how many.
std::size_t digits(std::string_view text, std::size_t& at) {
    std::size_t start = at;
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at - start;
}

NumberRead refused(std::string problem) {
    NumberRead read;
    read.problem = std::move(problem);
    return read;
}

std::string range(double lowest, double highest) {
    char text[64];
    std::snprintf(text, sizeof text, " (%.10g to %.10g)", lowest, highest);
    return text;
}

} // namespace

NumberRead readInteger(std::string_view text, long long lowest, long long highest) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    if (digits(text, at) == 0 || at != text.size())
        return refused(quote(text) + " is not a whole number");
    std::string copy(text);
    errno = 0;
    long long value = std::strtoll(copy.c_str(), nullptr, 10);
    if (errno == ERANGE || value < lowest || value > highest)
        return refused(quote(text) + " is out of range" + range(double(lowest), double(highest)));
    NumberRead read;
    read.ok = true;
    read.value = double(value);
    return read;
}

NumberRead readDecimal(std::string_view text, double lowest, double highest) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    std::size_t whole = digits(text, at), fraction = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        fraction = digits(text, at);
    }
    bool form = whole + fraction > 0;
    if (form && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '-' || text[at] == '+'))
            ++at;
        form = digits(text, at) > 0;
    }
    if (!form || at != text.size())
        return refused(quote(text) + " is not a number");
    std::string copy(text);
    double value = std::strtod(copy.c_str(), nullptr);
    if (!std::isfinite(value))
        return refused(quote(text) + " is not a finite number");
    if (value < lowest || value > highest)
        return refused(quote(text) + " is out of range" + range(lowest, highest));
    NumberRead read;
    read.ok = true;
    read.value = value;
    return read;
}

NumberRead readDecimal(std::string_view text) {
    return readDecimal(text, -std::numeric_limits<double>::max(),
                       std::numeric_limits<double>::max());
}

} // namespace text
