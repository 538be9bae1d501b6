#include "tray/frmMain.h"

#include "addressbook/shown_scan.h"
#include "data/birthday_file.h"
#include "data/settings_store.h"
#include "manage/AddB.h"
#include "manage/frmMenu.h"
#include "manage/frmSettings.h"
#include "desktop/birthday_file_watcher.h"
#include "tray/border_line.h"
#include "tray/notice_scheduler.h"
#include "tray/row_marker.h"
#include "tray/tray_menu.h"
#include "ui/app_icon.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/stored_text.h"
#include "ui/translated.h"
#include "ui/twips.h"
#include "ui/window_role.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

namespace candlewatcher {

namespace {

const QColor LightBlue(192, 192, 255);
const QColor LightGrey(224, 224, 224);
const QColor White(255, 255, 255);
const QColor DarkGrey(128, 128, 128);
const QColor Black(0, 0, 0);

// Panel layout in twips.
constexpr int PanelWidth = 2955;
constexpr int StartHeight = 3195;
constexpr int RowTop = 60;
constexpr int RowPitch = 240;
constexpr int RowHeight = 255;
constexpr int LabelLeft = 60;
constexpr int MarkerWidth = 195;
constexpr int RightMargin = 100;
constexpr int BottomMargin = 500;
// With more rows than fit, the last row says how many more there are.
constexpr int ListedWhenTooMany = frmMain::RowCount - 1;

struct LineDesign {
    const char* Name;
    QColor Color;
    int X1, Y1, X2, Y2;
};

// Line1 to Line6 at start; CheckBirthdays moves Line3 and Line5 with the panel's lower edge.
const std::array<LineDesign, 6> LineDesigns{{
    {"Line1", White, 0, 0, 0, 3180},
    {"Line2", White, 0, 0, 2940, 0},
    {"Line3", Black, 0, 3180, 2940, 3180},
    {"Line4", Black, 2940, 3180, 2940, 0},
    {"Line5", DarkGrey, 0, 3165, 2940, 3165},
    {"Line6", DarkGrey, 2925, 0, 2925, 3180},
}};
constexpr int Line3 = 2;
constexpr int Line5 = 4;

// The panel's colours are fixed light ones whatever the desktop's colour scheme, so its text is fixed dark:
// a dark scheme's light text would vanish on them.
void SetPanelColours(QWidget* widget, const QColor& background) {
    QPalette palette = widget->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::WindowText, Black);
    }
    widget->setPalette(palette);
}

} // namespace

bool StatusNotifierHostRegistered() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher)) {
        return false;
    }
    QDBusInterface host(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return host.isValid() && host.property("IsStatusNotifierHostRegistered").toBool();
}

