#include "addressbook/shown_scan.h"

#include "addressbook/hidden_people.h"
#include "addressbook/stored_files.h"
#include "data/record_parser.h"

namespace candlewatcher {

namespace {

bool AnySubscription(const AddressBookPaths& paths) {
    try {
        return !ReadSubscriptions(paths.SubscriptionFile).empty();
    } catch (const std::runtime_error&) {
        // A damaged subscription file is the address books' concern; birthday.dat is still shown.
        return false;
    }
}

} // namespace

ScanHead ScanShownBirthdays(const CalendarDate& today, const WarnSettings& warn,
                            const AddressBookPaths& paths, const std::filesystem::path& dataDirectory,
                            const SettingsStore& settings, std::size_t rowLimit) {
    if (!AnySubscription(paths)) {
        // Read even when no ordinary file is there: a directory or a dangling link in its place is an
        // error to report, not an empty list.
        const std::optional<FileBytes> bytes = BirthdayFile(dataDirectory).ReadBytes();
        return ScanBirthdayFileBytes(today, warn.Warn, warn.WarnDays, bytes.has_value(),
                                     bytes ? bytes->View() : std::string_view(), rowLimit);
    }
    return ScanBirthdayRecords(today, warn.Warn, warn.WarnDays,
                               OwnThenSubscribed(ReadShownBirthdays(paths, dataDirectory, settings)),
                               rowLimit);
}

std::optional<std::string> ShownBirthdayBytes(const AddressBookPaths& paths,
                                              const std::filesystem::path& dataDirectory,
                                              const SettingsStore& settings) {
    if (!AnySubscription(paths)) {
        const std::optional<FileBytes> bytes = BirthdayFile(dataDirectory).ReadBytes();
        return bytes ? std::optional<std::string>(bytes->View()) : std::nullopt;
    }
    std::string bytes;
    for (const BirthdayRecord& record :
         OwnThenSubscribed(ReadShownBirthdays(paths, dataDirectory, settings))) {
        AppendRecordBytes(bytes, record);
    }
    return bytes;
}

} // namespace candlewatcher
