#include "calendar/calendar_export.h"

#include "calendar/birthday_event.h"

#include <libical/ical.h>

#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

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

// A component in iCalendar text, as libical writes it.
std::string Serialized(icalcomponent* component) {
    char* text = icalcomponent_as_ical_string_r(component);
    if (text == nullptr) {
        throw std::bad_alloc();
    }
    std::string serialized = text;
    icalmemory_free_buffer(text);
    return serialized;
}

// One VEVENT whose birthday's own properties are set anew for every birthday, and which libical writes out
// each time. A component tree of all the events would hold about 6 KB for each (most of it the recurrence
// rule, which libical keeps in a fixed struct of every BY list): more than 600 MB for 100,000 birthdays.
class EventWriter {
public:
    EventWriter(const icaltimetype& stamp, bool lastDayOfFebruary)
        : m_event(icalcomponent_new_vevent())
        , m_uid(icalproperty_new_uid(""))
        , m_start(icalproperty_new_dtstart(icaltime_null_date()))
        , m_end(icalproperty_new_dtend(icaltime_null_date()))
        , m_summary(icalproperty_new_summary("")) {
        icalcomponent_add_property(m_event.get(), m_uid);
        icalcomponent_add_property(m_event.get(), icalproperty_new_dtstamp(stamp));
        icalcomponent_add_property(m_event.get(), m_start);
        icalcomponent_add_property(m_event.get(), m_end);
        icalcomponent_add_property(m_event.get(), icalproperty_new_rrule(YearlyRule(lastDayOfFebruary)));
        icalcomponent_add_property(m_event.get(), m_summary);
        icalcomponent_add_property(m_event.get(), icalproperty_new_categories("Birthday"));
        icalcomponent_add_property(m_event.get(), icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    }

    std::string Write(const BirthdayEvent& event, const std::string& uid) {
        icalproperty_set_uid(m_uid, uid.c_str());
        icalproperty_set_dtstart(m_start, DateValue(event.Start));
        icalproperty_set_dtend(m_end,
                               DateValue(*NextDay(event.Start.Day, event.Start.Month, event.Start.Year)));
        icalproperty_set_summary(m_summary, event.Summary.c_str());
        return Serialized(m_event.get());
    }

private:
    Component m_event;
    // Owned by m_event.
    icalproperty* m_uid;
    icalproperty* m_start;
    icalproperty* m_end;
    icalproperty* m_summary;
};

} // namespace

CalendarExport ExportCalendar(const std::vector<BirthdayRecord>& records, std::time_t stamp) {
    // The events are written one by one between the calendar's own first and last lines.
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(
        calendar.get(),
        icalproperty_new_prodid("-//Candlewatcher//Candlewatcher " CANDLEWATCHER_VERSION "//EN"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    const std::string frame = Serialized(calendar.get());
    constexpr std::string_view kEnd = "END:VCALENDAR\r\n";
    if (!frame.ends_with(kEnd)) {
        throw std::logic_error("libical ended a calendar in an unexpected way");
    }

    CalendarExport result;
    result.Text.reserve(frame.size() + records.size() * 300);
    result.Text.append(frame, 0, frame.size() - kEnd.size());
    const icaltimetype stampValue = icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone());
    EventWriter yearly(stampValue, false);
    EventWriter lastDayOfFebruary(stampValue, true);
    std::unordered_map<std::uint64_t, int> occurrences;
    occurrences.reserve(records.size());
    for (const BirthdayRecord& record : records) {
        const std::optional<BirthdayEvent> event = EventOf(record);
        if (!event) {
            ++result.LeftOut;
            continue;
        }
        const std::string uid = EventUid(event->Fingerprint, ++occurrences[event->Fingerprint]);
        result.Text += (event->LastDayOfFebruary ? lastDayOfFebruary : yearly).Write(*event, uid);
    }
    result.Text += kEnd;
    return result;
}

} // namespace candlewatcher
