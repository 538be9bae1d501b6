#include "data/output_file.h"

#include "data/atomic_replace.h"
#include "data/posix_file.h"
#include "data/translation.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

// The file the bytes finally land in: where a chain of symbolic links ends, whether a file is there yet or
// not, else the path itself. A chain that goes round in circles is left as it is, and refused as no file.
std::filesystem::path Destination(const std::filesystem::path& path) {
    constexpr int kMostLinks = 40; // as many as the kernel follows in one path
    std::filesystem::path destination = path;
    std::error_code error;
    for (int followed = 0; followed < kMostLinks && std::filesystem::is_symlink(destination, error);
         ++followed) {
        const std::filesystem::path next = std::filesystem::read_symlink(destination, error);
        if (error) {
            return destination;
        }
        destination = next.is_absolute() ? next : destination.parent_path() / next;
    }
    return destination;
}

} // namespace

void ReplaceFile(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path destination = Destination(path);
    if (destination.filename().empty()) {
        ThrowFileError(Tr("Cannot write \"%1\": %2"), path, EISDIR);
    }
    std::filesystem::path folder = destination.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.IsOpen()) {
        ThrowFileError(Tr("Cannot write \"%1\": %2"), path, errno);
    }
    const ReplaceTarget target{directory.Get(), destination.filename().string(), destination};
    struct stat status {};
    const bool exists = ::fstatat(directory.Get(), target.Name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) {
        ThrowFileError(Tr("Cannot write \"%1\": %2"), path, errno);
    }
    if (exists && !S_ISREG(status.st_mode)) {
        throw BirthdayFileError(
            // TRANSLATORS: %1 is a file's path.
            FillIn(Tr("Cannot write \"%1\": it is not an ordinary file"), {path.string()}));
    }
    ReplaceAtomically(target, {}, exists ? &status : nullptr, bytes);
}

void WriteStandardOutput(std::string_view bytes) {
    if (const int error = WriteAll(STDOUT_FILENO, bytes)) {
        // TRANSLATORS: %1 is the system's reason.
        throw BirthdayFileError(FillIn(Tr("Cannot write to standard output: %1"), {std::strerror(error)}));
    }
}

} // namespace candlewatcher
