#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "text/NumberText.h"

namespace kelvoran {
namespace {

double readBack(const std::string& text) {
    double value = 0.0;
    EXPECT_EQ(parseNumber(text, value), NumberParse::Ok) << text;
    return value;
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(NumberTextTest, SeventeenDigitsAndShortestFormReadBackExactly) {
    using limits = std::numeric_limits<double>;
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.1,
                                  1.0 / 3.0,
                                  -2.5e-7,
                                  1e300,
                                  limits::max(),
                                  limits::min(),
                                  limits::denorm_min(),
                                  -limits::denorm_min(),
                                  3.0e-310,
                                  limits::epsilon(),
                                  322.00274097065657,
                                  0.06441279};
    std::mt19937_64 bits(20240607);
    while (values.size() < 200000) {
        const double value = std::bit_cast<double>(bits());
        if (std::isfinite(value)) {
            values.push_back(value);
        }
    }
    for (const double value : values) {
        std::string seventeen, shortest;
        appendNumber(seventeen, value, 17);
        appendExact(shortest, value);
        ASSERT_TRUE(sameBits(readBack(seventeen), value)) << seventeen;
        ASSERT_TRUE(sameBits(readBack(shortest), value)) << shortest;
        ASSERT_LE(shortest.size(), seventeen.size()) << shortest << " " << seventeen;
    }
}

TEST(NumberTextTest, DigitsFollowPrintfGeneralFormat) {
    const double values[] = {0.0, 1000.0, 123456.0, 0.0001, 1.0 / 3.0, -2.5e-7, 6.02214076e23};
    for (const int digits : {1, 5, 10, 17}) {
        for (const double value : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%.*g", digits, value);
            std::string got;
            appendNumber(got, value, digits);
            EXPECT_EQ(got, expected) << digits << " digits";
        }
    }
    std::string special;
    appendNumber(special, std::numeric_limits<double>::quiet_NaN(), 17);
    special += ' ';
    appendNumber(special, -std::numeric_limits<double>::infinity(), 5);
    special += ' ';
    appendExact(special, std::numeric_limits<double>::infinity());
    EXPECT_EQ(special, "nan -inf inf");
}

TEST(NumberTextTest, ParseAcceptsDecimalNumbers) {
    const std::pair<const char*, double> cases[] = {
        {"25", 25.0},  {"  7 \t", 7.0}, {"+5", 5.0}, {"-0.5", -0.5}, {"1e-5", 1e-5},
        {"1E+3", 1e3}, {".5", 0.5},     {"5.", 5.0}, {"0.1", 0.1},   {"-0", -0.0},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_TRUE(sameBits(readBack(text), expected)) << text;
    }
}

TEST(NumberTextTest, ParseRejectsWhatIsNotOneFiniteNumber) {
    const std::pair<const char*, NumberParse> cases[] = {
        {"", NumberParse::Empty},
        {" \t ", NumberParse::Empty},
        {"abc", NumberParse::NotANumber},
        {"1.5x", NumberParse::NotANumber},
        {"1 2", NumberParse::NotANumber},
        {"--1", NumberParse::NotANumber},
        {"+-1", NumberParse::NotANumber},
        {"++1", NumberParse::NotANumber},
        {"+", NumberParse::NotANumber},
        {"0x10", NumberParse::NotANumber},
        {"1,5", NumberParse::NotANumber},
        {"1e999", NumberParse::OutOfRange},
        {"-1e999", NumberParse::OutOfRange},
        {"nan", NumberParse::NotFinite},
        {"inf", NumberParse::NotFinite},
        {"-Infinity", NumberParse::NotFinite},
    };
    for (const auto& [text, expected] : cases) {
        double value = 42.0;
        EXPECT_EQ(parseNumber(text, value), expected) << "'" << text << "'";
        EXPECT_EQ(value, 42.0) << "value written on failure for '" << text << "'";
    }
    EXPECT_EQ(describeParseFailure(NumberParse::NotANumber, " abc "), "'abc' is not a number");
    EXPECT_EQ(describeParseFailure(NumberParse::Empty, ""), "the value is missing");
}

TEST(NumberTextTest, MessagesShowUnprintableBytesEscapedAndCutLongText) {
    EXPECT_EQ(printable(std::string("a\tb\x01\xff", 5)), "a\\x09b\\x01\\xFF");
    EXPECT_EQ(printable(std::string(100, 'z'), 4), "zzzz...");
    EXPECT_EQ(trimBlanks(" \t x y \t"), "x y");
}

}  // namespace
}  // namespace kelvoran
