#include "calendar/calendar_export.h"
#include "calendar/calendar_file.h"
#include "data_files.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <ctime>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace candlewatcher {
namespace {

constexpr std::time_t kStamp = 1796562000; // 6 December 2026, 13:00 UTC

struct Parsed {
    std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> Calendar{nullptr, icalcomponent_free};
    std::vector<icalcomponent*> Events;
};

// The export read back by libical's own parser, as a calendar program reads it.
Parsed ReadBack(const std::string& text) {
    Parsed parsed;
    parsed.Calendar.reset(icalparser_parse_string(text.c_str()));
    if (parsed.Calendar) {
        for (icalcomponent* e =
                 icalcomponent_get_first_component(parsed.Calendar.get(), ICAL_VEVENT_COMPONENT);
             e != nullptr;
             e = icalcomponent_get_next_component(parsed.Calendar.get(), ICAL_VEVENT_COMPONENT)) {
            parsed.Events.push_back(e);
        }
    }
    return parsed;
}

std::string Property(icalcomponent* event, icalproperty_kind kind) {
    icalproperty* property = icalcomponent_get_first_property(event, kind);
    return property == nullptr ? "" : icalproperty_get_value_as_string(property);
}

struct EventCase {
    const char* label;
    BirthdayRecord record;
    const char* start; // DTSTART as a date, "" when the record is left out
    const char* rule;
    const char* summary; // as read back, escapes undone
};

void PrintTo(const EventCase& c, std::ostream* os) {
    *os << c.label;
}

class EventOfRecord : public testing::TestWithParam<EventCase> {};

TEST_P(EventOfRecord, ReadsBackAsThisYearlyAllDayEvent) {
    const EventCase& c = GetParam();
    const CalendarExport exported = ExportCalendar({c.record}, kStamp);
    const Parsed parsed = ReadBack(exported.Text);
    ASSERT_TRUE(parsed.Calendar) << exported.Text;
    if (std::string(c.start).empty()) {
        EXPECT_EQ(exported.LeftOut, 1u);
        EXPECT_TRUE(parsed.Events.empty()) << exported.Text;
        return;
    }
    EXPECT_EQ(exported.LeftOut, 0u);
    ASSERT_EQ(parsed.Events.size(), 1u) << exported.Text;
    icalcomponent* event = parsed.Events.front();
    const icaltimetype start = icalcomponent_get_dtstart(event);
    EXPECT_TRUE(start.is_date) << "DTSTART;VALUE=DATE expected:\n" << exported.Text;
    EXPECT_EQ(Property(event, ICAL_DTSTART_PROPERTY), c.start);
    EXPECT_EQ(Property(event, ICAL_RRULE_PROPERTY), c.rule);
    EXPECT_STREQ(icalcomponent_get_summary(event), c.summary);
    EXPECT_EQ(Property(event, ICAL_TRANSP_PROPERTY), "TRANSPARENT");
    EXPECT_EQ(Property(event, ICAL_DTSTAMP_PROPERTY), "20261206T130000Z");
}

const char* kYearly = "FREQ=YEARLY";
const char* kLastOfFebruary = "FREQ=YEARLY;BYMONTHDAY=-1;BYMONTH=2";

INSTANTIATE_TEST_SUITE_P(
    Records, EventOfRecord,
    testing::Values(
        EventCase{"known_year",
                  {"6", "12", "1990", "Ann Lee"},
                  "19901206",
                  kYearly,
                  "Ann Lee's birthday (born 1990)"},
        EventCase{"texts_as_the_scan_reads_them",
                  {" 07", "12x", "1984.0", "Tom"},
                  "19841207",
                  kYearly,
                  "Tom's birthday (born 1984)"},
        EventCase{"empty_year", {"7", "12", "", "Zoe"}, "20001207", kYearly, "Zoe's birthday"},
        EventCase{"fractional_year", {"7", "12", "1990.5", "Zoe"}, "20001207", kYearly, "Zoe's birthday"},
        EventCase{
            "future_year", {"7", "12", "2030", "Zoe"}, "20301207", kYearly, "Zoe's birthday (born 2030)"},
        EventCase{"leap_day_leap_year",
                  {"29", "2", "1996", "Leap"},
                  "19960229",
                  kLastOfFebruary,
                  "Leap's birthday (born 1996)"},
        EventCase{"leap_day_common_year",
                  {"29", "2", "1990", "Leap"},
                  "20000229",
                  kLastOfFebruary,
                  "Leap's birthday"},
        EventCase{
            "last_day_of_the_calendar", {"31", "12", "9999", "Zoe"}, "20001231", kYearly, "Zoe's birthday"},
        EventCase{"thirtieth_of_february", {"30", "2", "1990", "X"}, "", "", ""},
        EventCase{"thirty_first_of_april", {"31", "4", "1990", "X"}, "", "", ""},
        EventCase{"month_thirteen", {"1", "13", "1990", "X"}, "", "", ""},
        EventCase{"fractional_day", {"7.5", "12", "1990", "X"}, "", "", ""},
        EventCase{"commas_semicolons_backslashes",
                  {"1", "1", "", "Lee, Ann; \"Annie\" \\o/"},
                  "20000101",
                  kYearly,
                  "Lee, Ann; \"Annie\" \\o/'s birthday"},
        EventCase{"windows_1252_name",
                  {"1", "1", "", "Jos\xE9 \x80"},
                  "20000101",
                  kYearly,
                  "Jos\xC3\xA9 \xE2\x82\xAC's birthday"},
        EventCase{"control_characters",
                  {"1", "1", "", std::string("A\tB\0C", 5)},
                  "20000101",
                  kYearly,
                  "A B C's birthday"},
        EventCase{"no_name", {"1", "1", "1990", ""}, "19900101", kYearly, "Birthday (born 1990)"}));

TEST(ExportCalendar, EveryEventReadsBackAndLinesFoldWithinSeventyFiveBytes) {
    const std::string longName = "\xC3\x9C\xC3\xAF" + std::string(40, 'x') +
                                 "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC" + std::string(40, 'y');
    const std::vector<BirthdayRecord> records = {{"6", "12", "1990", longName},
                                                 {"31", "4", "", "Left out"},
                                                 {"29", "2", "", "Leap"},
                                                 {"x", "y", "", "Out"}};
    const CalendarExport exported = ExportCalendar(records, kStamp);
    EXPECT_EQ(exported.LeftOut, 2u);
    const Parsed parsed = ReadBack(exported.Text);
    ASSERT_EQ(parsed.Events.size(), 2u);
    EXPECT_EQ(icalcomponent_get_summary(parsed.Events[0]), longName + "'s birthday (born 1990)");
    std::istringstream lines(exported.Text);
    for (std::string line; std::getline(lines, line, '\n');) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r') << line;
        EXPECT_LE(line.size() - 1, 75u) << line;
    }
    EXPECT_NE(exported.Text.find("PRODID:-//Candlewatcher//"), std::string::npos);
}

