#include "manage/birthday_dialog.h"

#include "manage/design_font.h"
#include "manage/frmMenu.h"
#include "ui/app_icon.h"
#include "ui/controls.h"
#include "ui/forms.h"
#include "ui/message_box.h"
#include "ui/stored_text.h"
#include "ui/translated.h"
#include "ui/twips.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace candlewatcher {

namespace {

// The length a box accepts from typing; a longer stored text stays whole until the user shortens it.
const char* const TypingLimit = "typingLimit";

} // namespace

BirthdayDialog::BirthdayDialog(const QString& frameCaption, const QString& dateCaption,
                               int dateCaptionWidthTwips) {
    setWindowTitle(QStringLiteral("Candlewatcher"));
    setWindowIcon(AppIcon());
    UseDesignFont(*this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Twips(2655), Twips(1980));

    Frame1 = NewControl<QGroupBox>("Frame1", TwipsRect(60, 60, 2535, 1395), frameCaption, this);

    Text1 = NewBox(QStringLiteral("Text1"), QStringLiteral("08"), 2, TwipsRect(840, 540, 315, 315));
    Text1->setToolTip(QTr("Day"));
    Text2 = NewBox(QStringLiteral("Text2"), QStringLiteral("07"), 2, TwipsRect(1380, 540, 315, 315));
    Text2->setToolTip(QTr("Month"));
    Text3 = NewBox(QStringLiteral("Text3"), QStringLiteral("2000"), 4, TwipsRect(1920, 540, 495, 315));
    Text3->setToolTip(QTr("Year"));
    Text4 = NewBox(QStringLiteral("Text4"), QString(), 0, TwipsRect(840, 960, 1575, 285));

    // TRANSLATORS: a button caption; it must fit a button 81 pixels wide in an 8-point font.
    Command1 = NewControl<QPushButton>("Command1", TwipsRect(1380, 1560, 1215, 375), QTr("&OK"), this);
    Command1->setDefault(true); // Enter anywhere in the dialog is OK
    // TRANSLATORS: a button caption; it must fit a button 81 pixels wide in an 8-point font.
    Command2 = NewControl<QPushButton>("Command2", TwipsRect(60, 1560, 1215, 375), QTr("&Cancel"), this);

    b = NewControl<QLabel>("b", TwipsRect(120, 300, dateCaptionWidthTwips, 255), dateCaption, Frame1);
    // TRANSLATORS: the caption before the name box; it must fit 45 pixels in an 8-point font.
    Label1 = NewControl<QLabel>("Label1", TwipsRect(120, 960, 675, 255), QTr("&Person : "), Frame1);
    Label2 = NewControl<QLabel>("Label2", TwipsRect(1200, 600, 195, 315), QStringLiteral("/"), Frame1);
    Label3 = NewControl<QLabel>("Label3", TwipsRect(1740, 600, 195, 315), QStringLiteral("/"), Frame1);
    // TRANSLATORS: the letters for day, month and year above the date boxes; 21, 21 and 29 pixels wide.
    Label5 = NewControl<QLabel>("Label5", TwipsRect(840, 300, 315, 255), QTr("DD"), Frame1);
    Label6 = NewControl<QLabel>("Label6", TwipsRect(1380, 300, 315, 195), QTr("MM"), Frame1);
    Label7 = NewControl<QLabel>("Label7", TwipsRect(1920, 300, 435, 255), QTr("YYYY"), Frame1);
    Label8 = NewControl<QLabel>("Label8", TwipsRect(1740, 300, 135, 255), QStringLiteral("-"), Frame1);
    Label9 = NewControl<QLabel>("Label9", TwipsRect(1200, 300, 195, 195), QStringLiteral("-"), Frame1);

    SetTabOrderAndNames();
    Text1->setFocus();

    connect(Command2, &QPushButton::clicked, this, &BirthdayDialog::Command2_Click);
}

// The date caption's mnemonic leads to the day box, the person's to the name box, which takes its name from
// that caption. The date boxes are named as their tool tips say: a shared caption would name all three alike.
void BirthdayDialog::SetTabOrderAndNames() {
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Text4);
    setTabOrder(Text4, Command1);
    setTabOrder(Command1, Command2);
    b->setBuddy(Text1);
    Label1->setBuddy(Text4);
    for (QLineEdit* dateBox : {Text1, Text2, Text3}) {
        dateBox->setAccessibleName(dateBox->toolTip());
    }
}

