#include "ui/single_instance.h"

#include "ui/abstract_socket.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cstring>
#include <functional>
#include <string>

#include <unistd.h>

namespace candlewatcher {

namespace {

// The request a later start sends and the answer it waits for: one short line each.
constexpr char OpenRequest[] = "open\n";
constexpr char OpenAnswer[] = "ok\n";
// A peer that sends more than this without a line end is not a start of this program.
constexpr std::size_t LongestLine = 64;

// One later start's connection: reads its line, answers "ok" to "open", and closes. Lives until then,
// however long the other end takes, without holding up the event loop.
class OpenRequestConnection : public QObject {
public:
    OpenRequestConnection(SocketDescriptor socket, std::function<void()> opened, QObject* parent)
        : QObject(parent)
        , m_socket(std::move(socket))
        , m_readable(m_socket.Get(), QSocketNotifier::Read, this)
        , m_opened(std::move(opened)) {
        connect(&m_readable, &QSocketNotifier::activated, this, &OpenRequestConnection::Read);
        Read();
    }

private:
    void Read() {
        const bool more = ReadAvailable(m_socket.Get(), m_text);
        const std::size_t end = m_text.find('\n');
        if (end == std::string::npos && more && m_text.size() <= LongestLine) {
            return;
        }
        const bool open = end != std::string::npos && m_text.compare(0, end + 1, OpenRequest) == 0;
        if (open) {
            // Answer first: the asking program ends as soon as it reads this. Three bytes fit into any
            // socket buffer, so the send does not wait.
            SendAll(m_socket.Get(), OpenAnswer, QDeadlineTimer(0));
        }
        m_readable.setEnabled(false);
        m_socket = SocketDescriptor();
        deleteLater();
        if (open) {
            m_opened();
        }
    }

    SocketDescriptor m_socket;
    QSocketNotifier m_readable;
    std::string m_text;
    std::function<void()> m_opened;
};

// Two spellings of one directory (a symbolic link, "..", a trailing separator) must give one key.
QString DirectoryKey(const std::filesystem::path& dataDirectory) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(dataDirectory, error);
    if (error) {
        canonical = std::filesystem::absolute(dataDirectory, error);
    }
    std::string text = canonical.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256).toHex();
    return QString::fromLatin1(hash.left(16));
}

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& dataDirectory, QObject* parent)
    : QObject(parent)
    , m_key(DirectoryKey(dataDirectory)) {}

SingleInstance::~SingleInstance() {
    delete m_incoming; // before the socket it watches is closed
    if (m_listening >= 0) {
        ::close(m_listening);
    }
}

QString SingleInstance::LockFilePath() const {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty()) {
        directory = QDir::tempPath();
    }
    return directory + QStringLiteral("/candlewatcher-") + m_key + QStringLiteral(".lock");
}

QString SingleInstance::ServerName() const {
    return QStringLiteral("candlewatcher-%1-%2").arg(getuid()).arg(m_key);
}

SingleInstance::Outcome SingleInstance::Claim(int patienceMs) {
    m_lock = std::make_unique<QLockFile>(LockFilePath());
    // Never stale by age: the lock lasts as long as the program. QLockFile still takes over a lock whose
    // process has gone (it checks the process id and the lock file's flock).
    m_lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(patienceMs);
    for (;;) {
        if (m_lock->tryLock(0)) {
            if (Listen()) {
                return Outcome::Primary;
            }
            // A holder whose lock file was deleted under it still owns the socket name: ask it too.
            if (AskHolder(static_cast<int>(deadline.remainingTime()))) {
                m_lock->unlock();
                return Outcome::HandedOver;
            }
            WarnUnreachable();
            return Outcome::Primary;
        }
        if (m_lock->error() != QLockFile::LockFailedError) {
            // No lock can be made at all (an unwritable runtime directory): run rather than refuse to
            // start; the birthday file's own lock still keeps two writers apart.
            qWarning("Candlewatcher: cannot create %s; not guarding against a second start",
                     qPrintable(m_lock->fileName()));
            if (!Listen()) {
                WarnUnreachable();
            }
            return Outcome::Primary;
        }
        // The holder may still be starting (not yet listening), or may just have ended: ask it, and
        // when it does not answer try the lock again.
        if (AskHolder(static_cast<int>(deadline.remainingTime()))) {
            return Outcome::HandedOver;
        }
        if (deadline.hasExpired()) {
            return Outcome::NoAnswer;
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::Listen() {
    SocketDescriptor socket = ListenAbstract(ServerName().toStdString());
    if (!socket.Valid()) {
        m_listenError = errno;
        return false;
    }
    m_listening = socket.Release();
    m_incoming = new QSocketNotifier(m_listening, QSocketNotifier::Read, this);
    connect(m_incoming, &QSocketNotifier::activated, this, &SingleInstance::AcceptConnection);
    return true;
}

void SingleInstance::WarnUnreachable() const {
    qWarning("Candlewatcher: cannot listen on %s: %s; a second start cannot reach this one",
             qPrintable(ServerName()), std::strerror(m_listenError));
}

bool SingleInstance::AskHolder(int patienceMs) {
    const QDeadlineTimer deadline(patienceMs);
    const SocketDescriptor socket = ConnectAbstract(ServerName().toStdString(), deadline);
    if (!socket.Valid() || !PeerIsSameUser(socket.Get()) || !SendAll(socket.Get(), OpenRequest, deadline)) {
        return false;
    }
    // The holder answers from its event loop, which starts only once its windows exist.
    return ReadLine(socket.Get(), LongestLine, deadline) == std::string(OpenAnswer);
}

void SingleInstance::AcceptConnection() {
    for (;;) {
        SocketDescriptor connection = AcceptWaiting(m_listening);
        if (!connection.Valid()) {
            return;
        }
        if (PeerIsSameUser(connection.Get())) {
            new OpenRequestConnection(
                std::move(connection), [this] { emit OpenRequested(); }, this);
        }
    }
}

} // namespace candlewatcher
