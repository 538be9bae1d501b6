#include "addressbook/hidden_people.h"
#include "addressbook/shown_scan.h"
#include "addressbook/sync_schedule.h"
#include "data/memory_settings_store.h"
#include "data/record_parser.h"
#include "tests/unit/data_files.h"

#include <gtest/gtest.h>

namespace candlewatcher {
namespace {

using namespace testing_support;

struct RetryCase {
    int Failures;
    int SyncMinutes;
    int Expected;
};

class RetryDelayTest : public ::testing::TestWithParam<RetryCase> {};

TEST_P(RetryDelayTest, DoublesFromOneMinuteUpToTheInterval) {
    const RetryCase& c = GetParam();
    EXPECT_EQ(MinutesUntilNextSync(c.Failures, c.SyncMinutes), c.Expected)
        << c.Failures << " failures in a row, every " << c.SyncMinutes << " minutes";
}

INSTANTIATE_TEST_SUITE_P(Table, RetryDelayTest,
                         ::testing::Values(RetryCase{0, 30, 30}, RetryCase{1, 30, 1}, RetryCase{2, 30, 2},
                                           RetryCase{3, 30, 4}, RetryCase{5, 30, 16}, RetryCase{6, 30, 30},
                                           RetryCase{1000, 30, 30}, RetryCase{3, 3, 3}, RetryCase{1, 1, 1},
                                           RetryCase{2, 1, 1}, RetryCase{8, 10080, 128}));

struct SyncMinutesCase {
    const char* Stored; // nullptr: not set
    int Expected;
};

class SyncMinutesTest : public ::testing::TestWithParam<SyncMinutesCase> {};

TEST_P(SyncMinutesTest, AWholeNumberOfAtLeastOneElseThirty) {
    const SyncMinutesCase& c = GetParam();
    MemorySettingsStore store;
    if (c.Stored != nullptr) {
        store.Put("Candlewatcher", "AddressBooks", "SyncMinutes", c.Stored);
    }
    EXPECT_EQ(LoadSyncMinutes(store), c.Expected) << (c.Stored ? c.Stored : "(not set)");
}

INSTANTIATE_TEST_SUITE_P(Table, SyncMinutesTest,
                         ::testing::Values(SyncMinutesCase{nullptr, 30}, SyncMinutesCase{"5", 5},
                                           SyncMinutesCase{"1", 1}, SyncMinutesCase{"0", 30},
                                           SyncMinutesCase{"-3", 30}, SyncMinutesCase{"12x", 30},
                                           SyncMinutesCase{"", 30}, SyncMinutesCase{"99999999", 10080}));

struct HiddenTextCase {
    const char* Text;
    std::vector<std::string> Names;
};

class HiddenTextTest : public ::testing::TestWithParam<HiddenTextCase> {};

TEST_P(HiddenTextTest, ReadsWhatItWritesAndNoOneFromDamage) {
    const HiddenTextCase& c = GetParam();
    EXPECT_EQ(DecodeHiddenPeople(c.Text), c.Names) << c.Text;
    const bool damaged = c.Names.empty() && std::string_view(c.Text) != "";
    if (!damaged) {
        EXPECT_EQ(EncodeHiddenPeople(c.Names), c.Text);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HiddenTextTest,
                         ::testing::Values(HiddenTextCase{"", {}},
                                           HiddenTextCase{"/Tom%20Baker", {"Tom Baker"}},
                                           HiddenTextCase{"/a%2Fb/%25/", {"a/b", "%", ""}},
                                           HiddenTextCase{"/Zo%C3%AB%0D%0A", {"Zo\xC3\xAB\r\n"}},
                                           HiddenTextCase{"Tom", {}}, HiddenTextCase{"/Tom Baker", {}},
                                           HiddenTextCase{"/a/%4", {}}));

TEST(HiddenPeopleTest, HidesSubscribedNamesOnlyAndShowsThemAgain) {
    TemporaryDirectory dir;
    const std::filesystem::path cards = dir.Path() / "cards";
    std::filesystem::create_directories(cards);
    WriteBytes(cards / "a.vcf", "BEGIN:VCARD\nFN:Tom Baker\nBDAY:1984-12-10\nEND:VCARD\n"
                                "BEGIN:VCARD\nFN:Zoe Brandt\nBDAY:--1207\nEND:VCARD\n");
    const AddressBookPaths paths{dir.Path() / "config" / "addressbooks", dir.Path() / "cache"};
    AddAddressBook(paths, cards.string(), {}, std::chrono::seconds(1), 0);
    BirthdayFile(dir.Path()).AppendBirthday(BirthdayRecord{"1", "1", "1950", "Ann Lee"});
    MemorySettingsStore settings;
    const auto names = [&] {
        std::string text;
        const AllBirthdays all = ReadShownBirthdays(paths, dir.Path(), settings);
        for (const BirthdayRecord& record : all.Own)
            text += "own:" + record.Name + ";";
        for (const BirthdayRecord& record : all.Subscribed)
            text += "book:" + record.Name + ";";
        return text;
    };

    HidePerson(settings, "Tom Baker");
    HidePerson(settings, "Tom Baker");
    HidePerson(settings, "Ann Lee");
    EXPECT_EQ(settings.Saves().size(), 2u) << "hiding a hidden person again saves nothing";
    EXPECT_EQ(names(), "own:Ann Lee;book:Zoe Brandt;");
    // The notices read the same people, written as birthday.dat holds records.
    std::string told;
    for (const BirthdayRecord& record :
         ParseBirthdayRecords(*ShownBirthdayBytes(paths, dir.Path(), settings)))
        told += record.Name + ";";
    EXPECT_EQ(told, "Ann Lee;Zoe Brandt;");
    ShowPersonAgain(settings, "Tom Baker");
    EXPECT_EQ(LoadHiddenPeople(settings), std::vector<std::string>{"Ann Lee"});
    EXPECT_EQ(names(), "own:Ann Lee;book:Tom Baker;book:Zoe Brandt;");
}

} // namespace
} // namespace candlewatcher
