#include "reminder/scan.h"

#include "data/date_helpers.h"
#include "data/numeric_value.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

namespace candlewatcher {
namespace {

// However large the stored setting, the look-ahead ends after about a hundred years of days.
constexpr int kMaxLookAheadDays = 36600;

// One slot per (month, day) pair, month 1..12 and day 1..31; slot 0 and the other unused slots stay empty.
constexpr int kDaysPerMonthSlot = 32;
constexpr int kSlotCount = 13 * kDaysPerMonthSlot;

int Slot(int day, int month) {
    return month * kDaysPerMonthSlot + day;
}

// Most stored day, month and year texts are a few plain digits. Those read the same under the leading-number
// rule, so they skip it; the rule itself is left for everything else.
double TextValue(std::string_view text) {
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
int CalendarPart(std::string_view text, int limit) {
    const double value = TextValue(text);
    if (value >= 1 && value <= limit && value == std::floor(value)) {
        return static_cast<int>(value);
    }
    return 0;
}

// The records grouped by the day they fall on, built in one pass. Within a slot the record numbers are in
// file order, which is the order their rows must keep.
class BirthdayIndex {
public:
    explicit BirthdayIndex(const std::vector<BirthdayRecord>& records) {
        std::vector<std::uint16_t> slots(records.size());
        std::array<std::uint32_t, kSlotCount + 1> counts{};
        for (std::size_t i = 0; i < records.size(); ++i) {
            const int day = CalendarPart(records[i].Day, 31);
            const int month = CalendarPart(records[i].Month, 12);
            const int slot = day != 0 && month != 0 ? Slot(day, month) : 0;
            slots[i] = static_cast<std::uint16_t>(slot);
            ++counts[slot];
        }
        // Counting sort: m_start[s] is where slot s begins in m_records; slot 0 (never matches) is left out.
        std::uint32_t position = 0;
        for (int slot = 1; slot < kSlotCount; ++slot) {
            m_start[slot] = position;
            position += counts[slot];
        }
        m_start[kSlotCount] = position;
        m_records.resize(position);
        std::array<std::uint32_t, kSlotCount + 1> next = m_start;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (slots[i] != 0) {
                m_records[next[slots[i]]++] = static_cast<std::uint32_t>(i);
            }
        }
    }

    // The record numbers, in file order, of the birthdays that fall on the given day. A 29 February birthday
    // falls on 28 February in a common year, so that no one is forgotten for three years in four.
    void Matches(const CalendarDate& date, std::vector<std::uint32_t>& out) const {
        out.clear();
        if (date.Month < 1 || date.Month > 12 || date.Day < 1 || date.Day > 31) {
            return;
        }
        const auto [first, last] = Range(Slot(date.Day, date.Month));
        if (date.Month == 2 && date.Day == 28 && !IsLeapYear(date.Year)) {
            const auto [leapFirst, leapLast] = Range(Slot(29, 2));
            std::merge(first, last, leapFirst, leapLast, std::back_inserter(out));
        } else {
            out.assign(first, last);
        }
    }

private:
    using Iterator = std::vector<std::uint32_t>::const_iterator;
    std::pair<Iterator, Iterator> Range(int slot) const {
        return {m_records.begin() + m_start[slot], m_records.begin() + m_start[slot + 1]};
    }

    std::array<std::uint32_t, kSlotCount + 1> m_start{};
    std::vector<std::uint32_t> m_records;
};

// Lays out a number given as scientific text ("-d.ddde+x") positionally, without trailing zeros.
void AppendPositional(std::string& text, std::string_view scientific) {
    const std::size_t e = scientific.find('e');
    int exponent = 0;
    const char* exponentText = scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1);
    std::from_chars(exponentText, scientific.data() + scientific.size(), exponent);
    std::string_view mantissa = scientific.substr(0, e);
    if (mantissa.front() == '-') {
        text.push_back('-');
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') {
            digits.push_back(c);
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    if (exponent < 0) {
        text.append("0.");
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text.append(digits);
        return;
    }
    const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
        text.append(digits);
        text.append(integerDigits - digits.size(), '0');
    } else {
        text.append(digits, 0, integerDigits);
        text.push_back('.');
        text.append(digits, integerDigits);
    }
}

// Appends the age year - birthYear in plain decimal with "." as the decimal point, whatever the locale. Whole
// numbers are written as they are. Otherwise the age carries no more than 15 significant digits of the
// larger of the numbers it comes from, since the digits beyond are only the binary residue of a decimal year:
// 2026 - 1999.9 reads "26.1", not 26.0999999999999. No trailing zeros, and never "-0".
void AppendAge(std::string& text, int year, double birthYear) {
    const double age = year - birthYear;
    char buffer[400];
    if (age == std::trunc(age) && std::fabs(age) < 1e15) {
        text.append(buffer,
                    std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(age)).ptr);
        return;
    }
    const double scale =
        std::max({std::fabs(age), std::fabs(birthYear), std::fabs(static_cast<double>(year))});
    const int scaleExponent = static_cast<int>(std::floor(std::log10(scale)));
    if (scaleExponent >= 15) {
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, age, std::chars_format::scientific, 14).ptr;
        AppendPositional(text, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
        return;
    }
    // Below 1e15 a fixed layout with the decimals the scale leaves is exact; subnormal birth years need the
    // most (about 340), which the buffer holds.
    const int decimals = std::min(14 - scaleExponent, 350);
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, age, std::chars_format::fixed, decimals).ptr;
    std::string_view fixed(buffer, static_cast<std::size_t>(end - buffer));
    if (decimals > 0) {
        while (fixed.back() == '0') {
            fixed.remove_suffix(1);
        }
        if (fixed.back() == '.') {
            fixed.remove_suffix(1);
        }
    }
    text.append(fixed == "-0" ? "0" : fixed);
}

