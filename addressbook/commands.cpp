#include "addressbook/commands.h"

#include "addressbook/address_book_error.h"
#include "addressbook/carddav_protocol.h"
#include "addressbook/password_command.h"
#include "addressbook/stored_files.h"
#include "addressbook/sync_plan.h"
#include "addressbook/vcard_folder.h"
#include "contacts/text_decoding.h"

#include <algorithm>
#include <optional>

namespace candlewatcher {

namespace {

bool IsUrl(const std::string& text) {
    return EqualsIgnoringCase(text.substr(0, 7), "http://") ||
           EqualsIgnoringCase(text.substr(0, 8), "https://");
}

std::string FolderLocation(const std::string& folder) {
    std::filesystem::path path = std::filesystem::absolute(folder).lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    return path.string();
}

std::string Described(const Subscription& subscription) {
    return "\"" + subscription.Name + "\" (" + subscription.Location + ")";
}

std::string BirthdayCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " birthday" : " birthdays");
}

// The error without the location it starts with, for a line that names the location already.
std::string Reason(const std::string& error, const std::string& location) {
    const std::string prefix = location + ": ";
    return error.compare(0, prefix.size(), prefix) == 0 ? error.substr(prefix.size()) : error;
}

std::vector<VCardContact> ContactsOf(const std::vector<CachedCard>& cards) {
    std::vector<VCardContact> contacts;
    contacts.reserve(cards.size());
    for (const CachedCard& card : cards)
        contacts.push_back(card.Contact);
    return contacts;
}

// The password command wins over a password given or kept elsewhere: it is what the user chose last.
HttpSettings SettingsFor(const Subscription& subscription, std::chrono::milliseconds timeout,
                         const std::optional<std::string>& password) {
    HttpSettings settings{subscription.User, {}, timeout};
    if (!subscription.PasswordCommand.empty())
        settings.Password = RunPasswordCommand(subscription.PasswordCommand);
    else if (password)
        settings.Password = *password;
    return settings;
}

// The book's name for a user: its display name, else the last part of its URL.
std::string BookName(const AddressBookInfo& book) {
    if (!book.DisplayName.empty())
        return book.DisplayName;
    std::string path = book.Url;
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path.substr(path.rfind('/') + 1);
}

// What a new subscription brings, not yet written anywhere.
struct Checked {
    Subscription Source;
    std::optional<BookState> Cache;
    std::size_t Birthdays = 0;
};

std::vector<Checked> CheckCardDav(const std::string& url, const AddOptions& options,
                                  std::chrono::milliseconds timeout,
                                  const std::vector<Subscription>& existing) {
    if (const std::size_t at = url.find('@');
        at != std::string::npos && at < url.find('/', url.find("//") + 2))
        throw AddressBookError(url + ": give the user with --user and the password with --password-command, "
                                     "not in the URL");
    Subscription base{SourceKind::CardDav, url, options.User, options.PasswordCommand, {}};
    HttpClient client(SettingsFor(base, timeout, options.Password));
    std::vector<Checked> books;
    for (const AddressBookInfo& book : DiscoverAddressBooks(client, url)) {
        if (std::any_of(existing.begin(), existing.end(),
                        [&](const Subscription& subscription) { return subscription.Location == book.Url; }))
            continue;
        BookSyncResult synced = SyncBook(client, book.Url, std::nullopt);
        Checked checked{base, std::move(synced.State), 0};
        checked.Source.Location = book.Url;
        checked.Source.Name = BookName(synced.Book);
        checked.Birthdays = CountBirthdays(ContactsOf(checked.Cache->Cards));
        books.push_back(std::move(checked));
    }
    if (books.empty())
        throw AddressBookError(url + ": every address book there is subscribed already");
    return books;
}

void RemoveStored(const AddressBookPaths& paths, const std::string& location) {
    std::error_code ignored;
    std::filesystem::remove(CacheFileFor(paths, location), ignored);
    std::filesystem::remove(StatusFileFor(paths, location), ignored);
}

// What a sync of one subscription gives: the contacts it holds, and for a changed CardDAV book its new
// cache.
struct Synced {
    std::vector<VCardContact> Contacts;
    std::optional<BookState> Cache;
    SyncStatistics Statistics;
};

