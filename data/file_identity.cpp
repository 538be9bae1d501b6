#include "data/file_identity.h"

#include <cerrno>

#include <sys/stat.h>

namespace candlewatcher {

namespace {

FileIdentity FromStatus(const struct stat& status) {
    FileIdentity identity;
    identity.Present = true;
    identity.Device = static_cast<std::uint64_t>(status.st_dev);
    identity.Inode = static_cast<std::uint64_t>(status.st_ino);
    identity.Size = static_cast<std::int64_t>(status.st_size);
    identity.ModifiedSeconds = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    identity.ModifiedNanoseconds = static_cast<std::int64_t>(status.st_mtim.tv_nsec);
    identity.ChangedSeconds = static_cast<std::int64_t>(status.st_ctim.tv_sec);
    identity.ChangedNanoseconds = static_cast<std::int64_t>(status.st_ctim.tv_nsec);
    return identity;
}

} // namespace

FileIdentity IdentityOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return FromStatus(status);
    const int error = errno;
    FileIdentity identity;
    if (::lstat(path.c_str(), &status) == 0)
        identity = FromStatus(status);
    identity.Error = error;
    return identity;
}

} // namespace candlewatcher
