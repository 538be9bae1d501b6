#include "reminder/tray_menu.h"

#include "manage/AddB.h"
#include "manage/frmMenu.h"
#include "manage/frmSettings.h"
#include "reminder/frmMain.h"
#include "ui/forms.h"

namespace candlewatcher {

TrayMenu::TrayMenu(QWidget* parent)
    : QMenu(parent) {
    setObjectName(QStringLiteral("TrayMenu"));
    ShowBirthdays = addAction(QStringLiteral("&Show Birthdays"));
    AddBirthday = addAction(QStringLiteral("&Add Birthday..."));
    Settings = addAction(QStringLiteral("S&ettings..."));
    addSeparator();
    Quit = addAction(QStringLiteral("&Quit Candlewatcher"));

    connect(ShowBirthdays, &QAction::triggered, this, [] { Forms::Main().OpenWindows(); });
    // The dialogs run their own event loop: queued, so that the menu has closed before they open.
    connect(
        AddBirthday, &QAction::triggered, this, [] { frmMenu::ShowDialogThenRefill(Forms::Add()); },
        Qt::QueuedConnection);
    connect(
        Settings, &QAction::triggered, this, [] { frmMenu::ShowDialogThenRefill(Forms::Settings()); },
        Qt::QueuedConnection);
    // The panel's close removes the icon and ends the program, as the list window's No does.
    connect(Quit, &QAction::triggered, this, [] { Forms::Main().close(); });
}

} // namespace candlewatcher
