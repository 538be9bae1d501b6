#include "addressbook/hidden_people.h"

#include "data/percent_encoding.h"

#include <algorithm>
#include <optional>

namespace candlewatcher {

namespace {

constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "AddressBooks";
constexpr std::string_view kHidden = "Hidden";

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::string EncodeHiddenPeople(const std::vector<std::string>& names) {
    return PercentEncodedNames(names);
}

std::vector<std::string> DecodeHiddenPeople(std::string_view text) {
    return PercentDecodedNames(text).value_or(std::vector<std::string>{});
}

std::vector<std::string> LoadHiddenPeople(const SettingsStore& store) {
    return DecodeHiddenPeople(store.GetSetting(kApp, kSection, kHidden, ""));
}

void SaveHiddenPeople(SettingsStore& store, const std::vector<std::string>& names) {
    store.SaveSetting(kApp, kSection, kHidden, EncodeHiddenPeople(names));
}

void HidePerson(SettingsStore& store, const std::string& name) {
    std::vector<std::string> names = LoadHiddenPeople(store);
    if (!Contains(names, name)) {
        names.push_back(name);
        SaveHiddenPeople(store, names);
    }
}

void ShowPersonAgain(SettingsStore& store, const std::string& name) {
    std::vector<std::string> names = LoadHiddenPeople(store);
    const auto kept = std::remove(names.begin(), names.end(), name);
    if (kept != names.end()) {
        names.erase(kept, names.end());
        SaveHiddenPeople(store, names);
    }
}

AllBirthdays ReadShownBirthdays(const AddressBookPaths& paths, const std::filesystem::path& dataDirectory,
                                const SettingsStore& settings) {
    AllBirthdays all = ReadAllBirthdays(paths, dataDirectory);
    const std::vector<std::string> hidden = LoadHiddenPeople(settings);
    if (!hidden.empty()) {
        std::erase_if(all.Subscribed,
                      [&](const BirthdayRecord& record) { return Contains(hidden, record.Name); });
    }
    return all;
}

} // namespace candlewatcher
