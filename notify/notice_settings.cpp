#include "notify/notice_settings.h"

#include <charconv>

namespace candlewatcher {

namespace {

constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "Notifications";
constexpr std::string_view kEnabled = "Enabled";
constexpr std::string_view kDaysBefore = "DaysBefore";
constexpr std::string_view kNotBefore = "NotBefore";
constexpr std::string_view kSnoozeMinutes = "SnoozeMinutes";

// A whole decimal number, digits only, within [low, high].
std::optional<int> NumberWithin(std::string_view text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.front() == '-' || text.front() == '+' ||
        std::from_chars(text.data(), end, value).ptr != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<int> ParseTimeOfDay(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 1 || colon > 2 || text.size() - colon != 3) {
        return std::nullopt;
    }
    const std::optional<int> hours = NumberWithin(text.substr(0, colon), 0, 23);
    const std::optional<int> minutes = NumberWithin(text.substr(colon + 1), 0, 59);
    if (!hours || !minutes) {
        return std::nullopt;
    }
    return *hours * 60 + *minutes;
}

std::string TimeOfDayText(int minutes) {
    const int hours = minutes / 60;
    const int rest = minutes % 60;
    return {static_cast<char>('0' + hours / 10), static_cast<char>('0' + hours % 10), ':',
            static_cast<char>('0' + rest / 10), static_cast<char>('0' + rest % 10)};
}

NoticeSettings LoadNoticeSettings(const SettingsStore& store) {
    NoticeSettings settings;
    settings.OnTheDay = store.GetSetting(kApp, kSection, kEnabled, "1") != "0";
    settings.DaysBefore =
        NumberWithin(store.GetSetting(kApp, kSection, kDaysBefore, ""), 0, NoticeSettings::MaxDaysBefore)
            .value_or(0);
    settings.NotBefore = ParseTimeOfDay(store.GetSetting(kApp, kSection, kNotBefore, ""))
                             .value_or(NoticeSettings::DefaultNotBefore);
    settings.SnoozeMinutes = NumberWithin(store.GetSetting(kApp, kSection, kSnoozeMinutes, ""),
                                          NoticeSettings::MinSnoozeMinutes, NoticeSettings::MaxSnoozeMinutes)
                                 .value_or(NoticeSettings::DefaultSnoozeMinutes);
    return settings;
}

void SaveNoticeSettings(SettingsStore& store, const NoticeSettings& settings) {
    store.SaveSetting(kApp, kSection, kEnabled, settings.OnTheDay ? "1" : "0");
    store.SaveSetting(kApp, kSection, kDaysBefore, std::to_string(settings.DaysBefore));
    store.SaveSetting(kApp, kSection, kNotBefore, TimeOfDayText(settings.NotBefore));
    store.SaveSetting(kApp, kSection, kSnoozeMinutes, std::to_string(settings.SnoozeMinutes));
}

} // namespace candlewatcher
