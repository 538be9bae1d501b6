#include "data/birthday_file.h"

#include "data/atomic_replace.h"
#include "data/posix_file.h"
#include "data/retry.h"
#include "data/record_parser.h"
#include "data/translation.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

constexpr const char* kDataName = "birthday.dat";
constexpr const char* kTempName = "birthday.tmp";

// The refusal of the record's first field that holds a line break, with %1 for the path; null when none does.
const char* RefusedField(const BirthdayRecord& record) {
    if (FieldBreaksLine(record.Day))
        // TRANSLATORS: %1 is the path of the birthdays' file.
        return Tr("Cannot save \"%1\": the day holds a line break, which would split the record");
    if (FieldBreaksLine(record.Month))
        // TRANSLATORS: %1 is the path of the birthdays' file.
        return Tr("Cannot save \"%1\": the month holds a line break, which would split the record");
    if (FieldBreaksLine(record.Year))
        // TRANSLATORS: %1 is the path of the birthdays' file.
        return Tr("Cannot save \"%1\": the year holds a line break, which would split the record");
    if (FieldBreaksLine(record.Name))
        // TRANSLATORS: %1 is the path of the birthdays' file.
        return Tr("Cannot save \"%1\": the name holds a line break, which would split the record");
    return nullptr;
}

void CheckFields(const std::filesystem::path& path, const BirthdayRecord& record) {
    if (const char* refused = RefusedField(record))
        throw BirthdayFileError(FillIn(refused, {path.string()}));
}

void RequireRegular(const struct stat& status, const std::filesystem::path& path) {
    if (S_ISDIR(status.st_mode))
        // TRANSLATORS: %1 is a file's path, %2 the system's reason.
        ThrowFileError(Tr("Cannot read \"%1\": %2"), path, EISDIR);
    if (!S_ISREG(status.st_mode))
        throw BirthdayFileError(
            // TRANSLATORS: %1 is a file's path.
            FillIn(Tr("Cannot read \"%1\": it is not an ordinary file"), {path.string()}));
}

// The data directory, held open while a change is made: the exclusive lock on it keeps another process of
// ours from reading or writing the file between this change's first read and its last write.
FileDescriptor LockDirectory(const std::filesystem::path& directory, int operation, bool create) {
    // An empty path is the current directory, as it is in the file's own path ("" / "birthday.dat").
    const std::filesystem::path folder = directory.empty() ? std::filesystem::path(".") : directory;
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.IsOpen() && errno == ENOENT && create) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error)
            // TRANSLATORS: %1 is a file's path, %2 the system's reason.
            ThrowFileError(Tr("Cannot create the folder \"%1\": %2"), directory, error.value());
        dir = FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (!dir.IsOpen())
        return dir;
    if (RetryOnInterrupt([&] { return ::flock(dir.Get(), operation); }) != 0)
        // TRANSLATORS: %1 is a file's path, %2 the system's reason.
        ThrowFileError(Tr("Cannot lock the folder \"%1\": %2"), directory, errno);
    return dir;
}

// Where the data really lives: birthday.dat itself, or the file its symbolic link leads to, so that a
// rewrite replaces the target and leaves the link in place.
struct Target {
    FileDescriptor OwnDirectory; // open only when the target lies in another directory
    int Directory = -1;
    std::string Name;
    std::filesystem::path Path;
};

