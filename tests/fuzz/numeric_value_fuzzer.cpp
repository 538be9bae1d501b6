// The leading-number rule over any text: never a fault (long digit strings, huge exponents), always a
// finite number, blanks ignored wherever they stand, and plain decimal literals read as the C library's
// correctly rounded conversion reads them.
#include "data/numeric_value.h"

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the whole text is [+-]digits[.digits][(e|E)[+-]digits] with at least one mantissa digit: the
// form on which the rule and strtod must agree.
bool IsPlainLiteral(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const std::size_t exponentStart = i;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
        }
        if (i == exponentStart) {
            return false;
        }
    }
    return i == text.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = candlewatcher::NumericValue(text);
    if (!std::isfinite(value)) {
        std::abort();
    }

    std::string withoutBlanks;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            withoutBlanks.push_back(c);
        }
    }
    const double compact = candlewatcher::NumericValue(withoutBlanks);
    if (!(compact == value && std::signbit(compact) == std::signbit(value))) {
        std::abort();
    }

    if (withoutBlanks.size() < 4096 && IsPlainLiteral(withoutBlanks)) {
        std::setlocale(LC_NUMERIC, "C");
        double expected = std::strtod(withoutBlanks.c_str(), nullptr);
        if (std::isinf(expected)) {
            expected = std::copysign(DBL_MAX, expected); // too large for a double: the largest one
        }
        if (expected == 0) {
            expected = 0; // no "-0"
        }
        // Below the normal range the rule may round to 0 rather than to a subnormal.
        const bool tiny = std::fabs(expected) < DBL_MIN && value == 0;
        if (!tiny && !(value == expected && std::signbit(value) == std::signbit(expected))) {
            std::abort();
        }
    }
    return 0;
}
