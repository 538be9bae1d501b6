#include "reminder/scan.h"

#include "data/date_helpers.h"
#include "data/field_numbers.h"
#include "data/record_parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {
namespace {

// However large the stored setting, the look-ahead ends after about a hundred years of days.
constexpr int kMaxLookAheadDays = 36600;

// How many records ahead of the one being read the scan asks for a name's bytes.
constexpr std::size_t kPrefetchDistance = 8;

// One slot per (month, day) pair, month 1..12 and day 1..31; slot 0 and the other unused slots stay empty.
constexpr int kDaysPerMonthSlot = 32;
constexpr int kSlotCount = 13 * kDaysPerMonthSlot;

int Slot(int day, int month) {
    return month * kDaysPerMonthSlot + day;
}

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

// A today row reads "Name (age)", an upcoming one "Name (age - Day\Month)" with the day and month texts as
// stored. The age is the one reached in the matched day's year; a birth year whose value is 0 is unknown and
// its age is left out, as is one too large for the difference to be a number.
std::string RowText(const RecordView& record, ReminderKind kind, int matchedYear, double birthYear) {
    const bool hasAge = birthYear != 0 && std::isfinite(matchedYear - birthYear);
    std::string text;
    text.reserve(record.Name.size() + record.Day.size() + record.Month.size() + 32);
    text.append(record.Name);
    if (kind == ReminderKind::Today) {
        if (hasAge) {
            text.append(" (");
            AppendAge(text, matchedYear, birthYear);
            text.push_back(')');
        }
        return text;
    }
    text.append(" (");
    if (hasAge) {
        AppendAge(text, matchedYear, birthYear);
        text.append(" - ");
    }
    text.append(record.Day);
    text.push_back('\\');
    text.append(record.Month);
    text.push_back(')');
    return text;
}

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

// The days of one run: today first, then every look-ahead day in order until the count is reached or the
// calendar ends after 31 December 9999 (the rows of the days before stand).
std::vector<CalendarDate> DaysOfRun(const CalendarDate& today, int lookAhead) {
    std::vector<CalendarDate> days;
    days.reserve(static_cast<std::size_t>(lookAhead) + 1);
    days.push_back(today);
    for (int k = 1; k <= lookAhead; ++k) {
        const std::optional<CalendarDate> next =
            NextDay(days.back().Day, days.back().Month, days.back().Year);
        if (!next) {
            break;
        }
        days.push_back(*next);
    }
    return days;
}

// For every (month, day) slot, the numbers of the run's days it falls on, in ascending order: usually none
// or one, more when the walk comes round the year again. A 29 February birthday falls on 28 February in a
// common year, so that no one is forgotten for three years in four.
class SlotDays {
public:
    explicit SlotDays(const std::vector<CalendarDate>& days) {
        ForEachSlot(days, [&](int slot, std::uint32_t) { ++m_start[slot + 1]; });
        for (int slot = 0; slot < kSlotCount; ++slot) {
            m_start[slot + 1] += m_start[slot];
        }
        m_days.resize(m_start[kSlotCount]);
        std::array<std::uint32_t, kSlotCount + 1> next = m_start;
        ForEachSlot(days, [&](int slot, std::uint32_t day) { m_days[next[slot]++] = day; });
    }

    // Calls f(slot, dayNumber) for every slot that falls on each day of the run, in day order.
    template <typename F> static void ForEachSlot(const std::vector<CalendarDate>& days, F f) {
        for (std::size_t i = 0; i < days.size(); ++i) {
            const CalendarDate& date = days[i];
            if (date.Month < 1 || date.Month > 12 || date.Day < 1 || date.Day > 31) {
                continue;
            }
            f(Slot(date.Day, date.Month), static_cast<std::uint32_t>(i));
            if (date.Month == 2 && date.Day == 28 && !IsLeapYear(date.Year)) {
                f(Slot(29, 2), static_cast<std::uint32_t>(i));
            }
        }
    }

    const std::uint32_t* begin(int slot) const { return m_days.data() + m_start[slot]; }
    const std::uint32_t* end(int slot) const { return m_days.data() + m_start[slot + 1]; }

private:
    std::array<std::uint32_t, kSlotCount + 1> m_start{};
    std::vector<std::uint32_t> m_days;
};

// The run's days and, for every (month, day) slot, the days of the run it falls on.
struct Walk {
    Walk(const CalendarDate& today, double warn, double warnDays)
        : Days(DaysOfRun(today, warn == 1 ? LookAheadDays(warnDays) : 0))
        , Slots(Days) {}

