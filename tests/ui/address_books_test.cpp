#include "test_support.h"

#include "addressbook/commands.h"
#include "addressbook/stored_files.h"
#include "desktop/keyring.h"
#include "manage/frmAddressBooks.h"
#include "manage/frmMenu.h"
#include "tests/addressbook/radicale_server.h"
#include "tray/address_book_network.h"
#include "tray/address_book_sync.h"
#include "tray/frmMain.h"
#include "ui/forms.h"
#include "ui/message_box.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <fstream>
#include <map>

using namespace candlewatcher;

namespace {

// The keyring of a desktop, or of none: Store and Find fail as the Secret Service's absence does.
class StubKeyring : public Keyring {
public:
    bool Available = true;
    std::map<QString, QString> Kept;

    void Store(const QString& key, const QString& password) override {
        Check();
        Kept[key] = password;
    }
    std::optional<QString> Find(const QString& key) override {
        Check();
        const auto found = Kept.find(key);
        return found == Kept.end() ? std::nullopt : std::optional<QString>(found->second);
    }
    void Forget(const QString& key) override {
        Check();
        Kept.erase(key);
    }

private:
    void Check() const {
        if (!Available) {
            throw KeyringError("no keyring (Secret Service) is available: not running");
        }
    }
};

std::string Card(const std::string& name, const std::string& birthday) {
    return "BEGIN:VCARD\nVERSION:4.0\nFN:" + name + "\nBDAY:" + birthday + "\nEND:VCARD\n";
}

// One test's program with its own caches, a folder of cards ("cards": Tom Baker, Zoe Brandt without a year,
// and Zed Own, whom birthday.dat holds too) and a keyring that can be taken away.
class Fixture {
public:
    Fixture() {
        qputenv("XDG_CACHE_HOME", m_cacheHome.path().toUtf8());
        m_cards = std::filesystem::path(m_folders.path().toStdString()) / "cards";
        std::filesystem::create_directories(m_cards);
        std::ofstream(m_cards / "a.vcf") << Card("Tom Baker", "1984-12-10") << Card("Zoe Brandt", "--1207")
                                         << Card("Zed Own", "2000-01-01");
        Environment.WriteBirthdays(
            {test::Record("3", "3", "1970", "Zed Own"), test::Record("4", "4", "1971", "adam own")});
        FormsEnvironment environment = Forms::Environment();
        environment.Passwords = &Passwords;
        Forms::SetEnvironment(std::move(environment));
    }

    QString Cards() const { return QString::fromStdString(m_cards.string()); }
    void Subscribe() const {
        AddAddressBook(DefaultAddressBookPaths(), m_cards.string(), {}, std::chrono::seconds(5), 0);
    }
    std::size_t Subscriptions() const {
        return ReadSubscriptions(DefaultAddressBookPaths().SubscriptionFile).size();
    }
    std::filesystem::path Folders() const { return m_folders.path().toStdString(); }

    test::WindowTestEnvironment Environment;
    StubKeyring Passwords;

private:
    QTemporaryDir m_cacheHome;
    QTemporaryDir m_folders;
    std::filesystem::path m_cards;
};

// [AddressBooks] Hidden as the settings file holds it.
std::string HiddenSetting(Fixture& fixture) {
    return fixture.Environment.Store().GetSetting("Candlewatcher", "AddressBooks", "Hidden", "");
}

QStringList ListTexts() {
    QStringList texts;
    const frmMenu& menu = Forms::Menu();
    for (int row = 0; row < menu.List1->count(); ++row) {
        texts << menu.List1->item(row)->text();
    }
    return texts;
}

QStringList PanelTexts() {
    QStringList texts;
    for (const QLabel* row : Forms::Main().Birthday) {
        if (!row->text().isEmpty()) {
            texts << row->text();
        }
    }
    return texts;
}

void ClickRow(int row) {
    frmMenu& menu = Forms::Menu();
    menu.show();
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    const QRect rect = menu.List1->visualItemRect(menu.List1->item(row));
    QTest::mouseClick(menu.List1->viewport(), Qt::LeftButton, {}, rect.center());
}

QStringList BookRow(int row) {
    QStringList fields;
    const QTreeWidgetItem* item = Forms::AddressBooks().lstBooks->topLevelItem(row);
    for (int column = 0; item != nullptr && column < item->columnCount(); ++column) {
        fields << item->text(column);
    }
    return fields;
}

void Add(const QString& location, const QString& user = {}, const QString& password = {}) {
    frmAddressBooks& dialog = Forms::AddressBooks();
    dialog.txtLocation->setText(location);
    dialog.txtUser->setText(user);
    dialog.txtPassword->setText(password);
    QTest::mouseClick(dialog.cmdAdd, Qt::LeftButton);
    QTRY_VERIFY(!dialog.Adding());
}

} // namespace

