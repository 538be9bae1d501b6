#include "data/settings_store.h"

#include "data/numeric_value.h"

namespace candlewatcher {

namespace {
constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "Settings";
constexpr std::string_view kWarn = "Warn";
constexpr std::string_view kWarnDays = "Warn Days";
} // namespace

WarnSettings LoadWarnSettings(const SettingsStore& store) {
    WarnSettings settings;
    settings.Warn = NumericValue(store.GetSetting(kApp, kSection, kWarn, "1"));
    settings.WarnDays = NumericValue(store.GetSetting(kApp, kSection, kWarnDays, "10"));
    return settings;
}

// Both keys are written on every save, Warn first, each text exactly as the dialog holds it.
void SaveWarnSettings(SettingsStore& store, std::string_view warnText, std::string_view warnDaysText) {
    store.SaveSetting(kApp, kSection, kWarn, warnText);
    store.SaveSetting(kApp, kSection, kWarnDays, warnDaysText);
}

} // namespace candlewatcher
