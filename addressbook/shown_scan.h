#pragma once

#include "addressbook/storage_paths.h"
#include "data/settings_store.h"
#include "reminder/scan.h"

#include <filesystem>
#include <optional>
#include <string>

namespace candlewatcher {

// The panel's scan: birthday.dat's records and those of the subscribed address books, less the hidden
// people. Without a subscription it reads birthday.dat in place, as fast as ever for a large file.
// Throws BirthdayFileError when birthday.dat cannot be read; a subscription that cannot be read adds
// nothing.
ScanHead ScanShownBirthdays(const CalendarDate& today, const WarnSettings& warn,
                            const AddressBookPaths& paths, const std::filesystem::path& dataDirectory,
                            const SettingsStore& settings, std::size_t rowLimit);

// What the notices read: birthday.dat's bytes as they are when nothing is subscribed; else its records and
// the subscribed ones, less the hidden people, written as birthday.dat holds records. Nothing when there is
// neither a birthday.dat nor a subscription. Throws as ScanShownBirthdays does.
std::optional<std::string> ShownBirthdayBytes(const AddressBookPaths& paths,
                                              const std::filesystem::path& dataDirectory,
                                              const SettingsStore& settings);

} // namespace candlewatcher