// Builds the rows; a record's year is read only when it first matches, and then kept for later matches.
class RowWriter {
public:
    RowWriter(const std::vector<BirthdayRecord>& records, std::vector<ReminderRow>& rows)
        : m_records(records)
        , m_rows(rows)
        , m_years(records.size()) {}

    // A today row reads "Name (age)", an upcoming one "Name (age - Day\Month)" with the day and month texts
    // as stored. The age is the one reached on the matched day; a year whose value is 0 is unknown and its
    // age is left out, as is one too large to be a number.
    void Add(std::uint32_t index, ReminderKind kind, int matchedYear) {
        const BirthdayRecord& record = m_records[index];
        const double birthYear = Year(index);
        const bool hasAge = birthYear != 0 && std::isfinite(matchedYear - birthYear);
        std::string text;
        text.reserve(record.Name.size() + 32 + record.Day.size() + record.Month.size());
        text.append(record.Name);
        if (kind == ReminderKind::Today) {
            if (hasAge) {
                text.append(" (");
                AppendAge(text, matchedYear, birthYear);
                text.push_back(')');
            }
        } else {
            text.append(" (");
            if (hasAge) {
                AppendAge(text, matchedYear, birthYear);
                text.append(" - ");
            }
            text.append(record.Day);
            text.push_back('\\');
            text.append(record.Month);
            text.push_back(')');
        }
        m_rows.push_back(ReminderRow{std::move(text), kind});
    }

private:
    double Year(std::uint32_t index) {
        std::optional<double>& year = m_years[index];
        if (!year) {
            year = TextValue(m_records[index].Year);
        }
        return *year;
    }

    const std::vector<BirthdayRecord>& m_records;
    std::vector<ReminderRow>& m_rows;
    std::vector<std::optional<double>> m_years;
};

// How many days after today are searched: the whole numbers k with 1 <= k <= warnDays, at most the cap.
// NaN, 0 and negative settings give none.
int LookAheadDays(double warnDays) {
    if (!(warnDays >= 1)) {
        return 0;
    }
    if (warnDays >= kMaxLookAheadDays) {
        return kMaxLookAheadDays;
    }
    return static_cast<int>(std::floor(warnDays));
}

} // namespace

ScanResult ScanBirthdays(const CalendarDate& today, double warn, double warnDays, bool fileFound,
                         const std::vector<BirthdayRecord>& records) {
    ScanResult result;
    if (!fileFound) {
        return result;
    }
    result.FileFound = true;

    const BirthdayIndex index(records);
    RowWriter writer(records, result.Rows);
    std::vector<std::uint32_t> matches;

    index.Matches(today, matches);
    for (std::uint32_t record : matches) {
        writer.Add(record, ReminderKind::Today, today.Year);
    }

    if (warn != 1) {
        return result;
    }
    CalendarDate day = today;
    const int lookAhead = LookAheadDays(warnDays);
    for (int k = 1; k <= lookAhead; ++k) {
        // After 31 December 9999 there is no next day: the walk ends and the rows found so far stand.
        const std::optional<CalendarDate> next = NextDay(day.Day, day.Month, day.Year);
        if (!next) {
            break;
        }
        day = *next;
        index.Matches(day, matches);
        for (std::uint32_t record : matches) {
            writer.Add(record, ReminderKind::Upcoming, day.Year);
        }
    }
    return result;
}

} // namespace candlewatcher
