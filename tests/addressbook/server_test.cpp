#include "addressbook/address_book_error.h"
#include "addressbook/commands.h"
#include "addressbook/stored_files.h"
#include "radicale_server.h"
#include "tests/unit/data_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <stdlib.h>

namespace candlewatcher {
namespace {

using namespace testing_support;
using namespace std::chrono_literals;

constexpr std::time_t kNow = 1796637600; // 2026-12-07 10:00 UTC

// The records as one line, sorted: "Tom Baker 10.12.1984; Zoe Brandt 7.12.0".
std::string Shown(std::vector<BirthdayRecord> records) {
    std::sort(records.begin(), records.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    std::string text;
    for (const BirthdayRecord& record : records)
        text += (text.empty() ? "" : "; ") + record.Name + " " + record.Day + "." + record.Month + "." +
                record.Year;
    return text;
}

// Every file under the folder that holds the text.
std::vector<std::string> FilesHolding(const std::filesystem::path& folder, const std::string& text) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file() && ReadBytes(entry.path()).find(text) != std::string::npos)
            found.push_back(entry.path().string());
    return found;
}

class AddressBookTest : public ::testing::Test {
protected:
    AddressBookTest()
        : m_paths{m_dir.Path() / "config" / "Candlewatcher" / "addressbooks",
                  m_dir.Path() / "cache" / "Candlewatcher" / "addressbooks"} {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        ::unsetenv("SSL_CERT_FILE");
        WriteBytes(m_dir.Path() / "password", std::string(kRadicalePassword) + "\n");
    }

    RadicaleServer& Start(const std::filesystem::path& certificate = {},
                          const std::filesystem::path& key = {}) {
        m_server = std::make_unique<RadicaleServer>(m_dir.Path() / "radicale", certificate, key);
        return *m_server;
    }
    // A book "friends" ("Friends") holding Tom Baker, Zoe Brandt (no year) and a card without a birthday.
    RadicaleServer& StartWithFriends() {
        RadicaleServer& server = Start();
        server.MakeBook("friends", "Friends");
        server.PutCard("friends", "tom", "Tom Baker", "1984-12-10");
        server.PutCard("friends", "zoe", "Zoe Brandt", "--1207");
        server.PutCard("friends", "nobody", "No Birthday", "");
        return server;
    }
    AddOptions Ann() const { return {"ann", "cat '" + (m_dir.Path() / "password").string() + "'"}; }
    std::vector<std::string> Add(const std::string& location, std::chrono::milliseconds timeout = 30s) {
        return AddAddressBook(m_paths, location, Ann(), timeout, kNow);
    }
    std::string Subscribed() { return Shown(ReadAllBirthdays(m_paths, m_dir.Path() / "data").Subscribed); }
    bool NothingKept() const {
        return !std::filesystem::exists(m_paths.SubscriptionFile.parent_path()) &&
               !std::filesystem::exists(m_paths.CacheDirectory.parent_path());
    }

