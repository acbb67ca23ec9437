#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "table/GridAxis.h"

namespace kelvoran {
namespace {

TEST(GridAxisTest, ValuesListsAndRanges) {
    const std::pair<const char*, std::vector<double>> cases[] = {
        {"25", {25.0}},
        {" 0, 25 ,100", {0.0, 25.0, 100.0}},
        {"0:1000:11", {0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
        {"0:0.5:6", {0.0, 0.1, 0.2, 0.3, 0.4, 0.5}},
        {"10:0:3", {10.0, 5.0, 0.0}},
        {"1:1000:4:log", {1.0, 10.0, 100.0, 1000.0}},
        {"1:100:5:log", {1.0, 3.1622776601683795, 10.0, 31.622776601683793, 100.0}},
        {"-10:-5:2,7,1e-3:1e-1:3:log", {-10.0, -5.0, 7.0, 1e-3, 1e-2, 1e-1}},
        {"5:5:3", {5.0, 5.0, 5.0}},
        {"1e308:1.7e308:3", {1e308, 1.35e308, 1.7e308}},
        {"-1.7e308:1.7e308:3", {-1.7e308, 0.0, 1.7e308}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(GridAxis::parse(text), expected) << text;
    }
}

TEST(GridAxisTest, RangesEndExactlyOnTheirEnds) {
    for (const std::size_t count : {2u, 3u, 7u, 1000u}) {
        const std::vector<double> linear = GridAxis::parse("0.1:0.7:" + std::to_string(count));
        EXPECT_EQ(linear.front(), 0.1);
        EXPECT_EQ(linear.back(), 0.7);
        const std::vector<double> log =
            GridAxis::parse("0.3:2000:" + std::to_string(count) + ":log");
        EXPECT_EQ(log.front(), 0.3);
        EXPECT_EQ(log.back(), 2000.0);
        for (std::size_t i = 1; i < count; ++i) {
            EXPECT_LT(linear[i - 1], linear[i]);
            EXPECT_LT(log[i - 1], log[i]);
        }
    }
}

// Rounding near the largest double must not step past a range's ends (to infinity).
TEST(GridAxisTest, RangeValuesStayBetweenTheirEnds) {
    for (const char* text :
         {"1.7976931348623155e308:1.7976931348623157e308:7:log",
          "1.7976931348623157e308:1e300:50:log", "-1.7976931348623157e308:1.7976931348623157e308:9",
          "4.9e-324:1e-300:20:log"}) {
        const std::vector<double> values = GridAxis::parse(text);
        const double low = std::min(values.front(), values.back());
        const double high = std::max(values.front(), values.back());
        for (const double value : values) {
            EXPECT_TRUE(value >= low && value <= high) << text << ": " << value;
        }
    }
}

TEST(GridAxisTest, RejectsMalformedRanges) {
    const char* bad[] = {"",          ",",          "1::3",         " ",
                         "1,,2",      "a",          "1:2",          "1:2:1",
                         "1:2:0",     "1:2:x",      "1:2:2.5",      "1:2:-3",
                         "1:2:3:lin", "0:10:3:log", "-1:10:3:log",  "1:2:3:log:5",
                         "1:nan:3",   "1e999",      "1:2:99999999", "0:1:2,0:1:10000000"};
    for (const char* text : bad) {
        EXPECT_THROW(GridAxis::parse(text), std::invalid_argument) << "'" << text << "'";
    }
    try {
        GridAxis::parse("0:10:3:log");
        FAIL();
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("greater than zero"), std::string::npos) << e.what();
    }
    try {
        GridAxis::parse("5,,6");
        FAIL();
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()), "in '5,,6': item 2 is empty");
    }
}

}  // namespace
}  // namespace kelvoran
