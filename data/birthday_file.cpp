#include "data/birthday_file.h"

#include "data/posix_file.h"
#include "data/record_parser.h"

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

[[noreturn]] void ThrowRefusedField(const std::filesystem::path& path, const char* field) {
    throw BirthdayFileError("Cannot save \"" + path.string() + "\": the " + field +
                            " holds a line break, which would split the record");
}

void CheckFields(const std::filesystem::path& path, const BirthdayRecord& record) {
    if (FieldBreaksLine(record.Day))
        ThrowRefusedField(path, "day");
    if (FieldBreaksLine(record.Month))
        ThrowRefusedField(path, "month");
    if (FieldBreaksLine(record.Year))
        ThrowRefusedField(path, "year");
    if (FieldBreaksLine(record.Name))
        ThrowRefusedField(path, "name");
}

template <typename Call> int Retrying(Call call) {
    int result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

void RequireRegular(const struct stat& status, const std::filesystem::path& path) {
    if (S_ISDIR(status.st_mode))
        ThrowFileError("Cannot read", path, EISDIR);
    if (!S_ISREG(status.st_mode))
        throw BirthdayFileError("Cannot read \"" + path.string() + "\": it is not an ordinary file");
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
            ThrowFileError("Cannot create the folder", directory, error.value());
        dir = FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (!dir.IsOpen())
        return dir;
    if (Retrying([&] { return ::flock(dir.Get(), operation); }) != 0)
        ThrowFileError("Cannot lock the folder", directory, errno);
    return dir;
}

// Where the data really lives: birthday.dat itself, or the file its symbolic link leads to, so that a
// rewrite replaces the target and leaves the link in place.
struct Target {
    FileDescriptor OwnDirectory; // open only when the target lies in another directory
    int Directory = -1;
    std::string Name;
    std::filesystem::path Path;
    std::filesystem::path TempPath;
};

std::optional<Target> FindTarget(int dataDirectory, const std::filesystem::path& dataPath,
                                 const std::filesystem::path& tempPath) {
    struct stat status {};
    if (::fstatat(dataDirectory, kDataName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        ThrowFileError("Cannot open", dataPath, errno);
    }
    Target target;
    if (!S_ISLNK(status.st_mode)) {
        target.Directory = dataDirectory;
        target.Name = kDataName;
        target.Path = dataPath;
        target.TempPath = tempPath;
        return target;
    }
    // A link that leads nowhere is an error rather than an absent file: the records are somewhere the
    // link names (an unmounted disc, say), and starting a new file here would hide that.
    char resolved[PATH_MAX];
    if (::realpath(dataPath.c_str(), resolved) == nullptr)
        ThrowFileError("Cannot follow the link", dataPath, errno);
    target.Path = resolved;
    target.OwnDirectory =
        FileDescriptor(::open(target.Path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!target.OwnDirectory.IsOpen())
        ThrowFileError("Cannot open the folder of", target.Path, errno);
    target.Directory = target.OwnDirectory.Get();
    target.Name = target.Path.filename().string();
    target.TempPath = target.Path.parent_path() / kTempName;
    return target;
}

// Writes bytes as the new content of the target through birthday.tmp beside it. Until the rename the
// target is untouched; any failure before it removes the temporary file and throws.
void ReplaceContent(const Target& target, const struct stat& former, std::string_view bytes) {
    int dir = target.Directory;
    auto fail = [&](const char* action, int error) {
        ::unlinkat(dir, kTempName, 0);
        throw BirthdayFileError(std::string(action) + " \"" + target.TempPath.string() + "\" to save \"" +
                                target.Path.string() + "\": " + std::strerror(error));
    };
    // A link may lead to a file that itself bears the temporary name: clearing the "leftover" would then
    // delete the records, and a failure before the rename would leave none.
    if (target.Name == kTempName)
        throw BirthdayFileError("Cannot save \"" + target.Path.string() +
                                "\": it bears the name of the temporary file a change writes beside it");
    // A leftover from an interrupted rewrite is removed, whatever it is, rather than written through.
    if (::unlinkat(dir, kTempName, 0) != 0 && errno != ENOENT)
        ThrowFileError("Cannot remove the leftover", target.TempPath, errno);
    FileDescriptor temp(::openat(dir, kTempName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!temp.IsOpen())
        ThrowFileError("Cannot create", target.TempPath, errno);
    // The new file keeps the permissions of the one it replaces, and its owner where that is allowed (an
    // ordinary user may not give a file away; then the new file is theirs, which harms nothing).
    if (::fchown(temp.Get(), former.st_uid, former.st_gid) != 0 && errno != EPERM)
        fail("Cannot set the owner of", errno);
    if (::fchmod(temp.Get(), former.st_mode & 07777) != 0)
        fail("Cannot set the permissions of", errno);
    if (int error = WriteAll(temp.Get(), bytes))
        fail("Cannot write", error);
    if (Retrying([&] { return ::fdatasync(temp.Get()); }) != 0)
        fail("Cannot write", errno);
    if (int error = temp.Close())
        fail("Cannot write", error);
    if (::renameat(dir, kTempName, dir, target.Name.c_str()) != 0)
        fail("Cannot rename", errno);
    // The rename is what makes the new file the data. Should making it durable fail, the data in place is
    // still whole and correct, so the change is not reported as failed (nor retried as if it worked).
    ::fsync(dir);
}

struct OpenedTarget {
    FileDescriptor File;
    struct stat Status {};
    FileBytes Bytes;
};

OpenedTarget OpenAndRead(const Target& target, int flags) {
    OpenedTarget opened;
    opened.File = FileDescriptor(Retrying([&] {
        return ::openat(target.Directory, target.Name.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    }));
    if (!opened.File.IsOpen())
        ThrowFileError("Cannot open", target.Path, errno);
    if (::fstat(opened.File.Get(), &opened.Status) != 0)
        ThrowFileError("Cannot read", target.Path, errno);
    RequireRegular(opened.Status, target.Path);
    opened.Bytes = ReadToEnd(opened.File.Get(), static_cast<std::size_t>(opened.Status.st_size), target.Path);
    return opened;
}

// Puts the file back to its former length after a failed append, so no half record stays behind.
void CutBack(int fd, off_t formerSize) {
    if (Retrying([&] { return ::ftruncate(fd, formerSize); }) == 0)
        ::fdatasync(fd);
}

// The first file of a data directory, created with the new records in it; removed again if that fails.
void CreateWithRecords(int dataDirectory, const std::filesystem::path& dataPath, std::string_view bytes) {
    FileDescriptor file(
        ::openat(dataDirectory, kDataName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file.IsOpen())
        ThrowFileError("Cannot create", dataPath, errno);
    int error = WriteAll(file.Get(), bytes);
    if (error == 0 && Retrying([&] { return ::fdatasync(file.Get()); }) != 0)
        error = errno;
    if (int closeError = file.Close(); error == 0)
        error = closeError;
    if (error != 0) {
        ::unlinkat(dataDirectory, kDataName, 0);
        ThrowFileError("Cannot write", dataPath, error);
    }
    ::fsync(dataDirectory);
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

AppendSite OpenForAppend(const std::filesystem::path& directory, const std::filesystem::path& dataPath,
                         const std::filesystem::path& tempPath) {
    AppendSite site;
    site.Directory = LockDirectory(directory, LOCK_EX, true);
    if (!site.Directory.IsOpen())
        ThrowFileError("Cannot open the folder", directory, errno);
    site.Found = FindTarget(site.Directory.Get(), dataPath, tempPath);
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
        CreateWithRecords(site.Directory.Get(), dataPath, recordBytes);
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
    if (error == 0 && Retrying([&] { return ::fdatasync(fd); }) != 0)
        error = errno;
    if (error != 0) {
        CutBack(fd, formerSize);
        ThrowFileError("Cannot write", target.Path, error);
    }
    if (int closeError = opened.File.Close()) {
        FileDescriptor again(
            ::openat(target.Directory, target.Name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
        if (again.IsOpen())
            CutBack(again.Get(), formerSize);
        ThrowFileError("Cannot write", target.Path, closeError);
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
        Retrying([&] { return ::open(m_dataPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
    if (!file.IsOpen()) {
        int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(m_dataPath.c_str(), &link) != 0)
            return std::nullopt;
        ThrowFileError(error == ENOENT ? "Cannot follow the link" : "Cannot open", m_dataPath, error);
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        ThrowFileError("Cannot read", m_dataPath, errno);
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
    AppendSite site = OpenForAppend(m_directory, m_dataPath, m_tempPath);
    AppendToSite(site, m_dataPath, std::move(bytes), nullptr);
}

std::vector<BirthdayRecord> BirthdayFile::AppendChosenBirthdays(const AppendChoice& choose) const {
    AppendSite site = OpenForAppend(m_directory, m_dataPath, m_tempPath);
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
             const std::filesystem::path& tempPath, const std::string& oldName,
             const BirthdayRecord* replacement) {
    FileDescriptor dir = LockDirectory(directory, LOCK_EX, false);
    if (!dir.IsOpen()) {
        if (errno == ENOENT)
            return;
        ThrowFileError("Cannot open the folder", directory, errno);
    }
    std::optional<Target> target = FindTarget(dir.Get(), dataPath, tempPath);
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
    Rewrite(m_directory, m_dataPath, m_tempPath, oldName, &record);
}

void BirthdayFile::DeleteBirthday(const std::string& name) const {
    Rewrite(m_directory, m_dataPath, m_tempPath, name, nullptr);
}

} // namespace candlewatcher
