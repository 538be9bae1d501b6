#pragma once

#include "data/birthday_file.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>

namespace candlewatcher {

// Owns a file descriptor and closes it, unchecked, unless Close() was called first to check it.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(other.m_fd) {
        other.m_fd = -1;
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes and returns 0, or the errno of a failed close (the descriptor is gone either way).
    int Close();

private:
    int m_fd = -1;
};

// Throws BirthdayFileError saying what failed on which file and why, as every file operation reports it:
// `message` (translated) with %1 for the path and %2 for the system's reason for `error`.
[[noreturn]] void ThrowFileError(std::string_view message, const std::filesystem::path& path, int error);

// What a read to the end of a file brought: its bytes, unless a read failed (Error, its errno) or the file
// held more than the limit (OverLimit: then no more than the limit and one byte were ever held).
struct ReadOutcome {
    FileBytes Bytes;
    int Error = 0;
    bool OverLimit = false;
};

// Reads from the current offset to the end of the file, however many reads it takes, but never more than
// limit bytes and one: a pipe or a device may never end. sizeHint is the size fstat gave, so one read
// usually does. With stopAtSize, reading ends once sizeHint bytes are in.
ReadOutcome ReadAtMost(int fd, std::size_t sizeHint, std::size_t limit, bool stopAtSize = false);

// ReadAtMost without a limit; a failed read throws BirthdayFileError naming the path.
FileBytes ReadToEnd(int fd, std::size_t sizeHint, const std::filesystem::path& path, bool stopAtSize = false);

// Writes all bytes, going on after short writes and interrupted calls. Returns 0 or the errno of the failure.
int WriteAll(int fd, std::string_view bytes);

} // namespace candlewatcher
