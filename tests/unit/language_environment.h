#pragma once

#include "data/translation.h"

#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace candlewatcher {

// Sets the language variables for one case and puts them back after it; the catalogues are those the
// tests compile for themselves (translation_test.po).
class LanguageEnvironment {
public:
    LanguageEnvironment(const char* language, const char* lcAll) {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        Set("LANGUAGE", language);
        Set("LC_ALL", lcAll);
        ReloadTranslations(CANDLEWATCHER_TEST_CATALOGUES);
    }
    ~LanguageEnvironment() {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
        }
        ReloadTranslations(CANDLEWATCHER_TEST_CATALOGUES);
    }

private:
    static void Set(const char* name, const char* value) {
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

} // namespace candlewatcher
