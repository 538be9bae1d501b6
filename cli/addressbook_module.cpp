#include "cli/addressbook_entry.h"

#include "addressbook/commands.h"
#include "addressbook/network_entry.h"
#include "cli/entry_error.h"

#include <chrono>
#include <exception>

namespace {

void PrintLines(const std::vector<std::string>& lines, CandlewatcherPrintLine* printLine, void* context) {
    for (const std::string& line : lines)
        printLine(line.c_str(), context);
}

} // namespace

int CandlewatcherAddAddressBook(const char* subscriptionFile, const char* cacheDirectory,
                                const char* location, const char* user, const char* passwordCommand,
                                long long timeoutMilliseconds, long long now,
                                CandlewatcherPrintLine* printLine, void* context, char* error,
                                std::size_t errorSize) {
    using namespace candlewatcher;
    try {
        PrintLines(AddAddressBook(AddressBookPaths{subscriptionFile, cacheDirectory}, location,
                                  AddOptions{user, passwordCommand},
                                  std::chrono::milliseconds(timeoutMilliseconds),
                                  static_cast<std::time_t>(now)),
                   printLine, context);
        return 0;
    } catch (const std::exception& failure) {
        CopyError(failure.what(), error, errorSize);
        return 1;
    }
}

int CandlewatcherSyncAddressBooks(const char* subscriptionFile, const char* cacheDirectory,
                                  long long timeoutMilliseconds, long long now,
                                  CandlewatcherPrintLine* printLine, void* context, int* anyFailed,
                                  char* error, std::size_t errorSize) {
    using namespace candlewatcher;
    try {
        const SyncReport report =
            SyncAddressBooks(AddressBookPaths{subscriptionFile, cacheDirectory},
                             std::chrono::milliseconds(timeoutMilliseconds), static_cast<std::time_t>(now));
        PrintLines(report.Lines, printLine, context);
        *anyFailed = report.AnyFailed ? 1 : 0;
        return 0;
    } catch (const std::exception& failure) {
        CopyError(failure.what(), error, errorSize);
        return 1;
    }
}

const candlewatcher::AddressBookNetwork* CandlewatcherAddressBookNetwork() {
    static const candlewatcher::AddressBookNetwork network{&candlewatcher::AddAddressBook,
                                                           &candlewatcher::SyncAddressBooks};
    return &network;
}
