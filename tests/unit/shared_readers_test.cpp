#include "data/iso_date.h"
#include "data/posix_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <unistd.h>

namespace candlewatcher {
namespace {

struct IsoDateCase {
    const char* Text;
    std::string Fields; // "day.month.year" of the fields, or "-" for a malformed text
    bool FromYear100;   // a day of the calendar from the year 100 on
};

void PrintTo(const IsoDateCase& c, std::ostream* out) {
    *out << '"' << c.Text << '"';
}

std::string Describe(const std::optional<CalendarDate>& date) {
    return date ? std::to_string(date->Day) + "." + std::to_string(date->Month) + "." +
                      std::to_string(date->Year)
                : "-";
}

class IsoDateTest : public ::testing::TestWithParam<IsoDateCase> {};

TEST_P(IsoDateTest, ReadsTheFieldsAndTellsARealDay) {
    const IsoDateCase& c = GetParam();
    EXPECT_EQ(Describe(ReadIsoDateFields(c.Text)), c.Fields);
    EXPECT_EQ(ReadIsoDate(c.Text, 100).has_value(), c.FromYear100);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IsoDateTest,
    ::testing::Values(
        IsoDateCase{"2026-12-06", "6.12.2026", true}, IsoDateCase{"2024-02-29", "29.2.2024", true},
        IsoDateCase{"2026-02-29", "29.2.2026", false}, IsoDateCase{"2026-13-01", "1.13.2026", false},
        IsoDateCase{"2026-00-10", "10.0.2026", false}, IsoDateCase{"0099-12-31", "31.12.99", false},
        IsoDateCase{"0100-01-01", "1.1.100", true}, IsoDateCase{"9999-12-31", "31.12.9999", true},
        IsoDateCase{"2026-1-06", "-", false}, IsoDateCase{"+026-12-06", "-", false},
        IsoDateCase{"-026-12-06", "-", false}, IsoDateCase{"2026-12-06 ", "-", false},
        IsoDateCase{"2026/12/06", "-", false}, IsoDateCase{"20261206", "-", false},
        IsoDateCase{"", "-", false}));

struct CapCase {
    std::size_t Sent;     // bytes in the pipe
    std::size_t Limit;    // what the reader may take
    std::size_t SizeHint; // what fstat claimed
    bool OverLimit;
    std::size_t Held; // bytes read
};

class ReadAtMostTest : public ::testing::TestWithParam<CapCase> {};

TEST_P(ReadAtMostTest, StopsOneBytePastTheLimit) {
    const CapCase& c = GetParam();
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string sent(c.Sent, 'v');
    ASSERT_EQ(::write(ends[1], sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    ::close(ends[1]);
    const ReadOutcome outcome = ReadAtMost(ends[0], c.SizeHint, c.Limit);
    ::close(ends[0]);
    EXPECT_EQ(outcome.Error, 0);
    EXPECT_EQ(outcome.OverLimit, c.OverLimit) << c.Sent << " bytes, limit " << c.Limit;
    EXPECT_EQ(outcome.Bytes.Size, c.Held) << c.Sent << " bytes, limit " << c.Limit;
}

INSTANTIATE_TEST_SUITE_P(Pipes, ReadAtMostTest,
                         ::testing::Values(CapCase{0, 10, 0, false, 0}, CapCase{10, 10, 0, false, 10},
                                           CapCase{11, 10, 0, true, 11}, CapCase{9000, 10, 0, true, 11},
                                           CapCase{9000, 8999, 0, true, 9000},
                                           CapCase{9000, 9000, 0, false, 9000},
                                           CapCase{9000, 20000, 100, false, 9000},
                                           CapCase{9000, 5000, 60000, true, 5001}));

} // namespace
} // namespace candlewatcher
