#include "data/translation.h"
#include "language_environment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace candlewatcher;

struct LanguageCase {
    const char* Language;
    const char* LcAll;
    const char* LcMessages;
    const char* Lang;
    std::vector<std::string> Expected;
};

TEST(Translation, LanguagesAreChosenInGettextsOrder) {
    const std::vector<LanguageCase> cases = {
        {nullptr, nullptr, nullptr, nullptr, {}},
        {nullptr, nullptr, nullptr, "de_DE.UTF-8", {"de_DE.UTF-8"}},
        {nullptr, nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", {"fr_FR.UTF-8"}},
        {nullptr, "es_ES.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8", {"es_ES.UTF-8"}},
        {"", "", "", "ja_JP.UTF-8", {"ja_JP.UTF-8"}},
        {"pt_BR:de", nullptr, nullptr, "ru_RU.UTF-8", {"pt_BR", "de"}},
        {":uk::ja", nullptr, nullptr, nullptr, {"uk", "ja"}},
        // An explicit C locale keeps the program's own output; the built-in UTF-8 one does not.
        {"de", "C", nullptr, "de_DE.UTF-8", {}},
        {"de", nullptr, nullptr, "POSIX", {}},
        {"de", nullptr, nullptr, "C.UTF-8", {"de"}},
        {nullptr, nullptr, nullptr, "C.UTF-8", {}},
        // English ends the list: what follows it is never reached.
        {"en_GB:de", nullptr, nullptr, nullptr, {}},
        {"nl:en:de", nullptr, nullptr, nullptr, {"nl"}},
        {nullptr, nullptr, "en_US.UTF-8", "de_DE.UTF-8", {}},
        {"xx", nullptr, nullptr, nullptr, {"xx"}},
    };
    for (const LanguageCase& c : cases) {
        EXPECT_EQ(ChosenLanguages(c.Language, c.LcAll, c.LcMessages, c.Lang), c.Expected)
            << (c.Language ? c.Language : "-") << " " << (c.LcAll ? c.LcAll : "-") << " "
            << (c.LcMessages ? c.LcMessages : "-") << " " << (c.Lang ? c.Lang : "-");
    }
}

TEST(Translation, FillInPutsValuesWhereTheTranslationWantsThem) {
    EXPECT_EQ(FillIn("%1 (%2)", {"Ann", "36"}), "Ann (36)");
    EXPECT_EQ(FillIn("%2 : %1", {"Ann", "36"}), "36 : Ann");
    EXPECT_EQ(FillIn("%1 and %1", {"x"}), "x and x");
    EXPECT_EQ(FillIn("100% of %3 %", {"a"}), "100% of %3 %");
    EXPECT_EQ(FillIn("%1", {"%2", "no"}), "%2");
}

TEST(Translation, CataloguesAnswerInTheChosenLanguageWithItsPluralForms) {
    {
        LanguageEnvironment polish("pl", nullptr);
        EXPECT_STREQ(Tr("Birthday"), "Urodziny");
        EXPECT_STREQ(Tr("Not in the catalogue"), "Not in the catalogue");
        const std::vector<std::pair<unsigned long, const char*>> counts = {
            {1, "%1 urodziny"},       {2, "%1 urodzin (2-4)"}, {5, "%1 urodzin"},
            {22, "%1 urodzin (2-4)"}, {112, "%1 urodzin"},     {0, "%1 urodzin"}};
        for (const auto& [count, expected] : counts) {
            EXPECT_STREQ(TrN("%1 birthday", "%1 birthdays", count), expected) << count;
        }
    }
    for (const auto& [language, lcAll] : std::vector<std::pair<const char*, const char*>>{
             {"xx", nullptr}, {"pl", "C"}, {"en:pl", nullptr}, {nullptr, nullptr}}) {
        LanguageEnvironment english(language, lcAll);
        EXPECT_STREQ(Tr("Birthday"), "Birthday") << (language ? language : "-");
        EXPECT_STREQ(TrN("%1 birthday", "%1 birthdays", 1), "%1 birthday");
        EXPECT_STREQ(TrN("%1 birthday", "%1 birthdays", 2), "%1 birthdays");
    }
}

} // namespace
