#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "text/NumberText.h"
#include "text/NumberWriter.h"

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

// One form for every number: the shortest exact digits (or N significant ones), without an
// exponent from 1e-4 to below 1e16, with one outside.
TEST(NumberTextTest, NumbersUseOneFormWithAnExponentOnlyForExtremeMagnitudes) {
    using limits = std::numeric_limits<double>;
    struct Case {
        double value;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {0.05, 0, "0.05"},
        {0.050000000000000003, 0, "0.05"},  // the same double
        {0.05, 17, "0.050000000000000003"},
        {1020.0, 0, "1020"},
        {1023.456, 3, "1020"},
        {2.8e6, 0, "2800000"},
        {2812345.6, 5, "2812300"},
        {123456.0, 5, "123460"},
        {1.0 / 3.0, 5, "0.33333"},
        {0.0003184, 0, "0.0003184"},
        {1e-4, 0, "0.0001"},
        {9.9999e-5, 0, "9.9999e-05"},
        {2.6e-7, 0, "2.6e-07"},
        {9999999999999998.0, 0, "9999999999999998"},
        {1e16, 0, "1e+16"},
        {-1.5e300, 3, "-1.5e+300"},
        {limits::max(), 0, "1.7976931348623157e+308"},
        {limits::denorm_min(), 0, "5e-324"},
        {0.0, 5, "0"},
        {-0.0, 0, "-0"},
        {limits::quiet_NaN(), 0, "nan"},
        {-limits::infinity(), 5, "-inf"},
    };
    for (const Case& c : cases) {
        std::string text;
        appendNumber(text, c.value, c.digits);
        EXPECT_EQ(text, c.text) << c.digits << " digits";
    }
    std::string comma;
    appendNumber(comma, 1234.5, 0, ',');
    comma += ' ';
    appendNumber(comma, 2.5e-7, 0, ',');
    EXPECT_EQ(comma, "1234,5 2,5e-07");
    double back = 0.0;
    EXPECT_EQ(parseNumber("1234,5", back, ','), NumberParse::Ok);
    EXPECT_EQ(back, 1234.5);
    EXPECT_EQ(parseNumber("1.234,5", back, ','), NumberParse::NotANumber);
}

TEST(NumberTextTest, ParseAcceptsDecimalNumbers) {
    const std::pair<const char*, double> cases[] = {
        {"25", 25.0},
        {"  7 \t", 7.0},
        {"+5", 5.0},
        {"-0.5", -0.5},
        {"1e-5", 1e-5},
        {"1E+3", 1e3},
        {".5", 0.5},
        {"5.", 5.0},
        {"0.1", 0.1},
        {"-0", -0.0},
        // Too small for a double: the nearest subnormal, or zero of the sign written.
        {"1e-310", 1e-310},
        {"3e-324", std::numeric_limits<double>::denorm_min()},
        {"2e-324", 0.0},
        {"1e-400", 0.0},
        {"-1e-400", -0.0},
        {"0.000001e-320", 0.0},
        {"123456e-330", 0.0},
        {"1e-99999999999999999999", 0.0},
        {"1000e305", 1e308},
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
        {"10000e305", NumberParse::OutOfRange},
        {"0.0001e313", NumberParse::OutOfRange},
        {"1e99999999999999999999", NumberParse::OutOfRange},
        {"0x1p3", NumberParse::NotANumber},
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
