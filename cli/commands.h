#pragma once

#include "addressbook/storage_paths.h"
#include "data/date_helpers.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace candlewatcher {

// Prints every row the panel's scan finds for the day, in its order, one line each as the panel shows it:
// the rows of birthday.dat and of the subscribed address books. The look-ahead is the stored settings', or
// days after today when days is given. Throws on failure, having printed nothing.
void ListBirthdays(const std::filesystem::path& dataDirectory, const AddressBookPaths& addressBooks,
                   const CalendarDate& today, std::optional<double> days);

// Adds the birthdays of the vCard files to birthday.dat, all or none, and prints what was added and what
// was skipped. Throws on failure, having added nothing.
void ImportVCards(const std::filesystem::path& dataDirectory,
                  const std::vector<std::filesystem::path>& files);

// Writes the birthdays of birthday.dat and of the subscribed address books as an iCalendar file to target
// ("-": standard output), stamped with the given moment. Returns how many records were left out for having
// no calendar date. Throws on failure, having written nothing.
std::size_t ExportBirthdays(const std::filesystem::path& dataDirectory, const AddressBookPaths& addressBooks,
                            const std::string& target, std::time_t stamp);

// The address-book commands. Each prints its lines once its work is done and throws, with the one line to
// say, on failure.

// Subscribes to the address books a URL or a folder gives, once they have been read; one line each.
void SubscribeAddressBook(const AddressBookPaths& addressBooks, const std::string& location,
                          const std::string& user, const std::string& passwordCommand, std::time_t now);

// Syncs every subscription once; one line each. False when any of them failed.
bool SyncSubscriptions(const AddressBookPaths& addressBooks, std::time_t now);

// One tab-separated line a subscription; nothing when there is none.
void PrintSubscriptions(const AddressBookPaths& addressBooks);

// Forgets a subscription, named by its number, URL or folder, and removes its cache.
void Unsubscribe(const AddressBookPaths& addressBooks, const std::string& which);

} // namespace candlewatcher
