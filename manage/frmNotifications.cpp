#include "manage/frmNotifications.h"

#include "manage/design_font.h"
#include "notify/notice_settings.h"
#include "tray/frmMain.h"
#include "tray/notice_scheduler.h"
#include "ui/app_icon.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/translated.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

#include <stdexcept>

namespace candlewatcher {

frmNotifications::frmNotifications() {
    setObjectName(QStringLiteral("frmNotifications"));
    setWindowTitle(QStringLiteral("Candlewatcher"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    UseDesignFont(*this);
    setFixedSize(Twips(4665), Twips(1980));

    // Created in tab order.
    // TRANSLATORS: "&" marks the key of each control, a different letter for each in this dialog.
    Check1 = NewControl<QCheckBox>("Check1", TwipsRect(180, 180, 4300, 255),
                                   QTr("Notify on the &day of a birthday"), this);
    // TRANSLATORS: "Also notify [3] days before": the words before the box of the number of days, in 100
    // pixels of an 8-point font with the check box, and those after it.
    Check2 = NewControl<QCheckBox>("Check2", TwipsRect(180, 540, 1500, 255), QTr("&Also notify"), this);
    Text1 = NewControl<QSpinBox>("Text1", TwipsRect(1700, 495, 660, 330), this);
    Text1->setRange(1, NoticeSettings::MaxDaysBefore);
    Label1 = NewControl<QLabel>("Label1", TwipsRect(2430, 540, 1500, 255), QTr("days &before"), this);
    Label1->setBuddy(Text1);
    // TRANSLATORS: the caption before the time of day before which no notification comes.
    Label2 = NewControl<QLabel>("Label2", TwipsRect(180, 960, 1500, 255), QTr("&Not before"), this);
    Time1 = NewControl<QTimeEdit>("Time1", TwipsRect(1700, 915, 1000, 330), this);
    Time1->setDisplayFormat(QStringLiteral("HH:mm"));
    Label2->setBuddy(Time1);
    Command1 = NewControl<QPushButton>("Command1", TwipsRect(2040, 1440, 1215, 375), QTr("&OK"), this);
    Command1->setDefault(true);
    Command2 = NewControl<QPushButton>("Command2", TwipsRect(3360, 1440, 1215, 375), QTr("&Cancel"), this);

    connect(Check2, &QCheckBox::toggled, Text1, &QWidget::setEnabled);
    connect(Command1, &QPushButton::clicked, this, &frmNotifications::Command1_Click);
    // Esc and the close box do the same: QDialog rejects.
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void frmNotifications::Form_Load() {
    LoadStored();
}

void frmNotifications::LoadStored() {
    NoticeSettings settings;
    try {
        settings = LoadNoticeSettings(*Forms::Environment().Settings);
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not read the settings: %1"), error);
    }
    Check1->setChecked(settings.OnTheDay);
    Check2->setChecked(settings.DaysBefore > 0);
    Text1->setEnabled(settings.DaysBefore > 0);
    Text1->setValue(settings.DaysBefore > 0 ? settings.DaysBefore : 1);
    Time1->setTime(QTime(settings.NotBefore / 60, settings.NotBefore % 60));
    m_snoozeMinutes = settings.SnoozeMinutes;
}

void frmNotifications::ShowStored() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    LoadStored();
    Check1->setFocus(Qt::OtherFocusReason);
    exec();
}

void frmNotifications::Command1_Click() {
    // A number typed but not yet taken (no Enter or focus change in the field) counts as well.
    Text1->interpretText();
    NoticeSettings settings;
    settings.OnTheDay = Check1->isChecked();
    settings.DaysBefore = Check2->isChecked() ? Text1->value() : 0;
    settings.NotBefore = Time1->time().hour() * 60 + Time1->time().minute();
    settings.SnoozeMinutes = m_snoozeMinutes;
    try {
        SaveNoticeSettings(*Forms::Environment().Settings, settings);
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not save the settings: %1"), error);
        return;
    }
    accept();
    Forms::Main().Notices().Check();
}

} // namespace candlewatcher
