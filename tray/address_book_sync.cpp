#include "tray/address_book_sync.h"

#include "addressbook/stored_files.h"
#include "addressbook/sync_schedule.h"
#include "desktop/keyring.h"
#include "manage/frmMenu.h"
#include "tray/address_book_network.h"
#include "ui/forms.h"

#include <QEvent>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>
#include <ctime>
#include <map>
#include <utility>

namespace candlewatcher {

namespace {

constexpr std::chrono::milliseconds kTimeout{30000};
// How far the wall clock may run ahead of the waking clock between two checks before it counts as a sleep:
// more than a clock adjustment, less than any sleep worth a sync.
constexpr qint64 kSleepSeconds = 120;

AddressBookSync* g_instance = nullptr;

QString Text(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The keyring's passwords of the books that sign in without a command. Read here, on the windows' thread,
// since the keyring answers through its event loop; a password not found leaves the book to fail with the
// server's refusal, which its last error then shows.
std::map<std::pair<std::string, std::string>, std::string>
KeptPasswords(const std::vector<Subscription>& subscriptions) {
    std::map<std::pair<std::string, std::string>, std::string> passwords;
    Keyring* keyring = Forms::Environment().Passwords;
    for (const Subscription& subscription : subscriptions) {
        if (keyring == nullptr || subscription.User.empty() || !subscription.PasswordCommand.empty()) {
            continue;
        }
        try {
            if (const std::optional<QString> password =
                    keyring->Find(KeyringKey(Text(subscription.Location), Text(subscription.User)))) {
                passwords[{subscription.Location, subscription.User}] = password->toStdString();
            }
        } catch (const KeyringError&) {
        }
    }
    return passwords;
}

} // namespace

AddressBookSync::AddressBookSync() {
    g_instance = this;
    m_nextSync = new QTimer(this);
    m_nextSync->setSingleShot(true);
    connect(m_nextSync, &QTimer::timeout, this, &AddressBookSync::SyncNow);
    m_wakeCheck = new QTimer(this);
    m_wakeCheck->setInterval(60 * 1000);
    connect(m_wakeCheck, &QTimer::timeout, this, &AddressBookSync::CheckForWakeUp);
    connect(&m_worker, &QFutureWatcher<bool>::finished, this, &AddressBookSync::SyncFinished);
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &AddressBookSync::SubscriptionsChanged);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &AddressBookSync::SubscriptionsChanged);
}

AddressBookSync::~AddressBookSync() {
    m_worker.waitForFinished();
    if (g_instance == this) {
        g_instance = nullptr;
    }
}

AddressBookSync* AddressBookSync::Instance() {
    return g_instance;
}

void AddressBookSync::Start(QWidget& panel) {
    FollowSubscriptions();
    m_wallAtCheck = QDateTime::currentDateTimeUtc();
    m_sinceCheck.start();
    m_wakeCheck->start();
    if (panel.isVisible()) {
        m_panel = &panel;
        panel.installEventFilter(this);
    } else {
        QTimer::singleShot(0, this, &AddressBookSync::SyncNow);
    }
}

bool AddressBookSync::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_panel && event->type() == QEvent::Paint) {
        m_panel->removeEventFilter(this);
        m_panel = nullptr;
        // Queued: the paint finishes first.
        QTimer::singleShot(0, this, &AddressBookSync::SyncNow);
    }
    return QObject::eventFilter(watched, event);
}

void AddressBookSync::SyncNow() {
    if (m_syncing) {
        return;
    }
    m_syncing = true;
    m_nextSync->stop();
    const AddressBookPaths paths = DefaultAddressBookPaths();
    std::vector<Subscription> subscriptions;
    bool damaged = false;
    try {
        subscriptions = ReadSubscriptions(paths.SubscriptionFile);
    } catch (const std::runtime_error&) {
        // The sync below meets the same damage and counts as failed; the dialog says why.
        damaged = true;
    }
    if (subscriptions.empty() && !damaged) {
        // Nothing subscribed: no worker, and the network module is not loaded at all.
        m_syncing = false;
        m_nextSync->start(LoadSyncMinutes(*Forms::Environment().Settings) * 60 * 1000);
        emit Finished();
        return;
    }
    auto passwords = KeptPasswords(subscriptions);
    m_worker.setFuture(QtConcurrent::run([paths, passwords = std::move(passwords)] {
        const PasswordSource kept = [&](const std::string& location,
                                        const std::string& user) -> std::optional<std::string> {
            const auto found = passwords.find({location, user});
            return found == passwords.end() ? std::nullopt : std::optional<std::string>(found->second);
        };
        try {
            return !LoadedAddressBookNetwork().Sync(paths, kTimeout, std::time(nullptr), kept).AnyFailed;
        } catch (const std::runtime_error&) {
            return false;
        }
    }));
}

void AddressBookSync::SyncFinished() {
    m_syncing = false;
    m_failuresInARow = m_worker.result() ? 0 : m_failuresInARow + 1;
    int syncMinutes = LoadSyncMinutes(*Forms::Environment().Settings);
    m_nextSync->start(MinutesUntilNextSync(m_failuresInARow, syncMinutes) * 60 * 1000);
    frmMenu::RefreshAfterChange();
    emit Finished();
}

void AddressBookSync::CheckForWakeUp() {
    const QDateTime wall = QDateTime::currentDateTimeUtc();
    const qint64 slept = m_wallAtCheck.secsTo(wall) - m_sinceCheck.restart() / 1000;
    m_wallAtCheck = wall;
    if (slept > kSleepSeconds) {
        SyncNow();
    }
}

void AddressBookSync::FollowSubscriptions() {
    if (!m_watcher->files().isEmpty()) {
        m_watcher->removePaths(m_watcher->files());
    }
    if (!m_watcher->directories().isEmpty()) {
        m_watcher->removePaths(m_watcher->directories());
    }
    const AddressBookPaths paths = DefaultAddressBookPaths();
    m_subscriptionFile = QFileInfo(QString::fromStdString(paths.SubscriptionFile.string()));
    m_subscriptionFileTime = m_subscriptionFile.exists() ? m_subscriptionFile.lastModified() : QDateTime();
    QStringList watched;
    // The file is replaced whole when it changes, so its folder tells of it; the folder holds the settings
    // too, whose changes SubscriptionsChanged passes over.
    watched << m_subscriptionFile.absolutePath() << QString::fromStdString(paths.CacheDirectory.string());
    try {
        for (const Subscription& subscription : ReadSubscriptions(paths.SubscriptionFile)) {
            if (subscription.Kind == SourceKind::Folder) {
                watched << Text(subscription.Location);
            }
        }
    } catch (const std::runtime_error&) {
    }
    // A folder not there (yet) is not watched; the next change of the subscriptions tries again.
    m_watcher->addPaths(watched);
}

void AddressBookSync::SubscriptionsChanged(const QString& path) {
    if (path == m_subscriptionFile.absolutePath()) {
        m_subscriptionFile.refresh();
        const QDateTime time = m_subscriptionFile.exists() ? m_subscriptionFile.lastModified() : QDateTime();
        if (time == m_subscriptionFileTime) {
            return; // the settings, or the notices' record
        }
        FollowSubscriptions();
    }
    frmMenu::RefreshAfterChange();
}

} // namespace candlewatcher