std::optional<Target> FindTarget(int dataDirectory, const std::filesystem::path& dataPath) {
    struct stat status {};
    if (::fstatat(dataDirectory, kDataName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        // TRANSLATORS: %1 is a file's path, %2 the system's reason.
        ThrowFileError(Tr("Cannot open \"%1\": %2"), dataPath, errno);
    }
    Target target;
    if (!S_ISLNK(status.st_mode)) {
        target.Directory = dataDirectory;
        target.Name = kDataName;
        target.Path = dataPath;
        return target;
    }
    // A link that leads nowhere is an error rather than an absent file: the records are somewhere the
    // link names (an unmounted disc, say), and starting a new file here would hide that.
    char resolved[PATH_MAX];
    if (::realpath(dataPath.c_str(), resolved) == nullptr)
        // TRANSLATORS: %1 is a file's path, %2 the system's reason.
        ThrowFileError(Tr("Cannot follow the link \"%1\": %2"), dataPath, errno);
    target.Path = resolved;
    target.OwnDirectory =
        FileDescriptor(::open(target.Path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!target.OwnDirectory.IsOpen())
        // TRANSLATORS: %1 is a file's path, %2 the system's reason.
        ThrowFileError(Tr("Cannot open the folder of \"%1\": %2"), target.Path, errno);
    target.Directory = target.OwnDirectory.Get();
    target.Name = target.Path.filename().string();
    return target;
}

// Writes bytes as the new content of the target through birthday.tmp beside it.
void ReplaceContent(const Target& target, const struct stat& former, std::string_view bytes) {
    ReplaceAtomically(ReplaceTarget{target.Directory, target.Name, target.Path}, kTempName, &former, bytes);
}

struct OpenedTarget {
    FileDescriptor File;
    struct stat Status {};
    FileBytes Bytes;
};

OpenedTarget OpenAndRead(const Target& target, int flags) {
    OpenedTarget opened;
    opened.File = FileDescriptor(RetryOnInterrupt([&] {
        return ::openat(target.Directory, target.Name.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    }));
    if (!opened.File.IsOpen())
        ThrowFileError(Tr("Cannot open \"%1\": %2"), target.Path, errno);
    if (::fstat(opened.File.Get(), &opened.Status) != 0)
        ThrowFileError(Tr("Cannot read \"%1\": %2"), target.Path, errno);
    RequireRegular(opened.Status, target.Path);
    opened.Bytes = ReadToEnd(opened.File.Get(), static_cast<std::size_t>(opened.Status.st_size), target.Path);
    return opened;
}

// Puts the file back to its former length after a failed append, so no half record stays behind.
void CutBack(int fd, off_t formerSize) {
    if (RetryOnInterrupt([&] { return ::ftruncate(fd, formerSize); }) == 0)
        ::fdatasync(fd);
}

// The lines of the records as every writer writes them, once each field has been found fit to store.
std::string CheckedRecordBytes(const std::filesystem::path& path,
                               const std::vector<BirthdayRecord>& records) {
    std::string bytes;
    for (const BirthdayRecord& record : records) {
        CheckFields(path, record);
        AppendRecordBytes(bytes, record);
    }
    return bytes;
}

// birthday.dat as an append finds it, with the writer lock on its folder held for as long as this lives.
struct AppendSite {
    FileDescriptor Directory;
    std::optional<Target> Found;        // none when there is no file yet
    std::optional<OpenedTarget> Opened; // the file open for appending, and its bytes, when Found
};

AppendSite OpenForAppend(const std::filesystem::path& directory, const std::filesystem::path& dataPath) {
    AppendSite site;
    site.Directory = LockDirectory(directory, LOCK_EX, true);
    if (!site.Directory.IsOpen())
        // TRANSLATORS: %1 is a file's path, %2 the system's reason.
        ThrowFileError(Tr("Cannot open the folder \"%1\": %2"), directory, errno);
    site.Found = FindTarget(site.Directory.Get(), dataPath);
    if (site.Found)
        site.Opened = OpenAndRead(*site.Found, O_RDWR | O_APPEND);
    return site;
}

// Adds the bytes of whole records after the file's records: in one write followed by fdatasync, cut back
// to the former length on failure, or by writing the file anew when it ends inside a record. existing is
// the file's records when the caller has them already parsed.
void AppendToSite(AppendSite& site, const std::filesystem::path& dataPath, std::string recordBytes,
                  const std::vector<BirthdayRecord>* existing) {
    if (!site.Found) {
        // The first file of the data directory appears whole, with the new records in it, or not at all.
        ReplaceAtomically(ReplaceTarget{site.Directory.Get(), kDataName, dataPath}, kTempName, nullptr,
                          recordBytes);
        return;
    }
    const Target& target = *site.Found;
    OpenedTarget& opened = *site.Opened;
    AppendPlacement placement = PlaceAppend(opened.Bytes.View());
    if (placement == AppendPlacement::Rewrite) {
        // The file ends inside a record or in dropped blank lines: records added after them would be read
        // shifted, so the whole file is written anew with every record whole and the new ones last.
        std::vector<BirthdayRecord> parsed;
        if (existing == nullptr) {
            parsed = ParseBirthdayRecords(opened.Bytes.View());
            existing = &parsed;
        }
        std::string bytes;
        for (const BirthdayRecord& record : *existing)
            AppendRecordBytes(bytes, record);
        bytes += recordBytes;
        ReplaceContent(target, opened.Status, bytes);
        return;
    }
    if (placement == AppendPlacement::AfterLineEnd)
        recordBytes.insert(0, "\r\n");
    const off_t formerSize = static_cast<off_t>(opened.Bytes.Size);
    int fd = opened.File.Get();
    int error = WriteAll(fd, recordBytes);
    if (error == 0 && RetryOnInterrupt([&] { return ::fdatasync(fd); }) != 0)
        error = errno;
    if (error != 0) {
        CutBack(fd, formerSize);
        // TRANSLATORS: %1 is a file's path, %2 the system's reason.
        ThrowFileError(Tr("Cannot write \"%1\": %2"), target.Path, error);
    }
    if (int closeError = opened.File.Close()) {
        FileDescriptor again(
            ::openat(target.Directory, target.Name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
        if (again.IsOpen())
            CutBack(again.Get(), formerSize);
        ThrowFileError(Tr("Cannot write \"%1\": %2"), target.Path, closeError);
    }
}

} // namespace

BirthdayFile::BirthdayFile(std::filesystem::path dataDirectory)
    : m_directory(std::move(dataDirectory))
    , m_dataPath(m_directory / kDataName)
    , m_tempPath(m_directory / kTempName) {}

const std::filesystem::path& BirthdayFile::DataPath() const {
    return m_dataPath;
}
const std::filesystem::path& BirthdayFile::TempPath() const {
    return m_tempPath;
}

bool BirthdayFile::Exists() const {
    struct stat status {};
    return ::stat(m_dataPath.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::vector<BirthdayRecord> BirthdayFile::ReadBirthdays() const {
    std::optional<FileBytes> bytes = ReadBytes();
    if (!bytes)
        return {};
    return ParseBirthdayRecords(bytes->View());
}

std::optional<FileBytes> BirthdayFile::ReadBytes() const {
    // A shared lock, where the folder can be opened, so a reader never sees half of a change in progress.
    FileDescriptor dir = LockDirectory(m_directory, LOCK_SH, false);
    // Non-blocking, so that a FIFO in the file's place is opened without waiting and then refused.
    FileDescriptor file(
        RetryOnInterrupt([&] { return ::open(m_dataPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
    if (!file.IsOpen()) {
        int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(m_dataPath.c_str(), &link) != 0)
            return std::nullopt;
        ThrowFileError(error == ENOENT ? Tr("Cannot follow the link \"%1\": %2")
                                       : Tr("Cannot open \"%1\": %2"),
                       m_dataPath, error);
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowFileError(Tr("Cannot read \"%1\": %2"), m_dataPath, errno);
    RequireRegular(status, m_dataPath);
    return ReadToEnd(file.Get(), static_cast<std::size_t>(status.st_size), m_dataPath, true);
}

void BirthdayFile::AppendBirthday(const BirthdayRecord& record) const {
    AppendBirthdays(std::vector<BirthdayRecord>{record});
}

void BirthdayFile::AppendBirthdays(const std::vector<BirthdayRecord>& records) const {
    // A field that would break the layout is refused before the file is even opened.
    std::string bytes = CheckedRecordBytes(m_dataPath, records);
    if (records.empty())
        return;
    AppendSite site = OpenForAppend(m_directory, m_dataPath);
    AppendToSite(site, m_dataPath, std::move(bytes), nullptr);
}

std::vector<BirthdayRecord> BirthdayFile::AppendChosenBirthdays(const AppendChoice& choose) const {
    AppendSite site = OpenForAppend(m_directory, m_dataPath);
    std::vector<BirthdayRecord> existing;
    if (site.Opened)
        existing = ParseBirthdayRecords(site.Opened->Bytes.View());
    std::vector<BirthdayRecord> chosen = choose(existing);
    if (chosen.empty())
        return chosen;
    AppendToSite(site, m_dataPath, CheckedRecordBytes(m_dataPath, chosen), &existing);
    return chosen;
}

namespace {

// The rewrite shared by replace and delete: every record named oldName is replaced by the new record, or
// dropped when there is none; all others are written back as they were, in their places.
void Rewrite(const std::filesystem::path& directory, const std::filesystem::path& dataPath,
             const std::string& oldName, const BirthdayRecord* replacement) {
    FileDescriptor dir = LockDirectory(directory, LOCK_EX, false);
    if (!dir.IsOpen()) {
        if (errno == ENOENT)
            return;
        ThrowFileError(Tr("Cannot open the folder \"%1\": %2"), directory, errno);
    }
    std::optional<Target> target = FindTarget(dir.Get(), dataPath);
    if (!target)
        return;
    // Opened for writing too, though only read: a file its user may not change is refused, not replaced.
    OpenedTarget opened = OpenAndRead(*target, O_RDWR);
    std::vector<BirthdayRecord> records = ParseBirthdayRecords(opened.Bytes.View());
    opened.Bytes = {};
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(opened.Status.st_size) + 64);
    for (const BirthdayRecord& record : records) {
        if (record.Name != oldName)
            AppendRecordBytes(bytes, record);
        else if (replacement != nullptr)
            AppendRecordBytes(bytes, *replacement);
    }
    ReplaceContent(*target, opened.Status, bytes);
}

} // namespace

void BirthdayFile::ReplaceBirthday(const std::string& oldName, const BirthdayRecord& record) const {
    CheckFields(m_dataPath, record);
    Rewrite(m_directory, m_dataPath, oldName, &record);
}

void BirthdayFile::DeleteBirthday(const std::string& name) const {
    Rewrite(m_directory, m_dataPath, name, nullptr);
}

} // namespace candlewatcher
