#pragma once

#include "data/date_helpers.h"
#include "notify/notified_names.h"
#include "reminder/scan.h"

#include <cstddef>
#include <string>
#include <vector>

namespace candlewatcher {

// Today's rows whose people have not had today's notification, in scan order. Every row of such a name is
// due, so two records of one name (a hand-edited file) are both told of. A record of another day counts
// as no one notified.
std::vector<TodayBirthday> DueBirthdays(const CalendarDate& today, const std::vector<TodayBirthday>& rows,
                                        const NotifiedNames& notified);

// The people of both records who were notified today, each name once, in the order first seen; the names
// of a record of another day are left out.
NotifiedNames MergedForToday(const CalendarDate& today, const NotifiedNames& first,
                             const NotifiedNames& second);

// The people of the rows, as notified today.
NotifiedNames NamesOf(const CalendarDate& today, const std::vector<TodayBirthday>& rows);

// "Birthday today", or "Birthdays today" for more than one row.
std::string NotificationSummary(std::size_t rows);

} // namespace candlewatcher
