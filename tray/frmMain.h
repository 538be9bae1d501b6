#pragma once

// moc cannot parse the C++20 library headers that the core's headers bring in, and needs none of them.
#ifndef Q_MOC_RUN
#include "data/date_helpers.h"
#include "reminder/scan.h"
#endif

#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

class QLabel;
class QTimer;

namespace candlewatcher {

class RowMarker;
class TrayMenu;
class BorderLine;
class NoticeScheduler;

// The main window: the borderless reminder panel above the bottom right corner of the screen, and the owner
// of the tray icon through which the user opens and puts away the program's windows.
class frmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowCount = 13;

    frmMain();
    ~frmMain() override;

    // Start-up: counter "0", tray icon, data directory, first refresh, add dialog preset with today's date.
    void Form_Load();
    // The date of the start-up, which the add dialog's date boxes start with whenever it is first made.
    std::optional<CalendarDate> StartDate() const { return m_startDate; }
    // The settings the last refresh read successfully, which the settings dialog shows.
    double Warn() const { return m_warn; }
    double WarnDays() const { return m_warnDays; }
    // Reloads the settings, scans birthday.dat, redraws, places and shows or hides the panel.
    void CheckBirthdays();

    // The refresh counter is Label1's caption; every change of it runs Label1_Change.
    QString RefreshCounter() const;
    void SetRefreshCounter(const QString& caption);

    // "TR" once the user has opened the windows from the tray; any other text acts like "RT".
    QString Tag() const { return m_tag; }
    void SetTag(const QString& tag) { m_tag = tag; }

    // What a left double click on the tray icon does.
    void ToggleWindows();
    // Shows the panel and the list window and sets the tag "TR", as the double click does when the windows
    // are put away: used when a second start hands over to this instance, and when there is no tray.
    void OpenWindows();
    void TrayIcon_Activated(QSystemTrayIcon::ActivationReason reason);

    void tmrBirthday_Timer();
    void Label1_Change();
    // Another program changed birthday.dat: an open list window refills (and so refreshes the panel
    // through the counter), otherwise the panel refreshes; once either way.
    void BirthdayFile_Changed();
    // Removes the tray icon; the close always goes ahead.
    void Form_QueryUnload();

    // Runs the refresh when the local date is no longer the one the last refresh used (midnight, waking
    // from suspend), and has the notices follow a clock that jumped. Called by a timer every minute and
    // shortly after each midnight.
    void CheckDateChange();

    // Whether the tray host reports a click as one activation only (a StatusNotifierItem host): that
    // activation then toggles the windows. main() asks the session bus once the panel is on screen; tests
    // set it.
    bool SingleActivationToggles() const { return m_singleActivationToggles; }
    void SetSingleActivationToggles(bool on) { m_singleActivationToggles = on; }

    // The desktop notices: every refresh gives those due.
    NoticeScheduler& Notices() const { return *m_notices; }

    QSystemTrayIcon* TrayIcon() const { return m_trayIcon.get(); }
    TrayMenu* TrayIconMenu() const { return m_trayMenu; }
    QTimer* tmrBirthday = nullptr;
    QLabel* Label1 = nullptr; // the refresh counter, never shown
    // Row k is Birthday[k] (objectName "Birthday<k>") with its marker BShape[k] ("BShape<k>").
    std::array<QLabel*, RowCount> Birthday{};
    std::array<RowMarker*, RowCount> BShape{};
    // Line1 to Line6, objectNames "Line1" to "Line6".
    std::array<BorderLine*, 6> Line{};

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AddTrayIcon();
    void ShowRows(const ScanResult& result, std::size_t totalRows);
    // rows: the rows shown, "and N more" included; 0 when the panel says there are none.
    void DescribeRows(int rows);
    void PlacePanel(int rows);
    void MoveToCorner(int heightTwips);
    void SetBackground(const QColor& color);
    void ScheduleMidnightCheck();

    QString m_tag;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon; // gone once the program is closing
    TrayMenu* m_trayMenu = nullptr;
    std::filesystem::path m_dataDirectory;
    double m_warn = 1;
    double m_warnDays = 10;
    bool m_singleActivationToggles = false;
    QElapsedTimer m_lastActivation; // the last single activation that toggled
    // The date the last refresh ran for, failed or not: a failure is reported once, not every minute.
    std::optional<CalendarDate> m_refreshDate;
    std::optional<CalendarDate> m_startDate;
    QTimer* m_dateTimer = nullptr;
    QTimer* m_midnightTimer = nullptr;
    NoticeScheduler* m_notices = nullptr;
};

// Whether the session's tray host is a StatusNotifierItem host, asked of the session bus as Qt asks it.
bool StatusNotifierHostRegistered();

} // namespace candlewatcher
