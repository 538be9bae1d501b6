#include "addressbook/shown_scan.h"

#include "addressbook/hidden_people.h"
#include "addressbook/stored_files.h"

namespace candlewatcher {

ScanHead ScanShownBirthdays(const CalendarDate& today, const WarnSettings& warn,
                            const AddressBookPaths& paths, const std::filesystem::path& dataDirectory,
                            const SettingsStore& settings, std::size_t rowLimit) {
    bool subscribed = false;
    try {
        subscribed = !ReadSubscriptions(paths.SubscriptionFile).empty();
    } catch (const std::runtime_error&) {
        // A damaged subscription file is the address books' concern; birthday.dat is still shown.
    }
    if (!subscribed) {
        // Read even when no ordinary file is there: a directory or a dangling link in its place is an
        // error to report, not an empty list.
        const std::optional<FileBytes> bytes = BirthdayFile(dataDirectory).ReadBytes();
        return ScanBirthdayFileBytes(today, warn.Warn, warn.WarnDays, bytes.has_value(),
                                     bytes ? bytes->View() : std::string_view(), rowLimit);
    }
    return ScanBirthdayRecords(today, warn.Warn, warn.WarnDays,
                               OwnThenSubscribed(ReadShownBirthdays(paths, dataDirectory, settings)), rowLimit);
}

} // namespace candlewatcher
