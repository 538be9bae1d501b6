#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <sys/socket.h>
#include <unistd.h>

namespace candlewatcher {

namespace {

// The request a later start sends and the answer it waits for: one short line each.
constexpr char OpenRequest[] = "open\n";
constexpr char OpenAnswer[] = "ok\n";

// The user id of the process at the other end of a local socket, or -1. The abstract socket namespace has
// no permissions, so both ends make sure they talk to a program of the same user.
long PeerUid(qintptr descriptor) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return -1;
    }
    return static_cast<long>(credentials.uid);
}

bool SameUser(const QLocalSocket& socket) {
    return PeerUid(socket.socketDescriptor()) == static_cast<long>(getuid());
}

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

SingleInstance::~SingleInstance() = default;

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
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnection);
    return m_server->listen(ServerName());
}

void SingleInstance::WarnUnreachable() const {
    qWarning("Candlewatcher: cannot listen on %s: %s; a second start cannot reach this one",
             qPrintable(ServerName()), qPrintable(m_server->errorString()));
}

bool SingleInstance::AskHolder(int patienceMs) {
    const QDeadlineTimer deadline(patienceMs);
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())) || !SameUser(socket)) {
        return false;
    }
    socket.write(OpenRequest);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    // The holder answers from its event loop, which starts only once its windows exist.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.readLine() == OpenAnswer;
}

void SingleInstance::AcceptConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!SameUser(*socket)) {
            socket->abort();
            continue;
        }
        auto answer = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) {
                    socket->abort();
                }
                return;
            }
            const bool open = socket->readLine() == OpenRequest;
            if (open) {
                // Answer first: the asking program ends as soon as it reads this.
                socket->write(OpenAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
            if (open) {
                emit OpenRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, answer);
        answer();
    }
}

} // namespace candlewatcher