class AddressBooksTest : public QObject {
    Q_OBJECT
private slots:
    // The program loads the network half from its module; this test program links it in.
    void initTestCase() { UseAddressBookNetwork({&AddAddressBook, &SyncAddressBooks}); }
    void listShowsTheBooksNamesAfterTheUsersOwn();
    void clickedRowDecidesWhatEditAndDeleteDo_data();
    void clickedRowDecidesWhatEditAndDeleteDo();
    void deleteHidesAndTheDialogShowsAgain();
    void panelShowsTheBooksBirthdays();
    void dialogAddsAndRemovesAFolder();
    void addErrorsAreShownAndNothingKept_data();
    void addErrorsAreShownAndNothingKept();
    void passwordGoesToTheKeyringAndFailedSyncsStayQuiet();
    void startSyncsOnceAndFollowsTheFolders();
};

void AddressBooksTest::listShowsTheBooksNamesAfterTheUsersOwn() {
    Fixture fixture;
    fixture.Subscribe();
    QCOMPARE(ListTexts(),
             (QStringList{"adam own", "Zed Own", "Tom Baker (address book)", "Zoe Brandt (address book)"}));
    QCOMPARE(Forms::Menu().ListedNames(), (std::vector<std::string>{"adam own", "Zed Own"}));
    // A screen reader reads the bare name, and where it comes from after it.
    QAccessibleInterface* item =
        QAccessible::queryAccessibleInterface(Forms::Menu().List1)->tableInterface()->cellAt(2, 0);
    QCOMPARE(item->text(QAccessible::Name), QStringLiteral("Tom Baker"));
    QCOMPARE(item->text(QAccessible::Description), QStringLiteral("From an address book"));
}

void AddressBooksTest::clickedRowDecidesWhatEditAndDeleteDo_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("editEnabled");
    QTest::addColumn<QStringList>("afterDelete");
    QTest::addColumn<QByteArray>("birthdayDatAfter");
    const QByteArray ownBoth = "3\r\n3\r\n1970\r\nZed Own\r\n4\r\n4\r\n1971\r\nadam own\r\n";
    QTest::newRow("own name: deleted from birthday.dat")
        << 1 << true
        << QStringList{"adam own", "Tom Baker (address book)", "Zed Own (address book)",
                       "Zoe Brandt (address book)"}
        << QByteArray("4\r\n4\r\n1971\r\nadam own\r\n");
    QTest::newRow("address book's name: hidden, birthday.dat untouched")
        << 2 << false << QStringList{"adam own", "Zed Own", "Zoe Brandt (address book)"} << ownBoth;
}

void AddressBooksTest::clickedRowDecidesWhatEditAndDeleteDo() {
    QFETCH(int, row);
    QFETCH(bool, editEnabled);
    QFETCH(QStringList, afterDelete);
    QFETCH(QByteArray, birthdayDatAfter);
    Fixture fixture;
    fixture.Subscribe();
    frmMenu& menu = Forms::Menu();
    ClickRow(row);
    QCOMPARE(menu.Command1->isEnabled(), editEnabled);
    QVERIFY(menu.Command2->isEnabled());
    QTest::mouseClick(menu.Command2, Qt::LeftButton);
    QCOMPARE(ListTexts(), afterDelete);
    QCOMPARE(QByteArray::fromStdString(fixture.Environment.BirthdayBytes()), birthdayDatAfter);
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{});
}

