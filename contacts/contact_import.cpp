#include "contacts/contact_import.h"

#include "contacts/birthday_value.h"
#include "contacts/plain_text.h"
#include "contacts/text_decoding.h"
#include "data/display_text.h"
#include "data/posix_file.h"
#include "data/translation.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

// A skipped card's reason, which the summary words in a sentence of its own.
constexpr const char* kNoName = TrNoop("no name");

// A name longer than this is no person's name but a pasted note or an attack on the list; the windows
// could not show it on one line anyway.
constexpr std::size_t kLongestName = 1000;
// A card with a photo takes some tens of kilobytes; one larger than this is refused rather than trusted.
constexpr std::size_t kLargestCard = std::size_t(1) << 20;
// How much of an overlong name a summary line quotes.
constexpr std::size_t kQuotedNameBytes = 60;

// Far beyond any address book's export, photos included; a larger file, or a device that never ends,
// is refused rather than read into memory.
constexpr std::size_t kLargestVCardFile = std::size_t(256) << 20;

[[noreturn]] void ThrowImportError(const std::filesystem::path& path, const std::string& reason) {
    // A file's name can hold anything but "/" and NUL, escape sequences too: they reach no terminal.
    throw ImportError(PrintableLine(path.string()) + ": " + reason);
}

// The reason a card's name could not be read from the set it names.
std::string UnreadableNameReason(const std::string& charset) {
    // TRANSLATORS: %1 is the name of a character set, as the card writes it (e.g. "ISO-8859-2").
    return FillIn(IsKnownCharset(charset) ? Tr("the name is not valid in its character set (%1)")
                                          // TRANSLATORS: %1 is the name of a character set, as the card
                                          // writes it.
                                          : Tr("the name is in a character set that cannot be read (%1)"),
                  {charset});
}

// A name as a summary line shows it: whole, unless it is too long to be stored, then its start.
std::string ShownName(const std::string& name) {
    if (name.size() <= kLongestName)
        return name;
    std::size_t end = kQuotedNameBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end; // not inside a UTF-8 sequence
    return name.substr(0, end) + "...";
}

[[noreturn]] void ThrowTooLarge(const std::filesystem::path& path) {
    ThrowImportError(path, Tr("larger than 256 MiB, too large for a vCard file"));
}

FileBytes ReadVCardFile(const std::filesystem::path& path) {
    // Opened without waiting, so that a named pipe nobody writes to cannot hang the import; it then
    // reads as empty.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.IsOpen())
        ThrowImportError(path, std::strerror(errno));
    const int fd = file.Get();
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        ThrowImportError(path, std::strerror(errno));
    // A pipe is read too, so that a file given as "<(command)" on the command line works.
    if (S_ISDIR(status.st_mode))
        ThrowImportError(path, std::strerror(EISDIR));
    if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode))
        ThrowImportError(path, Tr("not an ordinary file"));
    if (S_ISFIFO(status.st_mode) && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        ThrowImportError(path, std::strerror(errno));
    const auto claimed = static_cast<std::size_t>(std::max<off_t>(status.st_size, 0));
    if (claimed > kLargestVCardFile)
        ThrowTooLarge(path);
    ReadOutcome read = ReadAtMost(fd, claimed, kLargestVCardFile);
    if (read.Error != 0)
        ThrowImportError(path, std::strerror(read.Error));
    if (read.OverLimit)
        ThrowTooLarge(path);
    return std::move(read.Bytes);
}

} // namespace

