#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>

class QSocketNotifier;

namespace candlewatcher {

// One running program per data directory. The first start holds a lock file in the runtime directory
// for its whole life and listens on a local socket; a later start on the same directory finds the lock
// held, asks the running program through the socket to open its windows, and ends. Two programs on one
// directory would overwrite each other's changes to birthday.dat.
//
// The socket is a plain Unix stream socket with an abstract name (no file to leave behind) watched by the
// event loop: the exchange is one line each way, and the windows' start-up need not load a network library
// for it.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Primary,    // this program runs: it holds the lock and answers later starts
        HandedOver, // another program runs on this directory and has been asked to open its windows
        NoAnswer,   // another program holds the lock but did not answer in time
    };

    explicit SingleInstance(const std::filesystem::path& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock or hands over to its holder. Blocks for at most `patienceMs` while the holder is
    // still starting (its socket not yet listening or its event loop not yet running).
    Outcome Claim(int patienceMs = 10000);

    QString LockFilePath() const;
    // The socket's abstract name (without the leading NUL byte of the address).
    QString ServerName() const;

signals:
    // A later start asked this program to open its windows.
    void OpenRequested();

private:
    bool Listen();
    void WarnUnreachable() const;
    bool AskHolder(int patienceMs);
    void AcceptConnection();

    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    int m_listening = -1;  // the listening socket, -1 while there is none
    int m_listenError = 0; // why listening failed (errno)
    QSocketNotifier* m_incoming = nullptr;
};

} // namespace candlewatcher
