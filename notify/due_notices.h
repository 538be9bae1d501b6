#pragma once

#include "data/date_helpers.h"
#include "notify/notice_settings.h"
#include "notify/notified_names.h"
#include "notify/snoozed_notices.h"
#include "reminder/scan.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// A moment as the program's clocks read it: the local date and time of day, and the same moment in UTC.
struct NoticeClock {
    CalendarDate Today;
    int Minute = 0;         // minutes after local midnight
    std::int64_t Epoch = 0; // seconds since 1970 UTC
};

// A local date and time of day.
struct LocalMinute {
    CalendarDate Day;
    int Minute = 0;
    bool operator==(const LocalMinute&) const = default;
};

// One notice to give now: its day and occasion, the people it names once each, and its rows.
struct DueNotice {
    NotifiedNames Notice;
    std::vector<TodayBirthday> Rows;
    std::optional<SnoozedNotice> Snoozed; // given again after "Remind Me Later": that request
    bool operator==(const DueNotice&) const = default;
};

struct NoticePlan {
    std::vector<DueNotice> Due;
    // Snoozed notices whose time has come but whose people have all left the file: nothing to give.
    std::vector<SnoozedNotice> Spent;
    // The next moments at which the clock alone changes the plan: the set time of day, today's or
    // tomorrow's (none with both notices off), and the earliest snoozed notice still to come.
    std::optional<LocalMinute> NextTimeOfDay;
    std::optional<std::int64_t> NextSnooze;
};

// What to give at `now`. The day's notice names today's birthdays, the one before names those
// settings.DaysBefore days away; each once per person and occasion (not those the record holds) and not
// before the set time of day. A snoozed notice comes back at its time, whatever the time of day, naming
// those of its people still in the file. fileBytes holds birthday.dat.
NoticePlan PlanNotices(const NoticeClock& now, const NoticeSettings& settings, std::string_view fileBytes,
                       const NoticeRecord& told, const std::vector<SnoozedNotice>& snoozed);

// "Birthday today", "Birthday tomorrow", "Birthday in 3 days"; "Birthdays ..." for more than one row.
std::string NoticeSummary(int daysBefore, std::size_t rows);

} // namespace candlewatcher
