#include "data/atomic_replace.h"

#include "data/birthday_file.h"
#include "data/posix_file.h"
#include "data/retry.h"
#include "data/translation.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

// Enough fresh names that only a directory full of our own leftovers could use them all up.
constexpr int kNameAttempts = 100;

// The temporary file, created empty beside the target; its name is the one that was free.
struct TemporaryFile {
    FileDescriptor File;
    std::string Name;
};

int OpenNew(int directory, const std::string& name, mode_t mode) {
    return RetryOnInterrupt([&] {
        return ::openat(directory, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    });
}

std::string FreshName(const std::string& targetName, std::mt19937& random) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = "." + targetName + ".";
    for (int i = 0; i < 6; ++i)
        name += kLetters[pick(random)];
    return name;
}

TemporaryFile CreateTemporary(const ReplaceTarget& target, std::string_view tempName, mode_t mode) {
    TemporaryFile temp;
    if (!tempName.empty()) {
        temp.Name = tempName;
        // A leftover of an interrupted change is removed, whatever it is, rather than written through.
        if (::unlinkat(target.Directory, temp.Name.c_str(), 0) != 0 && errno != ENOENT)
            // TRANSLATORS: %1 is a file's path, %2 the system's reason.
            ThrowFileError(Tr("Cannot remove the leftover \"%1\": %2"), target.Path.parent_path() / temp.Name,
                           errno);
        temp.File = FileDescriptor(OpenNew(target.Directory, temp.Name, mode));
        if (!temp.File.IsOpen())
            // TRANSLATORS: %1 is a file's path, %2 the system's reason.
            ThrowFileError(Tr("Cannot create \"%1\": %2"), target.Path.parent_path() / temp.Name, errno);
        return temp;
    }
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temp.Name = FreshName(target.Name, random);
        temp.File = FileDescriptor(OpenNew(target.Directory, temp.Name, mode));
        if (temp.File.IsOpen())
            return temp;
        if (errno != EEXIST)
            break;
    }
    // TRANSLATORS: %1 is a file's path, %2 the system's reason.
    ThrowFileError(Tr("Cannot create a temporary file to write \"%1\": %2"), target.Path, errno);
}

} // namespace

void ReplaceAtomically(const ReplaceTarget& target, std::string_view tempName, const struct stat* former,
                       std::string_view bytes) {
    // A target bearing the temporary name would be deleted as a leftover before its new bytes are written.
    if (target.Name == tempName)
        throw BirthdayFileError(FillIn(
            // TRANSLATORS: %1 is a file's path.
            Tr("Cannot save \"%1\": it bears the name of the temporary file a change writes beside it"),
            {target.Path.string()}));
    // A new file is created with the mode open() makes of 0666 and the umask; a replaced file's mode is set
    // exactly afterwards, as the umask may have taken bits from it.
    TemporaryFile temp = CreateTemporary(target, tempName, former != nullptr ? 0600 : 0666);
    const int directory = target.Directory;
    // message: %1 the temporary file, %2 the target, %3 the system's reason.
    auto fail = [&](const char* message, int error) {
        ::unlinkat(directory, temp.Name.c_str(), 0);
        throw BirthdayFileError(FillIn(message, {(target.Path.parent_path() / temp.Name).string(),
                                                 target.Path.string(), std::strerror(error)}));
    };
    auto failWriting = [&](int error) {
        // TRANSLATORS: %1 is the temporary file written beside the file %2, %3 the system's reason.
        fail(Tr("Cannot write \"%1\" to save \"%2\": %3"), error);
    };
    if (former != nullptr) {
        // An ordinary user may not give a file away; the new file is then theirs, which harms nothing.
        if (::fchown(temp.File.Get(), former->st_uid, former->st_gid) != 0 && errno != EPERM)
            // TRANSLATORS: %1 is the temporary file written beside the file %2, %3 the system's reason.
            fail(Tr("Cannot set the owner of \"%1\" to save \"%2\": %3"), errno);
        if (::fchmod(temp.File.Get(), former->st_mode & 07777) != 0)
            // TRANSLATORS: %1 is the temporary file written beside the file %2, %3 the system's reason.
            fail(Tr("Cannot set the permissions of \"%1\" to save \"%2\": %3"), errno);
    }
    if (const int error = WriteAll(temp.File.Get(), bytes))
        failWriting(error);
    if (RetryOnInterrupt([&] { return ::fdatasync(temp.File.Get()); }) != 0)
        failWriting(errno);
    if (const int error = temp.File.Close())
        failWriting(error);
    if (::renameat(directory, temp.Name.c_str(), directory, target.Name.c_str()) != 0)
        // TRANSLATORS: %1 is the temporary file written beside the file %2, %3 the system's reason.
        fail(Tr("Cannot rename \"%1\" to save \"%2\": %3"), errno);
    // The rename is what puts the new bytes in place. Should making it durable fail, the file in place is
    // still whole and correct, so the change is not reported as failed (nor retried as if it worked).
    ::fsync(directory);
}

} // namespace candlewatcher
