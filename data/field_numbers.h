#pragma once

#include "data/numeric_value.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace candlewatcher {

// A stored day, month or year text as a number, by the leading-number rule. Most such texts are a few plain
// digits, which read the same under the rule, so they skip it; the rule itself is left for everything else.
inline double TextValue(std::string_view text) {
    if (!text.empty() && text.size() <= 9) {
        std::int32_t value = 0;
        bool allDigits = true;
        for (char c : text) {
            if (c < '0' || c > '9') {
                allDigits = false;
                break;
            }
            value = value * 10 + (c - '0');
        }
        if (allDigits) {
            return value;
        }
    }
    return NumericValue(text);
}

// A day or month text as the whole number 1..limit it stands for, or 0 when it can never match a calendar
// day ("7.5", "0", "" and "13" as a month never do).
inline int CalendarPart(std::string_view text, int limit) {
    const double value = TextValue(text);
    if (value >= 1 && value <= limit && value == std::floor(value)) {
        return static_cast<int>(value);
    }
    return 0;
}

} // namespace candlewatcher
