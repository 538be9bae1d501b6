#include "addressbook/field_lines.h"
#include "addressbook/multistatus.h"
#include "addressbook/stored_files.h"
#include "addressbook/sync_plan.h"
#include "tests/unit/data_files.h"

#include <gtest/gtest.h>

namespace candlewatcher {
namespace {

// "href=etag" pairs as cached cards; the name is the href, so a test can tell which version it holds.
std::vector<CachedCard> Cached(const std::vector<std::string>& pairs) {
    std::vector<CachedCard> cards;
    for (const std::string& pair : pairs) {
        const std::size_t equals = pair.find('=');
        cards.push_back(
            CachedCard{pair.substr(0, equals), pair.substr(equals + 1), VCardContact{pair, {}, {}}});
    }
    return cards;
}

std::vector<ListedCard> Listed(const std::vector<std::string>& pairs) {
    std::vector<ListedCard> listed;
    for (const CachedCard& card : Cached(pairs))
        listed.push_back(ListedCard{card.Href, card.Etag});
    return listed;
}

struct PlanCase {
    const char* What;
    std::vector<std::string> Cached;
    bool Complete; // a listing of every card, else the changes since the last sync
    std::vector<std::string> Listed;
    std::vector<std::string> Removed;
    SyncPlan Expected;
    std::vector<std::string> After; // names of the cards cached once the fetched ones ("href=new") are in
};

void PrintTo(const PlanCase& c, std::ostream* out) {
    *out << c.What;
}

class SyncPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(SyncPlanTest, FetchesWhatChangedAndForgetsWhatWent) {
    const PlanCase& c = GetParam();
    const std::vector<CachedCard> cached = Cached(c.Cached);
    const SyncPlan plan = c.Complete ? PlanFromListing(cached, Listed(c.Listed))
                                     : PlanFromChanges(cached, Listed(c.Listed), c.Removed);
    EXPECT_EQ(plan.Fetch, c.Expected.Fetch);
    EXPECT_EQ(plan.Remove, c.Expected.Remove);
    std::vector<std::string> fetched;
    for (const std::string& href : plan.Fetch)
        fetched.push_back(href + "=new");
    std::vector<std::string> after;
    for (const CachedCard& card : ApplySync(cached, plan.Remove, Cached(fetched)))
        after.push_back(card.Contact.Name);
    EXPECT_EQ(after, c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SyncPlanTest,
    ::testing::Values(PlanCase{"first sync",
                               {},
                               true,
                               {"/b/2.vcf=x", "/b/1.vcf=y"},
                               {},
                               {{"/b/2.vcf", "/b/1.vcf"}, {}},
                               {"/b/1.vcf=new", "/b/2.vcf=new"}},
                      PlanCase{"listing: changed, same, gone, new",
                               {"/b/1.vcf=a", "/b/2.vcf=b", "/b/3.vcf=c"},
                               true,
                               {"/b/1.vcf=a2", "/b/2.vcf=b", "/b/4.vcf=d"},
                               {},
                               {{"/b/1.vcf", "/b/4.vcf"}, {"/b/3.vcf"}},
                               {"/b/1.vcf=new", "/b/2.vcf=b", "/b/4.vcf=new"}},
                      PlanCase{"listing spells the href another way",
                               {"/b/a%40b.vcf=a"},
                               true,
                               {"http://h:1/b/a@b.vcf=a"},
                               {},
                               {{}, {}},
                               {"/b/a%40b.vcf=a"}},
                      PlanCase{"no etag from the server: fetched every time",
                               {"/b/1.vcf="},
                               true,
                               {"/b/1.vcf="},
                               {},
                               {{"/b/1.vcf"}, {}},
                               {"/b/1.vcf=new"}},
                      PlanCase{"changes: one changed, one removed, the rest untouched",
                               {"/b/1.vcf=a", "/b/2.vcf=b", "/b/3.vcf=c"},
                               false,
                               {"/b/2.vcf=b2"},
                               {"/b/3.vcf"},
                               {{"/b/2.vcf"}, {"/b/3.vcf"}},
                               {"/b/1.vcf=a", "/b/2.vcf=new"}},
                      PlanCase{"changes: a reported card already cached at that etag, a removal never cached",
                               {"/b/1.vcf=a"},
                               false,
                               {"/b/1.vcf=a"},
                               {"/b/9.vcf"},
                               {{}, {}},
                               {"/b/1.vcf=a"}}));

VCardContact Card(const std::string& name, const std::string& birthday) {
    return VCardContact{name, {}, VCardBirthday{birthday, {}, {}, std::nullopt}};
}

struct MergeCase {
    const char* What;
    std::vector<BirthdayRecord> Own;
    std::vector<std::vector<VCardContact>> Books;
    std::vector<BirthdayRecord> Expected;
    std::size_t FirstBookCount; // CountBirthdays of the first book
};

void PrintTo(const MergeCase& c, std::ostream* out) {
    *out << c.What;
}

class MergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeTest, TheUsersRecordsThenTheFirstBookWin) {
    const MergeCase& c = GetParam();
    EXPECT_EQ(BirthdaysToShow(c.Own, c.Books), c.Expected);
    EXPECT_EQ(CountBirthdays(c.Books.at(0)), c.FirstBookCount);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeTest,
    ::testing::Values(MergeCase{"the user's record wins",
                                {{"1", "1", "1950", "Tom Baker"}},
                                {{Card("Tom Baker", "1984-12-10"), Card("Ann Lee", "--0715")}},
                                {{"15", "7", "0", "Ann Lee"}},
                                2},
                      MergeCase{"the first subscribed book wins, also within a book",
                                {},
                                {{Card("Zoe Brandt", "--1207"), Card("Zoe Brandt", "2000-01-01")},
                                 {Card("Zoe Brandt", "19990303")}},
                                {{"7", "12", "0", "Zoe Brandt"}},
                                2},
                      MergeCase{
                          "no name, no birthday, no date: nothing shown or counted",
                          {},
                          {{Card("", "2000-01-01"), Card("Ann Lee", ""), Card("Bob Ross", "2001-02-30")}},
                          {},
                          0}));

TEST(StoredFilesTest, AnyTextSurvivesWritingAndReading) {
    const std::string odd = "tab\there\\ back\\t slash\nnew line\r";
    EXPECT_EQ(SplitFields(JoinFields({odd, "", "last"})), (std::vector<std::string>{odd, "", "last"}));

    testing_support::TemporaryDirectory dir;
    const std::vector<Subscription> subscriptions{
        {SourceKind::CardDav, "https://h/ann/friends/", "ann", "pass show 'dav\tx'", "Friends\tand more"},
        {SourceKind::Folder, "/home/ann/cards", "", "", "cards"}};
    WriteSubscriptions(dir.Path() / "config" / "addressbooks", subscriptions);
    EXPECT_EQ(ReadSubscriptions(dir.Path() / "config" / "addressbooks"), subscriptions);

    BookState state{"token " + odd, "tag", Cached({"/b/1.vcf=\"e1\"", "/b/2.vcf=e2"})};
    state.Cards[0].Contact.Birthday = VCardBirthday{"--0715", "date", "gregorian", 1604};
    WriteBookCache(dir.Path() / "cache" / "book", state);
    EXPECT_EQ(ReadBookCache(dir.Path() / "cache" / "book"), state);
    testing_support::WriteBytes(dir.Path() / "cache" / "damaged",
                                "Candlewatcher address book cache 1\ncard\tx\n");
    EXPECT_EQ(ReadBookCache(dir.Path() / "cache" / "damaged"), std::nullopt)
        << "a damaged cache is synced afresh";
}

TEST(MultistatusTest, NamespacesDecideNotPrefixes) {
    const Multistatus status = ReadMultistatus(R"(<?xml version="1.0"?>
<multistatus xmlns="DAV:" xmlns:x="urn:ietf:params:xml:ns:carddav"><sync-token>t2</sync-token>
 <response><href>/b/1.vcf</href><propstat><prop><getetag>"e1"</getetag><x:address-data>BEGIN:VCARD</x:address-data>
  </prop><status>HTTP/1.1 200 OK</status></propstat>
  <propstat><prop><displayname/></prop><status>HTTP/1.1 404 Not Found</status></propstat></response>
 <D:response xmlns:D="DAV:"><D:href>/b/2.vcf</D:href><D:status>HTTP/1.1 404 Not Found</D:status></D:response>
 <response xmlns="urn:other"><href>/not/dav</href></response>
</multistatus>)");
    EXPECT_EQ(status.SyncToken, "t2");
    ASSERT_EQ(status.Responses.size(), 2u);
    EXPECT_EQ(status.Responses[0].Href, "/b/1.vcf");
    ASSERT_NE(status.Responses[0].Property(kCardDavNamespace, "address-data"), nullptr);
    EXPECT_EQ(status.Responses[0].Property(kDavNamespace, "getetag")->Text, "\"e1\"");
    EXPECT_EQ(status.Responses[0].Property(kDavNamespace, "displayname"), nullptr)
        << "a 404 propstat is no value";
    EXPECT_EQ(status.Responses[1].Status, 404);
    EXPECT_THROW(ReadMultistatus("<multistatus xmlns=\"DAV:\"><response>"), std::runtime_error);
}

} // namespace
} // namespace candlewatcher
