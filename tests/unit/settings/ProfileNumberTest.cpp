// What the Windows profile functions make of stored text, as observed under
// Wine and kept here so that the native reader is checked without it.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/headless/ProfileNumber.h"

namespace {

using headless::ProfileNumber;

TEST(ProfileNumberTest, DecimalWithSignAndTrailingText) {
    EXPECT_EQ(ProfileNumber("12", 77), 12);
    EXPECT_EQ(ProfileNumber("+12", 77), 12);
    EXPECT_EQ(ProfileNumber("-174", 77), -174);
    EXPECT_EQ(ProfileNumber("12abc", 77), 12);
    EXPECT_EQ(ProfileNumber("1 2", 77), 1);
    EXPECT_EQ(ProfileNumber("3.9", 77), 3);
    EXPECT_EQ(ProfileNumber("\x01 5", 77), 5);  // control characters are skipped like blanks
    EXPECT_EQ(ProfileNumber("010", 77), 10);    // no octal from a leading zero
}

TEST(ProfileNumberTest, NoDigitsGiveZeroAndNoTextGivesTheDefault) {
    EXPECT_EQ(ProfileNumber("abc", 77), 0);
    EXPECT_EQ(ProfileNumber("- 5", 77), 0);
    EXPECT_EQ(ProfileNumber("--5", 77), 0);
    EXPECT_EQ(ProfileNumber("+-5", 77), 0);
    EXPECT_EQ(ProfileNumber("", 77), 77);
    EXPECT_EQ(ProfileNumber("\"\"", -5), -5);  // quotes around nothing
    EXPECT_EQ(ProfileNumber("''", -5), -5);
}

TEST(ProfileNumberTest, LowerCasePrefixesChooseTheBase) {
    EXPECT_EQ(ProfileNumber("0x1F", 77), 31);
    EXPECT_EQ(ProfileNumber("0X1f", 77), 0);
    EXPECT_EQ(ProfileNumber("0o17", 77), 15);
    EXPECT_EQ(ProfileNumber("0b101", 77), 5);
    EXPECT_EQ(ProfileNumber("0b2", 77), 0);
    EXPECT_EQ(ProfileNumber("0x", 77), 0);
    EXPECT_EQ(ProfileNumber("-0x10", 77), -16);
}

TEST(ProfileNumberTest, NumbersWrapModulo32Bits) {
    EXPECT_EQ(ProfileNumber("4294967295", 77), -1);
    EXPECT_EQ(ProfileNumber("4294967296", 77), 0);
    EXPECT_EQ(ProfileNumber("2147483648", 77), INT_MIN);
    EXPECT_EQ(ProfileNumber("-2147483649", 77), INT_MAX);
    EXPECT_EQ(ProfileNumber("99999999999999999999", 77), 1661992959);
}

TEST(ProfileNumberTest, OnlyTwentyNineCharactersAreRead) {
    const std::string digits = "12345678901234567890123456789";
    EXPECT_EQ(ProfileNumber(digits + "0123", 77), 1849262357);
    EXPECT_EQ(ProfileNumber(digits + "0123", 77), ProfileNumber(digits, 77));
    EXPECT_EQ(ProfileNumber(std::string(45, '0') + "12", 77), 0);
}

TEST(ProfileNumberTest, MatchingQuotesAreRemoved) {
    EXPECT_EQ(ProfileNumber("\"42\"", 77), 42);
    EXPECT_EQ(ProfileNumber("'42'", 77), 42);
    EXPECT_EQ(ProfileNumber("\" 9\"", 77), 9);
    EXPECT_EQ(ProfileNumber("\"42", 77), 0);
    EXPECT_EQ(ProfileNumber("'7\"", 77), 0);
    // 29 characters inside quotes: the cut keeps 29 and then drops the last.
    EXPECT_EQ(ProfileNumber("\"12345678901234567890123456789\"", 77),
              ProfileNumber("1234567890123456789012345678", 77));
}

}  // namespace
