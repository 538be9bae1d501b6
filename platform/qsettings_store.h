#pragma once

#include "data/settings_store.h"

#include <QString>

#include <stdexcept>

namespace candlewatcher {

// A settings file that cannot be read or written; what() names the file and the reason.
class SettingsError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The per-user store: an INI file, $XDG_CONFIG_HOME/<app>/<app>.ini, one group per section. Texts are kept
// exactly as saved; reading never creates the file or its directory.
class QSettingsStore : public SettingsStore {
public:
    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) const override;
    // Throws SettingsError when the file could not be written.
    void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view text) override;

    // Where the values of an application lie.
    static QString FilePath(std::string_view app);
};

} // namespace candlewatcher
