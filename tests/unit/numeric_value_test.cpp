#include "data/numeric_value.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

namespace candlewatcher {
namespace {

struct NumericCase {
    std::string Text;
    double Expected;
};

class NumericValueTest : public ::testing::TestWithParam<NumericCase> {};

TEST_P(NumericValueTest, ReadsTheLeadingNumber) {
    const NumericCase& c = GetParam();
    double value = NumericValue(c.Text);
    EXPECT_EQ(value, c.Expected) << "text \"" << c.Text << "\"";
    EXPECT_FALSE(std::signbit(value) && value == 0) << "text \"" << c.Text << "\" gave -0";
}

INSTANTIATE_TEST_SUITE_P(
    Forms, NumericValueTest,
    ::testing::Values(
        // The documented examples.
        NumericCase{"10", 10}, NumericCase{"7x", 7}, NumericCase{"x7", 0}, NumericCase{" 5", 5},
        NumericCase{"", 0}, NumericCase{".5", 0.5}, NumericCase{"-3", -3},
        // Blanks, tabs and line feeds count nowhere, also inside the number; other control bytes end it.
        NumericCase{"1 2", 12}, NumericCase{"\t1\n2 ", 12}, NumericCase{"- 3", -3}, NumericCase{"1 . 5", 1.5},
        NumericCase{"1 e 2", 100}, NumericCase{"3\r4", 3}, NumericCase{"   ", 0},
        // Sign, point and exponent.
        NumericCase{"+4", 4}, NumericCase{"07", 7}, NumericCase{"1.0", 1}, NumericCase{"0.1", 0.1},
        NumericCase{"-.5", -0.5}, NumericCase{"1.2.3", 1.2}, NumericCase{"1..2", 1}, NumericCase{"--1", 0},
        NumericCase{"-", 0}, NumericCase{".", 0}, NumericCase{"-0", 0}, NumericCase{"-0.0e5", 0},
        NumericCase{"1,5", 1}, NumericCase{"0x10", 0}, NumericCase{"1.5E2", 150}, NumericCase{"1.5e2", 150},
        NumericCase{"2D3", 2000}, NumericCase{"2d-1", 0.2}, NumericCase{"5E+1", 50}, NumericCase{"1E", 1},
        NumericCase{"1E+", 1}, NumericCase{"1Ex", 1}, NumericCase{"1F2", 1}, NumericCase{"1e2.5", 100},
        NumericCase{"12345678901234567890", 12345678901234567890.0},
        NumericCase{"0.000000000000000000001", 1e-21},
        // Hexadecimal and octal integers: the plain value of the digits read.
        NumericCase{"&H1F", 31}, NumericCase{"&hff", 255}, NumericCase{"& H 1 0", 16},
        NumericCase{"&HFFFF", 65535}, NumericCase{"&HFFFFFFFF", 4294967295.0}, NumericCase{"&H", 0},
        NumericCase{"&Hg", 0}, NumericCase{"&O17", 15}, NumericCase{"&o8", 0}, NumericCase{"&O777x", 511},
        NumericCase{"&", 0}, NumericCase{"&X1", 0}, NumericCase{"-&H10", 0}, NumericCase{"&H1.5", 1},
        // Out of the range of a double: the largest double, or 0; never an infinity or a trap.
        NumericCase{"1E999999999999999999999", DBL_MAX}, NumericCase{"-1D400", -DBL_MAX},
        NumericCase{"1e-999999999999", 0}, NumericCase{"1E308", 1e308}, NumericCase{"2E308", DBL_MAX},
        NumericCase{std::string(400, '9'), DBL_MAX}, NumericCase{"&H" + std::string(300, 'F'), DBL_MAX},
        NumericCase{"0." + std::string(500, '0') + "1e520", 1e19},
        NumericCase{std::string(1000, '1') + "e-999", 10.0 / 9}));

TEST(NumericValueLongText, ManyDigitsRoundAsOneNumber) {
    // 1 followed by 5000 zeros and a 1, scaled down: the digits past the buffer still count.
    std::string text = "1" + std::string(5000, '0') + "e-5000";
    EXPECT_EQ(NumericValue(text), 1.0);
    EXPECT_EQ(NumericValue(std::string(100000, ' ') + "42"), 42.0);
    // Exactly halfway between 1 and the next double, plus a 1 far beyond the digits kept: rounds up.
    std::string halfway = "1.00000000000000011102230246251565404236316680908203125";
    EXPECT_EQ(NumericValue(halfway), 1.0);
    EXPECT_EQ(NumericValue(halfway + std::string(1000, '0') + "1"), std::nextafter(1.0, 2.0));
}

} // namespace
} // namespace candlewatcher