    // The days of the run a record falls on, as [begin, end) of day numbers; empty when it never matches.
    std::pair<const std::uint32_t*, const std::uint32_t*> DaysOf(const RecordView& record) const {
        const int day = CalendarPart(record.Day, 31);
        const int month = CalendarPart(record.Month, 12);
        if (day == 0 || month == 0) {
            return {nullptr, nullptr};
        }
        const int slot = Slot(day, month);
        return {Slots.begin(slot), Slots.end(slot)};
    }

    // Where each row goes in the walk's order: a counting sort by day number, stable, so each day's rows
    // keep their file order. rowDays holds the day number of each row in file order.
    std::vector<std::size_t> OrderOfRows(const std::vector<std::uint32_t>& rowDays) const {
        std::vector<std::size_t> next(Days.size() + 1, 0);
        for (std::uint32_t d : rowDays) {
            ++next[d + 1];
        }
        for (std::size_t j = 1; j < next.size(); ++j) {
            next[j] += next[j - 1];
        }
        std::vector<std::size_t> position(rowDays.size());
        for (std::size_t r = 0; r < rowDays.size(); ++r) {
            position[r] = next[rowDays[r]]++;
        }
        return position;
    }

    std::size_t LikelyRows(std::size_t records) const {
        // Birthdays spread over the year: room for a year's share of the records spares most regrowth.
        return records * std::min<std::size_t>(Days.size(), 366) / 365 + 8;
    }

    std::vector<CalendarDate> Days;
    SlotDays Slots;
};

ReminderKind KindOn(std::uint32_t dayNumber) {
    return dayNumber == 0 ? ReminderKind::Today : ReminderKind::Upcoming;
}

// Every row. One pass over the records: each record's day, month and (when it matches) year are read once,
// and its rows are made while its bytes are at hand, since the records of a large file do not stay in the
// cache for a second visit. The rows come out in file order; the counting sort then puts them in the order
// of the walk. forEachRecord(visit) calls visit(const RecordView&) for every record in file order.
template <typename ForEachRecord>
std::vector<ReminderRow> AllRows(const Walk& walk, std::size_t likelyRecords, ForEachRecord forEachRecord) {
    std::vector<ReminderRow> found;
    std::vector<std::uint32_t> foundDay; // the day number of each row in found
    found.reserve(walk.LikelyRows(likelyRecords));
    foundDay.reserve(walk.LikelyRows(likelyRecords));
    forEachRecord([&](const RecordView& record) {
        const auto [first, last] = walk.DaysOf(record);
        if (first == last) {
            return;
        }
        const double birthYear = TextValue(record.Year);
        for (const std::uint32_t* d = first; d != last; ++d) {
            found.push_back(
                ReminderRow{RowText(record, KindOn(*d), walk.Days[*d].Year, birthYear), KindOn(*d)});
            foundDay.push_back(*d);
        }
    });
    if (walk.Days.size() == 1) {
        return found; // today only: already in order
    }
    // Moving the rows into a second array is quicker than permuting them in place: the writes go to one run
    // per day, where following the cycles of a permutation jumps about the rows.
    const std::vector<std::size_t> position = walk.OrderOfRows(foundDay);
    std::vector<ReminderRow> rows(found.size());
    for (std::size_t r = 0; r < found.size(); ++r) {
        rows[position[r]] = std::move(found[r]);
    }
    return rows;
}

// Only the first rowLimit rows in the walk's order, with the number of all rows. The matches are noted in
// one pass over records that stay where they are; the texts are made afterwards for the rows kept only, so
// a long look-ahead over a large file costs no text for the thousands of rows a display leaves out.
template <typename ForEachRecord>
std::vector<ReminderRow> FirstRows(const Walk& walk, std::size_t likelyRecords, ForEachRecord forEachRecord,
                                   std::size_t rowLimit, std::size_t& totalRows) {
    struct Match {
        RecordView Record;
        std::uint32_t Day;
    };
    std::vector<Match> matches;
    std::vector<std::uint32_t> matchDay;
    matches.reserve(walk.LikelyRows(likelyRecords));
    matchDay.reserve(walk.LikelyRows(likelyRecords));
    forEachRecord([&](const RecordView& record) {
        const auto [first, last] = walk.DaysOf(record);
        for (const std::uint32_t* d = first; d != last; ++d) {
            matches.push_back(Match{record, *d});
            matchDay.push_back(*d);
        }
    });
    totalRows = matches.size();
    const std::vector<std::size_t> position = walk.OrderOfRows(matchDay);
    std::vector<const Match*> kept(std::min(rowLimit, matches.size()), nullptr);
    for (std::size_t r = 0; r < matches.size(); ++r) {
        if (position[r] < kept.size()) {
            kept[position[r]] = &matches[r];
        }
    }
    std::vector<ReminderRow> rows;
    rows.reserve(kept.size());
    for (const Match* match : kept) {
        const double birthYear = TextValue(match->Record.Year);
        rows.push_back(
            ReminderRow{RowText(match->Record, KindOn(match->Day), walk.Days[match->Day].Year, birthYear),
                        KindOn(match->Day)});
    }
    return rows;
}

} // namespace