ImportPlan PlanImport(const std::vector<BirthdayRecord>& existing,
                      const std::vector<VCardContact>& contacts) {
    ImportPlan plan;
    // Names are compared as the windows show them: "M\xFCller" written by a Windows-1252 program and the
    // UTF-8 "M\xC3\xBCller" of a card are one person.
    std::unordered_set<std::string> listed;
    for (const BirthdayRecord& record : existing)
        listed.insert(DisplayUtf8(record.Name));
    std::unordered_set<std::string> imported;
    auto skip = [&](const VCardContact& contact, std::string reason) {
        plan.Skipped.push_back(SkippedContact{contact.Name, std::move(reason)});
    };
    for (const VCardContact& contact : contacts) {
        if (contact.CardBytes > kLargestCard) {
            skip(contact, Tr("the card is larger than 1 MiB"));
            continue;
        }
        if (contact.Name.empty()) {
            skip(contact, contact.UnreadableNameCharset.empty()
                              ? Tr(kNoName)
                              : UnreadableNameReason(contact.UnreadableNameCharset));
            continue;
        }
        if (contact.Name.size() > kLongestName) {
            skip(contact, Tr("the name is longer than 1,000 bytes"));
            continue;
        }
        // The reader makes blanks of them; a name that still holds one came from elsewhere and is not stored.
        if (HoldsControlCharacter(contact.Name)) {
            skip(contact, Tr("the name holds control characters"));
            continue;
        }
        if (!contact.Birthday || contact.Birthday->Value.empty()) {
            skip(contact, Tr("no birthday"));
            continue;
        }
        const BirthDateReading reading = ReadBirthDate(*contact.Birthday);
        if (!reading.Date) {
            skip(contact, reading.Problem);
            continue;
        }
        std::string shown = DisplayUtf8(contact.Name);
        if (listed.count(shown) != 0) {
            skip(contact, Tr("already in the list"));
            continue;
        }
        if (!imported.insert(std::move(shown)).second) {
            skip(contact, Tr("already imported from an earlier card"));
            continue;
        }
        const BirthDate& date = *reading.Date;
        plan.Added.push_back(BirthdayRecord{std::to_string(date.Day), std::to_string(date.Month),
                                            std::to_string(date.Year), contact.Name});
    }
    return plan;
}

ImportPlan ImportContacts(const BirthdayFile& file, const std::vector<std::filesystem::path>& vcardFiles) {
    std::vector<VCardContact> contacts;
    for (const std::filesystem::path& path : vcardFiles) {
        std::vector<VCardContact> read = ReadVCards(ReadVCardFile(path).View());
        if (read.empty())
            ThrowImportError(path, Tr("it holds no vCard"));
        contacts.insert(contacts.end(), std::make_move_iterator(read.begin()),
                        std::make_move_iterator(read.end()));
    }
    ImportPlan plan;
    file.AppendChosenBirthdays([&](const std::vector<BirthdayRecord>& existing) {
        plan = PlanImport(existing, contacts);
        return plan.Added;
    });
    return plan;
}

ImportReport ImportContactFiles(const std::filesystem::path& dataDirectory,
                                const std::vector<std::filesystem::path>& vcardFiles) {
    const ImportPlan plan = ImportContacts(BirthdayFile(dataDirectory), vcardFiles);
    return ImportReport{ImportSummary(plan), plan.Added.size(), plan.Skipped.size()};
}

std::vector<std::string> ImportSummary(const ImportPlan& plan) {
    std::vector<std::string> lines;
    lines.reserve(plan.Added.size() + plan.Skipped.size() + 1);
    for (const BirthdayRecord& record : plan.Added) {
        lines.push_back(PrintableLine(
            record.Year == "0"
                // TRANSLATORS: an imported birthday without a year; %1 is the name, %2 the day, %3 the month.
                ? FillIn(Tr("Added: %1 (%2.%3.)"), {record.Name, record.Day, record.Month})
                // TRANSLATORS: an imported birthday; %1 is the name, %2 the day, %3 the month, %4 the year.
                : FillIn(Tr("Added: %1 (%2.%3.%4)"), {record.Name, record.Day, record.Month, record.Year})));
    }
    const std::string noName = Tr(kNoName);
    for (const SkippedContact& skipped : plan.Skipped) {
        if (skipped.Name.empty() && skipped.Reason == noName)
            lines.push_back(Tr("Skipped: a card without a name"));
        else if (skipped.Name.empty())
            // TRANSLATORS: %1 says why a card without a name was not imported.
            lines.push_back(PrintableLine(FillIn(Tr("Skipped: a card: %1"), {skipped.Reason})));
        else
            lines.push_back(
                // TRANSLATORS: %1 is the name on a card, %2 says why it was not imported.
                PrintableLine(FillIn(Tr("Skipped: %1: %2"), {ShownName(skipped.Name), skipped.Reason})));
    }
    const std::size_t added = plan.Added.size();
    const std::size_t skippedCount = plan.Skipped.size();
    const std::string skippedPart =
        // TRANSLATORS: the second half of the import's last line, after the number of cards added.
        FillIn(TrN("%1 skipped", "%1 skipped", skippedCount), {std::to_string(skippedCount)});
    // TRANSLATORS: the import's last line; %1 is the number of cards added, %2 says how many were skipped
    // ("3 skipped").
    lines.push_back(FillIn(TrN("%1 added, %2", "%1 added, %2", added), {std::to_string(added), skippedPart}));
    return lines;
}

} // namespace candlewatcher
