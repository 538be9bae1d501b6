#pragma once

// moc cannot parse the C++20 library headers that the core's headers bring in, and needs none of them.
#ifndef Q_MOC_RUN
#include "addressbook/commands.h"
#endif

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;
class QWidget;

namespace candlewatcher {

// Keeps the address books current while the tray program runs: a first sync once the panel has been
// painted, then every [AddressBooks] SyncMinutes, sooner after failures (1, 2, 4 ... minutes), at once after
// the machine wakes, and on demand. Each sync runs on a worker thread; the windows refresh when it ends. A
// failure is kept as the book's last error for the Address Books dialog, never shown in a message box. It
// also follows the subscribed folders, and the subscriptions and caches that the command line may change.
class AddressBookSync : public QObject {
    Q_OBJECT
public:
    AddressBookSync();
    ~AddressBookSync() override; // waits for a sync under way: it writes the caches

    // The one of the running program (the last made and not yet gone), or none.
    static AddressBookSync* Instance();

    // The first sync follows panel's first paint, or the start of the event loop when the panel is hidden.
    void Start(QWidget& panel);
    // Starts a sync now unless one is under way.
    void SyncNow();
    bool Syncing() const { return m_syncing; }
    int FailuresInARow() const { return m_failuresInARow; }

    // Watches the subscribed folders and the subscription file as they are now.
    void FollowSubscriptions();

signals:
    // A sync has ended and the windows show its outcome.
    void Finished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SyncFinished();
    void CheckForWakeUp();
    void SubscriptionsChanged(const QString& path);

    bool m_syncing = false;
    int m_failuresInARow = 0;
    QFutureWatcher<bool> m_worker; // true when every book synced
    QTimer* m_nextSync = nullptr;
    QTimer* m_wakeCheck = nullptr;
    // The wall clock and a clock that stops while the machine sleeps, both read at the last wake check:
    // the wall clock running ahead of the other means the machine slept.
    QDateTime m_wallAtCheck;
    QElapsedTimer m_sinceCheck;
    QFileSystemWatcher* m_watcher = nullptr;
    QWidget* m_panel = nullptr; // until its first paint
    QFileInfo m_subscriptionFile;
    QDateTime m_subscriptionFileTime;
};

} // namespace candlewatcher
