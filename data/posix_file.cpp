#include "data/posix_file.h"

#include "data/birthday_file.h"
#include "data/retry.h"
#include "data/translation.h"

#include <algorithm>
#include <cerrno>
#include <limits>
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

void ThrowFileError(std::string_view message, const std::filesystem::path& path, int error) {
    throw BirthdayFileError(FillIn(message, {path.string(), std::strerror(error)}));
}

ReadOutcome ReadAtMost(int fd, std::size_t sizeHint, std::size_t limit, bool stopAtSize) {
    // Growing a buffer for a pipe a byte at a time would cost a read each.
    constexpr std::size_t kSmallestGrowth = 4096;
    const std::size_t most = limit + 1; // one byte past the limit tells that there is more
    ReadOutcome outcome;
    FileBytes& bytes = outcome.Bytes;
    // One byte more than the hint, so that reaching the end costs no extra growth.
    std::size_t capacity = std::min(sizeHint + 1, most);
    bytes.Data = std::make_unique_for_overwrite<char[]>(capacity);
    for (;;) {
        if (bytes.Size == capacity) {
            if (capacity == most) {
                outcome.OverLimit = true;
                return outcome;
            }
            const std::size_t grown = std::min(std::max(capacity * 2, kSmallestGrowth), most);
            auto larger = std::make_unique_for_overwrite<char[]>(grown);
            std::memcpy(larger.get(), bytes.Data.get(), bytes.Size);
            bytes.Data = std::move(larger);
            capacity = grown;
        }
        const ssize_t got = RetryOnInterrupt(
            [&] { return ::read(fd, bytes.Data.get() + bytes.Size, capacity - bytes.Size); });
        if (got == 0)
            return outcome;
        if (got < 0) {
            outcome.Error = errno;
            return outcome;
        }
        bytes.Size += static_cast<std::size_t>(got);
        // The size fstat gave, read whole: held under the folder's lock, the file has no writer of ours, and
        // what another program may add meanwhile would be missed a moment later anyway. Stopping here saves
        // the read that only reports the end; a file that claims no size (a pseudo file) is read to its end.
        if (stopAtSize && sizeHint != 0 && bytes.Size == sizeHint)
            return outcome;
    }
}

FileBytes ReadToEnd(int fd, std::size_t sizeHint, const std::filesystem::path& path, bool stopAtSize) {
    ReadOutcome outcome = ReadAtMost(fd, sizeHint, std::numeric_limits<std::size_t>::max() / 2, stopAtSize);
    if (outcome.Error != 0)
        ThrowFileError(Tr("Cannot read \"%1\": %2"), path, outcome.Error);
    return std::move(outcome.Bytes);
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
