#pragma once

#include "addressbook/commands.h"
#include "data/settings_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace candlewatcher {

// The people of the address books whom the user has hidden. Nothing is ever deleted on a server or in a
// subscribed folder, so "Delete Birthday" on an address book's name hides that name instead, everywhere:
// the panel, the notices, the list window, --list and --export. A person is a name, bytes as shown.

// The settings text: "/" before each name, each percent-encoded. A damaged text (edited by hand) hides
// no one: a birthday shown that should not be beats one lost.
std::string EncodeHiddenPeople(const std::vector<std::string>& names);
std::vector<std::string> DecodeHiddenPeople(std::string_view text);

// [AddressBooks] Hidden in the program's settings.
std::vector<std::string> LoadHiddenPeople(const SettingsStore& store);
void SaveHiddenPeople(SettingsStore& store, const std::vector<std::string>& names);
// Adds the name (once) or takes it off the list, and saves the list.
void HidePerson(SettingsStore& store, const std::string& name);
void ShowPersonAgain(SettingsStore& store, const std::string& name);

// ReadAllBirthdays without the subscribed birthdays of hidden people. The user's own records are never
// hidden: they are deleted instead.
AllBirthdays ReadShownBirthdays(const AddressBookPaths& paths, const std::filesystem::path& dataDirectory,
                                const SettingsStore& settings);

} // namespace candlewatcher
