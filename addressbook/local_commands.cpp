// The address-book commands that read and forget what is kept on disk and never go to the network, so
// that --list, --export, --address-books and --remove-address-book run without libcurl, OpenSSL or expat.
#include "addressbook/commands.h"

#include "addressbook/address_book_error.h"
#include "addressbook/stored_files.h"
#include "addressbook/subscription_text.h"
#include "addressbook/sync_plan.h"
#include "addressbook/vcard_folder.h"
#include "data/translation.h"

#include <algorithm>
#include <optional>

namespace candlewatcher {

std::vector<std::string> ListAddressBooks(const AddressBookPaths& paths) {
    std::vector<std::string> lines;
    const std::vector<Subscription> subscriptions = ReadSubscriptions(paths.SubscriptionFile);
    for (std::size_t i = 0; i < subscriptions.size(); ++i) {
        const Subscription& subscription = subscriptions[i];
        SyncStatus status = ReadSyncStatus(StatusFileFor(paths, subscription.Location));
        std::size_t birthdays = 0;
        if (subscription.Kind == SourceKind::Folder) {
            // A folder is read afresh, so what it holds now is what counts.
            try {
                birthdays = CountBirthdays(ReadVCardFolder(subscription.Location));
            } catch (const AddressBookError& error) {
                status.LastError = error.what();
            }
        } else if (std::optional<BookState> cache =
                       ReadBookCache(CacheFileFor(paths, subscription.Location))) {
            birthdays = CountBirthdays(ContactsOf(cache->Cards));
        }
        lines.push_back(std::to_string(i + 1) + "\t" + subscription.Location + "\t" + subscription.User +
                        "\t" + BirthdayCount(birthdays) + "\t" + LocalTime(status.LastGoodSync) + "\t" +
                        status.LastError);
    }
    return lines;
}

std::vector<std::string> RemoveAddressBook(const AddressBookPaths& paths, const std::string& which) {
    std::vector<Subscription> subscriptions = ReadSubscriptions(paths.SubscriptionFile);
    const std::string folder = IsUrl(which) || which.empty() ? which : FolderLocation(which);
    const auto matches = [&](const Subscription& subscription) {
        const std::size_t number = static_cast<std::size_t>(&subscription - subscriptions.data()) + 1;
        return subscription.Location == which || subscription.Location == folder ||
               std::to_string(number) == which;
    };
    const auto found = std::find_if(subscriptions.begin(), subscriptions.end(), matches);
    if (found == subscriptions.end())
        throw AddressBookError(
            // TRANSLATORS: %1 is the number, URL or folder the user gave; --address-books is a command-line
            // option, keep it as it is.
            FillIn(Tr("no address book \"%1\" is subscribed (see --address-books)"), {which}));
    const Subscription removed = *found;
    subscriptions.erase(found);
    WriteSubscriptions(paths.SubscriptionFile, subscriptions);
    RemoveCacheOf(paths, removed.Location);
    // TRANSLATORS: %1 is an address book's name and place ("Friends" (URL)).
    return {FillIn(Tr("Removed %1"), {Described(removed)})};
}

AllBirthdays ReadAllBirthdays(const AddressBookPaths& paths, const std::filesystem::path& dataDirectory) {
    AllBirthdays all;
    all.Own = BirthdayFile(dataDirectory).ReadBirthdays();
    std::vector<std::vector<VCardContact>> books;
    for (const Subscription& subscription : ReadSubscriptions(paths.SubscriptionFile)) {
        try {
            if (subscription.Kind == SourceKind::Folder)
                books.push_back(ReadVCardFolder(subscription.Location));
            else if (std::optional<BookState> cache =
                         ReadBookCache(CacheFileFor(paths, subscription.Location)))
                books.push_back(ContactsOf(cache->Cards));
        } catch (const AddressBookError&) {
            // --address-books and the sync say what is wrong with it; the list goes on without it.
        }
    }
    all.Subscribed = BirthdaysToShow(all.Own, books);
    return all;
}

std::vector<BirthdayRecord> OwnThenSubscribed(AllBirthdays all) {
    std::vector<BirthdayRecord> records = std::move(all.Own);
    records.insert(records.end(), std::make_move_iterator(all.Subscribed.begin()),
                   std::make_move_iterator(all.Subscribed.end()));
    return records;
}

} // namespace candlewatcher
