#include "data/posix_file.h"

#include "data/birthday_file.h"
#include "data/retry.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <unistd.h>

namespace candlewatcher {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    Close();
}

int FileDescriptor::Close() {
    if (m_fd < 0)
        return 0;
    // Linux releases the descriptor even when close fails, so it is never retried.
    int result = ::close(m_fd);
    m_fd = -1;
    return result == 0 ? 0 : errno;
}

void ThrowFileError(std::string_view action, const std::filesystem::path& path, int error) {
    throw BirthdayFileError(std::string(action) + " \"" + path.string() + "\": " + std::strerror(error));
}

FileBytes ReadToEnd(int fd, std::size_t sizeHint, const std::filesystem::path& path, bool stopAtSize) {
    FileBytes bytes;
    // One byte more than the hint, so that reaching the end costs no extra growth.
    std::size_t capacity = sizeHint + 1;
    bytes.Data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (bytes.Size == capacity) {
            std::size_t grown = capacity * 2;
            auto larger = std::make_unique_for_overwrite<char[]>(grown);
            std::memcpy(larger.get(), bytes.Data.get(), bytes.Size);
            bytes.Data = std::move(larger);
            capacity = grown;
        }
        const ssize_t got = RetryOnInterrupt(
            [&] { return ::read(fd, bytes.Data.get() + bytes.Size, capacity - bytes.Size); });
        if (got == 0)
            return bytes;
        if (got < 0)
            ThrowFileError("Cannot read", path, errno);
        bytes.Size += static_cast<std::size_t>(got);
        // The size fstat gave, read whole: held under the folder's lock, the file has no writer of ours, and
        // what another program may add meanwhile would be missed a moment later anyway. Stopping here saves
        // the read that only reports the end; a file that claims no size (a pseudo file) is read to its end.
        if (stopAtSize && sizeHint != 0 && bytes.Size == sizeHint)
            return bytes;
    }
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = RetryOnInterrupt([&] { return ::write(fd, bytes.data(), bytes.size()); });
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace candlewatcher
