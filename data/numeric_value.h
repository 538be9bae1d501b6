#pragma once

#include <string_view>

namespace candlewatcher {

// The leading-number rule: blanks anywhere are ignored, then an optional sign, digits, a decimal point and an
// E or D exponent are read from the start; &H and &O introduce hexadecimal and octal integers. Anything after
// the number is ignored; a text without a leading number is 0.
double NumericValue(std::string_view text);

} // namespace candlewatcher
