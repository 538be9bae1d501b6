#include "data/atomic_replace.h"

#include "data/birthday_file.h"
#include "data/posix_file.h"
#include "data/retry.h"

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
            ThrowFileError("Cannot remove the leftover", target.Path.parent_path() / temp.Name, errno);
        temp.File = FileDescriptor(OpenNew(target.Directory, temp.Name, mode));
        if (!temp.File.IsOpen())
            ThrowFileError("Cannot create", target.Path.parent_path() / temp.Name, errno);
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
    ThrowFileError("Cannot create a temporary file to write", target.Path, errno);
}

} // namespace

void ReplaceAtomically(const ReplaceTarget& target, std::string_view tempName, const struct stat* former,
                       std::string_view bytes) {
    // A target bearing the temporary name would be deleted as a leftover before its new bytes are written.
    if (target.Name == tempName)
        throw BirthdayFileError("Cannot save \"" + target.Path.string() +
                                "\": it bears the name of the temporary file a change writes beside it");
    // A new file is created with the mode open() makes of 0666 and the umask; a replaced file's mode is set
    // exactly afterwards, as the umask may have taken bits from it.
    TemporaryFile temp = CreateTemporary(target, tempName, former != nullptr ? 0600 : 0666);
    const int directory = target.Directory;
    auto fail = [&](const char* action, int error) {
        ::unlinkat(directory, temp.Name.c_str(), 0);
        throw BirthdayFileError(std::string(action) + " \"" +
                                (target.Path.parent_path() / temp.Name).string() + "\" to save \"" +
                                target.Path.string() + "\": " + std::strerror(error));
    };
    if (former != nullptr) {
        // An ordinary user may not give a file away; the new file is then theirs, which harms nothing.
        if (::fchown(temp.File.Get(), former->st_uid, former->st_gid) != 0 && errno != EPERM)
            fail("Cannot set the owner of", errno);
        if (::fchmod(temp.File.Get(), former->st_mode & 07777) != 0)
            fail("Cannot set the permissions of", errno);
    }
    if (const int error = WriteAll(temp.File.Get(), bytes))
        fail("Cannot write", error);
    if (RetryOnInterrupt([&] { return ::fdatasync(temp.File.Get()); }) != 0)
        fail("Cannot write", errno);
    if (const int error = temp.File.Close())
        fail("Cannot write", error);
    if (::renameat(directory, temp.Name.c_str(), directory, target.Name.c_str()) != 0)
        fail("Cannot rename", errno);
    // The rename is what puts the new bytes in place. Should making it durable fail, the file in place is
    // still whole and correct, so the change is not reported as failed (nor retried as if it worked).
    ::fsync(directory);
}

} // namespace candlewatcher
