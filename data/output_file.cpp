#include "data/output_file.h"

#include "data/posix_file.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

template <typename Call> int Retrying(Call call) {
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// The file the bytes finally land in: the target of a symbolic link, else the path itself.
std::filesystem::path Destination(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) {
        return path;
    }
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved;
}

// The mode a new file gets (0666 less the umask), or the one the replaced file had.
mode_t ModeFor(const struct stat* existing) {
    if (existing != nullptr) {
        return existing->st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void ReplaceFile(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path destination = Destination(path);
    struct stat status {};
    const bool exists = ::stat(destination.c_str(), &status) == 0;
    if (!exists && errno != ENOENT) {
        ThrowFileError("Cannot write", path, errno);
    }
    if (exists && !S_ISREG(status.st_mode)) {
        throw BirthdayFileError("Cannot write \"" + path.string() + "\": it is not an ordinary file");
    }

    std::filesystem::path directory = destination.parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    std::string tempName = (directory / ("." + destination.filename().string() + ".XXXXXX")).string();
    FileDescriptor temp(::mkostemp(tempName.data(), O_CLOEXEC));
    if (!temp.IsOpen()) {
        ThrowFileError("Cannot write", path, errno);
    }
    int error = WriteAll(temp.Get(), bytes);
    if (error == 0 && ::fchmod(temp.Get(), ModeFor(exists ? &status : nullptr)) != 0) {
        error = errno;
    }
    if (error == 0 && Retrying([&] { return ::fdatasync(temp.Get()); }) != 0) {
        error = errno;
    }
    if (const int closeError = temp.Close(); error == 0) {
        error = closeError;
    }
    if (error == 0 && ::rename(tempName.c_str(), destination.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(tempName.c_str());
        ThrowFileError("Cannot write", path, error);
    }
    // The rename is what makes the new file last; a directory that cannot be synced leaves it in place.
    FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen()) {
        ::fsync(dir.Get());
    }
}

void WriteStandardOutput(std::string_view bytes) {
    if (const int error = WriteAll(STDOUT_FILENO, bytes)) {
        throw BirthdayFileError(std::string("Cannot write to standard output: ") + std::strerror(error));
    }
}

} // namespace candlewatcher
