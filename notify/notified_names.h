#pragma once

#include "data/date_helpers.h"
#include "data/settings_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// The people who have had one desktop notice: given on Day, of the birthdays DaysBefore days later (0: the
// birthday itself). A person is a record's name, bytes as stored: the name is a birthday's key, so a row
// whose age changes (the year edited) is the same person, and a renamed one is someone new.
struct NotifiedNames {
    CalendarDate Day{0, 0, 0}; // no day: no one notified
    int DaysBefore = 0;
    std::vector<std::string> Names;
    bool operator==(const NotifiedNames&) const = default;
};

// Who was told of what: one entry per day and occasion.
using NoticeRecord = std::vector<NotifiedNames>;

// The settings text of one entry: the day as YYYY-MM-DD, "+N" for a notice N days before, then "/" and a
// name for each name. Names are percent-encoded byte by byte except letters, digits and "-._~", so the
// text is plain ASCII that no separator, line break or invalid UTF-8 in a name can upset.
std::string EncodeNotifiedNames(const NotifiedNames& notified);
// A damaged text (edited by hand) reads as no one notified: a reminder twice beats none.
NotifiedNames DecodeNotifiedNames(std::string_view text);

// The entries joined by ";". A record of one entry of the day itself reads as it always has.
std::string EncodeNoticeRecord(const NoticeRecord& record);
// A damaged entry is left out; the others stand.
NoticeRecord DecodeNoticeRecord(std::string_view text);

// Both records in one, each name once per day and occasion, keeping only the entries of the days within a
// week of today: the record stays small, and a clock put back by a few days tells no one twice.
NoticeRecord MergedRecord(const CalendarDate& today, const NoticeRecord& first, const NoticeRecord& second);
// Whether the record holds name for that day and occasion.
bool WasTold(const NoticeRecord& record, const CalendarDate& day, int daysBefore, std::string_view name);

// [Notifications] Notified in the program's settings.
NoticeRecord LoadNoticeRecord(const SettingsStore& store);
void SaveNoticeRecord(SettingsStore& store, const NoticeRecord& record);

} // namespace candlewatcher
