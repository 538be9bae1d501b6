#pragma once

#include "addressbook/stored_files.h"

#include <cstddef>
#include <ctime>
#include <string>

namespace candlewatcher {

// The words the address-book commands print, shared by those that go to the network and those that do
// not, so that --address-books, --sync and --remove-address-book name a book the same way.

// Whether a location names a CardDAV URL (http or https, any case) rather than a folder.
bool IsUrl(const std::string& location);

// A folder as a subscription keeps it: absolute, normalised, without a trailing separator.
std::string FolderLocation(const std::string& folder);

// "NAME" (LOCATION)
std::string Described(const Subscription& subscription);

// "1 birthday", "2 birthdays"
std::string BirthdayCount(std::size_t count);

// A moment in local time as YYYY-MM-DD HH:MM, or "never" for 0.
std::string LocalTime(std::time_t moment);

} // namespace candlewatcher