void AddressBooksTest::deleteHidesAndTheDialogShowsAgain() {
    Fixture fixture;
    fixture.Environment.SetToday({10, 12, 2026});
    fixture.Subscribe();
    ClickRow(2);
    QTest::mouseClick(Forms::Menu().Command2, Qt::LeftButton);
    QCOMPARE(HiddenSetting(fixture), "/Tom%20Baker");
    QVERIFY(!PanelTexts().join(',').contains("Tom Baker"));

    frmAddressBooks& dialog = Forms::AddressBooks();
    QCOMPARE(dialog.lstHidden->count(), 1);
    QCOMPARE(dialog.lstHidden->item(0)->text(), "Tom Baker");
    QVERIFY(!dialog.cmdShowAgain->isEnabled());
    dialog.lstHidden->item(0)->setSelected(true);
    QTest::mouseClick(dialog.cmdShowAgain, Qt::LeftButton);
    QCOMPARE(dialog.lstHidden->count(), 0);
    QCOMPARE(HiddenSetting(fixture), "");
    QVERIFY(ListTexts().contains("Tom Baker (address book)"));
    QCOMPARE(PanelTexts(), QStringList{"Tom Baker (42)"});
}

void AddressBooksTest::panelShowsTheBooksBirthdays() {
    Fixture fixture;
    fixture.Subscribe();
    test::RefreshPanel();
    QCOMPARE(PanelTexts(), (QStringList{"Zoe Brandt (7\\12)", "Tom Baker (42 - 10\\12)"}));
}

void AddressBooksTest::dialogAddsAndRemovesAFolder() {
    Fixture fixture;
    frmAddressBooks& dialog = Forms::AddressBooks();
    Add(fixture.Cards() + "/");
    QCOMPARE(MessageBox::TakeShownTexts(),
             QStringList{"Added \"cards\" (" + fixture.Cards() + "): 3 birthdays"});
    QCOMPARE(dialog.lstBooks->topLevelItemCount(), 1);
    QCOMPARE(BookRow(0).mid(0, 3), (QStringList{fixture.Cards(), "", "3 birthdays"}));
    QCOMPARE(BookRow(0).at(4), "");
    QVERIFY(dialog.txtLocation->text().isEmpty());
    QVERIFY(ListTexts().contains("Tom Baker (address book)"));

    dialog.lstBooks->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(dialog.cmdRemove, Qt::LeftButton);
    QCOMPARE(dialog.lstBooks->topLevelItemCount(), 0);
    QCOMPARE(fixture.Subscriptions(), std::size_t{0});
    QCOMPARE(ListTexts(), (QStringList{"adam own", "Zed Own"}));
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{});
}

void AddressBooksTest::addErrorsAreShownAndNothingKept_data() {
    QTest::addColumn<QString>("location"); // "CARDS" stands for the fixture's folder
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("keyring"); // 0: none, 1: one that does not answer, 2: a working one
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing listens at the URL")
        << "http://127.0.0.1:1/"
        << "" << 2 << "Could not add the address book: http://127.0.0.1:1/";
    QTest::newRow("the folder is not there")
        << "/nonexistent-folder-of-cards"
        << "" << 2 << "Could not add the address book: /nonexistent-folder-of-cards";
    QTest::newRow("the user in the URL")
        << "http://ann@127.0.0.1:1/"
        << "" << 2
        << "Could not add the address book: http://ann@127.0.0.1:1/: give the "
           "user with --user";
    QTest::newRow("a password and no keyring")
        << "CARDS"
        << "secret" << 0 << "Could not add CARDS: no keyring is there to keep the password";
    QTest::newRow("a password and a keyring that does not answer")
        << "CARDS"
        << "secret" << 1
        << "Could not keep the password: no keyring (Secret Service) is available: not running";
}

