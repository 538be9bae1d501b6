#pragma once

#include <QMenu>

class QAction;

namespace candlewatcher {

// The tray icon's menu (right click, or the host's menu on a StatusNotifierItem tray): the ways into the
// program without opening the list window first, and the way out.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    explicit TrayMenu(QWidget* parent = nullptr);

    QAction* ShowBirthdays = nullptr;
    QAction* AddBirthday = nullptr;
    QAction* Settings = nullptr;
    QAction* AddressBooks = nullptr;
    QAction* Notifications = nullptr;
    QAction* ImportContacts = nullptr;
    QAction* ExportCalendar = nullptr;
    QAction* Quit = nullptr;

    // Asks for vCard files, adds their birthdays, says what was added and skipped; the list and the
    // panel follow.
    static void ImportContacts_Click();
    // Asks where to write, and writes every birthday there as an iCalendar file.
    static void ExportCalendar_Click();
};

} // namespace candlewatcher
