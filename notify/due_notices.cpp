#include "notify/due_notices.h"

#include "data/translation.h"

#include <algorithm>
#include <string>

namespace candlewatcher {

namespace {

// The notice of the rows that `keep` accepts, each person once in its names.
template <typename Keep>
DueNotice NoticeOf(const NotifiedNames& occasion, std::vector<TodayBirthday> rows, Keep keep) {
    DueNotice notice{{occasion.Day, occasion.DaysBefore, {}}, {}, std::nullopt};
    for (TodayBirthday& row : rows) {
        if (!keep(row.Name)) {
            continue;
        }
        std::vector<std::string>& names = notice.Notice.Names;
        if (std::find(names.begin(), names.end(), row.Name) == names.end()) {
            names.push_back(row.Name);
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
        std::vector<std::vector<TodayBirthday>> rows = BirthdaysInDays(now.Today, occasions, fileBytes);
        for (std::size_t i = 0; i < occasions.size(); ++i) {
            const NotifiedNames occasion{now.Today, occasions[i], {}};
            DueNotice notice = NoticeOf(occasion, std::move(rows[i]), [&](const std::string& name) {
                return !WasTold(told, occasion.Day, occasion.DaysBefore, name);
            });
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
        const NotifiedNames& occasion = asked.Notice;
        DueNotice notice = NoticeOf(
            occasion, std::move(BirthdaysInDays(occasion.Day, {occasion.DaysBefore}, fileBytes)[0]),
            [&](const std::string& name) {
                return std::find(occasion.Names.begin(), occasion.Names.end(), name) != occasion.Names.end();
            });
        notice.Snoozed = asked;
        if (notice.Rows.empty()) {
            plan.Spent.push_back(asked);
        } else {
            plan.Due.push_back(std::move(notice));
        }
    }
    return plan;
}

// One whole title for each case, so that a language words it its own way; the rows decide only between one
// birthday and several, the days the form of the counted word.
std::string NoticeSummary(int daysBefore, std::size_t rows) {
    const bool several = rows > 1;
    if (daysBefore <= 0) {
        // TRANSLATORS: the title of the notification of the birthdays of the day.
        return several ? Tr("Birthdays today") : Tr("Birthday today");
    }
    if (daysBefore == 1) {
        return several ? Tr("Birthdays tomorrow") : Tr("Birthday tomorrow");
    }
    const auto days = static_cast<unsigned long>(daysBefore);
    // TRANSLATORS: the title of the notification some days before one birthday; %1 is the number of days.
    const char* title = TrN("Birthday in %1 day", "Birthday in %1 days", days);
    if (several) {
        // TRANSLATORS: the title of the notification some days before several birthdays; %1: the days.
        title = TrN("Birthdays in %1 day", "Birthdays in %1 days", days);
    }
    return FillIn(title, {std::to_string(daysBefore)});
}

} // namespace candlewatcher