void AddressBooksTest::addErrorsAreShownAndNothingKept() {
    QFETCH(QString, location);
    QFETCH(QString, password);
    QFETCH(int, keyring);
    QFETCH(QString, expected);
    Fixture fixture;
    location.replace("CARDS", fixture.Cards());
    expected.replace("CARDS", fixture.Cards());
    fixture.Passwords.Available = keyring == 2;
    if (keyring == 0) {
        FormsEnvironment environment = Forms::Environment();
        environment.Passwords = nullptr;
        Forms::SetEnvironment(std::move(environment));
    }
    Add(location, QStringLiteral("ann"), password);
    const QStringList shown = MessageBox::TakeShownTexts();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(expected), qPrintable(shown.first()));
    QCOMPARE(fixture.Subscriptions(), std::size_t{0});
    QCOMPARE(Forms::AddressBooks().lstBooks->topLevelItemCount(), 0);
    QVERIFY(!std::filesystem::exists(DefaultAddressBookPaths().CacheDirectory) ||
            std::filesystem::is_empty(DefaultAddressBookPaths().CacheDirectory));
}

void AddressBooksTest::passwordGoesToTheKeyringAndFailedSyncsStayQuiet() {
    Fixture fixture;
    testing_support::RadicaleServer server(fixture.Folders() / "radicale");
    server.MakeBook("friends", "Friends");
    server.PutCard("friends", "tom", "Tom Baker", "1984-12-10");
    AddressBookSync sync;
    const QString book = QString::fromStdString(server.BookUrl("friends"));

    Add(book, QStringLiteral("ann"), QStringLiteral("wrong"));
    QVERIFY(MessageBox::TakeShownTexts().first().startsWith("Could not add the address book: " + book));
    QVERIFY(fixture.Passwords.Kept.empty());

    Add(QString::fromStdString(server.Root()), QStringLiteral("ann"), testing_support::kRadicalePassword);
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{"Added \"Friends\" (" + book + "): 1 birthday"});
    QCOMPARE(fixture.Passwords.Kept,
             (std::map<QString, QString>{{"ann@" + book, testing_support::kRadicalePassword}}));
    // That the password reaches no file is the core's server test's to show.

    // The sync finds the password in the keyring; the new card shows without a restart.
    server.PutCard("friends", "zoe", "Zoe Brandt", "--1207");
    QSignalSpy finished(&sync, &AddressBookSync::Finished);
    sync.SyncNow();
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(sync.FailuresInARow(), 0);
    QVERIFY(ListTexts().contains("Zoe Brandt (address book)"));

    // A server gone: the error is kept for the dialog, the birthdays stay, and no box pops up.
    server.Stop();
    sync.SyncNow();
    sync.SyncNow(); // while one runs, no second
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(sync.FailuresInARow(), 1);
    Forms::AddressBooks().RefillBooks();
    QVERIFY2(!BookRow(0).at(4).isEmpty(), qPrintable(BookRow(0).join('|')));
    QCOMPARE(BookRow(0).at(2), "2 birthdays");
    QVERIFY(ListTexts().contains("Zoe Brandt (address book)"));
    QCOMPARE(MessageBox::TakeShownTexts(), QStringList{});
}

// The first sync comes once the panel is up; a card written into a subscribed folder then shows by itself.
void AddressBooksTest::startSyncsOnceAndFollowsTheFolders() {
    Fixture fixture;
    fixture.Subscribe();
    AddressBookSync sync;
    QSignalSpy finished(&sync, &AddressBookSync::Finished);
    frmMain& panel = Forms::Main();
    sync.Start(panel);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(sync.FailuresInARow(), 0);
    Forms::Menu();
    std::ofstream(fixture.Folders() / "cards" / "c.vcf") << Card("Cy Twombly", "1928-04-25");
    QTRY_VERIFY(ListTexts().contains("Cy Twombly (address book)"));
    QCOMPARE(finished.count(), 1);
}

QTEST_MAIN(AddressBooksTest)
#include "address_books_test.moc"
