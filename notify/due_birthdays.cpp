#include "notify/due_birthdays.h"

#include <set>

namespace candlewatcher {

namespace {

// The names of a record of today; none for a record of another day.
std::set<std::string_view> TodaysNames(const CalendarDate& today, const NotifiedNames& notified) {
    if (notified.Day != today) {
        return {};
    }
    return {notified.Names.begin(), notified.Names.end()};
}

void AddOnce(NotifiedNames& notified, std::set<std::string_view>& seen, const std::string& name) {
    if (seen.insert(name).second) {
        notified.Names.push_back(name);
    }
}

} // namespace

std::vector<TodayBirthday> DueBirthdays(const CalendarDate& today, const std::vector<TodayBirthday>& rows,
                                        const NotifiedNames& notified) {
    const std::set<std::string_view> done = TodaysNames(today, notified);
    std::vector<TodayBirthday> due;
    for (const TodayBirthday& row : rows) {
        if (!done.contains(row.Name)) {
            due.push_back(row);
        }
    }
    return due;
}

NotifiedNames MergedForToday(const CalendarDate& today, const NotifiedNames& first,
                             const NotifiedNames& second) {
    NotifiedNames merged{today, {}};
    std::set<std::string_view> seen;
    for (const NotifiedNames* notified : {&first, &second}) {
        if (notified->Day == today) {
            for (const std::string& name : notified->Names) {
                AddOnce(merged, seen, name);
            }
        }
    }
    return merged;
}

NotifiedNames NamesOf(const CalendarDate& today, const std::vector<TodayBirthday>& rows) {
    NotifiedNames notified{today, {}};
    std::set<std::string_view> seen;
    for (const TodayBirthday& row : rows) {
        AddOnce(notified, seen, row.Name);
    }
    return notified;
}

std::string NotificationSummary(std::size_t rows) {
    return rows > 1 ? "Birthdays today" : "Birthday today";
}

} // namespace candlewatcher
