#include "addressbook/commands.h"

#include "addressbook/address_book_error.h"
#include "addressbook/carddav_protocol.h"
#include "addressbook/password_command.h"
#include "addressbook/stored_files.h"
#include "addressbook/subscription_text.h"
#include "addressbook/sync_plan.h"
#include "addressbook/vcard_folder.h"
#include "data/translation.h"

#include <algorithm>
#include <optional>

namespace candlewatcher {

namespace {

// The error without the location it starts with, for a line that names the location already.
std::string Reason(const std::string& error, const std::string& location) {
    const std::string prefix = location + ": ";
    return error.compare(0, prefix.size(), prefix) == 0 ? error.substr(prefix.size()) : error;
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
        throw AddressBookError(
            url + ": " +
            // TRANSLATORS: --user and --password-command are command-line options; keep them as they are.
            Tr("give the user with --user and the password with --password-command, "
               "not in the URL"));
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
        throw AddressBookError(url + ": " + Tr("every address book there is subscribed already"));
    return books;
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
            throw AddressBookError(folder + ": " + Tr("subscribed already"));
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
            lines.push_back(
                // TRANSLATORS: %1 is an address book's name and place ("Friends" (URL)), %2 how many
                // birthdays it holds ("12 birthdays").
                FillIn(Tr("Added %1: %2"), {Described(book.Source), BirthdayCount(book.Birthdays)}));
        }
        WriteSubscriptions(paths.SubscriptionFile, subscriptions);
    } catch (...) {
        for (const Checked& book : added)
            RemoveCacheOf(paths, book.Source.Location);
        throw;
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
            report.Lines.push_back(
                // TRANSLATORS: %1 is an address book's name and place ("Friends" (URL)), %2 how many
                // birthdays it holds ("12 birthdays").
                FillIn(Tr("Synced %1: %2"),
                       {Described(subscription), BirthdayCount(CountBirthdays(synced.Contacts))}));
        } catch (const std::runtime_error& error) {
            status.LastError = error.what();
            report.AnyFailed = true;
            report.Lines.push_back(FillIn(
                // TRANSLATORS: %1 is an address book's name and place ("Friends" (URL)), %2 why its sync
                // failed.
                Tr("Failed %1: %2"), {Described(subscription), Reason(error.what(), subscription.Location)}));
        }
        WriteSyncStatus(statusFile, status);
    }
    return report;
}

} // namespace candlewatcher
