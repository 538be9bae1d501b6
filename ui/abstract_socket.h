#pragma once

#include <QDeadlineTimer>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace candlewatcher {

// Unix stream sockets in the abstract namespace: a name with no file behind it, gone when its holder
// ends, even by a crash. Descriptors are close-on-exec and non-blocking; each call that waits does so
// until the deadline at most.

// Owns a descriptor and closes it.
class SocketDescriptor {
public:
    SocketDescriptor() = default;
    explicit SocketDescriptor(int fd)
        : m_fd(fd) {}
    ~SocketDescriptor();
    SocketDescriptor(SocketDescriptor&& other) noexcept
        : m_fd(other.Release()) {}
    SocketDescriptor& operator=(SocketDescriptor&& other) noexcept;

    bool Valid() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    int Release();

private:
    int m_fd = -1;
};

// A socket listening on `name`; invalid when it cannot, with errno telling why (EADDRINUSE: taken).
SocketDescriptor ListenAbstract(std::string_view name);

// Connected to whoever listens on `name`; invalid when nobody does or the deadline passes first. A
// listener whose queue of waiting connections is full is tried again until the deadline.
SocketDescriptor ConnectAbstract(std::string_view name, const QDeadlineTimer& deadline);

// A connection waiting on a listening socket; invalid when none is waiting.
SocketDescriptor AcceptWaiting(int listening);

// Whether the process at the other end runs as this process's user. The abstract namespace has no
// permissions, so both ends make sure they talk to a program of the same user.
bool PeerIsSameUser(int fd);

bool SendAll(int fd, std::string_view bytes, const QDeadlineTimer& deadline);

// Appends what has arrived to `text` without waiting, stopping once it holds a line end. Returns false once
// nothing more can come (the other end closed, or an error); true while more may.
bool ReadAvailable(int fd, std::string& text);

// The first line that comes, with its line end; nullopt when the other end closes first, the deadline passes,
// or more than `longest` bytes come without a line end.
std::optional<std::string> ReadLine(int fd, std::size_t longest, const QDeadlineTimer& deadline);

} // namespace candlewatcher
