#pragma once

#include "data/date_helpers.h"

#include <filesystem>
#include <functional>

namespace candlewatcher {

class frmMain;
class frmMenu;
class AddB;
class EditB;
class frmSettings;
class frmAddressBooks;
class Keyring;
class frmNotifications;
class SettingsStore;
class BirthdayFileWatcher;
class Notifier;

// What every window works with: where birthday.dat lies, the per-user settings, the clock and the desktop
// notifications. The program sets it once in main(); tests set their own temporary directory, store, date
// and notifier.
struct FormsEnvironment {
    std::filesystem::path DataDirectory;
    SettingsStore* Settings = nullptr; // not owned; outlives the windows
    std::function<CalendarDate()> Today = [] {
        return candlewatcher::Today();
    };
    Notifier* Notifications = nullptr; // not owned; outlives the windows; none: no notifications
    // Tells the panel when another program changes birthday.dat; not owned, outlives the windows. The
    // program always has one; window tests that write the file behind the windows' backs go without.
    BirthdayFileWatcher* Watcher = nullptr;
    // Keeps the address books' passwords; not owned, outlives the windows. None: the windows say that no
    // keyring is there when a password is to be kept.
    Keyring* Passwords = nullptr;
};

// The window registry. Each window is a single instance, created (and its Form_Load run) the first time
// anything refers to it, then shown and hidden rather than destroyed. Only the list window is destroyed,
// when the user closes it and chooses to stay in the tray; the next reference creates it afresh.
class Forms {
public:
    static void SetEnvironment(FormsEnvironment environment);
    static const FormsEnvironment& Environment();

    static frmMain& Main();
    static frmMenu& Menu();
    static AddB& Add();
    static EditB& Edit();
    static frmSettings& Settings();
    static frmAddressBooks& AddressBooks();
    static frmNotifications& Notifications();

    // A window has read or written birthday.dat: the watcher takes the file as it is now for known, so
    // only a later change by another program refreshes the windows.
    static void MarkBirthdayFileSeen();

    // Whether a window exists now, without creating it.
    static bool MainExists();
    static bool MenuExists();
    static bool AddExists();
    static bool SettingsExists();

    // Ends the program: runs the quit action, by default ending the application's event loop. Tests put
    // their own in its place: ending the event loop would end every later modal loop of the test program.
    static void Quit();
    static void SetQuitAction(std::function<void()> action);

    // Deletes every window, so that the next reference starts from a fresh program (tests, program end).
    static void DestroyAll();
};

} // namespace candlewatcher