ScanResult ScanBirthdays(const CalendarDate& today, double warn, double warnDays, bool fileFound,
                         const std::vector<BirthdayRecord>& records) {
    ScanResult result;
    result.FileFound = fileFound;
    if (!fileFound) {
        return result;
    }
    result.Rows = AllRows(Walk(today, warn, warnDays), records.size(), [&](auto visit) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            // A long name lives elsewhere on the heap; asking for it a few records early hides the wait for
            // it when its record turns out to match (half the time of a large scan without it).
            if (i + kPrefetchDistance < records.size()) {
                __builtin_prefetch(records[i + kPrefetchDistance].Name.data());
            }
            const BirthdayRecord& record = records[i];
            visit(RecordView{record.Day, record.Month, record.Year, record.Name});
        }
    });
    return result;
}

ScanHead ScanBirthdayFileBytes(const CalendarDate& today, double warn, double warnDays, bool fileFound,
                               std::string_view fileBytes, std::size_t rowLimit) {
    ScanHead head;
    head.Head.FileFound = fileFound;
    if (!fileFound) {
        return head;
    }
    // About 35 bytes make a typical record; the guess only sizes the first reservation.
    head.Head.Rows = FirstRows(
        Walk(today, warn, warnDays), fileBytes.size() / 35,
        [&](auto visit) { ForEachRecord(fileBytes, visit); }, rowLimit, head.TotalRows);
    return head;
}

ScanHead ScanBirthdayRecords(const CalendarDate& today, double warn, double warnDays,
                             const std::vector<BirthdayRecord>& records, std::size_t rowLimit) {
    ScanHead head;
    head.Head.FileFound = true;
    head.Head.Rows = FirstRows(
        Walk(today, warn, warnDays), records.size(),
        [&](auto visit) {
            for (const BirthdayRecord& record : records) {
                visit(RecordView{record.Day, record.Month, record.Year, record.Name});
            }
        },
        rowLimit, head.TotalRows);
    return head;
}

std::vector<std::vector<TodayBirthday>>
BirthdaysInDays(const CalendarDate& today, const std::vector<int>& daysAhead, std::string_view fileBytes) {
    std::vector<std::vector<TodayBirthday>> rows(daysAhead.size());
    const int furthest =
        daysAhead.empty() ? 0 : std::max(0, *std::max_element(daysAhead.begin(), daysAhead.end()));
    const Walk walk(today, 1, furthest);
    // For each day of the walk, which lists want its rows.
    std::vector<std::vector<std::size_t>> wanted(walk.Days.size());
    for (std::size_t i = 0; i < daysAhead.size(); ++i) {
        if (daysAhead[i] >= 0 && static_cast<std::size_t>(daysAhead[i]) < walk.Days.size()) {
            wanted[static_cast<std::size_t>(daysAhead[i])].push_back(i);
        }
    }
    ForEachRecord(fileBytes, [&](const RecordView& record) {
        const auto [first, last] = walk.DaysOf(record);
        for (const std::uint32_t* d = first; d != last; ++d) {
            for (const std::size_t list : wanted[*d]) {
                rows[list].push_back(
                    TodayBirthday{std::string(record.Name),
                                  RowText(record, KindOn(*d), walk.Days[*d].Year, TextValue(record.Year))});
            }
        }
    });
    return rows;
}

} // namespace candlewatcher
