#pragma once

#include <string>
#include <string_view>

namespace candlewatcher {

// Per-user text values by application, section and key. Reading never creates anything.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                                   std::string_view defaultText) const = 0;
    virtual void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view text) = 0;
};

// The advance warning is on only when Warn is exactly 1; WarnDays is how many days after today are searched.
struct WarnSettings {
    double Warn = 1;
    double WarnDays = 10;
};
WarnSettings LoadWarnSettings(const SettingsStore& store);
void SaveWarnSettings(SettingsStore& store, std::string_view warnText, std::string_view warnDaysText);

} // namespace candlewatcher
