#pragma once

#include "addressbook/storage_paths.h"
#include "data/settings_store.h"
#include "reminder/scan.h"

#include <filesystem>

namespace candlewatcher {

// The panel's scan: birthday.dat's records and those of the subscribed address books, less the hidden
// people. Without a subscription it reads birthday.dat in place, as fast as ever for a large file.
// Throws BirthdayFileError when birthday.dat cannot be read; a subscription that cannot be read adds
// nothing.
ScanHead ScanShownBirthdays(const CalendarDate& today, const WarnSettings& warn,
                            const AddressBookPaths& paths, const std::filesystem::path& dataDirectory,
                            const SettingsStore& settings, std::size_t rowLimit);

} // namespace candlewatcher
