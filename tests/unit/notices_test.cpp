// When notices are given: a few days walked hour by hour, the next moment to wake, the stored settings
// and records.
#include "notify/due_notices.h"
#include "notify/notice_settings.h"
#include "notify/snoozed_notices.h"
#include "data/memory_settings_store.h"

#include <gtest/gtest.h>

#include <map>

namespace candlewatcher {
namespace {

std::string File(const std::vector<BirthdayRecord>& records) {
    std::string bytes;
    for (const BirthdayRecord& record : records) {
        bytes += record.Day + "\r\n" + record.Month + "\r\n" + record.Year + "\r\n" + record.Name + "\r\n";
    }
    return bytes;
}

// The walk's clock runs on UTC: one local day is 86,400 seconds.
NoticeClock At(CalendarDate day, int minute) {
    std::int64_t days = 0;
    for (CalendarDate d{1, 1, 2026}; d != day; d = *NextDay(d.Day, d.Month, d.Year)) {
        ++days;
    }
    return {day, minute, 1767225600 + days * 86400 + minute * 60};
}

std::string LogLine(const NoticeClock& now, const DueNotice& notice) {
    std::string line = std::to_string(now.Today.Day) + "." + std::to_string(now.Today.Month) + " " +
                       std::to_string(now.Minute / 60) + "h " + (notice.Snoozed ? "again " : "") +
                       NoticeSummary(notice.Notice.DaysBefore, notice.Rows.size()) + ":";
    for (const TodayBirthday& row : notice.Rows) {
        line += " " + row.Text + ";";
    }
    return line;
}

struct WalkStretch {
    CalendarDate From;
    int FromHour;
    int Hours;
};

struct WalkCase {
    const char* Label;
    NoticeSettings Settings;
    std::vector<WalkStretch> Stretches;         // the clock's course: put back or forward between stretches
    std::map<std::string, int> SnoozeMinutesAt; // a notice given at that log line's time is snoozed
    std::vector<std::string> Given;
};

class NoticeWalk : public ::testing::TestWithParam<WalkCase> {};

// Every notice given as the program would give it: told once given, snoozed when the user asks. Bob joins
// the file at noon on the 6th.
TEST_P(NoticeWalk, GivesEachNoticeOnceAtTheSetTime) {
    const WalkCase& walk = GetParam();
    const std::vector<BirthdayRecord> records{{"6", "12", "1984", "Tom Baker"},
                                              {"06", "12", "1990", "Ann Lee"},
                                              {"7", "12", "", "Zoe Brandt"},
                                              {"9", "11", "1970", "Past"}};
    std::vector<BirthdayRecord> withBob = records;
    withBob.push_back({"6", "12", "2000", "Bob"});
    NoticeRecord told;
    std::vector<SnoozedNotice> snoozed;
    std::vector<std::string> given;
    for (const WalkStretch& stretch : walk.Stretches) {
        CalendarDate day = stretch.From;
        int hour = stretch.FromHour;
        for (int step = 0; step < stretch.Hours; ++step) {
            const NoticeClock now = At(day, hour * 60);
            const bool bobAdded =
                day > CalendarDate{6, 12, 2026} || (day == CalendarDate{6, 12, 2026} && hour >= 12);
            const NoticePlan plan =
                PlanNotices(now, walk.Settings, File(bobAdded ? withBob : records), told, snoozed);
            for (const SnoozedNotice& spent : plan.Spent) {
                std::erase(snoozed, spent);
            }
            for (const DueNotice& notice : plan.Due) {
                const std::string line = LogLine(now, notice);
                given.push_back(line);
                told = MergedRecord(now.Today, told, {notice.Notice});
                if (notice.Snoozed) {
                    std::erase(snoozed, *notice.Snoozed);
                }
                if (const auto later = walk.SnoozeMinutesAt.find(line); later != walk.SnoozeMinutesAt.end()) {
                    snoozed.push_back({now.Epoch + later->second * 60, notice.Notice});
                }
            }
            if (++hour == 24) {
                hour = 0;
                day = *NextDay(day.Day, day.Month, day.Year);
            }
        }
    }
    EXPECT_EQ(given, walk.Given) << walk.Label;
}

const NoticeSettings kBoth{true, 3, 9 * 60, 60};

INSTANTIATE_TEST_SUITE_P(
    Days, NoticeWalk,
    ::testing::Values(
        WalkCase{"three days before as well, late risers",
                 NoticeSettings{true, 3, 11 * 60 + 30, 60},
                 {{{3, 12, 2026}, 0, 5 * 24}},
                 {},
                 {"3.12 12h Birthdays in 3 days: Tom Baker (42 - 6\\12); Ann Lee (36 - 06\\12);",
                  "4.12 12h Birthday in 3 days: Zoe Brandt (7\\12);",
                  "6.12 12h Birthdays today: Tom Baker (42); Ann Lee (36); Bob (26);",
                  "7.12 12h Birthday today: Zoe Brandt;"}},
        WalkCase{"the day before only",
                 NoticeSettings{false, 1, 0, 60},
                 {{{3, 12, 2026}, 0, 5 * 24}},
                 {},
                 {"5.12 0h Birthdays tomorrow: Tom Baker (42 - 6\\12); Ann Lee (36 - 06\\12);",
                  "6.12 0h Birthday tomorrow: Zoe Brandt (7\\12);"}},
        WalkCase{"reminded later, twice, the second time past midnight",
                 kBoth,
                 {{{5, 12, 2026}, 0, 3 * 24}},
                 {{"6.12 9h Birthdays today: Tom Baker (42); Ann Lee (36);", 90},
                  {"6.12 12h Birthday today: Bob (26);", 11 * 60 + 1},
                  {"6.12 11h again Birthdays today: Tom Baker (42); Ann Lee (36);", 1}},
                 {"6.12 9h Birthdays today: Tom Baker (42); Ann Lee (36);",
                  "6.12 11h again Birthdays today: Tom Baker (42); Ann Lee (36);",
                  "6.12 12h Birthday today: Bob (26);",
                  "6.12 12h again Birthdays today: Tom Baker (42); Ann Lee (36);",
                  "7.12 0h again Birthday today: Bob (26);", "7.12 9h Birthday today: Zoe Brandt;"}},
        WalkCase{"the clock put back a day and forward again tells no one twice",
                 kBoth,
                 {{{6, 12, 2026}, 8, 30}, {{6, 12, 2026}, 10, 4}, {{8, 12, 2026}, 8, 3}},
                 {},
                 {"6.12 9h Birthdays today: Tom Baker (42); Ann Lee (36);",
                  "6.12 12h Birthday today: Bob (26);", "7.12 9h Birthday today: Zoe Brandt;"}},
        WalkCase{"started after the set time: at once",
                 kBoth,
                 {{{6, 12, 2026}, 15, 2}},
                 {},
                 {"6.12 15h Birthdays today: Tom Baker (42); Ann Lee (36); Bob (26);"}},
        WalkCase{"both off", NoticeSettings{false, 0, 0, 60}, {{{3, 12, 2026}, 0, 5 * 24}}, {}, {}}));

TEST(NoticePlan, WakesAtTheSetTimeAndForTheNextSnoozedNotice) {
    const NoticeSettings settings{true, 3, 9 * 60, 60};
    const CalendarDate day{6, 12, 2026};
    const std::vector<SnoozedNotice> snoozed{{At(day, 600).Epoch, {day, 0, {"Ann Lee"}}},
                                             {At(day, 570).Epoch, {day, 0, {"Gone"}}}};
    const std::string file = File({{"6", "12", "1990", "Ann Lee"}});
    struct Case {
        int Minute;
        std::optional<LocalMinute> NextTimeOfDay;
        std::optional<std::int64_t> NextSnooze;
        std::size_t Due, Spent;
    };
    const Case cases[]{
        {8 * 60 + 59, LocalMinute{day, 540}, At(day, 570).Epoch, 0, 0},
        {9 * 60, LocalMinute{{7, 12, 2026}, 540}, At(day, 570).Epoch, 1, 0},
        {9 * 60 + 30, LocalMinute{{7, 12, 2026}, 540}, At(day, 600).Epoch, 1, 1},
        {10 * 60, LocalMinute{{7, 12, 2026}, 540}, std::nullopt, 2, 1},
    };
    for (const Case& c : cases) {
        const NoticePlan plan = PlanNotices(At(day, c.Minute), settings, file, {}, snoozed);
        EXPECT_EQ(plan.NextTimeOfDay, c.NextTimeOfDay) << c.Minute;
        EXPECT_EQ(plan.NextSnooze, c.NextSnooze) << c.Minute;
        EXPECT_EQ(plan.Due.size(), c.Due) << c.Minute;
        EXPECT_EQ(plan.Spent.size(), c.Spent) << c.Minute;
    }
    const NoticePlan off = PlanNotices(At(day, 0), NoticeSettings{false, 0, 540, 60}, file, {}, {});
    EXPECT_EQ(off.NextTimeOfDay, std::nullopt);
    const NoticePlan lastDay = PlanNotices({{31, 12, 9999}, 600, 0}, settings, file, {}, {});
    EXPECT_EQ(lastDay.NextTimeOfDay, std::nullopt);
}

// Stored texts ("key=value" joined by ";") and the settings read from them: day, days before, not before,
// snooze.
class StoredNoticeSettings : public ::testing::TestWithParam<std::pair<std::string, NoticeSettings>> {};

TEST_P(StoredNoticeSettings, ReadsEachValueOrItsDefault) {
    MemorySettingsStore store;
    std::string_view stored = GetParam().first;
    while (!stored.empty()) {
        const std::string_view pair = stored.substr(0, stored.find(';'));
        const std::size_t equals = pair.find('=');
        store.SaveSetting("Candlewatcher", "Notifications", pair.substr(0, equals), pair.substr(equals + 1));
        stored.remove_prefix(std::min(pair.size() + 1, stored.size()));
    }
    const NoticeSettings read = LoadNoticeSettings(store);
    EXPECT_EQ(read, GetParam().second) << GetParam().first;
    SaveNoticeSettings(store, read);
    EXPECT_EQ(LoadNoticeSettings(store), read) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoredNoticeSettings,
    ::testing::Values(std::pair{"", NoticeSettings{true, 0, 540, 60}},
                      std::pair{"Enabled=0;DaysBefore=30;NotBefore=7:05;SnoozeMinutes=1440",
                                NoticeSettings{false, 30, 425, 1440}},
                      std::pair{"DaysBefore=1;NotBefore=00:00;SnoozeMinutes=1",
                                NoticeSettings{true, 1, 0, 1}},
                      std::pair{"NotBefore=23:59", NoticeSettings{true, 0, 1439, 60}},
                      std::pair{"DaysBefore=31;NotBefore=24:00;SnoozeMinutes=0", NoticeSettings{}},
                      std::pair{"DaysBefore=-3;NotBefore=9:60;SnoozeMinutes=1441", NoticeSettings{}},
                      std::pair{"DaysBefore=3 days;NotBefore=9;SnoozeMinutes=+5", NoticeSettings{}},
                      std::pair{"DaysBefore=;NotBefore=09:5;SnoozeMinutes=ten", NoticeSettings{}},
                      std::pair{"NotBefore=123:00", NoticeSettings{}},
                      std::pair{"NotBefore= 9:00", NoticeSettings{}}));

TEST(NoticeRecordText, HoldsTheOccasionAndReadsTheOlderRecord) {
    const CalendarDate day{6, 12, 2026};
    const NoticeRecord record{{day, 0, {"Ann Lee"}}, {day, 3, {"Tom", "a;b"}}};
    const std::string text = EncodeNoticeRecord(record);
    EXPECT_EQ(text, "2026-12-06/Ann%20Lee;2026-12-06+3/Tom/a%3Bb");
    EXPECT_EQ(DecodeNoticeRecord(text), record);
    EXPECT_EQ(DecodeNoticeRecord("2026-12-06/Ann%20Lee"), (NoticeRecord{{day, 0, {"Ann Lee"}}}));
    EXPECT_EQ(DecodeNoticeRecord("2026-12-06/Ann Lee;2026-12-06+3/Tom"), (NoticeRecord{{day, 3, {"Tom"}}}));

    // A week either side of today is kept; names once per day and occasion.
    const NoticeRecord merged = MergedRecord(
        day, {{{28, 11, 2026}, 0, {"Old"}}, {day, 0, {"Ann Lee"}}},
        {{{14, 12, 2026}, 0, {"Far"}}, {day, 0, {"Ann Lee", "Bob"}}, {{30, 11, 2026}, 1, {"Kept"}}});
    EXPECT_EQ(merged, (NoticeRecord{{day, 0, {"Ann Lee", "Bob"}}, {{30, 11, 2026}, 1, {"Kept"}}}));

    const std::vector<SnoozedNotice> snoozed{{1796547600, {day, 3, {"Tom"}}}, {-5, {day, 0, {"Ann Lee"}}}};
    const std::string snoozedText = EncodeSnoozedNotices(snoozed);
    EXPECT_EQ(snoozedText, "1796547600@2026-12-06+3/Tom;-5@2026-12-06/Ann%20Lee");
    EXPECT_EQ(DecodeSnoozedNotices(snoozedText), snoozed);
    EXPECT_EQ(DecodeSnoozedNotices("@2026-12-06/A;x@2026-12-06/B;5@bad;7@2026-12-06/C;8"),
              (std::vector<SnoozedNotice>{{7, {day, 0, {"C"}}}}));
}

} // namespace
} // namespace candlewatcher
