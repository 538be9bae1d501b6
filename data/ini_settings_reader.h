#pragma once

#include "data/settings_store.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace candlewatcher {

// Where QSettings keeps the per-user settings of an application in INI form: $XDG_CONFIG_HOME/<app>/<app>.ini
// (a relative XDG_CONFIG_HOME taken from the working directory), else $HOME/.config/...; null when unset.
std::filesystem::path IniSettingsPath(std::string_view app, const char* xdgConfigHome, const char* home);

// The settings file the tray program writes through QSettings, read without Qt and by QSettings' own rules,
// so that the command line sees what the windows see: GetSetting returns what QSettingsStore::GetSetting
// returns for the same file. A missing file gives the defaults; a file that cannot be read throws
// std::runtime_error "Cannot read <path>: <reason>". It only reads: SaveSetting throws.
class IniSettingsReader : public SettingsStore {
public:
    // Each application's file where IniSettingsPath puts it for this process's environment.
    IniSettingsReader();
    // Every application's values from this one file.
    explicit IniSettingsReader(std::filesystem::path file);

    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) const override;
    void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view text) override;

    // Each key (group/key, as UTF-8) with its text; nothing for a key that stands for no value.
    using Values = std::map<std::string, std::optional<std::string>, std::less<>>;

private:
    const Values& ValuesOf(const std::filesystem::path& file) const;

    std::filesystem::path m_file; // empty: by application
    mutable std::map<std::filesystem::path, Values> m_read;
};

// The values a settings file's bytes hold. Like QSettings (and so the tray program), it reads what it can
// of a damaged file: a group header without its ']' names the group with the rest of its line, and a line
// that is neither a comment nor a key with '=' is passed over.
IniSettingsReader::Values ParseIniSettings(std::string_view bytes);

} // namespace candlewatcher
