#include "data/numeric_value.h"

#include "data/hex_digits.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <limits>

namespace candlewatcher {

namespace {

// Enough significant digits to tell apart any two doubles and the point halfway between them; digits past
// these only move the decimal exponent, and whether any of them is nonzero (see the sticky digit below).
constexpr int kMaxSignificantDigits = 800;
// Exponents are read up to this size; beyond it every nonzero number has long left the range of a double.
constexpr std::int64_t kExponentCap = 100000;

bool IsIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Walks the text with blanks, tabs and line feeds skipped wherever they stand.
class Cursor {
public:
    explicit Cursor(std::string_view text)
        : m_text(text) {
        Skip();
    }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    void Next() {
        ++m_pos;
        Skip();
    }

private:
    void Skip() {
        while (m_pos < m_text.size() && IsIgnored(m_text[m_pos]))
            ++m_pos;
    }
    std::string_view m_text;
    std::size_t m_pos = 0;
};

int DigitValue(char c, int base) {
    const int value = HexDigitValue(c);
    return value < base ? value : -1;
}

// &H and &O numbers: the plain non-negative value of the digits, so "&HFFFF" is 65535. Digits that would
// carry it past the largest double leave it there.
double ReadRadixInteger(Cursor& cursor, int base) {
    double value = 0;
    for (int digit = DigitValue(cursor.Peek(), base); digit >= 0; digit = DigitValue(cursor.Peek(), base)) {
        if (value <= (DBL_MAX - digit) / base)
            value = value * base + digit;
        else
            value = DBL_MAX;
        cursor.Next();
    }
    return value;
}

// The exponent digits after E or D, when there are any; otherwise the letter ends the number.
std::int64_t ReadExponent(Cursor& cursor) {
    Cursor afterLetter = cursor;
    afterLetter.Next();
    bool negative = false;
    if (afterLetter.Peek() == '+' || afterLetter.Peek() == '-') {
        negative = afterLetter.Peek() == '-';
        afterLetter.Next();
    }
    if (!IsDigit(afterLetter.Peek()))
        return 0;
    std::int64_t exponent = 0;
    while (IsDigit(afterLetter.Peek())) {
        if (exponent < kExponentCap)
            exponent = exponent * 10 + (afterLetter.Peek() - '0');
        afterLetter.Next();
    }
    cursor = afterLetter;
    return negative ? -exponent : exponent;
}

double ReadDecimal(Cursor& cursor) {
    bool negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        negative = cursor.Peek() == '-';
        cursor.Next();
    }
    // The significant digits go into a bounded buffer as "digits e exponent" for from_chars, which rounds
    // correctly and never looks at the locale.
    char buffer[kMaxSignificantDigits + 32];
    int kept = 0;
    std::int64_t exponentShift = 0; // integer digits dropped past the buffer, minus fraction digits kept
    bool droppedNonZero = false;
    bool anyDigit = false;
    std::uint64_t small = 0; // the value itself while it is a short whole number, the common case
    bool isSmallInteger = true;
    for (; IsDigit(cursor.Peek()); cursor.Next()) {
        anyDigit = true;
        char digit = cursor.Peek();
        if (kept == 0 && digit == '0')
            continue;
        if (kept < kMaxSignificantDigits) {
            buffer[kept++] = digit;
        } else {
            ++exponentShift;
            droppedNonZero = droppedNonZero || digit != '0';
        }
        if (kept > 18)
            isSmallInteger = false;
        else
            small = small * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    if (cursor.Peek() == '.') {
        cursor.Next();
        for (; IsDigit(cursor.Peek()); cursor.Next()) {
            anyDigit = true;
            isSmallInteger = false;
            char digit = cursor.Peek();
            if (kept == 0 && digit == '0') {
                --exponentShift;
                continue;
            }
            if (kept < kMaxSignificantDigits) {
                buffer[kept++] = digit;
                --exponentShift;
            } else {
                droppedNonZero = droppedNonZero || digit != '0';
            }
        }
    }
    if (!anyDigit)
        return 0;
    char letter = cursor.Peek();
    std::int64_t exponent = 0;
    if (letter == 'e' || letter == 'E' || letter == 'd' || letter == 'D')
        exponent = ReadExponent(cursor);
    if (kept == 0)
        return 0; // only zeros: never -0, which would show as "-0"
    if (isSmallInteger && exponent == 0) {
        double value = static_cast<double>(small);
        return negative ? -value : value;
    }
    std::int64_t totalExponent = exponent + exponentShift;
    // kept + totalExponent is the position of the decimal point: far outside the range of a double the
    // answer is known without asking from_chars.
    std::int64_t magnitude = kept + totalExponent;
    double value;
    if (magnitude > DBL_MAX_10_EXP + 1) {
        value = DBL_MAX;
    } else if (magnitude < DBL_MIN_10_EXP - DBL_DIG - 10) {
        value = 0;
    } else {
        int length = kept;
        // A nonzero digit dropped past the buffer still lifts a value that sits exactly halfway between two
        // doubles: one more digit 1 stands in for all of them.
        if (droppedNonZero) {
            buffer[length++] = '1';
            --totalExponent;
        }
        buffer[length++] = 'e';
        auto [end, error] = std::to_chars(buffer + length, buffer + sizeof buffer, totalExponent);
        (void)error; // the exponent is bounded, so it always fits
        value = 0;
        auto result = std::from_chars(buffer, end, value, std::chars_format::scientific);
        if (result.ec == std::errc::result_out_of_range)
            value = magnitude > 0 ? DBL_MAX : 0;
        else if (value > DBL_MAX)
            value = DBL_MAX;
    }
    if (value == 0)
        return 0;
    return negative ? -value : value;
}

} // namespace

// A number too large for a double reads as the largest double (with its sign), so every result is finite
// and no caller ever meets an infinity or a NaN.
double NumericValue(std::string_view text) {
    Cursor cursor(text);
    if (cursor.Peek() == '&') {
        cursor.Next();
        char letter = cursor.Peek();
        if (letter == 'h' || letter == 'H') {
            cursor.Next();
            return ReadRadixInteger(cursor, 16);
        }
        if (letter == 'o' || letter == 'O') {
            cursor.Next();
            return ReadRadixInteger(cursor, 8);
        }
        return 0;
    }
    return ReadDecimal(cursor);
}

} // namespace candlewatcher
