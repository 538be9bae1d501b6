#include "notify/due_notices.h"

#include <algorithm>

namespace candlewatcher {

namespace {

// The rows of the occasion whose people are not in the record; each person once in the names.
DueNotice Untold(const CalendarDate& today, int daysBefore, std::string_view fileBytes,
                 const NoticeRecord& told) {
    DueNotice notice{{today, daysBefore, {}}, {}, std::nullopt};
    for (TodayBirthday& row : BirthdaysInDays(today, daysBefore, fileBytes)) {
        if (WasTold(told, today, daysBefore, row.Name)) {
            continue;
        }
        if (std::find(notice.Notice.Names.begin(), notice.Notice.Names.end(), row.Name) ==
            notice.Notice.Names.end()) {
            notice.Notice.Names.push_back(row.Name);
        }
        notice.Rows.push_back(std::move(row));
    }
    return notice;
}

// The snoozed notice again, with the rows of its people that the file still holds.
DueNotice Again(const SnoozedNotice& snoozed, std::string_view fileBytes) {
    const NotifiedNames& asked = snoozed.Notice;
    DueNotice notice{{asked.Day, asked.DaysBefore, {}}, {}, snoozed};
    for (TodayBirthday& row : BirthdaysInDays(asked.Day, asked.DaysBefore, fileBytes)) {
        if (std::find(asked.Names.begin(), asked.Names.end(), row.Name) == asked.Names.end()) {
            continue;
        }
        if (std::find(notice.Notice.Names.begin(), notice.Notice.Names.end(), row.Name) ==
            notice.Notice.Names.end()) {
            notice.Notice.Names.push_back(row.Name);
        }
        notice.Rows.push_back(std::move(row));
    }
    return notice;
}

} // namespace

NoticePlan PlanNotices(const NoticeClock& now, const NoticeSettings& settings, std::string_view fileBytes,
                       const NoticeRecord& told, const std::vector<SnoozedNotice>& snoozed) {
    NoticePlan plan;
    const bool anyOn = settings.OnTheDay || settings.DaysBefore > 0;
    if (anyOn && now.Minute >= settings.NotBefore) {
        std::vector<int> occasions;
        if (settings.OnTheDay) {
            occasions.push_back(0);
        }
        if (settings.DaysBefore > 0) {
            occasions.push_back(settings.DaysBefore);
        }
        for (const int daysBefore : occasions) {
            DueNotice notice = Untold(now.Today, daysBefore, fileBytes, told);
            if (!notice.Rows.empty()) {
                plan.Due.push_back(std::move(notice));
            }
        }
    }
    if (anyOn) {
        if (now.Minute < settings.NotBefore) {
            plan.NextTimeOfDay = LocalMinute{now.Today, settings.NotBefore};
        } else if (const std::optional<CalendarDate> tomorrow =
                       NextDay(now.Today.Day, now.Today.Month, now.Today.Year)) {
            plan.NextTimeOfDay = LocalMinute{*tomorrow, settings.NotBefore};
        }
    }
    for (const SnoozedNotice& asked : snoozed) {
        if (asked.Due > now.Epoch) {
            plan.NextSnooze = std::min(plan.NextSnooze.value_or(asked.Due), asked.Due);
            continue;
        }
        DueNotice notice = Again(asked, fileBytes);
        if (notice.Rows.empty()) {
            plan.Spent.push_back(asked);
        } else {
            plan.Due.push_back(std::move(notice));
        }
    }
    return plan;
}

std::string NoticeSummary(int daysBefore, std::size_t rows) {
    const std::string noun = rows > 1 ? "Birthdays" : "Birthday";
    if (daysBefore <= 0) {
        return noun + " today";
    }
    if (daysBefore == 1) {
        return noun + " tomorrow";
    }
    return noun + " in " + std::to_string(daysBefore) + " days";
}

} // namespace candlewatcher