Synced SyncSubscription(const AddressBookPaths& paths, const Subscription& subscription,
                        std::chrono::milliseconds timeout, const PasswordSource& passwords) {
    if (subscription.Kind == SourceKind::Folder)
        return Synced{ReadVCardFolder(subscription.Location), std::nullopt, {}};
    std::optional<std::string> password;
    if (passwords && subscription.PasswordCommand.empty() && !subscription.User.empty())
        password = passwords(subscription.Location, subscription.User);
    HttpClient client(SettingsFor(subscription, timeout, password));
    const std::optional<BookState> previous = ReadBookCache(CacheFileFor(paths, subscription.Location));
    BookSyncResult result = SyncBook(client, subscription.Location, previous);
    Synced synced{ContactsOf(result.State.Cards), std::nullopt, result.Statistics};
    // An unchanged book leaves its cache file alone: no write, no sync to disk.
    if (result.State != previous)
        synced.Cache = std::move(result.State);
    return synced;
}

std::string LocalTime(std::time_t moment) {
    if (moment == 0)
        return "never";
    std::tm local{};
    localtime_r(&moment, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

} // namespace

std::vector<std::string> AddAddressBook(const AddressBookPaths& paths, const std::string& urlOrFolder,
                                        const AddOptions& options, std::chrono::milliseconds timeout,
                                        std::time_t now) {
    std::vector<Subscription> subscriptions = ReadSubscriptions(paths.SubscriptionFile);
    std::vector<Checked> added;
    if (IsUrl(urlOrFolder)) {
        added = CheckCardDav(urlOrFolder, options, timeout, subscriptions);
    } else {
        const std::string folder = FolderLocation(urlOrFolder);
        if (std::any_of(subscriptions.begin(), subscriptions.end(),
                        [&](const Subscription& subscription) { return subscription.Location == folder; }))
            throw AddressBookError(folder + ": subscribed already");
        const std::size_t birthdays = CountBirthdays(ReadVCardFolder(folder));
        added.push_back(Checked{
            Subscription{SourceKind::Folder, folder, {}, {}, std::filesystem::path(folder).filename()},
            std::nullopt, birthdays});
    }

    std::vector<std::string> lines;
    try {
        for (const Checked& book : added) {
            if (book.Cache)
                WriteBookCache(CacheFileFor(paths, book.Source.Location), *book.Cache);
            WriteSyncStatus(StatusFileFor(paths, book.Source.Location), SyncStatus{now, {}});
            subscriptions.push_back(book.Source);
            lines.push_back("Added " + Described(book.Source) + ": " + BirthdayCount(book.Birthdays));
        }
        WriteSubscriptions(paths.SubscriptionFile, subscriptions);
    } catch (...) {
        for (const Checked& book : added)
            RemoveStored(paths, book.Source.Location);
        throw;
    }
    return lines;
}

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

SyncReport SyncAddressBooks(const AddressBookPaths& paths, std::chrono::milliseconds timeout, std::time_t now,
                            const PasswordSource& passwords) {
    SyncReport report;
    for (const Subscription& subscription : ReadSubscriptions(paths.SubscriptionFile)) {
        const std::filesystem::path statusFile = StatusFileFor(paths, subscription.Location);
        SyncStatus status = ReadSyncStatus(statusFile);
        try {
            const Synced synced = SyncSubscription(paths, subscription, timeout, passwords);
            if (synced.Cache)
                WriteBookCache(CacheFileFor(paths, subscription.Location), *synced.Cache);
            report.Statistics.Requests += synced.Statistics.Requests;
            report.Statistics.CardsFetched += synced.Statistics.CardsFetched;
            status = SyncStatus{now, {}};
            report.Lines.push_back("Synced " + Described(subscription) + ": " +
                                   BirthdayCount(CountBirthdays(synced.Contacts)));
        } catch (const std::runtime_error& error) {
            status.LastError = error.what();
            report.AnyFailed = true;
            report.Lines.push_back("Failed " + Described(subscription) + ": " +
                                   Reason(error.what(), subscription.Location));
        }
        WriteSyncStatus(statusFile, status);
    }
    return report;
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
        throw AddressBookError("no address book \"" + which + "\" is subscribed (see --address-books)");
    const Subscription removed = *found;
    subscriptions.erase(found);
    WriteSubscriptions(paths.SubscriptionFile, subscriptions);
    RemoveStored(paths, removed.Location);
    return {"Removed " + Described(removed)};
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

} // namespace candlewatcher
