// Changes to birthday.dat made by other programs reach the panel and the list window, once per burst; the
// program's own changes and files beside birthday.dat bring no second refresh.
#include "test_support.h"

#include "data/memory_settings_store.h"
#include "manage/AddB.h"
#include "manage/EditB.h"
#include "manage/frmMenu.h"
#include "desktop/birthday_file_watcher.h"
#include "tray/frmMain.h"
#include "ui/forms.h"
#include "ui/message_box.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QtTest>

#include <fstream>

using namespace candlewatcher;

namespace {

const std::string Ann = "6\r\n12\r\n2000\r\nAnn\r\n"; // today is 6 December 2026
const std::string Bob = "30\r\n12\r\n2000\r\nBob\r\n";

// Counts the panel's refreshes: each reads "Warn" once.
struct CountingStore : MemorySettingsStore {
    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) const override {
        Refreshes += key == "Warn";
        return MemorySettingsStore::GetSetting(app, section, key, defaultText);
    }
    mutable int Refreshes = 0;
};

} // namespace

class WatcherTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::WindowTestEnvironment> m_env;
    CountingStore m_store;
    std::unique_ptr<BirthdayFileWatcher> m_watcher;
    std::unique_ptr<QSignalSpy> m_settled;
    std::ifstream m_reader;

    // Starts the program on the directory, watched as main() watches it: the watch starts after the first
    // refresh, at once unless the test starts it itself.
    void Start(const std::filesystem::path& directory, bool watchNow = true) {
        m_watcher = std::make_unique<BirthdayFileWatcher>(directory);
        m_settled = std::make_unique<QSignalSpy>(m_watcher.get(), &BirthdayFileWatcher::Settled);
        FormsEnvironment environment = Forms::Environment();
        environment.DataDirectory = directory;
        environment.Settings = &m_store;
        environment.Watcher = m_watcher.get();
        Forms::SetEnvironment(environment);
        Forms::Main();
        if (watchNow) {
            m_watcher->Start();
        }
    }

    void Change(const QString& change) {
        const std::filesystem::path data = m_env->BirthdayPath(), part = m_env->DataDirectory() / "x.part";
        if (change.startsWith("rename over")) {
            m_reader.open(data); // keeps the replaced file alive, and so watched unless watched anew
            std::ofstream(part, std::ios::binary) << Ann;
            std::filesystem::rename(part, data);
        }
        if (change == "rename over, then write in place") {
            QTRY_VERIFY_WITH_TIMEOUT(!m_settled->isEmpty(), 10000);
            m_settled->clear();
            std::fstream(data, std::ios::binary | std::ios::in | std::ios::out) << "7";
        } else if (change == "write in place") {
            std::fstream(data, std::ios::binary | std::ios::in | std::ios::out) << "06"; // same length
        } else if (change == "create") {
            m_env->WriteBirthdayBytes(Ann);
        } else if (change == "remove" || change == "make unreadable") {
            std::filesystem::remove(data);
            if (change == "make unreadable") {
                std::filesystem::create_directory(data);
            }
        } else if (change == "files beside it") {
            std::ofstream(m_env->DataDirectory() / "birthday.tmp") << Ann;
            std::filesystem::rename(m_env->DataDirectory() / "birthday.tmp", part);
        } else if (change == "own add") { // the add dialog's OK, then the list window's refill
            Forms::Add().Text4->setText("Cy");
            Forms::Add().Command1_Click();
            Forms::Menu().RefillList();
        } else if (change == "own delete") { // a rewrite through birthday.tmp
            Forms::Edit().ShowRecord({"6", "12", "2000", "Ann"});
            Forms::Menu().Command2_Click();
        }
    }

