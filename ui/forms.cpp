#include "ui/forms.h"

#include "manage/AddB.h"
#include "manage/EditB.h"
#include "manage/frmAddressBooks.h"
#include "manage/frmMenu.h"
#include "manage/frmNotifications.h"
#include "manage/frmSettings.h"
#include "desktop/birthday_file_watcher.h"
#include "tray/frmMain.h"

#include <QCoreApplication>
#include <QPointer>

#include <utility>

namespace candlewatcher {

namespace {

FormsEnvironment& SharedEnvironment() {
    static FormsEnvironment environment;
    return environment;
}

// QPointer forgets a window that Qt deleted (the list window deletes itself on close).
QPointer<frmMain> g_main;
QPointer<frmMenu> g_menu;
QPointer<AddB> g_add;
QPointer<EditB> g_edit;
QPointer<frmSettings> g_settings;
QPointer<frmAddressBooks> g_addressBooks;
QPointer<frmNotifications> g_notifications;

// The pointer is stored before Form_Load runs, so that a window referred to while its own load handling
// runs (the list window's first refill reaches the panel, which reaches the settings dialog) is not
// created twice.
std::function<void()>& QuitAction() {
    static std::function<void()> action = [] {
        QCoreApplication::exit(0);
    };
    return action;
}

template <typename Window> Window& Reference(QPointer<Window>& slot) {
    if (!slot) {
        slot = new Window();
        slot->Form_Load();
    }
    return *slot;
}

template <typename Window> void Destroy(QPointer<Window>& slot) {
    delete slot.data();
    slot = nullptr;
}

} // namespace

void Forms::SetEnvironment(FormsEnvironment environment) {
    SharedEnvironment() = std::move(environment);
}

const FormsEnvironment& Forms::Environment() {
    return SharedEnvironment();
}

frmMain& Forms::Main() {
    return Reference(g_main);
}
frmMenu& Forms::Menu() {
    return Reference(g_menu);
}
AddB& Forms::Add() {
    return Reference(g_add);
}
EditB& Forms::Edit() {
    return Reference(g_edit);
}
frmSettings& Forms::Settings() {
    return Reference(g_settings);
}

frmAddressBooks& Forms::AddressBooks() {
    return Reference(g_addressBooks);
}

frmNotifications& Forms::Notifications() {
    return Reference(g_notifications);
}

void Forms::MarkBirthdayFileSeen() {
    if (BirthdayFileWatcher* watcher = SharedEnvironment().Watcher) {
        watcher->MarkSeen();
    }
}

bool Forms::MainExists() {
    return !g_main.isNull();
}
bool Forms::MenuExists() {
    return !g_menu.isNull();
}
bool Forms::AddExists() {
    return !g_add.isNull();
}
bool Forms::SettingsExists() {
    return !g_settings.isNull();
}

void Forms::Quit() {
    QuitAction()();
}

void Forms::SetQuitAction(std::function<void()> action) {
    QuitAction() = std::move(action);
}

void Forms::DestroyAll() {
    Destroy(g_menu);
    Destroy(g_add);
    Destroy(g_edit);
    Destroy(g_settings);
    Destroy(g_addressBooks);
    Destroy(g_notifications);
    Destroy(g_main);
}

} // namespace candlewatcher
