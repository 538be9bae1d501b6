#include "desktop/birthday_file_watcher.h"

#include "data/birthday_file.h"

#include <QFile>

#include <algorithm>
#include <chrono>

namespace candlewatcher {

namespace {

// A burst is over once it has been quiet this long; a stream of events that never pauses is still looked
// at this long after its first event, so the panel follows within a second.
constexpr int QuietMs = 250;
constexpr int LongestWaitMs = 750;
// The coarsest clock of a file system that may hold the data directory (FAT counts in two seconds).
constexpr std::chrono::seconds TimestampTick(2);

bool IsDirectory(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::filesystem::path NearestExistingFolder(std::filesystem::path folder) {
    while (!IsDirectory(folder) && folder.has_relative_path()) {
        folder = folder.parent_path();
    }
    return folder;
}

QString ToQString(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

// The directory without a trailing separator, absolute, so that walking up its parents ends at the root.
std::filesystem::path Normalised(const std::filesystem::path& directory) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(directory.empty() ? "." : directory, error);
    path = path.lexically_normal();
    return path.has_filename() ? path : path.parent_path();
}

} // namespace

BirthdayFileWatcher::BirthdayFileWatcher(const std::filesystem::path& dataDirectory, QObject* parent)
    : QObject(parent)
    , m_directory(Normalised(dataDirectory))
    , m_file(m_directory / "birthday.dat") {
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &BirthdayFileWatcher::Examine);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &BirthdayFileWatcher::OnEvent);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &BirthdayFileWatcher::OnEvent);
    MarkSeen();
}

void BirthdayFileWatcher::Start() {
    LookAgain();
}

void BirthdayFileWatcher::MarkSeen() {
    m_seen = IdentityOf(m_file);
    const auto modified =
        std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(m_seen.ModifiedSeconds) +
            std::chrono::nanoseconds(m_seen.ModifiedNanoseconds)));
    m_seenRecently = m_seen.Present && std::chrono::system_clock::now() - modified < TimestampTick;
    m_seenContent = m_seenRecently ? Content() : std::nullopt;
}

std::optional<std::string> BirthdayFileWatcher::Content() const {
    try {
        // Read as the program reads it: a FIFO in the file's place is refused rather than waited on.
        std::optional<FileBytes> bytes = BirthdayFile(m_directory).ReadBytes();
        return bytes ? std::string(bytes->View()) : std::string();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void BirthdayFileWatcher::OnEvent() {
    if (!m_quiet.isActive()) {
        m_burst.start();
    }
    const qint64 left = LongestWaitMs - m_burst.elapsed();
    m_quiet.start(static_cast<int>(std::clamp<qint64>(left, 0, QuietMs)));
}

void BirthdayFileWatcher::Examine() {
    LookAgain();
    emit Settled();
}

void BirthdayFileWatcher::LookAgain() {
    // Watches first, then the look at the file: a change after the look is an event on the new watches.
    Arm();
    const FileIdentity now = IdentityOf(m_file);
    if (now != m_seen || (m_seenRecently && Content() != m_seenContent)) {
        MarkSeen();
        emit Changed();
    }
}

void BirthdayFileWatcher::Arm() {
    Keep(m_watchedFolder, NearestExistingFolder(m_directory));
    Keep(m_watchedFile, m_file);
}

void BirthdayFileWatcher::Keep(WatchedPath& watched, const std::filesystem::path& path) {
    const QString wanted = ToQString(path);
    const FileIdentity identity = IdentityOf(path);
    // Qt forgets a path whose file was removed or moved away; one renamed over it still watches the old file.
    const bool listed = !watched.Path.isEmpty() && (m_watcher.files().contains(watched.Path) ||
                                                    m_watcher.directories().contains(watched.Path));
    if (listed && watched.Path == wanted && identity.Error == 0 && identity.Device == watched.Device &&
        identity.Inode == watched.Inode) {
        return;
    }
    if (listed) {
        m_watcher.removePath(watched.Path);
    }
    watched = {};
    if (identity.Present && identity.Error == 0 && m_watcher.addPath(wanted)) {
        watched = {wanted, identity.Device, identity.Inode};
    }
}

} // namespace candlewatcher
