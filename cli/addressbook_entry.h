#pragma once

#include <cstddef>

// Adding and syncing address books live in a module of their own, loaded only for --add-address-book and
// --sync: they alone need libcurl, OpenSSL and expat, which every other command would otherwise load for
// nothing. Plain C types cross the boundary, so the module and the program need not share one C++ runtime.
//
// Each entry reads and writes the subscriptions in subscriptionFile and their caches in cacheDirectory,
// waits at most timeoutMilliseconds for a server, stamps a good sync with now (seconds since the epoch),
// and hands each line it has to print, without its line end, to printLine with context. On failure it
// returns 1 with the reason (NUL-terminated, cut to fit) in error, having kept nothing of its work.

using CandlewatcherPrintLine = void(const char* line, void* context);

// Checks the address book (a CardDAV URL, a server's URL or a folder) and subscribes to what it finds, one
// line a book. user and passwordCommand may be empty.
extern "C" __attribute__((visibility("default"))) int
CandlewatcherAddAddressBook(const char* subscriptionFile, const char* cacheDirectory, const char* location,
                            const char* user, const char* passwordCommand, long long timeoutMilliseconds,
                            long long now, CandlewatcherPrintLine* printLine, void* context, char* error,
                            std::size_t errorSize);

// Syncs every subscription once, one line each; *anyFailed is set when a subscription could not be synced
// (its cache stays as it was). Returns 1 only when the subscriptions themselves cannot be read.
extern "C" __attribute__((visibility("default"))) int
CandlewatcherSyncAddressBooks(const char* subscriptionFile, const char* cacheDirectory,
                              long long timeoutMilliseconds, long long now, CandlewatcherPrintLine* printLine,
                              void* context, int* anyFailed, char* error, std::size_t errorSize);

namespace candlewatcher {

using AddAddressBookEntry = int(const char* subscriptionFile, const char* cacheDirectory,
                                const char* location, const char* user, const char* passwordCommand,
                                long long timeoutMilliseconds, long long now,
                                CandlewatcherPrintLine* printLine, void* context, char* error,
                                std::size_t errorSize);
using SyncAddressBooksEntry = int(const char* subscriptionFile, const char* cacheDirectory,
                                  long long timeoutMilliseconds, long long now,
                                  CandlewatcherPrintLine* printLine, void* context, int* anyFailed,
                                  char* error, std::size_t errorSize);
inline constexpr const char* kAddAddressBookEntryName = "CandlewatcherAddAddressBook";
inline constexpr const char* kSyncAddressBooksEntryName = "CandlewatcherSyncAddressBooks";
inline constexpr const char* kAddressBookModuleName = "libcandlewatcher_addressbook.so";

} // namespace candlewatcher
