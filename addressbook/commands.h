#pragma once

#include "addressbook/book_sync.h"
#include "addressbook/storage_paths.h"
#include "data/birthday_file.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace candlewatcher {

// The work behind the command line's address-book options. Each returns the lines to print and throws
// AddressBookError (or BirthdayFileError) whose what() is the one line to print on failure.

struct AddOptions {
    std::string User;
    std::string PasswordCommand; // run through /bin/sh; the first line of its output is the password
    // Given directly (typed into a window) rather than by a command; used for the check and never written.
    std::optional<std::string> Password = std::nullopt;
};

// The password of a subscription without a password command, by its URL and user (the desktop's keyring);
// nullopt when none is kept for it.
using PasswordSource =
    std::function<std::optional<std::string>(const std::string& location, const std::string& user)>;

// Checks a CardDAV URL (an address book's, or a server's: then every address book found there) or a
// folder of .vcf files: finds the books, signs in, reads them once; only then keeps the subscriptions and
// their caches. One line a book: Added "NAME" (URL): N birthdays. On failure nothing is kept.
std::vector<std::string> AddAddressBook(const AddressBookPaths& paths, const std::string& urlOrFolder,
                                        const AddOptions& options, std::chrono::milliseconds timeout,
                                        std::time_t now);

// One line a subscription, tab-separated: number (from 1), URL or folder, user, "N birthdays", the last good
// sync in local time ("YYYY-MM-DD HH:MM", or "never") and the last error (empty after a good sync).
std::vector<std::string> ListAddressBooks(const AddressBookPaths& paths);

struct SyncReport {
    std::vector<std::string> Lines; // one a subscription
    bool AnyFailed = false;
    SyncStatistics Statistics; // of all CardDAV books together
};

// Syncs every subscription once, each on its own: a failure leaves that cache as it was and is kept as
// the book's last error.
SyncReport SyncAddressBooks(const AddressBookPaths& paths, std::chrono::milliseconds timeout, std::time_t now,
                            const PasswordSource& passwords = {});

// Forgets the subscription given by its number, URL or folder, and removes its cache.
std::vector<std::string> RemoveAddressBook(const AddressBookPaths& paths, const std::string& which);

// The user's own records and, apart, the birthdays the subscriptions add to them (from the caches, and
// from the folders read afresh), for the list, the export and the panel. A subscription that cannot be
// read adds nothing.
struct AllBirthdays {
    std::vector<BirthdayRecord> Own;
    std::vector<BirthdayRecord> Subscribed;
};
AllBirthdays ReadAllBirthdays(const AddressBookPaths& paths, const std::filesystem::path& dataDirectory);
// The user's own records, then the subscribed ones: the order the panel scans them in.
std::vector<BirthdayRecord> OwnThenSubscribed(AllBirthdays all);

} // namespace candlewatcher
