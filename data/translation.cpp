#include "data/translation.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>

#include <libintl.h>

// glibc keeps looked-up translations; raising this counter tells it that the languages changed.
extern "C" int _nl_msg_cat_cntr;

namespace candlewatcher {

namespace {

constexpr char kDomain[] = "candlewatcher";

bool gEnglish = true;
std::once_flag gLoaded;

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

bool MeansEnglish(std::string_view locale) {
    return locale == "C" || locale == "POSIX" || locale.starts_with("C.") || locale == "en" ||
           locale.starts_with("en_") || locale.starts_with("en.") || locale.starts_with("en@");
}

void Load(const std::filesystem::path& folder) {
    const std::vector<std::string> languages = ChosenLanguages();
    gEnglish = languages.empty();
    if (gEnglish) {
        return;
    }
    std::string list;
    for (const std::string& language : languages) {
        list += (list.empty() ? "" : ":") + language;
    }
    // gettext looks at LANGUAGE only outside the C locale, and a locale that is not installed leaves it
    // there: the catalogues do not need one, so the messages category gets the built-in UTF-8 locale.
    const char* messages = std::setlocale(LC_MESSAGES, "");
    if (messages == nullptr || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0) {
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    ::setenv("LANGUAGE", list.c_str(), 1);
    ::bindtextdomain(kDomain, (folder.empty() ? CatalogueFolder() : folder).c_str());
    ::bind_textdomain_codeset(kDomain, "UTF-8");
    // The C library's messages too: in a character type of plain ASCII it would turn them to question marks.
    ::bind_textdomain_codeset("libc", "UTF-8");
    ++_nl_msg_cat_cntr;
}

void LoadOnce() {
    std::call_once(gLoaded, [] { Load({}); });
}

} // namespace

const char* Tr(const char* english) {
    LoadOnce();
    return gEnglish ? english : ::dgettext(kDomain, english);
}

const char* TrN(const char* singular, const char* plural, unsigned long count) {
    LoadOnce();
    return gEnglish ? (count == 1 ? singular : plural) : ::dngettext(kDomain, singular, plural, count);
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const char next = at + 1 < pattern.size() ? pattern[at + 1] : '\0';
        const std::size_t index = static_cast<std::size_t>(next - '1');
        if (pattern[at] == '%' && next >= '1' && next <= '9' && index < values.size()) {
            text += values.begin()[index];
            ++at;
        } else {
            text += pattern[at];
        }
    }
    return text;
}

std::vector<std::string> ChosenLanguages(const char* language, const char* lcAll, const char* lcMessages,
                                         const char* lang) {
    const char* locale = IsSet(lcAll) ? lcAll : IsSet(lcMessages) ? lcMessages : IsSet(lang) ? lang : "";
    // An explicit C locale asks for the program's own output, whatever LANGUAGE says.
    if (std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
        return {};
    }
    const std::string_view list = IsSet(language) ? language : locale;
    std::vector<std::string> languages;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        const std::string_view entry = list.substr(start, end - start);
        if (MeansEnglish(entry)) {
            break;
        }
        if (!entry.empty()) {
            languages.emplace_back(entry);
        }
        start = end + 1;
    }
    return languages;
}

std::vector<std::string> ChosenLanguages() {
    return ChosenLanguages(std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                           std::getenv("LANG"));
}

std::filesystem::path CatalogueFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && !program.empty()) {
        for (const std::filesystem::path& folder :
             {program.parent_path() / "locale", program.parent_path() / CANDLEWATCHER_LOCALE_FROM_BIN}) {
            if (std::filesystem::is_directory(folder, error)) {
                return folder.lexically_normal();
            }
        }
    }
    return CANDLEWATCHER_LOCALE_INSTALLED;
}

void UseTranslations() {
    LoadOnce();
}

void ReloadTranslations(const std::filesystem::path& folder) {
    LoadOnce();
    Load(folder);
}

} // namespace candlewatcher