    TemporaryDirectory m_dir;
    AddressBookPaths m_paths;
    std::unique_ptr<RadicaleServer> m_server;
};

TEST_F(AddressBookTest, ServerUrlSubscribesEveryBookAndThePasswordStaysOffDisk) {
    RadicaleServer& server = StartWithFriends();
    server.MakeBook("family", "Family");
    server.PutCard("family", "ann", "Ann Lee", "19900715");

    EXPECT_EQ(Add(server.Root()), (std::vector<std::string>{
                                      "Added \"Family\" (" + server.BookUrl("family") + "): 1 birthday",
                                      "Added \"Friends\" (" + server.BookUrl("friends") + "): 2 birthdays"}));
    EXPECT_EQ(ListAddressBooks(m_paths),
              (std::vector<std::string>{
                  "1\t" + server.BookUrl("family") + "\tann\t1 birthday\t2026-12-07 10:00\t",
                  "2\t" + server.BookUrl("friends") + "\tann\t2 birthdays\t2026-12-07 10:00\t"}));
    EXPECT_EQ(Subscribed(), "Ann Lee 15.7.1990; Tom Baker 10.12.1984; Zoe Brandt 7.12.0");
    EXPECT_EQ(FilesHolding(m_dir.Path() / "config", kRadicalePassword), std::vector<std::string>{});
    EXPECT_EQ(FilesHolding(m_dir.Path() / "cache", kRadicalePassword), std::vector<std::string>{});
}

TEST_F(AddressBookTest, SyncFetchesOnlyWhatChanged) {
    RadicaleServer& server = StartWithFriends();
    Add(server.BookUrl("friends"));
    server.PutCard("friends", "tom", "Tom Baker", "1985-12-10");
    server.PutCard("friends", "ann", "Ann Lee", "1990-07-15");
    server.DeleteCard("friends", "zoe");

    const SyncReport changed = SyncAddressBooks(m_paths, 30s, kNow + 60);
    EXPECT_FALSE(changed.AnyFailed);
    EXPECT_EQ(changed.Lines, std::vector<std::string>{"Synced \"Friends\" (" + server.BookUrl("friends") +
                                                      "): 2 birthdays"});
    EXPECT_EQ(changed.Statistics.CardsFetched, 2u) << "the changed and the added card, nothing else";
    EXPECT_EQ(Subscribed(), "Ann Lee 15.7.1990; Tom Baker 10.12.1985");

    const SyncReport unchanged = SyncAddressBooks(m_paths, 30s, kNow + 120);
    EXPECT_EQ(unchanged.Statistics.CardsFetched, 0u);
    EXPECT_EQ(unchanged.Statistics.Requests, 1u) << "the collection's tag alone tells that nothing changed";
}

TEST_F(AddressBookTest, EtagListingFindsTheChangedAndTheRemovedCards) {
    RadicaleServer& server = StartWithFriends();
    Add(server.BookUrl("friends"));
    server.PutCard("friends", "tom", "Tom Baker", "1985-12-10");
    server.DeleteCard("friends", "zoe");

    HttpClient client(HttpSettings{"ann", kRadicalePassword, 30s});
    const BookState cached = *ReadBookCache(CacheFileFor(m_paths, server.BookUrl("friends")));
    const SyncPlan plan =
        PlanFromListing(cached.Cards, ListCardsByEtag(client, server.BookUrl("friends")).Cards);
    EXPECT_EQ(plan, (SyncPlan{{"/ann/friends/tom.vcf"}, {"/ann/friends/zoe.vcf"}}));
    const std::vector<CachedCard> fetched = FetchCards(client, server.BookUrl("friends"), plan.Fetch);
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched[0].Contact.Name, "Tom Baker");
    EXPECT_EQ(fetched[0].Contact.Birthday->Value, "1985-12-10");
}

TEST_F(AddressBookTest, StoppedServerKeepsTheCacheAndSaysWhy) {
    RadicaleServer& server = StartWithFriends();
    Add(server.BookUrl("friends"));
    const std::filesystem::path cache = CacheFileFor(m_paths, server.BookUrl("friends"));
    const std::string before = ReadBytes(cache);
    server.Stop();

    const SyncReport report = SyncAddressBooks(m_paths, 30s, kNow + 60);
    EXPECT_TRUE(report.AnyFailed);
    ASSERT_EQ(report.Lines.size(), 1u);
    EXPECT_EQ(report.Lines[0].rfind("Failed \"Friends\" (" + server.BookUrl("friends") + "): ", 0), 0u)
        << report.Lines[0];
    EXPECT_EQ(ReadBytes(cache), before);
    EXPECT_EQ(Subscribed(), "Tom Baker 10.12.1984; Zoe Brandt 7.12.0");
    const std::string listed = ListAddressBooks(m_paths).at(0);
    const std::string kept = "1\t" + server.BookUrl("friends") + "\tann\t2 birthdays\t2026-12-07 10:00\t";
    EXPECT_EQ(listed.rfind(kept, 0), 0u) << listed;
    EXPECT_GT(listed.size(), kept.size()) << "the last error is shown";
}

