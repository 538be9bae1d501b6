#include "notify/notified_names.h"

#include "data/iso_date.h"
#include "data/percent_encoding.h"

#include <algorithm>
#include <optional>

namespace candlewatcher {

namespace {

constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "Notifications";
constexpr std::string_view kNotified = "Notified";
constexpr std::string_view kEnabled = "Enabled";

} // namespace

std::string EncodeNotifiedNames(const NotifiedNames& notified) {
    return IsoDateText(notified.Day) + PercentEncodedNames(notified.Names);
}

NotifiedNames DecodeNotifiedNames(std::string_view text) {
    const std::optional<CalendarDate> day = ReadIsoDate(text.substr(0, 10), 1);
    if (!day) {
        return {};
    }
    std::optional<std::vector<std::string>> names = PercentDecodedNames(text.substr(10));
    if (!names) {
        return {};
    }
    return NotifiedNames{*day, std::move(*names)};
}

NotifiedNames LoadNotifiedNames(const SettingsStore& store) {
    return DecodeNotifiedNames(store.GetSetting(kApp, kSection, kNotified, ""));
}

void SaveNotifiedNames(SettingsStore& store, const NotifiedNames& notified) {
    store.SaveSetting(kApp, kSection, kNotified, EncodeNotifiedNames(notified));
}

bool LoadNotificationsEnabled(const SettingsStore& store) {
    return store.GetSetting(kApp, kSection, kEnabled, "1") != "0";
}

void SaveNotificationsEnabled(SettingsStore& store, bool enabled) {
    store.SaveSetting(kApp, kSection, kEnabled, enabled ? "1" : "0");
}

} // namespace candlewatcher
