#include "notify/due_notices.h"
#include "notify/notified_names.h"

#include <gtest/gtest.h>

namespace candlewatcher {
namespace {

constexpr CalendarDate kToday{6, 12, 2026};
constexpr CalendarDate kYesterday{5, 12, 2026};

TEST(NotifiedNames, NamesOfAnyBytesComeBackFromPlainAsciiText) {
    const NotifiedNames notified{
        kToday, 0, {"Ann Lee", "", "a/b%c", "line\r\nbreak", "caf\xC3\xA9", "\xE9t\xE9"}};
    const std::string text = EncodeNotifiedNames(notified);
    EXPECT_EQ(text, "2026-12-06/Ann%20Lee//a%2Fb%25c/line%0D%0Abreak/caf%C3%A9/%E9t%E9");
    EXPECT_EQ(DecodeNotifiedNames(text), notified);
    EXPECT_EQ(DecodeNotifiedNames("0999-01-31"), (NotifiedNames{{31, 1, 999}, 0, {}}));
    EXPECT_EQ(DecodeNotifiedNames("2026-12-06/a%2fb"), (NotifiedNames{kToday, 0, {"a/b"}}));
}

class DamagedNotifiedText : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedNotifiedText, ReadsAsNoOneNotified) {
    EXPECT_EQ(DecodeNotifiedNames(GetParam()), NotifiedNames{}) << '"' << GetParam() << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, DamagedNotifiedText,
                         ::testing::Values("", "2026-12-6/Ann", "2026-13-01", "2025-02-29/Ann",
                                           "2026-12-06Ann", "2026-12-06/Ann%2", "2026-12-06/Ann%G0",
                                           "2026-12-06/Ann Lee", "+026-12-06", " 2026-12-06",
                                           "2026-12-06+/Ann", "2026-12-06+0/Ann", "2026-12-06+123/Ann",
                                           "2026-12-06+-1/Ann", "2026-12-06+3Ann"));

struct DueCase {
    const char* Label;
    NoticeRecord Told;
    std::vector<std::string> DueTexts;
};

class DueBirthdaysTest : public ::testing::TestWithParam<DueCase> {};

// Ann is in the file twice (edited by hand): one name, one person, both rows told at once.
TEST_P(DueBirthdaysTest, LeavesOutThePeopleAlreadyNotifiedToday) {
    const std::string file = "6\r\n12\r\n1990\r\nAnn\r\n6\r\n12\r\n2006\r\nBob\r\n6\r\n12\r\n1966\r\nAnn\r\n";
    const NoticePlan plan = PlanNotices({kToday, 10 * 60, 0}, NoticeSettings{}, file, GetParam().Told, {});
    std::vector<std::string> due;
    for (const DueNotice& notice : plan.Due) {
        for (const TodayBirthday& row : notice.Rows) {
            due.push_back(row.Text);
        }
    }
    EXPECT_EQ(due, GetParam().DueTexts) << GetParam().Label;
}

INSTANTIATE_TEST_SUITE_P(Records, DueBirthdaysTest,
                         ::testing::Values(DueCase{"no one yet", {}, {"Ann (36)", "Bob (20)", "Ann (60)"}},
                                           DueCase{"Ann today", {{kToday, 0, {"Ann"}}}, {"Bob (20)"}},
                                           DueCase{"both today", {{kToday, 0, {"Bob", "Ann"}}}, {}},
                                           DueCase{"both yesterday",
                                                   {{kYesterday, 0, {"Ann", "Bob"}}},
                                                   {"Ann (36)", "Bob (20)", "Ann (60)"}},
                                           DueCase{"both today, days before",
                                                   {{kToday, 3, {"Ann", "Bob"}}},
                                                   {"Ann (36)", "Bob (20)", "Ann (60)"}},
                                           DueCase{"names differ in case",
                                                   {{kToday, 0, {"ann", "BOB"}}},
                                                   {"Ann (36)", "Bob (20)", "Ann (60)"}}));

} // namespace
} // namespace candlewatcher
