// The one number reader of the text sources. Integers are written in decimal digits with an
// optional sign; decimals also take a fraction and an exponent ("1.5", "-2e-3"). Nothing else
// is a number: no hex, "inf", "nan", spaces, or "1e5" where an integer is meant.
#pragma once

#include <string>
#include <string_view>

namespace text {

struct NumberRead {
    bool ok = false;
    double value = 0.0;
    std::string problem; // why not, naming the text, when !ok
};

// All of `text` as an integer from lowest to highest.
NumberRead readInteger(std::string_view text, long long lowest, long long highest);
// All of `text` as a finite decimal number from lowest to highest.
NumberRead readDecimal(std::string_view text, double lowest, double highest);
// Any finite decimal number.
NumberRead readDecimal(std::string_view text);

} // namespace text
