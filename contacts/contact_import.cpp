#include "contacts/contact_import.h"

#include "contacts/birthday_value.h"
#include "data/retry.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

constexpr const char* kNoName = "no name";

// Far beyond any address book's export, photos included; a larger file, or a device that never ends,
// is refused rather than read into memory.
constexpr std::size_t kLargestVCardFile = std::size_t(256) << 20;

[[noreturn]] void ThrowImportError(const std::filesystem::path& path, const std::string& reason) {
    throw ImportError(path.string() + ": " + reason);
}

[[noreturn]] void ThrowTooLarge(const std::filesystem::path& path) {
    ThrowImportError(path, "larger than 256 MiB, too large for a vCard file");
}

FileBytes ReadVCardFile(const std::filesystem::path& path) {
    // Opened without waiting, so that a named pipe nobody writes to cannot hang the import; it then
    // reads as empty.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        ThrowImportError(path, std::strerror(errno));
    struct Closer {
        int Fd;
        ~Closer() { ::close(Fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        ThrowImportError(path, std::strerror(errno));
    // A pipe is read too, so that a file given as "<(command)" on the command line works.
    if (S_ISDIR(status.st_mode))
        ThrowImportError(path, std::strerror(EISDIR));
    if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode))
        ThrowImportError(path, "not an ordinary file");
    if (S_ISFIFO(status.st_mode) && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        ThrowImportError(path, std::strerror(errno));
    const auto claimed = static_cast<std::size_t>(std::max<off_t>(status.st_size, 0));
    if (claimed > kLargestVCardFile)
        ThrowTooLarge(path);
    // Not cleared first: every byte that counts is read over.
    FileBytes bytes;
    std::size_t capacity = std::max<std::size_t>(claimed + 1, 65536);
    bytes.Data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (bytes.Size == capacity) {
            if (capacity > kLargestVCardFile)
                ThrowTooLarge(path);
            capacity *= 2;
            auto larger = std::make_unique_for_overwrite<char[]>(capacity);
            std::memcpy(larger.get(), bytes.Data.get(), bytes.Size);
            bytes.Data = std::move(larger);
        }
        const ssize_t got = RetryOnInterrupt(
            [&] { return ::read(fd, bytes.Data.get() + bytes.Size, capacity - bytes.Size); });
        if (got == 0)
            break;
        if (got < 0)
            ThrowImportError(path, std::strerror(errno));
        bytes.Size += static_cast<std::size_t>(got);
    }
    if (bytes.Size > kLargestVCardFile)
        ThrowTooLarge(path);
    return bytes;
}

} // namespace

ImportPlan PlanImport(const std::vector<BirthdayRecord>& existing,
                      const std::vector<VCardContact>& contacts) {
    ImportPlan plan;
    std::unordered_set<std::string_view> listed;
    for (const BirthdayRecord& record : existing)
        listed.insert(record.Name);
    std::unordered_set<std::string_view> imported;
    auto skip = [&](const VCardContact& contact, std::string reason) {
        plan.Skipped.push_back(SkippedContact{contact.Name, std::move(reason)});
    };
    for (const VCardContact& contact : contacts) {
        if (contact.Name.empty()) {
            skip(contact, contact.UnreadableNameCharset.empty()
                              ? kNoName
                              : "the name is in a character set that cannot be read (" +
                                    contact.UnreadableNameCharset + ")");
            continue;
        }
        if (!contact.Birthday || contact.Birthday->Value.empty()) {
            skip(contact, "no birthday");
            continue;
        }
        const BirthDateReading reading = ReadBirthDate(*contact.Birthday);
        if (!reading.Date) {
            skip(contact, reading.Problem);
            continue;
        }
        if (listed.count(contact.Name) != 0) {
            skip(contact, "already in the list");
            continue;
        }
        if (!imported.insert(contact.Name).second) {
            skip(contact, "already imported from an earlier card");
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
            ThrowImportError(path, "it holds no vCard");
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
        const std::string year = record.Year == "0" ? std::string() : record.Year;
        lines.push_back("Added: " + record.Name + " (" + record.Day + "." + record.Month + "." + year + ")");
    }
    for (const SkippedContact& skipped : plan.Skipped) {
        if (skipped.Name.empty() && skipped.Reason == kNoName)
            lines.push_back("Skipped: a card without a name");
        else
            lines.push_back("Skipped: " + (skipped.Name.empty() ? std::string("a card") : skipped.Name) +
                            ": " + skipped.Reason);
    }
    lines.push_back(std::to_string(plan.Added.size()) + " added, " + std::to_string(plan.Skipped.size()) +
                    " skipped");
    return lines;
}

} // namespace candlewatcher
