#include "reminder/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace candlewatcher {

// gtest prints these when a row table differs.
void PrintTo(const ReminderRow& row, std::ostream* os) {
    *os << (row.Kind == ReminderKind::Today ? "Today " : "Upcoming ") << '"' << row.Text << '"';
}

namespace {

ReminderRow T(std::string text) {
    return {std::move(text), ReminderKind::Today};
}
ReminderRow U(std::string text) {
    return {std::move(text), ReminderKind::Upcoming};
}

BirthdayRecord R(std::string day, std::string month, std::string year, std::string name) {
    return {std::move(day), std::move(month), std::move(year), std::move(name)};
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Six birthdays around 6 December: two today, then k = 1, 3, 10 and 11.
const std::vector<BirthdayRecord> kDecember = {
    R("9", "12", "1980", "A"), R("6", "12", "1990", "B"),  R("07", "12", "2000", "C"),
    R("6", "12", "2026", "D"), R("16", "12", "1970", "E"), R("17", "12", "1970", "F"),
};
const std::vector<ReminderRow> kDecemberTodayRows = {T("B (36)"), T("D (0)")};

// The records as birthday.dat holds them: four CR LF lines each.
std::string FileBytesOf(const std::vector<BirthdayRecord>& records) {
    std::string bytes;
    for (const BirthdayRecord& record : records) {
        for (const std::string* field : {&record.Day, &record.Month, &record.Year, &record.Name}) {
            bytes += *field;
            bytes += "\r\n";
        }
    }
    return bytes;
}

// The rows of both ways into the scan: the record list's, and the panel's walk over the file's bytes with
// no row limit. The two must agree row for row, and the count must match.
std::vector<ReminderRow> ScanBothWays(const CalendarDate& today, double warn, double warnDays,
                                      const std::vector<BirthdayRecord>& records) {
    const ScanResult listed = ScanBirthdays(today, warn, warnDays, true, records);
    EXPECT_TRUE(listed.FileFound);
    const ScanHead walked = ScanBirthdayFileBytes(today, warn, warnDays, true, FileBytesOf(records),
                                                  std::numeric_limits<std::size_t>::max());
    EXPECT_TRUE(walked.Head.FileFound);
    EXPECT_EQ(walked.Head.Rows, listed.Rows) << "the panel's scan differs from the record list's";
    EXPECT_EQ(walked.TotalRows, listed.Rows.size());
    return listed.Rows;
}

struct ScanCase {
    const char* label;
    CalendarDate today;
    double warn;
    double warnDays;
    std::vector<BirthdayRecord> records;
    std::vector<ReminderRow> rows;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << c.label;
}

class ScanRows : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanRows, GivesTheseRowsInThisOrder) {
    const ScanCase& c = GetParam();
    EXPECT_EQ(ScanBothWays(c.today, c.warn, c.warnDays, c.records), c.rows)
        << c.label << ": today " << c.today.Day << "." << c.today.Month << "." << c.today.Year << ", warn "
        << c.warn << ", warnDays " << c.warnDays;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ScanRows,
    testing::Values(
        ScanCase{"december_ten_days",
                 {6, 12, 2026},
                 1,
                 10,
                 kDecember,
                 {T("B (36)"), T("D (0)"), U("C (26 - 07\\12)"), U("A (46 - 9\\12)"), U("E (56 - 16\\12)")}},
        ScanCase{"warn_off", {6, 12, 2026}, 0, 10, kDecember, kDecemberTodayRows},
        ScanCase{"warn_two_is_not_on", {6, 12, 2026}, 2, 10, kDecember, kDecemberTodayRows},
        ScanCase{"warn_days_zero", {6, 12, 2026}, 1, 0, kDecember, kDecemberTodayRows},
        ScanCase{"warn_days_negative", {6, 12, 2026}, 1, -5, kDecember, kDecemberTodayRows},
        ScanCase{"warn_days_nan", {6, 12, 2026}, 1, kNaN, kDecember, kDecemberTodayRows},
        ScanCase{"warn_days_fractional",
                 {6, 12, 2026},
                 1,
                 2.5,
                 {R("9", "12", "1980", "k3"), R("8", "12", "1980", "k2"), R("7", "12", "1980", "k1")},
                 {U("k1 (46 - 7\\12)"), U("k2 (46 - 8\\12)")}},
        ScanCase{"warn_days_three_exactly",
                 {6, 12, 2026},
                 1,
                 3,
                 {R("9", "12", "1980", "k3"), R("8", "12", "1980", "k2"), R("7", "12", "1980", "k1")},
                 {U("k1 (46 - 7\\12)"), U("k2 (46 - 8\\12)"), U("k3 (46 - 9\\12)")}},
        ScanCase{"empty_file_found_no_rows", {6, 12, 2026}, 1, 10, {}, {}}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Matching, ScanRows,
    testing::Values(ScanCase{"day_texts_match_by_value",
                             {7, 12, 2026},
                             0,
                             0,
                             {R("07", "12", "2000", "a"), R(" 7", "12", "2000", "b"),
                              R("7x", "12", "2000", "c"), R("&H7", "&HC", "2000", "d"),
                              R("7.0", "12", "2000", "e"), R("7", " 1 2", "2000", "f")},
                             {T("a (26)"), T("b (26)"), T("c (26)"), T("d (26)"), T("e (26)"), T("f (26)")}},
                    ScanCase{"non_whole_or_zero_never_match",
                             {7, 12, 2026},
                             1,
                             400,
                             {R("7.5", "12", "2000", "a"), R("0", "12", "2000", "b"),
                              R("", "12", "2000", "c"), R("x7", "12", "2000", "d"), R("7", "0", "2000", "e"),
                              R("7", "", "2000", "f"), R("32", "12", "2000", "g"), R("7", "13", "2000", "h"),
                              R("-7", "12", "2000", "i"), R("65543", "12", "2000", "j")},
                             {}},
                    ScanCase{"upcoming_quotes_day_and_month_as_stored",
                             {6, 12, 2026},
                             1,
                             1,
                             {R(" 07", "12 ", "2000", "Bob Ray"), R("7x", "&HC", "2000", "")},
                             {U("Bob Ray (26 -  07\\12 )"), U(" (26 - 7x\\&HC)")}},
                    ScanCase{"today_is_not_a_look_ahead_day",
                             {6, 12, 2026},
                             1,
                             364,
                             {R("6", "12", "2000", "a")},
                             {T("a (26)")}}),
    [](const auto& info) { return std::string(info.param.label); });

// The age is the one reached on the matched day; an unknown year (value 0) gives no age at all.
INSTANTIATE_TEST_SUITE_P(
    Ages, ScanRows,
    testing::Values(
        ScanCase{"new_year_wrap_counts_the_next_year",
                 {30, 12, 2026},
                 1,
                 10,
                 {R("2", "1", "2000", "Jan"), R("31", "12", "2000", "Dec"), R("30", "12", "2000", "Now")},
                 {T("Now (26)"), U("Dec (26 - 31\\12)"), U("Jan (27 - 2\\1)")}},
        ScanCase{"unknown_year_leaves_the_age_out",
                 {7, 11, 2026},
                 1,
                 35,
                 {R("7", "12", "", "Ann Lee"), R("7", "11", "", "Ann Lee"), R("8", "11", "abc", "Bo"),
                  R("8", "11", "0", "Cy"), R("8", "11", "-0", "Di"), R("8", "11", "0.0", "Ed")},
                 {T("Ann Lee"), U("Bo (8\\11)"), U("Cy (8\\11)"), U("Di (8\\11)"), U("Ed (8\\11)"),
                  U("Ann Lee (7\\12)")}},
        ScanCase{"other_years_shown_as_they_come",
                 {6, 12, 2026},
                 0,
                 0,
                 {R("6", "12", "2030", "future"), R("6", "12", "-5", "negative"),
                  R("6", "12", "1999.9", "frac"), R("6", "12", "2026.5", "half"),
                  R("6", "12", "&H7E0", "hex"), R("6", "12", "1.5E3", "exp"), R("6", "12", "1e20", "huge"),
                  R("6", "12", "2025.99", "close")},
                 {T("future (-4)"), T("negative (2031)"), T("frac (26.1)"), T("half (-0.5)"), T("hex (10)"),
                  T("exp (526)"), T("huge (-100000000000000000000)"), T("close (0.01)")}}),
    [](const auto& info) { return std::string(info.param.label); });

// A 29 February birthday falls on 28 February in a common year, and only on 29 February in a leap year.
const BirthdayRecord kLeapling = R("29", "2", "2000", "Leap");

INSTANTIATE_TEST_SUITE_P(
    LeapDay, ScanRows,
    testing::Values(
        ScanCase{"common_year_today_on_28th", {28, 2, 2026}, 0, 0, {kLeapling}, {T("Leap (26)")}},
        ScanCase{"common_year_ahead_on_28th", {26, 2, 2027}, 1, 10, {kLeapling}, {U("Leap (27 - 29\\2)")}},
        ScanCase{"century_common_year", {27, 2, 2100}, 1, 1, {kLeapling}, {U("Leap (100 - 29\\2)")}},
        ScanCase{"leap_year_not_on_28th", {28, 2, 2028}, 0, 0, {kLeapling}, {}},
        ScanCase{"leap_year_today", {29, 2, 2028}, 1, 10, {kLeapling}, {T("Leap (28)")}},
        ScanCase{"leap_year_ahead_k2_only", {27, 2, 2028}, 1, 2, {kLeapling}, {U("Leap (28 - 29\\2)")}},
        ScanCase{
            "century_leap_year", {28, 2, 2000}, 1, 1, {R("29", "2", "1900", "L")}, {U("L (100 - 29\\2)")}},
        ScanCase{"file_order_kept_on_28th",
                 {27, 2, 2026},
                 1,
                 1,
                 {R("29", "2", "2000", "a"), R("28", "2", "2000", "b"), R("29", "02", "2000", "c")},
                 {U("a (26 - 29\\2)"), U("b (26 - 28\\2)"), U("c (26 - 29\\02)")}},
        ScanCase{"once_a_year_over_four_years",
                 {1, 3, 2026},
                 1,
                 4 * 365 + 1,
                 {kLeapling},
                 {U("Leap (27 - 29\\2)"), U("Leap (28 - 29\\2)"), U("Leap (29 - 29\\2)"),
                  U("Leap (30 - 29\\2)")}}),
    [](const auto& info) { return std::string(info.param.label); });

// Long look-aheads: a record is listed once for every day of the walk it falls on; the walk stops at the end
// of the calendar and after 36,600 days whatever the setting.
INSTANTIATE_TEST_SUITE_P(
    LongWalks, ScanRows,
    testing::Values(
        ScanCase{"four_hundred_days",
                 {6, 12, 2026},
                 1,
                 400,
                 {R("7", "12", "2000", "tomorrow"), R("6", "12", "2000", "today")},
                 {T("today (26)"), U("tomorrow (26 - 7\\12)"), U("today (27 - 6\\12)"),
                  U("tomorrow (27 - 7\\12)")}},
        ScanCase{"end_of_calendar",
                 {29, 12, 9999},
                 1,
                 10,
                 {R("1", "1", "2000", "after"), R("31", "12", "2000", "last"), R("29", "12", "2000", "now")},
                 {T("now (7999)"), U("last (7999 - 31\\12)")}},
        ScanCase{"last_day_of_calendar", {31, 12, 9999}, 1, 99, {R("31", "12", "9999", "x")}, {T("x (0)")}}),
    [](const auto& info) { return std::string(info.param.label); });

// Counts of rows for walks too long to list: k = 36,600 from 1 January 2000 is 17 March 2100.
struct WalkCount {
    const char* label;
    CalendarDate today;
    double warnDays;
    BirthdayRecord record;
    std::size_t rows;
};

void PrintTo(const WalkCount& c, std::ostream* os) {
    *os << c.label;
}

class ScanWalkLength : public testing::TestWithParam<WalkCount> {};

TEST_P(ScanWalkLength, ListsTheRecordOnceForEveryDayItFallsOn) {
    const WalkCount& c = GetParam();
    const std::vector<ReminderRow> rows = ScanBothWays(c.today, 1, c.warnDays, {c.record});
    EXPECT_EQ(rows.size(), c.rows) << c.label << ", warnDays " << c.warnDays;
    for (const ReminderRow& row : rows) {
        EXPECT_EQ(row.Kind, ReminderKind::Upcoming) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cap, ScanWalkLength,
    testing::Values(
        WalkCount{"last_day_within_the_cap", {1, 1, 2000}, 36600, R("17", "3", "1", "x"), 101},
        WalkCount{"first_day_past_the_cap", {1, 1, 2000}, 36600, R("18", "3", "1", "x"), 100},
        WalkCount{"huge_setting_capped", {1, 1, 2000}, 1e12, R("17", "3", "1", "x"), 101},
        WalkCount{"infinite_setting_capped", {1, 1, 2000}, kInfinity, R("18", "3", "1", "x"), 100},
        WalkCount{"one_day_short_of_the_cap", {1, 1, 2000}, 36599, R("17", "3", "1", "x"), 100},
        WalkCount{"calendar_ends_before_the_cap", {1, 1, 9990}, 1e12, R("31", "12", "1", "x"), 10}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ScanFile, MissingFileGivesNoRowsAndSaysSo) {
    const ScanResult result = ScanBirthdays({6, 12, 2026}, 1, 10, false, kDecember);
    EXPECT_FALSE(result.FileFound);
    EXPECT_TRUE(result.Rows.empty());
}

// The panel's scan over the file's bytes: the same rows as the record list gives, cut to the rows kept.
TEST(ScanFileBytes, KeepsTheFirstRowsAndCountsThemAll) {
    // Line ends of every kind, a byte order mark and a last record cut short, as a damaged file may hold.
    const std::string bytes = "\xEF\xBB\xBF"
                              "9\r\n12\r\n1980\r\nA\r\n6\n12\n1990\nB\n07\r12\r2000\rC\r"
                              "6\r\n12\r\n2026\r\nD\r\n16\r\n12\r\n1970\r\nE\r\n6\r\n12";
    const std::vector<ReminderRow> all = {T("B (36)"),          T("D (0)"),          T(""),
                                          U("C (26 - 07\\12)"), U("A (46 - 9\\12)"), U("E (56 - 16\\12)")};
    for (std::size_t limit : {0u, 2u, 4u, 13u}) {
        const ScanHead head = ScanBirthdayFileBytes({6, 12, 2026}, 1, 10, true, bytes, limit);
        EXPECT_TRUE(head.Head.FileFound);
        EXPECT_EQ(head.TotalRows, all.size()) << "limit " << limit;
        const std::vector<ReminderRow> kept(all.begin(), all.begin() + std::min(limit, all.size()));
        EXPECT_EQ(head.Head.Rows, kept) << "limit " << limit;
    }
    // The rows of chosen days with the names they come from, as the notices take them; none past the
    // calendar's end.
    const std::vector<std::vector<TodayBirthday>> days = {{{"B", "B (36)"}, {"D", "D (0)"}, {"", ""}},
                                                          {},
                                                          {{"A", "A (46 - 9\\12)"}},
                                                          {{"C", "C (26 - 07\\12)"}}};
    EXPECT_EQ(BirthdaysInDays({6, 12, 2026}, {0, 2, 3, 1}, bytes), days);
    EXPECT_EQ(BirthdaysInDays({31, 12, 9999}, {1}, "1\n1\n2000\nX\n"),
              std::vector<std::vector<TodayBirthday>>{{}});
    const ScanHead missing = ScanBirthdayFileBytes({6, 12, 2026}, 1, 10, false, "", 13);
    EXPECT_FALSE(missing.Head.FileFound);
    EXPECT_EQ(missing.TotalRows, 0u);
}

} // namespace
} // namespace candlewatcher
