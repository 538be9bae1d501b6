#pragma once

#include "data/settings_store.h"

#include <optional>
#include <string>
#include <string_view>

namespace candlewatcher {

// When desktop notices are given: [Notifications] in the program's settings.
struct NoticeSettings {
    static constexpr int MaxDaysBefore = 30;
    static constexpr int MinSnoozeMinutes = 1;
    static constexpr int MaxSnoozeMinutes = 1440;
    static constexpr int DefaultNotBefore = 9 * 60;
    static constexpr int DefaultSnoozeMinutes = 60;

    bool OnTheDay = true;                     // Enabled: the notice on the day itself
    int DaysBefore = 0;                       // the second notice this many days before (1..30); 0: none
    int NotBefore = DefaultNotBefore;         // minutes after local midnight before which no notice is given
    int SnoozeMinutes = DefaultSnoozeMinutes; // how long "Remind Me Later" waits
    bool operator==(const NoticeSettings&) const = default;
};

// "HH:MM" or "H:MM", 00:00 to 23:59, as minutes after midnight; nothing for any other text.
std::optional<int> ParseTimeOfDay(std::string_view text);
// Minutes after midnight as "HH:MM".
std::string TimeOfDayText(int minutes);

// Each value out of range or unreadable (edited by hand) is taken as its default; none stops the program.
NoticeSettings LoadNoticeSettings(const SettingsStore& store);
void SaveNoticeSettings(SettingsStore& store, const NoticeSettings& settings);

} // namespace candlewatcher
