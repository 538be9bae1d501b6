// Every caption of every window, in English and in each language of po/LINGUAS, as the built catalogues
// give it: it fits its control in the window's own geometry and design font, it keeps the key ("&") that
// the English caption has, and no two controls of one window share a key. A failure names the language,
// the window, the control, its text and the widths.
//
// One language alone:  ui_caption_fit_test captionsFit:de
#include "test_support.h"

#include "data/date_helpers.h"
#include "data/translation.h"
#include "manage/AddB.h"
#include "manage/EditB.h"
#include "manage/frmAddressBooks.h"
#include "manage/frmMenu.h"
#include "manage/frmNotifications.h"
#include "manage/frmSettings.h"
#include "tray/frmMain.h"
#include "ui/forms.h"
#include "ui/translated.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace candlewatcher;
using candlewatcher::test::WindowTestEnvironment;

namespace {

// One caption as its control shows it. Heights count for word-wrapped labels only (0 otherwise).
struct Caption {
    QString Control;
    QString Text; // as set, with its "&"
    int Needed = 0;
    int Available = 0;
    int NeededHeight = 0;
    int AvailableHeight = 0;
};

struct WindowCaptions {
    QString Window;
    QList<Caption> Captions;
};

// The key a caption's "&" marks, in lower case; none for a caption without one ("&&" is a plain "&").
QChar Mnemonic(const QString& text) {
    for (qsizetype at = 0; at + 1 < text.size(); ++at) {
        if (text[at] == QLatin1Char('&')) {
            if (text[at + 1] != QLatin1Char('&')) {
                return text[at + 1].toLower();
            }
            ++at;
        }
    }
    return {};
}

QString WithoutMnemonic(QString text) {
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// What a one-line label shows, in its font and margins. Blanks at its end are nothing to see, and the
// design's captions end in some ("Person : ").
int LabelWidth(const QLabel& label) {
    QString shown = label.buddy() != nullptr ? WithoutMnemonic(label.text()) : label.text();
    while (shown.endsWith(QLatin1Char(' '))) {
        shown.chop(1);
    }
    const QMargins margins = label.contentsMargins();
    return label.fontMetrics().horizontalAdvance(shown) + margins.left() + margins.right() +
           2 * label.margin() + std::max(0, label.indent());
}

// A field laid over the end of a caption ("Warn [10] days in advance"): the caption has up to its left edge.
int Uncovered(const QWidget& caption) {
    int available = caption.width();
    for (const QWidget* sibling :
         caption.parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (sibling != &caption && qobject_cast<const QLabel*>(sibling) == nullptr &&
            sibling->x() > caption.x() && sibling->isVisibleTo(caption.window()) &&
            sibling->geometry().intersects(caption.geometry())) {
            available = std::min(available, sibling->x() - caption.x());
        }
    }
    return available;
}

// The labels, buttons (check boxes with their indicator) and frame titles of a window, measured as the
// style lays them out in the control's own font.
WindowCaptions CaptionsOf(const QString& name, QWidget& window) {
    WindowCaptions captions{name, {}};
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&window)) {
            continue;
        }
        Caption caption{control->objectName(), {}, 0, control->width()};
        if (auto* label = qobject_cast<QLabel*>(control)) {
            caption.Text = label->text();
            caption.Needed = label->wordWrap() ? label->minimumSizeHint().width() : LabelWidth(*label);
            caption.Available = Uncovered(*label);
            if (label->wordWrap()) {
                caption.NeededHeight = label->heightForWidth(label->width());
                caption.AvailableHeight = label->height();
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            caption.Text = button->text();
            caption.Needed = button->sizeHint().width();
        } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            caption.Text = frame->title();
            caption.Needed = frame->minimumSizeHint().width();
        }
        if (!caption.Text.isEmpty()) {
            captions.Captions << caption;
        }
    }
    return captions;
}

WindowCaptions CaptionsOf(const QString& name, QMenu& menu) {
    WindowCaptions captions{name, {}};
    const QList<QAction*> actions = menu.actions();
    for (qsizetype at = 0; at < actions.size(); ++at) {
        if (!actions[at]->isSeparator()) {
            const QString text = actions[at]->text();
            captions.Captions << Caption{QStringLiteral("entry %1").arg(at), text,
                                         menu.fontMetrics().horizontalAdvance(WithoutMnemonic(text)),
                                         menu.actionGeometry(actions[at]).width()};
        }
    }
    return captions;
}

std::vector<BirthdayRecord> ManyToday(const CalendarDate& today, int count) {
    std::vector<BirthdayRecord> records;
    for (int k = 0; k < count; ++k) {
        records.push_back(test::Record(std::to_string(today.Day), std::to_string(today.Month), "2000",
                                       "Person " + std::to_string(k)));
    }
    return records;
}