frmMain::frmMain() {
    setObjectName(QStringLiteral("frmMain"));
    // A panel that floats over everything, never takes the keyboard from the window the user works in and
    // has no taskbar entry of its own.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Candlewatcher"));
    GiveWindowRole(*this);
    setWindowIcon(AppIcon());
    setAutoFillBackground(true);
    SetBackground(LightBlue);
    // In its corner from the start, so that a panel shown before any refresh could draw it (the first
    // refresh failed) is not an empty box at the top left of the screen.
    MoveToCorner(StartHeight);

    // Arial where it is installed; fontconfig gives its metric twin (Liberation Sans) elsewhere.
    QFont rowFont(QStringLiteral("Arial"));
    rowFont.setStyleHint(QFont::SansSerif);
    rowFont.setPointSizeF(8.25);
    rowFont.setWeight(QFont::Normal);

    for (int k = 0; k < RowCount; ++k) {
        const int top = RowTop + RowPitch * k;
        // The marker first, so the label lies over it and its text stays readable where they overlap.
        BShape[k] = new RowMarker(this);
        BShape[k]->setObjectName(QStringLiteral("BShape%1").arg(k));
        BShape[k]->setGeometry(TwipsRect(0, top, MarkerWidth, RowHeight));
        BShape[k]->SetFillColor(LightGrey);

        const bool wide = k >= 11;
        Birthday[k] = new QLabel(this);
        Birthday[k]->setObjectName(QStringLiteral("Birthday%1").arg(k));
        Birthday[k]->setGeometry(TwipsRect(LabelLeft, top, wide ? 2895 : 2835, RowHeight));
        Birthday[k]->setFont(rowFont);
        Birthday[k]->setAutoFillBackground(true);
        Birthday[k]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        Birthday[k]->setTextFormat(Qt::PlainText);
        Birthday[k]->setWordWrap(false);
        SetPanelColours(Birthday[k], wide ? LightGrey : LightBlue);
    }

    // The frame lies over the rows: the two widest rows reach the panel's right edge.
    for (std::size_t i = 0; i < LineDesigns.size(); ++i) {
        const LineDesign& design = LineDesigns[i];
        Line[i] = new BorderLine(this, design.Color);
        Line[i]->setObjectName(QString::fromLatin1(design.Name));
        Line[i]->SetEnds(design.X1, design.Y1, design.X2, design.Y2);
    }

    m_trayMenu = new TrayMenu(this);

    Label1 = new QLabel(QStringLiteral("0"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();

    tmrBirthday = new QTimer(this);
    tmrBirthday->setObjectName(QStringLiteral("tmrBirthday"));
    tmrBirthday->setInterval(5000);
    tmrBirthday->setTimerType(Qt::PreciseTimer); // a coarse one may fire a quarter of a second late
    connect(tmrBirthday, &QTimer::timeout, this, &frmMain::tmrBirthday_Timer);

    m_dateTimer = new QTimer(this);
    m_dateTimer->setInterval(60 * 1000);
    connect(m_dateTimer, &QTimer::timeout, this, &frmMain::CheckDateChange);
    m_midnightTimer = new QTimer(this);
    m_midnightTimer->setSingleShot(true);
    m_midnightTimer->setTimerType(Qt::VeryCoarseTimer);
    connect(m_midnightTimer, &QTimer::timeout, this, [this] {
        CheckDateChange();
        ScheduleMidnightCheck();
    });

    m_notices = new NoticeScheduler([this] { OpenWindows(); }, this);
}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
    // The caption already reads "0", so this is no change and runs no refresh.
    SetRefreshCounter(QStringLiteral("0"));
    AddTrayIcon();
    m_dataDirectory = Forms::Environment().DataDirectory;
    if (BirthdayFileWatcher* watcher = Forms::Environment().Watcher) {
        connect(watcher, &BirthdayFileWatcher::Changed, this, &frmMain::BirthdayFile_Changed);
    }
    CheckBirthdays();

    // The dialogs are made on first use, not here, so that the panel paints sooner: each presets itself
    // from StartDate(), Warn() and WarnDays() then. One made already is preset now.
    m_startDate = Forms::Environment().Today();
    if (Forms::AddExists()) {
        Forms::Add().PresetDate(*m_startDate);
    }

    m_dateTimer->start();
    ScheduleMidnightCheck();
}

void frmMain::AddTrayIcon() {
    m_trayIcon = std::make_unique<QSystemTrayIcon>(AppIcon());
    m_trayIcon->setToolTip(QStringLiteral("Candlewatcher"));
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, &frmMain::TrayIcon_Activated);
    m_trayIcon->setContextMenu(m_trayMenu);
    m_trayIcon->show();
}

