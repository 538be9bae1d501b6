#include "manage/frmSettings.h"

#include "data/settings_store.h"
#include "manage/design_font.h"
#include "tray/frmMain.h"
#include "ui/app_icon.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/stored_text.h"
#include "ui/translated.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>
#include <stdexcept>

namespace candlewatcher {

QString WarnDaysText(double warnDays) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const double value = warnDays + 0.0; // no "-0"
    const double magnitude = std::fabs(value);
    // Plain digits for every number a person would type; an exponent only for the absurd ones.
    const bool plain = value == 0 || (magnitude >= 1e-4 && magnitude < 1e15);
    return locale.toString(value, plain ? 'f' : 'G', QLocale::FloatingPointShortest);
}

Qt::CheckState WarnCheckState(double warn) {
    const double rounded = std::nearbyint(warn); // the default rounding mode takes halves to the even one
    if (rounded == 1) {
        return Qt::Checked;
    }
    if (rounded == 2) {
        return Qt::PartiallyChecked;
    }
    return Qt::Unchecked;
}

frmSettings::frmSettings() {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QTr("Settings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    UseDesignFont(*this);
    setFixedSize(Twips(4665), Twips(1650));

    Frame1 = NewControl<QGroupBox>("Frame1", TwipsRect(60, 60, 4515, 1035), QTr("Set Up Birthday"), this);

    Image1 = NewControl<QLabel>("Image1", TwipsRect(180, 300, 480, 480), Frame1);
    Image1->setPixmap(AppIcon().pixmap(Twips(480), Twips(480)));

    // Created in tab order: the day field, the check box, OK.
    // TRANSLATORS: "Warn [10] days in advance": the words before the box of the number of days, which
    // stands 32 pixels from their start, and the words after it (97 pixels in an 8-point font).
    Label1 = NewControl<QLabel>("Label1", TwipsRect(840, 600, 1635, 195), QTr("&Warn "), Frame1);

    Text1 = NewControl<QLineEdit>("Text1", TwipsRect(1320, 540, 315, 315), QStringLiteral("10"), Frame1);
    Text1->setMaxLength(TypedDaysLength);

    Label2 = NewControl<QLabel>("Label2", TwipsRect(1680, 600, 1455, 255), QTr("days in advance"), Frame1);

    Check1 = NewControl<QCheckBox>("Check1", TwipsRect(840, 300, 3615, 195),
                                   QTr("Warn &about birthdays in advance"), Frame1);
    Check1->setChecked(true);

    Command1 = NewControl<QPushButton>("Command1", TwipsRect(3360, 1200, 1215, 375), QTr("&OK"), this);
    Command1->setDefault(true);

    // The label "Warn " runs under the day field; the field must stay on top to be clicked.
    Text1->raise();
    SetTabOrderAndNames();

    connect(Command1, &QPushButton::clicked, this, &frmSettings::Command1_Click);
    connect(Text1, &QLineEdit::textEdited, this, &frmSettings::Text1_Edited);
    // The greyed state is only ever shown, never chosen: once the user clicks, the box is two-state again.
    connect(Check1, &QCheckBox::clicked, this, [this] {
        if (Check1->checkState() != Qt::PartiallyChecked) {
            Check1->setTristate(false);
        }
    });
}

// "Warn " names the day field and its mnemonic leads there; the caption after the field says what its
// number counts.
void frmSettings::SetTabOrderAndNames() {
    setTabOrder(Text1, Check1);
    setTabOrder(Check1, Command1);
    Label1->setBuddy(Text1);
    Text1->setAccessibleDescription(Label2->text());
}

// The dialog never reads the store: it shows what the panel's last refresh read, and every later refresh
// writes its controls.
void frmSettings::Form_Load() {
    if (Forms::MainExists()) {
        const frmMain& main = Forms::Main();
        ShowStoredSettings(main.Warn(), main.WarnDays());
    }
}

void frmSettings::ShowStoredSettings(double warn, double warnDays) {
    m_shownWarn = warn;
    m_shownWarnDays = warnDays;
    const Qt::CheckState state = WarnCheckState(warn);
    Check1->setTristate(state == Qt::PartiallyChecked);
    Check1->setCheckState(state);
    // setText cuts at the maximum length, so the limit grows to fit; it drops back once the user has
    // shortened the text (Text1_Edited).
    const QString text = WarnDaysText(warnDays);
    Text1->setMaxLength(std::max<int>(TypedDaysLength, static_cast<int>(text.size())));
    Text1->setText(text);
}

void frmSettings::Text1_Edited() {
    if (Text1->text().size() <= TypedDaysLength && Text1->maxLength() > TypedDaysLength) {
        Text1->setMaxLength(TypedDaysLength);
    }
}

void frmSettings::Command1_Click() {
    // The stored numbers are 0 unchecked, 1 checked, 2 greyed; Qt numbers the last two the other way round.
    const Qt::CheckState state = Check1->checkState();
    const std::string warnText = state == Qt::Checked ? "1" : state == Qt::PartiallyChecked ? "2" : "0";
    const std::string warnDaysText = TypedBytes(Text1->text());
    try {
        SaveWarnSettings(*Forms::Environment().Settings, warnText, warnDaysText);
    } catch (const std::exception& error) {
        MessageBox::Warn(this, QTr("Could not save the settings: %1"), error);
        return;
    }
    hide();
}

void frmSettings::keyPressEvent(QKeyEvent* event) {
    // There is no Cancel: Esc must not close the dialog as QDialog would.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmSettings::closeEvent(QCloseEvent* event) {
    // The close box discards the edits: the controls go back to what is stored.
    ShowStoredSettings(m_shownWarn, m_shownWarnDays);
    QDialog::closeEvent(event);
}

void frmSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        Text1->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace candlewatcher
