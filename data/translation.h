#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// The program's texts in the user's language, from the gettext catalogues of the text domain
// "candlewatcher". The English text is the key, and is what comes back when no catalogue has it.
// The first call reads the environment and binds the catalogues, in every module alike.
const char* Tr(const char* english);
// The form of a counted text that the language uses for `count`.
const char* TrN(const char* singular, const char* plural, unsigned long count);
// Marks a text for the catalogues where it cannot be translated yet (tables made before the language is
// known).
constexpr const char* TrNoop(const char* english) {
    return english;
}

// `pattern` with %1 ... %9 replaced by `values`, so that a translation may put them in another order.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values);

// The languages to look up, best first, from the variables gettext reads, in its order: LANGUAGE (a
// colon-separated list), then the first set of LC_ALL, LC_MESSAGES and LANG. Empty means English: the C or
// POSIX locale, an English entry (which ends the list: the program's own texts are English), or nothing set.
std::vector<std::string> ChosenLanguages(const char* language, const char* lcAll, const char* lcMessages,
                                         const char* lang);
// The same, from this process's environment.
std::vector<std::string> ChosenLanguages();

// Where the catalogues are: beside the program as built, else where installing puts them.
std::filesystem::path CatalogueFolder();

// Chooses the language now rather than at the first translation, so that the system's own messages
// (strerror) that come before it are in the same language.
void UseTranslations();

// Reads the environment again and binds the catalogues in `folder` (CatalogueFolder() when empty). The
// first translation does this by itself; the tray calls it after Qt has set the locale, and tests to
// switch languages.
void ReloadTranslations(const std::filesystem::path& folder = {});

} // namespace candlewatcher
