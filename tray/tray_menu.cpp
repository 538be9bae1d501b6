#include "tray/tray_menu.h"

#include "addressbook/commands.h"
#include "addressbook/hidden_people.h"
#include "calendar/calendar_file.h"
#include "contacts/contact_import.h"
#include "manage/AddB.h"
#include "manage/frmAddressBooks.h"
#include "manage/frmMenu.h"
#include "manage/frmNotifications.h"
#include "manage/frmSettings.h"
#include "tray/frmMain.h"
#include "ui/file_dialogs.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/translated.h"

#include <QFile>

#include <ctime>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace candlewatcher {

namespace {

// The import's lines for a message box: a long import shows its first lines and the count that ends it.
QString SummaryText(const std::vector<std::string>& lines) {
    constexpr std::size_t FirstLines = 20;
    const auto text = [](const std::string& line) {
        return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    };
    QStringList shown;
    for (std::size_t i = 0; i < lines.size() && i < FirstLines; ++i) {
        shown << text(lines[i]);
    }
    if (lines.size() > FirstLines) {
        if (lines.size() > FirstLines + 1) {
            shown << QStringLiteral("...");
        }
        shown << text(lines.back());
    }
    return shown.join(QLatin1Char('\n'));
}

} // namespace

TrayMenu::TrayMenu(QWidget* parent)
    : QMenu(parent) {
    setObjectName(QStringLiteral("TrayMenu"));
    // TRANSLATORS: the tray menu; "&" marks each entry's key, a different letter for each entry.
    ShowBirthdays = addAction(QTr("&Show Birthdays"));
    AddBirthday = addAction(QTr("&Add Birthday..."));
    Settings = addAction(QTr("S&ettings..."));
    addSeparator();
    Notifications = addAction(QTr("&Notifications..."));
    AddressBooks = addAction(QTr("Address &Books..."));
    ImportContacts = addAction(QTr("&Import Contacts..."));
    ExportCalendar = addAction(QTr("E&xport Calendar..."));
    addSeparator();
    Quit = addAction(QTr("&Quit Candlewatcher"));

    connect(ShowBirthdays, &QAction::triggered, this, [] { Forms::Main().OpenWindows(); });
    // The dialogs run their own event loop: queued, so that the menu has closed before they open.
    connect(
        AddBirthday, &QAction::triggered, this, [] { frmMenu::ShowDialogThenRefill(Forms::Add()); },
        Qt::QueuedConnection);
    connect(
        Settings, &QAction::triggered, this, [] { frmMenu::ShowDialogThenRefill(Forms::Settings()); },
        Qt::QueuedConnection);
    connect(
        Notifications, &QAction::triggered, this, [] { Forms::Notifications().ShowStored(); },
        Qt::QueuedConnection);
    connect(
        AddressBooks, &QAction::triggered, this, [] { frmMenu::ShowDialogThenRefill(Forms::AddressBooks()); },
        Qt::QueuedConnection);
    connect(ImportContacts, &QAction::triggered, this, &TrayMenu::ImportContacts_Click, Qt::QueuedConnection);
    connect(ExportCalendar, &QAction::triggered, this, &TrayMenu::ExportCalendar_Click, Qt::QueuedConnection);
    // The panel's close removes the icon and ends the program, as the list window's No does.
    connect(Quit, &QAction::triggered, this, [] { Forms::Main().close(); });
}

void TrayMenu::ImportContacts_Click() {
    const QStringList chosen = FileDialogs::OpenContacts(nullptr);
    if (chosen.isEmpty()) {
        return;
    }
    std::vector<std::filesystem::path> files;
    for (const QString& file : chosen) {
        files.emplace_back(QFile::encodeName(file).toStdString());
    }
    std::vector<std::string> summary;
    try {
        summary = ImportContactFiles(Forms::Environment().DataDirectory, files).Lines;
    } catch (const std::exception& error) {
        MessageBox::Warn(nullptr, QTr("Could not import the contacts: %1"), error);
        return;
    }
    // Our own write: the watcher is not to refresh for it a second time.
    Forms::MarkBirthdayFileSeen();
    MessageBox::Ask(nullptr, QMessageBox::Information, SummaryText(summary), QMessageBox::Ok,
                    QMessageBox::Ok);
    frmMenu::RefreshAfterChange();
}

void TrayMenu::ExportCalendar_Click() {
    const QString chosen = FileDialogs::SaveCalendar(nullptr);
    if (chosen.isEmpty()) {
        return;
    }
    try {
        // The dialog gives an absolute path, so it is never "-", which would mean standard output.
        // The calendar holds what the panel shows: the address books' birthdays too, less the hidden people.
        const std::size_t leftOutCount =
            WriteBirthdayCalendar(OwnThenSubscribed(ReadShownBirthdays(DefaultAddressBookPaths(),
                                                                       Forms::Environment().DataDirectory,
                                                                       *Forms::Environment().Settings)),
                                  QFile::encodeName(chosen).toStdString(), std::time(nullptr));
        if (leftOutCount > 0) {
            const QString leftOut =
                QTrN("%1 birthday was left out of the calendar: its day and month are no date.",
                     "%1 birthdays were left out of the calendar: their day and month are no date.",
                     static_cast<qsizetype>(leftOutCount))
                    .arg(leftOutCount);
            MessageBox::Ask(nullptr, QMessageBox::Information, leftOut, QMessageBox::Ok, QMessageBox::Ok);
        }
    } catch (const std::exception& error) {
        MessageBox::Warn(nullptr, QTr("Could not export the calendar: %1"), error);
    }
}

} // namespace candlewatcher
