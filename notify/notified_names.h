#pragma once

#include "data/date_helpers.h"
#include "data/settings_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// The people who have had the desktop notification of their birthday on one day. A person is a record's
// name, bytes as stored: the name is a birthday's key, so a row whose age changes (the year edited) is
// the same person, and a renamed one is someone new.
struct NotifiedNames {
    CalendarDate Day{0, 0, 0}; // no day: no one notified
    std::vector<std::string> Names;
    bool operator==(const NotifiedNames&) const = default;
};

// The settings text: the day as YYYY-MM-DD, then "/" and a name for each name. Names are percent-encoded
// byte by byte except letters, digits and "-._~", so the text is plain ASCII that no separator, line
// break or invalid UTF-8 in a name can upset.
std::string EncodeNotifiedNames(const NotifiedNames& notified);
// A damaged text (edited by hand) reads as no one notified: a reminder twice beats none.
NotifiedNames DecodeNotifiedNames(std::string_view text);

// [Notifications] Notified in the program's settings.
NotifiedNames LoadNotifiedNames(const SettingsStore& store);
void SaveNotifiedNames(SettingsStore& store, const NotifiedNames& notified);

// [Notifications] Enabled: on unless it reads "0"; saved as "1" or "0".
bool LoadNotificationsEnabled(const SettingsStore& store);
void SaveNotificationsEnabled(SettingsStore& store, bool enabled);

} // namespace candlewatcher