TEST(ExportCalendar, LastDayOfFebruaryRecursInEveryYear) {
    const Parsed parsed = ReadBack(ExportCalendar({{"29", "2", "", "Leap"}}, kStamp).Text);
    ASSERT_EQ(parsed.Events.size(), 1u);
    icalproperty* rule = icalcomponent_get_first_property(parsed.Events[0], ICAL_RRULE_PROPERTY);
    ASSERT_NE(rule, nullptr);
    icalrecur_iterator* it =
        icalrecur_iterator_new(icalproperty_get_rrule(rule), icalcomponent_get_dtstart(parsed.Events[0]));
    ASSERT_NE(it, nullptr);
    std::vector<std::string> days;
    for (int i = 0; i < 5; ++i) {
        days.push_back(icaltime_as_ical_string(icalrecur_iterator_next(it)));
    }
    icalrecur_iterator_free(it);
    EXPECT_EQ(days, (std::vector<std::string>{"20000229", "20010228", "20020228", "20030228", "20040229"}));
}

// The UIDs of the events of one export, in order.
std::vector<std::string> Uids(const std::vector<BirthdayRecord>& records) {
    std::vector<std::string> uids;
    for (icalcomponent* event : ReadBack(ExportCalendar(records, kStamp).Text).Events) {
        uids.push_back(icalcomponent_get_uid(event));
    }
    return uids;
}

TEST(ExportCalendar, UidStaysWhileItsRecordIsUnchangedAndChangesWithAnyField) {
    const BirthdayRecord ann{"6", "12", "1990", "Ann"};
    // Another run, other records around it, another place in the file: the same UID.
    EXPECT_EQ(Uids({ann, {"1", "2", "", "Bob"}}).at(0), Uids({{"3", "4", "", "Cy"}, ann}).at(1));

    // Each record exported on its own, as if the record had been edited between two exports.
    const std::vector<BirthdayRecord> edits = {ann,
                                               {"7", "12", "1990", "Ann"},
                                               {"6", "11", "1990", "Ann"},
                                               {"6", "12", "1991", "Ann"},
                                               {"6", "12", "1990", "Ann "},
                                               {"6", "12", "01990", "Ann"},
                                               {"1", "12", "1990", "Ann"},
                                               {"11", "2", "1990", "Ann"}};
    std::set<std::string> uids;
    for (const BirthdayRecord& record : edits) {
        uids.insert(Uids({record}).at(0));
    }
    EXPECT_EQ(uids.size(), edits.size()) << "every edit of a field gives another UID";

    const std::vector<std::string> twice = Uids({ann, ann});
    EXPECT_NE(twice.at(0), twice.at(1)) << "a record found twice still gets two UIDs";
}

// The data directory's file, exported as the tray menu and --export do: the events of the records with a
// date, the count of the others, and a former export replaced.
TEST(WriteBirthdayCalendar, ExportsTheDataDirectorysBirthdaysToAFile) {
    testing_support::TemporaryDirectory dir;
    const std::filesystem::path out = dir.Path() / "out.ics";
    testing_support::WriteBytes(out, "an older export");
    EXPECT_EQ(WriteBirthdayCalendar(dir.Path(), out.string(), kStamp), 0u) << "no birthday.dat yet";
    EXPECT_TRUE(ReadBack(testing_support::ReadBytes(out)).Events.empty());

    testing_support::WriteBytes(dir.Path() / "birthday.dat",
                                "6\r\n12\r\n1990\r\nAnn\r\n31\r\n4\r\n\r\nOut\r\n");
    EXPECT_EQ(WriteBirthdayCalendar(dir.Path(), out.string(), kStamp), 1u);
    const Parsed parsed = ReadBack(testing_support::ReadBytes(out));
    ASSERT_EQ(parsed.Events.size(), 1u);
    EXPECT_EQ(icalcomponent_get_summary(parsed.Events[0]), std::string("Ann's birthday (born 1990)"));

    const std::string before = testing_support::ReadBytes(out);
    std::filesystem::remove(dir.Path() / "birthday.dat");
    std::filesystem::create_directory(dir.Path() / "birthday.dat");
    EXPECT_THROW(WriteBirthdayCalendar(dir.Path(), out.string(), kStamp), BirthdayFileError);
    EXPECT_EQ(testing_support::ReadBytes(out), before);
}

} // namespace
} // namespace candlewatcher
