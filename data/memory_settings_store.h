#pragma once

#include "data/settings_store.h"

#include <cstddef>
#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace candlewatcher {

// A settings store held in memory, for tests: it remembers every save in order and can be told to fail.
class MemorySettingsStore : public SettingsStore {
public:
    struct Save {
        std::string App, Section, Key, Text;
        bool operator==(const Save&) const = default;
    };

    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) const override;
    // Throws std::runtime_error, storing nothing, once the allowed number of saves has been made.
    void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view text) override;

    // Stores a value as if written by hand outside the program: not counted as a save.
    void Put(std::string_view app, std::string_view section, std::string_view key, std::string_view text);
    bool Contains(std::string_view app, std::string_view section, std::string_view key) const;
    // The saves made so far, in order.
    const std::vector<Save>& Saves() const { return m_saves; }
    // Saves after this many further successful ones throw.
    void FailSavesAfter(std::size_t successfulSaves) { m_savesLeft = successfulSaves; }

private:
    using Key = std::tuple<std::string, std::string, std::string>;
    std::map<Key, std::string, std::less<>> m_values;
    std::vector<Save> m_saves;
    std::size_t m_savesLeft = std::numeric_limits<std::size_t>::max();
};

} // namespace candlewatcher