// Every window made afresh in the language chosen now. The panel twice: with no birthday, and with more
// than it has rows for ("and 88 more").
QList<WindowCaptions> AllWindows() {
    QList<WindowCaptions> windows;
    {
        WindowTestEnvironment empty;
        windows << CaptionsOf(QStringLiteral("frmMain (none)"), Forms::Main());
    }
    WindowTestEnvironment full;
    full.WriteBirthdays(ManyToday(full.TodayDate(), 100));
    frmMain& panel = Forms::Main();
    windows << CaptionsOf(QStringLiteral("frmMain (many)"), panel)
            << CaptionsOf(QStringLiteral("TrayMenu"), *panel.findChild<QMenu*>(QStringLiteral("TrayMenu")))
            << CaptionsOf(QStringLiteral("frmMenu"), Forms::Menu())
            << CaptionsOf(QStringLiteral("AddB"), Forms::Add())
            << CaptionsOf(QStringLiteral("EditB"), Forms::Edit())
            << CaptionsOf(QStringLiteral("frmSettings"), Forms::Settings())
            << CaptionsOf(QStringLiteral("frmNotifications"), Forms::Notifications())
            << CaptionsOf(QStringLiteral("frmAddressBooks"), Forms::AddressBooks());
    return windows;
}

void UseLanguage(const QString& language) {
    // LANGUAGE counts only outside the C locale.
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "C.UTF-8");
    qputenv("LANGUAGE", language.toUtf8());
    UseQtTranslations(CANDLEWATCHER_TEST_CATALOGUES);
}

QString Key(const QString& window, const QString& control) {
    return window + QLatin1Char('/') + control;
}

} // namespace

class CaptionFitTest : public QObject {
    Q_OBJECT

    QSet<QString> m_englishKeys; // window/control of every English caption with a "&"

private slots:
    void initTestCase() {
        UseLanguage(QStringLiteral("en"));
        for (const WindowCaptions& window : AllWindows()) {
            for (const Caption& caption : window.Captions) {
                if (!Mnemonic(caption.Text).isNull()) {
                    m_englishKeys << Key(window.Window, caption.Control);
                }
            }
        }
        QVERIFY2(m_englishKeys.size() > 20, "the windows' English keys were not found");
    }

    void captionsFit_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << QStringLiteral("en");
        QFile linguas(QStringLiteral(CANDLEWATCHER_TEST_LINGUAS));
        QVERIFY(linguas.open(QIODevice::ReadOnly | QIODevice::Text));
        for (const QByteArray& line : linguas.readAll().split('\n')) {
            const QByteArray language = line.trimmed();
            if (!language.isEmpty() && !language.startsWith('#')) {
                QTest::newRow(language.constData()) << QString::fromLatin1(language);
            }
        }
    }

    void captionsFit() {
        QFETCH(QString, language);
        UseLanguage(language);
        if (language != QLatin1String("en")) {
            // Else every language would silently be measured in English.
            const std::filesystem::path catalogue = std::filesystem::path(CANDLEWATCHER_TEST_CATALOGUES) /
                                                    language.toStdString() / "LC_MESSAGES" /
                                                    "candlewatcher.mo";
            QVERIFY2(std::filesystem::exists(catalogue), catalogue.c_str());
            QVERIFY(!ChosenLanguages().empty());
            // Qt's own buttons speak the language too (Debian's qt6-translations-l10n).
            QVERIFY(QCoreApplication::translate("QPlatformTheme", "Cancel") != QLatin1String("Cancel"));
        }
        QStringList faults;
        int measured = 0;
        for (const WindowCaptions& window : AllWindows()) {
            QHash<QChar, QString> keys;
            for (const Caption& caption : window.Captions) {
                ++measured;
                const QString where =
                    QStringLiteral("%1, %2, %3 \"%4\"")
                        .arg(language, window.Window, caption.Control, WithoutMnemonic(caption.Text));
                if (caption.Needed > caption.Available) {
                    faults << QStringLiteral("%1: needs %2 px wide, has %3")
                                  .arg(where)
                                  .arg(caption.Needed)
                                  .arg(caption.Available);
                }
                if (caption.NeededHeight > caption.AvailableHeight) {
                    faults << QStringLiteral("%1: needs %2 px high, has %3")
                                  .arg(where)
                                  .arg(caption.NeededHeight)
                                  .arg(caption.AvailableHeight);
                }
                const QChar key = Mnemonic(caption.Text);
                if (key.isNull() && m_englishKeys.contains(Key(window.Window, caption.Control))) {
                    faults << QStringLiteral("%1: has no \"&\" key, as the English caption has").arg(where);
                }
                if (!key.isNull() && keys.contains(key)) {
                    faults << QStringLiteral("%1: its key %2 is that of %3 too").arg(where, key, keys[key]);
                }
                if (!key.isNull()) {
                    keys.insert(key, caption.Control);
                }
            }
        }
        QVERIFY2(measured > 60, "too few captions were found to measure");
        QVERIFY2(faults.isEmpty(), qPrintable(QLatin1Char('\n') + faults.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(CaptionFitTest)
#include "caption_fit_test.moc"