QLineEdit* BirthdayDialog::NewBox(const QString& name, const QString& text, int maxLength,
                                  const QRect& geometry) {
    auto* box = new QLineEdit(Frame1);
    box->setObjectName(name);
    box->setGeometry(geometry);
    if (maxLength > 0) {
        box->setProperty(TypingLimit, maxLength);
        box->setMaxLength(maxLength);
    }
    box->setText(text);
    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, box, [box] { BoxEdited(box); });
    return box;
}

void BirthdayDialog::LoadDataDirectory() {
    m_dataDirectory = Forms::Environment().DataDirectory;
}

void BirthdayDialog::SetBoxText(QLineEdit* box, const QString& text) {
    const int limit = box->property(TypingLimit).toInt();
    if (limit > 0) {
        box->setMaxLength(std::max<int>(limit, static_cast<int>(text.size())));
    }
    box->setText(text);
}

// A pasted line break would split the record in the file, so it becomes a blank as it arrives. Once the user
// has shortened an overlong stored text, the box's typing limit closes in on it again.
void BirthdayDialog::BoxEdited(QLineEdit* box) {
    const QString text = box->text();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        // The breaks arrive with the paste, which ends at the cursor: the cursor moves back by what they
        // lose.
        const QString oneLine = QString::fromStdString(TypedBytes(text));
        const int cursor = box->cursorPosition() - static_cast<int>(text.size() - oneLine.size());
        box->setText(oneLine);
        box->setCursorPosition(std::max(0, cursor));
    }
    const int limit = box->property(TypingLimit).toInt();
    if (limit > 0 && box->maxLength() > limit) {
        box->setMaxLength(std::max<int>(limit, static_cast<int>(box->text().size())));
    }
}

// The names are compared as the list shows them: a name typed exactly as a single-byte file's name is shown
// is that name, although its bytes differ.
bool BirthdayDialog::NameIsListed(const std::string& nameBytes) {
    const QString shown = DisplayText(nameBytes);
    const std::vector<std::string> listed = Forms::Menu().ListedNames();
    return std::any_of(listed.begin(), listed.end(), [&](const std::string& name) {
        return name == nameBytes || DisplayText(name) == shown;
    });
}

void BirthdayDialog::ShowDuplicateName() {
    MessageBox::Ask(this, QMessageBox::Warning,
                    QTr("A birthday with this name already exists.  Please choose a different name."),
                    QMessageBox::Ok, QMessageBox::Ok);
}

bool BirthdayDialog::ChangeFile(const std::function<void(const BirthdayFile&)>& change) {
    try {
        change(BirthdayFile(m_dataDirectory));
        // Ours, not another program's: the list window's refill after the dialog shows it.
        Forms::MarkBirthdayFileSeen();
        return true;
    } catch (const std::exception& error) {
        MessageBox::Warn(this,
                         // TRANSLATORS: %1 is the reason, e.g. the file's name and the system's error.
                         QTr("Could not save the birthday: %1"), error);
        return false;
    }
}

void BirthdayDialog::Command2_Click() {
    reject();
}

void BirthdayDialog::Text1_GotFocus() {
    SelectAllSoon(Text1);
}
void BirthdayDialog::Text2_GotFocus() {
    SelectAllSoon(Text2);
}
void BirthdayDialog::Text3_GotFocus() {
    SelectAllSoon(Text3);
}
void BirthdayDialog::Text4_GotFocus() {
    SelectAllSoon(Text4);
}

// A mouse press places the cursor after the box has taken the focus, which would undo a selection made at
// once; selecting from the event loop comes after the press.
void BirthdayDialog::SelectAllSoon(QLineEdit* box) {
    box->selectAll();
    QTimer::singleShot(0, box, [box] {
        if (box->hasFocus()) {
            box->selectAll();
        }
    });
}

bool BirthdayDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == Text1) {
            Text1_GotFocus();
        } else if (watched == Text2) {
            Text2_GotFocus();
        } else if (watched == Text3) {
            Text3_GotFocus();
        } else if (watched == Text4) {
            Text4_GotFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace candlewatcher
