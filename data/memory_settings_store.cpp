#include "data/memory_settings_store.h"

#include <stdexcept>

namespace candlewatcher {

std::string MemorySettingsStore::GetSetting(std::string_view app, std::string_view section,
                                            std::string_view key, std::string_view defaultText) const {
    auto found = m_values.find(Key(app, section, key));
    return found == m_values.end() ? std::string(defaultText) : found->second;
}

void MemorySettingsStore::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                                      std::string_view text) {
    if (m_savesLeft == 0)
        throw std::runtime_error("Cannot save the setting \"" + std::string(key) +
                                 "\": the store refused it");
    --m_savesLeft;
    Put(app, section, key, text);
    m_saves.push_back(Save{std::string(app), std::string(section), std::string(key), std::string(text)});
}

void MemorySettingsStore::Put(std::string_view app, std::string_view section, std::string_view key,
                              std::string_view text) {
    m_values[Key(app, section, key)] = std::string(text);
}

bool MemorySettingsStore::Contains(std::string_view app, std::string_view section,
                                   std::string_view key) const {
    return m_values.count(Key(app, section, key)) != 0;
}

} // namespace candlewatcher