private slots:
    void init() {
        m_env = std::make_unique<test::WindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
    }
    void cleanup() {
        Forms::DestroyAll();
        m_settled.reset();
        m_watcher.reset();
        m_env.reset();
        m_reader.close();
    }

    void everyChangeRefreshesOnce_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("listWindow");
        QTest::addColumn<QString>("before"); // birthday.dat at start; null: none
        QTest::addColumn<int>("refreshes");
        QTest::addColumn<QString>("firstRow");
        QTest::addColumn<int>("listed");
        const QString ann = QString::fromStdString(Ann), bob = QString::fromStdString(Bob);
        for (const bool list : {false, true}) {
            const char* open = list ? ", list window open" : "";
            QTest::addRow("rename over%s", open) << "rename over" << list << bob << 1 << "Ann (26)" << 1;
            QTest::addRow("write in place%s", open)
                << "write in place" << list << "30\r\n12\r\n2000\r\nAnn\r\n"
                << 1 << "Ann (26)" << 1;
            QTest::addRow("create%s", open) << "create" << list << QString() << 1 << "Ann (26)" << 1;
            QTest::addRow("remove%s", open) << "remove" << list << ann << 1 << "No birthdays" << 0;
            // Told once, and the windows keep what they showed.
            QTest::addRow("make unreadable%s", open)
                << "make unreadable" << list << ann << 1 << "Ann (26)" << 1;
            QTest::addRow("files beside it%s", open)
                << "files beside it" << list << ann << 0 << "Ann (26)" << 1;
        }
        QTest::newRow("rename over, then write in place")
            << "rename over, then write in place" << false << bob << 2 << "Ann (26 - 7\\12)" << 0;
        QTest::newRow("own add") << "own add" << true << bob << 1 << "Cy (0)" << 2;
        QTest::newRow("own delete") << "own delete" << true << ann + bob << 1 << "No birthdays" << 1;
    }
    void everyChangeRefreshesOnce() {
        QFETCH(QString, change);
        QFETCH(bool, listWindow);
        QFETCH(QString, before);
        if (!before.isNull()) {
            m_env->WriteBirthdayBytes(before.toStdString());
        }
        Start(m_env->DataDirectory());
        if (listWindow) {
            Forms::Menu().show();
        }
        const int atStart = m_store.Refreshes;
        MessageBox::TakeShownTexts();
        Change(change);
        QTRY_VERIFY_WITH_TIMEOUT(!m_settled->isEmpty(), 10000);
        QTEST(m_store.Refreshes - atStart, "refreshes");
        QCOMPARE(MessageBox::TakeShownTexts().size(), change == "make unreadable" ? 1 : 0);
        QTEST(Forms::Main().Birthday[0]->text(), "firstRow");
        QCOMPARE(Forms::Main().isVisible(), Forms::Main().Birthday[0]->text() != "No birthdays");
        if (listWindow) {
            QTEST(Forms::Menu().List1->count(), "listed");
        }
    }

    // The watch starts after the panel has painted; what changed since the first refresh read the file is
    // refreshed as the watch starts, and only that.
    void changeBeforeTheWatchStartsIsNotLost_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("before"); // birthday.dat at start; null: none
        QTest::addColumn<int>("refreshes");
        QTest::addColumn<QString>("firstRow");
        const QString ann = QString::fromStdString(Ann), bob = QString::fromStdString(Bob);
        QTest::newRow("rename over") << "rename over" << bob << 1 << "Ann (26)";
        QTest::newRow("write in place") << "write in place"
                                        << "30\r\n12\r\n2000\r\nAnn\r\n"
                                        << 1 << "Ann (26)";
        QTest::newRow("create") << "create" << QString() << 1 << "Ann (26)";
        QTest::newRow("remove") << "remove" << ann << 1 << "No birthdays";
        QTest::newRow("files beside it") << "files beside it" << ann << 0 << "Ann (26)";
    }
    void changeBeforeTheWatchStartsIsNotLost() {
        QFETCH(QString, change);
        QFETCH(QString, before);
        if (!before.isNull()) {
            m_env->WriteBirthdayBytes(before.toStdString());
        }
        Start(m_env->DataDirectory(), false);
        const int atStart = m_store.Refreshes;
        Change(change);
        m_watcher->Start();
        QTEST(m_store.Refreshes - atStart, "refreshes");
        QTEST(Forms::Main().Birthday[0]->text(), "firstRow");
    }

    // A writer that goes on and on: the panel follows, a few times at most, and ends with the last state.
    void burstRefreshesAFewTimes() {
        Start(m_env->DataDirectory());
        const int atStart = m_store.Refreshes;
        for (int i = 0; i < 50; ++i) {
            m_env->WriteBirthdayBytes("6\r\n12\r\n2000\r\nW" + std::to_string(i) + "\r\n");
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(Forms::Main().Birthday[0]->text(), QStringLiteral("W49 (26)"), 10000);
        QVERIFY2(m_store.Refreshes - atStart <= 3, qPrintable(QString::number(m_store.Refreshes - atStart)));
    }

    // Rewritten in place within one tick of the file system's clock: same size and times, other bytes. Linux
    // from 6.13 stamps a change after a look at the file apart from it; older ones and FAT do not.
    void changeWithinOneClockTick() {
        BirthdayFileWatcher watcher(m_env->DataDirectory());
        watcher.Start();
        QSignalSpy changed(&watcher, &BirthdayFileWatcher::Changed);
        FileIdentity seen, now;
        for (int attempt = 0; attempt < 200 && (attempt == 0 || now != seen); ++attempt) {
            m_env->WriteBirthdayBytes(Ann);
            watcher.MarkSeen();
            seen = IdentityOf(m_env->BirthdayPath());
            m_env->WriteBirthdayBytes("7" + Ann.substr(1));
            now = IdentityOf(m_env->BirthdayPath());
        }
        if (now != seen) {
            QSKIP("this file system gives every change times of its own");
        }
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 10000);
    }

    // A data directory that does not exist yet is watched once it is made, and again after it is removed.
    void missingDirectoryIsWatchedOnceMade() {
        const std::filesystem::path later = m_env->DataDirectory() / "later";
        Start(later / "data");
        QVERIFY(QDir().mkpath(QString::fromStdString((later / "data").string())));
        QTRY_VERIFY_WITH_TIMEOUT(!m_settled->isEmpty(), 10000); // now watching the new directory
        std::ofstream(later / "data" / "birthday.dat") << Ann;
        QTRY_VERIFY_WITH_TIMEOUT(Forms::Main().isVisible(), 10000);
        std::filesystem::remove_all(later);
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::Main().isVisible(), 10000);
    }
};

QTEST_MAIN(WatcherTest)
#include "watcher_test.moc"
