#include "app/first_paint_trace.h"
#include "app/quit_on_signal.h"
#include "app/tray_entry.h"
#include "cli/arguments.h"
#include "data/birthday_file.h"
#include "desktop/birthday_file_watcher.h"
#include "desktop/dbus_notifier.h"
#include "desktop/secret_service_keyring.h"
#include "desktop/deferred_notifier.h"
#include "platform/qsettings_store.h"
#include "tray/address_book_sync.h"
#include "tray/frmMain.h"
#include "ui/translated.h"
#include "ui/after_first_paint.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

using namespace candlewatcher;

// Wayland lets no client place its own windows, and the panel must sit above the bottom right corner of
// the screen: in a Wayland session with XWayland, run on X11 unless the user has chosen a platform.
void PreferX11UnderWayland() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsSet("DISPLAY")) {
        return;
    }
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
                         qgetenv("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland");
    if (wayland) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
    }
}

// Without a tray host (GNOME without an extension) the icon is no way in, so the windows open as the
// double click opens them. A host started together with the program (logging in) gets a moment to appear.
void OpenWindowsWithoutTray() {
    constexpr int GraceMs = 3000;
    constexpr int StepMs = 250;
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    auto* poll = new QTimer(qApp);
    poll->setInterval(StepMs);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, waited = 0]() mutable {
        waited += StepMs;
        if (QSystemTrayIcon::isSystemTrayAvailable() || waited >= GraceMs) {
            poll->deleteLater();
            if (!QSystemTrayIcon::isSystemTrayAvailable()) {
                Forms::Main().OpenWindows();
            }
        }
    });
    poll->start();
}

} // namespace

int CandlewatcherTrayMain(int argc, char* argv[]) {
    // Read before QApplication takes its own options out of argv; the launcher has already refused
    // arguments that cannot be used, this is the same reading for the data directory.
    ProgramArguments arguments;
    try {
        arguments = ParseArguments(argc, argv);
    } catch (const ArgumentError& error) {
        return ReportArgumentError(error);
    }
    PreferX11UnderWayland();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Candlewatcher"));
    QApplication::setApplicationName(QStringLiteral("Candlewatcher"));
    UseQtTranslations();
    // A tray program: closing the list window keeps it running.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::filesystem::path dataDirectory = arguments.DataDirectory.value_or(DataDirectory());
    SingleInstance instance(dataDirectory);
    switch (instance.Claim()) {
    case SingleInstance::Outcome::HandedOver:
        return EXIT_SUCCESS;
    case SingleInstance::Outcome::NoAnswer:
        // TRANSLATORS: %1 is the folder of the birthdays that the other copy of the program uses.
        MessageBox::Warn(nullptr,
                         QTr("Candlewatcher could not start: another Candlewatcher is running on %1 and "
                             "does not answer.")
                             .arg(QString::fromStdString(dataDirectory.string())));
        return EXIT_FAILURE;
    case SingleInstance::Outcome::Primary:
        break;
    }

    QSettingsStore store;
    // The session bus and the watches wait until the panel is on screen (below). Meanwhile a notification
    // is kept, and the first refresh's read of birthday.dat is marked as seen, so that a change between
    // that read and the start of the watch is reported when the watch starts.
    DeferredNotifier notifications;
    std::optional<DBusNotifier> desktopNotifier;
    BirthdayFileWatcher watcher(dataDirectory);
    SecretServiceKeyring keyring;
    Forms::SetEnvironment({dataDirectory, &store, [] { return Today(); }, &notifications, &watcher, &keyring});
    AddressBookSync addressBookSync;
    // Creating the main window runs its start-up: tray icon, first refresh.
    frmMain& main = Forms::Main();
    // Before the trace, whose event filter then sees the paint first: its stamp is taken before this work.
    RunAfterFirstPaint(main, [&] {
        desktopNotifier.emplace(QDBusConnection::sessionBus());
        notifications.Forward(*desktopNotifier);
        main.SetSingleActivationToggles(StatusNotifierHostRegistered());
        watcher.Start();
    });
    TraceFirstPaint(main);
    QObject::connect(&instance, &SingleInstance::OpenRequested, &main, [] { Forms::Main().OpenWindows(); });
    OpenWindowsWithoutTray();
    addressBookSync.Start(main);
    QuitOnTerminationSignals();

    const int status = QApplication::exec();
    // The windows use the store, the notifiers and the watcher; they go first.
    Forms::DestroyAll();
    return status;
}