TEST_F(AddressBookTest, CertificateOfAnUntrustedCaIsRefusedUntilSslCertFileNamesIt) {
    MakeTestCertificates(m_dir.Path());
    RadicaleServer& server = Start(m_dir.Path() / "server.pem", m_dir.Path() / "server.key");
    ::setenv("SSL_CERT_FILE", (m_dir.Path() / "ca.pem").c_str(), 1); // for the set-up
    server.MakeBook("friends", "Friends");
    server.PutCard("friends", "tom", "Tom Baker", "1984-12-10");
    ::unsetenv("SSL_CERT_FILE");
    try {
        Add(server.Root());
        ADD_FAILURE() << "an untrusted certificate was accepted";
    } catch (const AddressBookError& error) {
        EXPECT_NE(std::string(error.what()).find("certificate"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("TLS"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(NothingKept());

    ::setenv("SSL_CERT_FILE", (m_dir.Path() / "ca.pem").c_str(), 1);
    EXPECT_EQ(Add(server.Root()),
              std::vector<std::string>{"Added \"Friends\" (" + server.BookUrl("friends") + "): 1 birthday"});
}

// An address book that cannot be added: one error line, and nothing kept.
enum class Target { Radicale, Silent, Folder };
struct FailedAdd {
    const char* What;
    Target Where;
    std::string Path; // after the server's root, or in the test's folder
    std::string PasswordCommand;
    std::string Expected; // part of the message
};

void PrintTo(const FailedAdd& c, std::ostream* out) {
    *out << c.What;
}

class FailedAddTest : public AddressBookTest, public ::testing::WithParamInterface<FailedAdd> {};

TEST_P(FailedAddTest, KeepsNothing) {
    const FailedAdd& c = GetParam();
    SilentServer silent;
    std::string location = (m_dir.Path() / c.Path).string();
    if (c.Where == Target::Radicale)
        location = StartWithFriends().Root() + c.Path;
    else if (c.Where == Target::Silent)
        location = silent.Url() + c.Path;
    try {
        AddAddressBook(
            m_paths, location,
            AddOptions{"ann", c.PasswordCommand.empty() ? Ann().PasswordCommand : c.PasswordCommand}, 1s,
            kNow);
        ADD_FAILURE() << "added";
    } catch (const AddressBookError& error) {
        EXPECT_NE(std::string(error.what()).find(c.Expected), std::string::npos) << error.what();
        EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << error.what();
    }
    EXPECT_TRUE(NothingKept());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedAddTest,
    ::testing::Values(
        FailedAdd{"wrong password", Target::Radicale, "", "echo wrong", "sign-in refused"},
        FailedAdd{"wrong password for the book itself", Target::Radicale, "ann/friends/", "echo wrong",
                  "sign-in refused"},
        FailedAdd{"no address book there", Target::Radicale, "ann/nothing/", "", "no CardDAV address book"},
        FailedAdd{"password command fails", Target::Radicale, "", "exit 3", "exit status 3"},
        FailedAdd{"server never answers", Target::Silent, "", "", "no answer within 1 second"},
        FailedAdd{"folder missing", Target::Folder, "missing", "", "No such file or directory"}));

TEST_F(AddressBookTest, PasswordGivenDirectlyOrByTheKeyringIsUsedAndNeverWritten) {
    RadicaleServer& server = StartWithFriends();
    AddOptions typed{"ann", {}, kRadicalePassword};
    EXPECT_EQ(AddAddressBook(m_paths, server.BookUrl("friends"), typed, 30s, kNow),
              std::vector<std::string>{"Added \"Friends\" (" + server.BookUrl("friends") + "): 2 birthdays"});
    EXPECT_EQ(FilesHolding(m_dir.Path() / "config", kRadicalePassword), std::vector<std::string>{});
    EXPECT_EQ(FilesHolding(m_dir.Path() / "cache", kRadicalePassword), std::vector<std::string>{});

    server.PutCard("friends", "ann", "Ann Lee", "1990-07-15");
    std::string askedFor;
    const PasswordSource wrong = [](const std::string&, const std::string&) {
        return std::string("nope");
    };
    const PasswordSource right = [&](const std::string& location, const std::string& user) {
        askedFor = location + " " + user;
        return std::optional<std::string>(kRadicalePassword);
    };
    EXPECT_TRUE(SyncAddressBooks(m_paths, 30s, kNow).AnyFailed) << "no password at all";
    EXPECT_TRUE(SyncAddressBooks(m_paths, 30s, kNow, wrong).AnyFailed);
    EXPECT_EQ(Subscribed(), "Tom Baker 10.12.1984; Zoe Brandt 7.12.0");
    const SyncReport synced = SyncAddressBooks(m_paths, 30s, kNow, right);
    EXPECT_FALSE(synced.AnyFailed) << synced.Lines.front();
    EXPECT_EQ(askedFor, server.BookUrl("friends") + " ann");
    EXPECT_EQ(Subscribed(), "Ann Lee 15.7.1990; Tom Baker 10.12.1984; Zoe Brandt 7.12.0");
}

TEST_F(AddressBookTest, FoldersAreReadAfreshAndTheUsersOwnNamesAndTheFirstBookWin) {
    const std::filesystem::path cards = m_dir.Path() / "cards", more = m_dir.Path() / "more";
    std::filesystem::create_directories(cards);
    std::filesystem::create_directories(more);
    auto card = [](const std::string& name, const std::string& birthday) {
        return "BEGIN:VCARD\nVERSION:4.0\nFN:" + name + "\nBDAY:" + birthday + "\nEND:VCARD\n";
    };
    WriteBytes(cards / "a.vcf", card("Tom Baker", "19841210") + card("Zoe Brandt", "--1207"));
    WriteBytes(cards / "b.VCF", card("Ann Lee", "1990-07-15"));
    WriteBytes(cards / "notes.txt", card("Not A Card", "2000-01-01"));
    WriteBytes(more / "z.vcf", card("Zoe Brandt", "2001-02-03") + card("Bob Ross", "1942-10-29"));
    BirthdayFile(m_dir.Path() / "data").AppendBirthday(BirthdayRecord{"1", "1", "1950", "Tom Baker"});

    EXPECT_EQ(Add(cards.string() + "/"),
              std::vector<std::string>{"Added \"cards\" (" + cards.string() + "): 3 birthdays"});
    EXPECT_EQ(Add(more.string()),
              std::vector<std::string>{"Added \"more\" (" + more.string() + "): 2 birthdays"});
    EXPECT_EQ(Subscribed(), "Ann Lee 15.7.1990; Bob Ross 29.10.1942; Zoe Brandt 7.12.0");

    WriteBytes(cards / "c.vcf", card("Cy Twombly", "1928-04-25"));
    std::filesystem::remove(cards / "b.VCF");
    EXPECT_EQ(Subscribed(), "Bob Ross 29.10.1942; Cy Twombly 25.4.1928; Zoe Brandt 7.12.0");

    EXPECT_EQ(RemoveAddressBook(m_paths, "1"),
              std::vector<std::string>{"Removed \"cards\" (" + cards.string() + ")"});
    EXPECT_EQ(Subscribed(), "Bob Ross 29.10.1942; Zoe Brandt 3.2.2001");
    EXPECT_THROW(RemoveAddressBook(m_paths, cards.string()), AddressBookError);
}

} // namespace
} // namespace candlewatcher
