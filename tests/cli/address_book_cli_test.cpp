#include "tests/addressbook/radicale_server.h"
#include "tests/cli/program_run.h"
#include "tests/unit/data_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace candlewatcher {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The address-book options of the real program, against a real radicale and a real folder of cards: what
// they print, their exit status, what they keep, and what --list and --export make of the subscriptions.
class AddressBookCommandLine : public ::testing::Test {
protected:
    AddressBookCommandLine() {
        WriteBytes(m_scratch.Path() / "password", std::string(kRadicalePassword) + "\n");
        WriteBytes(m_scratch.Path() / "wrong", "not-the-password\n");
        // The user's own: Zoe Brandt's record is to win over her card's.
        WriteBytes(m_scratch.Path() / "birthday.dat",
                   Record("6", "12", "1990", "Ann Lee") + Record("7", "12", "1985", "Zoe Brandt"));
    }

    Outcome Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--data-dir", m_scratch.Path().string()});
        return RunProgram(m_scratch, arguments);
    }
    Outcome AddAs(const std::string& location, const std::string& passwordFile) {
        return Run({"--add-address-book", location, "--user", "ann", "--password-command",
                    "cat " + Quoted((m_scratch.Path() / passwordFile).string())});
    }
    std::string List() {
        const Outcome list = Run({"--list", "--date", "2026-12-06", "--days", "10"});
        EXPECT_EQ(list.Status, 0) << list.Err;
        return list.Out;
    }
    fs::path Kept(const char* folder) const { return m_scratch.Path() / folder / "Candlewatcher"; }

    TemporaryDirectory m_scratch;
};

TEST_F(AddressBookCommandLine, SubscribesToAServerSyncsItAndForgetsIt) {
    RadicaleServer server(m_scratch.Path() / "radicale");
    server.MakeBook("friends", "Friends");
    server.PutCard("friends", "tom", "Tom Baker", "1984-12-10");
    server.PutCard("friends", "zoe", "Zoe Brandt", "--1207");
    server.PutCard("friends", "nobody", "No Birthday", "");
    const std::string book = server.BookUrl("friends");

    const Outcome refused = AddAs(server.Root(), "wrong");
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Out, "");
    EXPECT_EQ(std::count(refused.Err.begin(), refused.Err.end(), '\n'), 1) << refused.Err;
    EXPECT_NE(refused.Err.find("sign-in refused"), std::string::npos) << refused.Err;
    EXPECT_FALSE(fs::exists(Kept("config") / "addressbooks")) << "nothing kept of a refused sign-in";
    EXPECT_FALSE(fs::exists(Kept("cache")));

    // From the server's URL, found through its well-known address; Zoe's card counts though her record wins.
    const Outcome added = AddAs(server.Root(), "password");
    EXPECT_EQ(added.Status, 0) << added.Err;
    EXPECT_EQ(added.Out, "Added \"Friends\" (" + book + "): 2 birthdays\n");

    // Number, URL, user, birthdays, the last good sync just now, and no error.
    const std::string fields = "1\t" + book + "\tann\t2 birthdays\t";
    const std::string listed = Run({"--address-books"}).Out;
    EXPECT_EQ(listed.rfind(fields, 0), 0u) << listed;
    EXPECT_TRUE(std::regex_match(listed.substr(std::min(fields.size(), listed.size())),
                                 std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d\t\n")))
        << listed;

    EXPECT_EQ(List(), "Ann Lee (36)\nZoe Brandt (41 - 7\\12)\nTom Baker (42 - 10\\12)\n");
    const Outcome calendar = Run({"--export", "-"});
    EXPECT_EQ(calendar.Status, 0) << calendar.Err;
    EXPECT_NE(calendar.Out.find("SUMMARY:Tom Baker's birthday (born 1984)"), std::string::npos)
        << calendar.Out;

    server.PutCard("friends", "tom", "Tom Baker", "1984-12-11");
    server.PutCard("friends", "kim", "Kim Ode", "2000-12-08");
    server.DeleteCard("friends", "nobody");
    const Outcome synced = Run({"--sync"});
    EXPECT_EQ(synced.Status, 0) << synced.Err;
    EXPECT_EQ(synced.Out, "Synced \"Friends\" (" + book + "): 3 birthdays\n");
    EXPECT_EQ(List(),
              "Ann Lee (36)\nZoe Brandt (41 - 7\\12)\nKim Ode (26 - 8\\12)\nTom Baker (42 - 11\\12)\n");

    // A server gone: the sync says so and fails, the cache still lists.
    server.Stop();
    const Outcome failed = Run({"--sync"});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Out.rfind("Failed \"Friends\" (" + book + "): ", 0), 0u) << failed.Out;
    EXPECT_EQ(List(),
              "Ann Lee (36)\nZoe Brandt (41 - 7\\12)\nKim Ode (26 - 8\\12)\nTom Baker (42 - 11\\12)\n");
    const std::string failedListing = Run({"--address-books"}).Out;
    EXPECT_EQ(failedListing.rfind("1\t" + book + "\tann\t3 birthdays\t", 0), 0u) << failedListing;
    EXPECT_EQ(failedListing.find("\t\n"), std::string::npos) << "the last error is shown: " << failedListing;

    const Outcome removed = Run({"--remove-address-book", "1"});
    EXPECT_EQ(removed.Status, 0) << removed.Err;
    EXPECT_EQ(removed.Out, "Removed \"Friends\" (" + book + ")\n");
    EXPECT_TRUE(fs::is_empty(Kept("cache") / "addressbooks")) << "its cache is gone";
    EXPECT_EQ(Run({"--address-books"}).Out, "");
    EXPECT_EQ(List(), "Ann Lee (36)\nZoe Brandt (41 - 7\\12)\n");
}

// A folder is read afresh by every --list: a card put there shows at once, with no sync.
TEST_F(AddressBookCommandLine, FolderOfCardsShowsWhatItHoldsNow) {
    const fs::path folder = m_scratch.Path() / "contacts";
    fs::create_directory(folder);
    WriteBytes(folder / "a.vcf",
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Tom Baker\r\nBDAY:1984-12-10\r\nEND:VCARD\r\n"
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoe Brandt\r\nBDAY:--1207\r\nEND:VCARD\r\n");

    const Outcome added = Run({"--add-address-book", folder.string() + "/"});
    EXPECT_EQ(added.Status, 0) << added.Err;
    EXPECT_EQ(added.Out, "Added \"contacts\" (" + folder.string() + "): 2 birthdays\n");
    EXPECT_EQ(List(), "Ann Lee (36)\nZoe Brandt (41 - 7\\12)\nTom Baker (42 - 10\\12)\n");

    WriteBytes(folder / "b.vcf", "BEGIN:VCARD\nVERSION:4.0\nFN:Kim Ode\nBDAY:--1208\nEND:VCARD\n");
    EXPECT_EQ(List(), "Ann Lee (36)\nZoe Brandt (41 - 7\\12)\nKim Ode (8\\12)\nTom Baker (42 - 10\\12)\n");

    // Without a birthday.dat of the user's own, the folder's birthdays show all the same.
    fs::remove(m_scratch.Path() / "birthday.dat");
    EXPECT_EQ(List(), "Zoe Brandt (7\\12)\nKim Ode (8\\12)\nTom Baker (42 - 10\\12)\n");

    const Outcome removed = Run({"--remove-address-book", folder.string()});
    EXPECT_EQ(removed.Status, 0) << removed.Err;
    EXPECT_EQ(removed.Out, "Removed \"contacts\" (" + folder.string() + ")\n");
    EXPECT_EQ(List(), "");
}

} // namespace
} // namespace candlewatcher
