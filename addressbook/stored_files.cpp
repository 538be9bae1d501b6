#include "addressbook/stored_files.h"

#include "addressbook/address_book_error.h"
#include "addressbook/field_lines.h"
#include "data/birthday_file.h"
#include "data/line_reader.h"
#include "data/output_file.h"
#include "data/posix_file.h"
#include "data/translation.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace candlewatcher {

namespace {

constexpr std::string_view kSubscriptionHead = "# Candlewatcher address books, one a line, tab-separated: "
                                               "kind, URL or folder, user, password command, name";
constexpr std::string_view kCacheHead = "Candlewatcher address book cache 1";
constexpr std::string_view kStatusHead = "Candlewatcher address book status 1";

// The whole file; nullopt when it does not exist. Plain POSIX rather than a stream: every --list asks for
// the subscriptions, and a process's first file stream builds the C++ locale, which costs a quarter of a
// millisecond, as much again as the rest of a --list of a hundred birthdays.
std::optional<std::string> ReadWhole(const std::filesystem::path& file) {
    FileDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.IsOpen()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throw AddressBookError(FillIn(Tr("Cannot read \"%1\": %2"), {file.string(), std::strerror(errno)}));
    }
    struct stat status {};
    if (::fstat(in.Get(), &status) != 0)
        throw AddressBookError(FillIn(Tr("Cannot read \"%1\": %2"), {file.string(), std::strerror(errno)}));
    try {
        return std::string(ReadToEnd(in.Get(), static_cast<std::size_t>(status.st_size), file).View());
    } catch (const BirthdayFileError& error) {
        throw AddressBookError(error.what());
    }
}

void WriteWhole(const std::filesystem::path& file, const std::vector<std::vector<std::string>>& lines,
                std::string_view head) {
    std::string bytes(head);
    bytes += '\n';
    for (const std::vector<std::string>& fields : lines)
        bytes += JoinFields(fields) + '\n';
    try {
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (error)
            throw AddressBookError(
                FillIn(Tr("Cannot create \"%1\": %2"), {file.parent_path().string(), error.message()}));
        ReplaceFile(file, bytes);
    } catch (const BirthdayFileError& error) {
        throw AddressBookError(error.what());
    }
}

// The field lines after the head; nullopt when the head is not the one expected.
std::optional<std::vector<std::vector<std::string>>> FieldLines(std::string_view bytes,
                                                                std::string_view head) {
    LineReader lines(bytes);
    if (lines.AtEnd() || lines.Next() != head)
        return std::nullopt;
    std::vector<std::vector<std::string>> result;
    while (!lines.AtEnd()) {
        const std::string_view line = lines.Next();
        if (!line.empty())
            result.push_back(SplitFields(line));
    }
    return result;
}

std::vector<std::string> CardFields(const CachedCard& card) {
    const VCardContact& contact = card.Contact;
    if (!contact.Birthday)
        return {"card", card.Href, card.Etag, contact.Name, contact.UnreadableNameCharset};
    const VCardBirthday& birthday = *contact.Birthday;
    return {"card",
            card.Href,
            card.Etag,
            contact.Name,
            contact.UnreadableNameCharset,
            birthday.Value,
            birthday.ValueType,
            birthday.CalendarScale,
            birthday.OmittedYear ? std::to_string(*birthday.OmittedYear) : std::string()};
}

std::optional<CachedCard> CardFromFields(const std::vector<std::string>& fields) {
    if (fields.size() != 5 && fields.size() != 9)
        return std::nullopt;
    CachedCard card{fields[1], fields[2], VCardContact{fields[3], fields[4], std::nullopt}};
    if (fields.size() == 9) {
        VCardBirthday birthday{fields[5], fields[6], fields[7], std::nullopt};
        if (!fields[8].empty()) {
            try {
                birthday.OmittedYear = std::stoi(fields[8]);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        }
        card.Contact.Birthday = std::move(birthday);
    }
    return card;
}

} // namespace

std::vector<Subscription> ReadSubscriptions(const std::filesystem::path& file) {
    const std::optional<std::string> bytes = ReadWhole(file);
    if (!bytes)
        return {};
    const auto lines = FieldLines(*bytes, kSubscriptionHead);
    if (!lines)
        throw AddressBookError(FillIn(Tr("\"%1\" is not a list of address books"), {file.string()}));
    std::vector<Subscription> subscriptions;
    for (const std::vector<std::string>& fields : *lines) {
        if (fields.size() != 5 || (fields[0] != "carddav" && fields[0] != "folder"))
            throw AddressBookError(FillIn(Tr("\"%1\" holds a damaged line"), {file.string()}));
        subscriptions.push_back(Subscription{fields[0] == "folder" ? SourceKind::Folder : SourceKind::CardDav,
                                             fields[1], fields[2], fields[3], fields[4]});
    }
    return subscriptions;
}

void WriteSubscriptions(const std::filesystem::path& file, const std::vector<Subscription>& subscriptions) {
    std::vector<std::vector<std::string>> lines;
    for (const Subscription& subscription : subscriptions)
        lines.push_back({subscription.Kind == SourceKind::Folder ? "folder" : "carddav",
                         subscription.Location, subscription.User, subscription.PasswordCommand,
                         subscription.Name});
    WriteWhole(file, lines, kSubscriptionHead);
}

std::optional<BookState> ReadBookCache(const std::filesystem::path& file) {
    const std::optional<std::string> bytes = ReadWhole(file);
    const auto lines = bytes ? FieldLines(*bytes, kCacheHead) : std::nullopt;
    if (!lines)
        return std::nullopt;
    BookState state;
    for (const std::vector<std::string>& fields : *lines) {
        if (fields.size() == 2 && fields[0] == "token") {
            state.SyncToken = fields[1];
        } else if (fields.size() == 2 && fields[0] == "tag") {
            state.CollectionTag = fields[1];
        } else if (std::optional<CachedCard> card =
                       fields[0] == "card" ? CardFromFields(fields) : std::nullopt) {
            state.Cards.push_back(std::move(*card));
        } else {
            return std::nullopt;
        }
    }
    return state;
}

void WriteBookCache(const std::filesystem::path& file, const BookState& state) {
    std::vector<std::vector<std::string>> lines{{"token", state.SyncToken}, {"tag", state.CollectionTag}};
    for (const CachedCard& card : state.Cards)
        lines.push_back(CardFields(card));
    WriteWhole(file, lines, kCacheHead);
}

SyncStatus ReadSyncStatus(const std::filesystem::path& file) {
    const std::optional<std::string> bytes = ReadWhole(file);
    const auto lines = bytes ? FieldLines(*bytes, kStatusHead) : std::nullopt;
    SyncStatus status;
    if (!lines)
        return status;
    for (const std::vector<std::string>& fields : *lines) {
        if (fields.size() != 2)
            continue;
        if (fields[0] == "synced")
            status.LastGoodSync = static_cast<std::time_t>(std::atoll(fields[1].c_str()));
        else if (fields[0] == "error")
            status.LastError = fields[1];
    }
    return status;
}

void WriteSyncStatus(const std::filesystem::path& file, const SyncStatus& status) {
    WriteWhole(file, {{"synced", std::to_string(status.LastGoodSync)}, {"error", status.LastError}},
               kStatusHead);
}

} // namespace candlewatcher
