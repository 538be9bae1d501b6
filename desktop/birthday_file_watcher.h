#pragma once

// moc cannot parse the C++20 library headers that the core's headers bring in, and needs none of them.
#ifndef Q_MOC_RUN
#include "data/file_identity.h"
#endif

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace candlewatcher {

// Tells when another program has created, replaced, written or removed birthday.dat in the data directory.
// Events come in bursts (a sync tool writes a temporary file and renames it over, an editor writes in
// several steps): a burst is looked at once it has been quiet for a moment, and Changed() is emitted only
// when the file's identity then differs from the one the program last saw. Whoever reads or writes the file
// calls MarkSeen() first, so that the events of the program's own changes, and of files that merely lie
// beside birthday.dat (birthday.tmp), change nothing.
//
// Watching begins with Start(), which the program calls once its panel is on screen; reads before it are
// marked all the same, so that a change between the first read and Start() is not lost.
class BirthdayFileWatcher : public QObject {
    Q_OBJECT
public:
    explicit BirthdayFileWatcher(const std::filesystem::path& dataDirectory, QObject* parent = nullptr);

    // Watches from now on, and emits Changed() at once when birthday.dat is no longer what was last seen.
    void Start();

    // The program is about to read birthday.dat, or has just written it: the file as it is now is known.
    // Taken before a read, so that a change made while the program reads still counts as a change.
    void MarkSeen();

signals:
    // birthday.dat is not what the program last saw.
    void Changed();
    // A burst of events has been looked at, whether or not it changed birthday.dat.
    void Settled();

private:
    // A watched path and the file it led to when it was added: inotify follows that file, so a path that
    // now leads to another (renamed over, removed and made again) is added anew.
    struct WatchedPath {
        QString Path;
        std::uint64_t Device = 0;
        std::uint64_t Inode = 0;
    };

    void OnEvent();
    void Examine();
    // Renews the watches, then compares the file with what was last seen.
    void LookAgain();
    // Watches the data directory, or while it does not exist its nearest existing parent, and the file.
    void Arm();
    void Keep(WatchedPath& watched, const std::filesystem::path& path);
    // The bytes of birthday.dat, nullopt when they cannot be read.
    std::optional<std::string> Content() const;

    std::filesystem::path m_directory;
    std::filesystem::path m_file;
    QFileSystemWatcher m_watcher;
    WatchedPath m_watchedFolder;
    WatchedPath m_watchedFile;
    FileIdentity m_seen;
    // A file seen within moments of its last change may change again within the same tick of the file
    // system's clock, keeping its size and times: then its bytes, kept here, tell whether it changed.
    bool m_seenRecently = false;
    std::optional<std::string> m_seenContent;
    QTimer m_quiet;        // runs from the last event of a burst
    QElapsedTimer m_burst; // since the first event of the burst
};

} // namespace candlewatcher