void frmMain::CheckBirthdays() {
    const FormsEnvironment& environment = Forms::Environment();
    const CalendarDate today = environment.Today();
    m_refreshDate = today;

    WarnSettings settings;
    try {
        settings = LoadWarnSettings(*environment.Settings);
    } catch (const std::exception& error) {
        // Nothing is drawn from half-known settings: the panel keeps what it showed.
        MessageBox::Warn(nullptr, QTr("Could not read the settings: %1"), error);
        return;
    }
    m_warn = settings.Warn;
    m_warnDays = settings.WarnDays;
    // Only the date change's refresh can come while the user has the settings dialog open; it must not
    // overwrite what the user is typing there. The refresh that follows the dialog sets its controls. A
    // dialog not yet made takes Warn() and WarnDays() when it is.
    if (Forms::SettingsExists()) {
        frmSettings& settingsDialog = Forms::Settings();
        if (!(settingsDialog.isVisible() && settingsDialog.isModal())) {
            settingsDialog.ShowStoredSettings(m_warn, m_warnDays);
        }
    }

    ScanHead scan;
    // Before the read, so that a change another program makes while it runs still counts as a change.
    Forms::MarkBirthdayFileSeen();
    try {
        scan = ScanShownBirthdays(today, settings, DefaultAddressBookPaths(), m_dataDirectory,
                                  *environment.Settings, RowCount);
    } catch (const std::exception& error) {
        // An unreadable file is not an empty one: the panel keeps the rows it showed.
        MessageBox::Warn(nullptr, QTr("Could not read the birthdays: %1"), error);
        return;
    }

    ShowRows(scan.Head, scan.TotalRows);
    if (scan.TotalRows == 0) {
        hide();
    } else {
        show();
        raise();
        tmrBirthday->start(); // also restarts a running count: every shown refresh stays its five seconds
    }
    // After the panel is up, since it reads the file again; whatever the panel shows, as the notices do not
    // depend on its look-ahead.
    m_notices->Check();
}

void frmMain::ShowRows(const ScanResult& result, std::size_t totalRows) {
    const std::vector<ReminderRow>& rows = result.Rows;
    const bool tooMany = totalRows > static_cast<std::size_t>(RowCount);
    const int listed = tooMany ? ListedWhenTooMany : static_cast<int>(rows.size());
    bool anyToday = false;
    for (int k = 0; k < listed; ++k) {
        const ReminderRow& row = rows[static_cast<std::size_t>(k)];
        const QColor color = row.Kind == ReminderKind::Today ? LightBlue : LightGrey;
        anyToday = anyToday || row.Kind == ReminderKind::Today;
        Birthday[k]->setText(DisplayText(row.Text));
        SetPanelColours(Birthday[k], color);
        BShape[k]->SetFillColor(color);
    }
    if (tooMany) {
        // Today's rows come first, so the rows left out hold a today row only when the first one shown is.
        const std::size_t more = totalRows - ListedWhenTooMany;
        // TRANSLATORS: the panel's last row when more birthdays are due than it has rows for; %1 is how many
        // are not shown. The row is 193 pixels wide in an 8-point font.
        Birthday[ListedWhenTooMany]->setText(QTrN("and %1 more", "and %1 more", more).arg(more));
        SetPanelColours(Birthday[ListedWhenTooMany], LightGrey);
        BShape[ListedWhenTooMany]->SetFillColor(LightGrey);
    }
    if (result.FileFound && !anyToday) {
        SetBackground(LightGrey); // never set back: once grey, grey for the rest of the run
    }
    const int filled = tooMany ? RowCount : listed;
    if (filled == 0) {
        // TRANSLATORS: the panel's only row when no birthday is due; 189 pixels wide in an 8-point font.
        Birthday[0]->setText(QTr("No birthdays"));
        SetPanelColours(Birthday[0], LightGrey);
        BShape[0]->SetFillColor(LightGrey);
    }
    DescribeRows(filled);
    PlacePanel(std::max(filled, 1));
}

// What a screen reader finds: the panel's description reads its rows (or the row that says there are none);
// each row label is named by its text.
void frmMain::DescribeRows(int rows) {
    QStringList texts;
    for (int k = 0; k < rows; ++k) {
        texts << Birthday[k]->text();
    }
    setAccessibleDescription(rows == 0 ? Birthday[0]->text()
                                       : QTr("Birthdays: %1").arg(texts.join(QStringLiteral(", "))));
}

void frmMain::PlacePanel(int rows) {
    const int height = rows * RowPitch + 110;
    MoveToCorner(height);

    const LineDesign& line3 = LineDesigns[Line3];
    Line[Line3]->SetEnds(line3.X1, height - 20, line3.X2, height - 20);
    const LineDesign& line5 = LineDesigns[Line5];
    Line[Line5]->SetEnds(line5.X1, height - 30, line5.X2, height - 30);
}

