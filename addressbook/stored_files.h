#pragma once

#include "addressbook/book_state.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace candlewatcher {

enum class SourceKind { CardDav, Folder };

// One subscribed address book: a CardDAV address book's URL, or a folder of .vcf files. The password is
// never kept; PasswordCommand is the command that gives it.
struct Subscription {
    SourceKind Kind = SourceKind::CardDav;
    std::string Location; // the address book's URL, or the folder's absolute path
    std::string User;
    std::string PasswordCommand;
    std::string Name; // the display name when added (the folder's name for a folder)
    bool operator==(const Subscription&) const = default;
};

// The subscriptions in the order they were added; none when the file does not exist. Throws
// AddressBookError when it cannot be read or a line is damaged.
std::vector<Subscription> ReadSubscriptions(const std::filesystem::path& file);
// Replaces the file at once (its directory is created when missing). Throws AddressBookError.
void WriteSubscriptions(const std::filesystem::path& file, const std::vector<Subscription>& subscriptions);

// nullopt when the file does not exist or is not a cache this program wrote: then the book is synced
// afresh.
std::optional<BookState> ReadBookCache(const std::filesystem::path& file);
void WriteBookCache(const std::filesystem::path& file, const BookState& state);

// The outcome of a subscription's last sync.
struct SyncStatus {
    std::time_t LastGoodSync = 0; // 0: never
    std::string LastError;        // empty when the last sync was good
    bool operator==(const SyncStatus&) const = default;
};
SyncStatus ReadSyncStatus(const std::filesystem::path& file); // never synced when the file is missing
void WriteSyncStatus(const std::filesystem::path& file, const SyncStatus& status);

} // namespace candlewatcher
