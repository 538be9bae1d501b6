#include "ui/abstract_socket.h"

#include <cerrno>
#include <cstddef>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

// Pending connections a listener keeps; a burst of starts beyond it waits and retries.
constexpr int Backlog = 64;

struct AbstractAddress {
    sockaddr_un Address{};
    socklen_t Length = 0;
};

// The address is a NUL byte followed by the name, and its length is exactly that: padding would become
// part of the name, and a program that spells the address without it would not find the socket.
std::optional<AbstractAddress> AddressOf(std::string_view name) {
    AbstractAddress address;
    address.Address.sun_family = AF_UNIX;
    if (name.empty() || name.size() + 1 > sizeof address.Address.sun_path) {
        errno = ENAMETOOLONG;
        return std::nullopt;
    }
    std::memcpy(address.Address.sun_path + 1, name.data(), name.size());
    address.Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return address;
}

SocketDescriptor NewSocket() {
    return SocketDescriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
}

// Waits until `fd` is ready for `events`; false when the deadline passes first or polling fails.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd wanted{fd, events, 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(deadline.remainingTime()));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

} // namespace

SocketDescriptor::~SocketDescriptor() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

SocketDescriptor& SocketDescriptor::operator=(SocketDescriptor&& other) noexcept {
    if (this != &other) {
        SocketDescriptor old(Release());
        m_fd = other.Release();
    }
    return *this;
}

int SocketDescriptor::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

SocketDescriptor ListenAbstract(std::string_view name) {
    const std::optional<AbstractAddress> address = AddressOf(name);
    if (!address) {
        return {};
    }
    SocketDescriptor socket = NewSocket();
    if (!socket.Valid() ||
        ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address->Address), address->Length) != 0 ||
        ::listen(socket.Get(), Backlog) != 0) {
        const int error = errno;
        socket = SocketDescriptor();
        errno = error;
    }
    return socket;
}

SocketDescriptor ConnectAbstract(std::string_view name, const QDeadlineTimer& deadline) {
    const std::optional<AbstractAddress> address = AddressOf(name);
    if (!address) {
        return {};
    }
    SocketDescriptor socket = NewSocket();
    if (!socket.Valid()) {
        return {};
    }
    // A local connect completes at once or fails at once; EAGAIN means the listener's queue is full.
    while (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address->Address), address->Length) !=
           0) {
        if ((errno != EAGAIN && errno != EINTR) || deadline.hasExpired()) {
            return {};
        }
        ::poll(nullptr, 0, 10);
    }
    return socket;
}

SocketDescriptor AcceptWaiting(int listening) {
    for (;;) {
        SocketDescriptor connection(::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        // A connection that was given up before it was taken is skipped, not taken for the end of the queue.
        if (connection.Valid() || (errno != EINTR && errno != ECONNABORTED)) {
            return connection;
        }
    }
}

bool PeerIsSameUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           credentials.uid == ::getuid();
}

bool SendAll(int fd, std::string_view bytes, const QDeadlineTimer& deadline) {
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a reader that went away is a failed send, not a SIGPIPE that ends the program.
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && errno == EAGAIN) {
            if (!WaitFor(fd, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

bool ReadAvailable(int fd, std::string& text) {
    char buffer[256];
    while (text.find('\n') == std::string::npos) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            return got < 0 && errno == EAGAIN;
        }
    }
    return true;
}

std::optional<std::string> ReadLine(int fd, std::size_t longest, const QDeadlineTimer& deadline) {
    std::string text;
    for (;;) {
        const bool more = ReadAvailable(fd, text);
        const std::size_t end = text.find('\n');
        if (end != std::string::npos && end < longest) {
            return text.substr(0, end + 1);
        }
        if (text.size() > longest || !more || !WaitFor(fd, POLLIN, deadline)) {
            return std::nullopt;
        }
    }
}

} // namespace candlewatcher
