#include "calendar/calendar_export.h"

#include "calendar/birthday_event.h"

#include <libical/ical.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_set>

namespace candlewatcher {

namespace {

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

icaltimetype DateValue(const CalendarDate& date) {
    icaltimetype value = icaltime_null_date();
    value.year = date.Year;
    value.month = date.Month;
    value.day = date.Day;
    return value;
}

icalrecurrencetype YearlyRule(bool lastDayOfFebruary) {
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    rule.freq = ICAL_YEARLY_RECURRENCE;
    if (lastDayOfFebruary) {
        rule.by_month[0] = 2;
        rule.by_month_day[0] = -1;
    }
    return rule;
}

// The UID of the event, or the same with "-2", "-3" ... before the "@" while an earlier event of this
// calendar has it: only a record that the file holds twice over, or two records whose hashes meet.
std::string UniqueUid(const std::string& uid, std::unordered_set<std::string>& used) {
    if (used.insert(uid).second) {
        return uid;
    }
    const std::size_t at = uid.find('@');
    for (int n = 2;; ++n) {
        std::string candidate = uid.substr(0, at) + "-" + std::to_string(n) + uid.substr(at);
        if (used.insert(candidate).second) {
            return candidate;
        }
    }
}

icalcomponent* NewEvent(const BirthdayEvent& event, const std::string& uid, const icaltimetype& stamp) {
    icalcomponent* vevent = icalcomponent_new_vevent();
    icalcomponent_add_property(vevent, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(vevent, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(vevent, icalproperty_new_dtstart(DateValue(event.Start)));
    // Only 31 December 9999 has no next day; a one-day event is what DTSTART alone means anyway.
    if (const std::optional<CalendarDate> end =
            NextDay(event.Start.Day, event.Start.Month, event.Start.Year)) {
        icalcomponent_add_property(vevent, icalproperty_new_dtend(DateValue(*end)));
    }
    icalcomponent_add_property(vevent, icalproperty_new_rrule(YearlyRule(event.LastDayOfFebruary)));
    icalcomponent_add_property(vevent, icalproperty_new_summary(event.Summary.c_str()));
    icalcomponent_add_property(vevent, icalproperty_new_categories("Birthday"));
    icalcomponent_add_property(vevent, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    return vevent;
}

} // namespace

CalendarExport ExportCalendar(const std::vector<BirthdayRecord>& records, std::time_t stamp) {
    CalendarExport result;
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(
        calendar.get(),
        icalproperty_new_prodid("-//Candlewatcher//Candlewatcher " CANDLEWATCHER_VERSION "//EN"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));

    const icaltimetype stampValue = icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone());
    std::unordered_set<std::string> usedUids;
    usedUids.reserve(records.size());
    for (const BirthdayRecord& record : records) {
        const std::optional<BirthdayEvent> event = EventOf(record);
        if (!event) {
            ++result.LeftOut;
            continue;
        }
        icalcomponent_add_component(calendar.get(),
                                    NewEvent(*event, UniqueUid(event->Uid, usedUids), stampValue));
    }

    char* text = icalcomponent_as_ical_string_r(calendar.get());
    if (text == nullptr) {
        throw std::bad_alloc();
    }
    result.Text = text;
    icalmemory_free_buffer(text);
    return result;
}

} // namespace candlewatcher