void frmMain::MoveToCorner(int height) {
    // Everything in twips; pixels only when the window is given its geometry.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect full = screen ? screen->geometry() : QRect(0, 0, 0, 0);
    const double screenLeft = full.x() * double(TwipsPerPixel);
    const double screenTop = full.y() * double(TwipsPerPixel);
    const double left = screenLeft + full.width() * double(TwipsPerPixel) - (PanelWidth + RightMargin);
    const double top = screenTop + full.height() * double(TwipsPerPixel) - (height + BottomMargin);
    setGeometry(TwipsRect(left, top, PanelWidth, height));
}

void frmMain::SetBackground(const QColor& color) {
    SetPanelColours(this, color);
}

QString frmMain::RefreshCounter() const {
    return Label1->text();
}

void frmMain::SetRefreshCounter(const QString& caption) {
    if (caption == Label1->text()) {
        return;
    }
    Label1->setText(caption);
    Label1_Change();
}

void frmMain::Label1_Change() {
    CheckBirthdays();
}

void frmMain::BirthdayFile_Changed() {
    if (Forms::MenuExists()) {
        Forms::Menu().RefillList();
    } else {
        Label1_Change();
    }
}

void frmMain::tmrBirthday_Timer() {
    if (m_tag != QLatin1String("TR")) {
        hide();
        tmrBirthday->stop();
    }
}

void frmMain::TrayIcon_Activated(QSystemTrayIcon::ActivationReason reason) {
    // An XEmbed tray reports a double click as a click followed by a double click, so only the double
    // click may act there; a StatusNotifierItem host reports any activation as a single one.
    if (reason == QSystemTrayIcon::DoubleClick) {
        ToggleWindows();
        return;
    }
    if (reason != QSystemTrayIcon::Trigger || !m_singleActivationToggles) {
        return;
    }
    // A user used to double clicking gives such a host two activations: the second, within the double
    // click time, must not put away the windows the first has just opened.
    if (m_lastActivation.isValid() && m_lastActivation.elapsed() < QApplication::doubleClickInterval()) {
        return;
    }
    m_lastActivation.start();
    ToggleWindows();
}

void frmMain::ToggleWindows() {
    if (m_tag != QLatin1String("TR")) {
        OpenWindows();
        return;
    }
    hide();
    if (Forms::MenuExists()) {
        Forms::Menu().hide();
    }
    m_tag = QStringLiteral("RT");
}

void frmMain::OpenWindows() {
    show();
    frmMenu& menu = Forms::Menu(); // a new list window refreshes the panel while it is created
    menu.setWindowState(menu.windowState() & ~Qt::WindowMinimized);
    menu.show();
    menu.raise();
    menu.activateWindow();
    m_tag = QStringLiteral("TR");
}

void frmMain::CheckDateChange() {
    if (m_refreshDate != Forms::Environment().Today()) {
        Label1_Change();
        return;
    }
    m_notices->FollowClock();
}

void frmMain::ScheduleMidnightCheck() {
    // A few seconds after the next local midnight; the check every minute covers a sleeping machine.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime next(now.date().addDays(1), QTime(0, 0, 5));
    // A midnight that a clock change skips leaves the check every minute to notice the new day.
    const qint64 wait = next.isValid() ? now.msecsTo(next) : 3600 * 1000;
    m_midnightTimer->start(static_cast<int>(std::clamp<qint64>(wait, 1000, 25 * 3600 * 1000)));
}

void frmMain::Form_QueryUnload() {
    if (m_trayIcon) {
        m_trayIcon->hide();
        m_trayIcon.reset();
    }
    m_dateTimer->stop();
    m_midnightTimer->stop();
}

// However the panel is closed (the list window's No, the tray menu, a window manager's close), the program
// ends with it: without the tray icon nothing would be left to reach it by.
void frmMain::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
    Forms::Quit();
}

} // namespace candlewatcher
