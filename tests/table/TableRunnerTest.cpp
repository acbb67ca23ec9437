#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelvoran/Calculator.h"
#include "table/GridAxis.h"
#include "table/GridSource.h"
#include "table/ProgressBar.h"
#include "table/TableRunner.h"

namespace kelvoran {
namespace {

// Runs a grid of `points` points with every 97th row made unreadable, on `threads` threads.
std::string runGrid(int threads, TableTotals& totals, std::vector<std::int64_t>& failed) {
    GridSource grid(GridAxis::parse("-20:1100:17"), GridAxis::parse("0.5:6000:13:log"),
                    GridAxis::parse("0:1:31"), false);
    std::string out;
    TableJob job;
    job.next = [&](InputRow& row) {
        if (!grid.next(row)) {
            return false;
        }
        if (row.line % 97 == 0) {
            row.error = "unreadable";
        }
        return true;
    };
    job.write = [&](std::string_view text) { out += text; };
    job.rowFailed = [&](const InputRow& row) { failed.push_back(row.line); };
    TableRunner runner(threads, TableFormatter(17));
    totals = runner.run(job);
    return out;
}

TEST(TableRunnerTest, OutputIsTheSameForAnyThreadCountAndInInputOrder) {
    TableTotals one{}, two{}, five{};
    std::vector<std::int64_t> failedOne, failedTwo, failedFive;
    const std::string single = runGrid(1, one, failedOne);
    // 17 × 13 × 31 = 6851 points: several blocks for every thread count below.
    EXPECT_EQ(one.rows, 6851u);
    EXPECT_EQ(one.failedRows, 6851u / 97);
    // The batch evaluation writes what one calculator, point by point, gives.
    {
        GridSource grid(GridAxis::parse("-20:1100:17"), GridAxis::parse("0.5:6000:13:log"),
                        GridAxis::parse("0:1:31"), false);
        const TableFormatter formatter(17);
        Calculator calculator;
        std::string expected;
        for (InputRow row; grid.next(row);) {
            if (row.line % 97 == 0) {
                row.error = "unreadable";
                formatter.appendErrorRow(expected, row);
            } else {
                formatter.appendRow(
                    expected, row,
                    calculator.evaluate(row.temperatureC, row.pressureBar, row.composition));
            }
        }
        EXPECT_TRUE(single == expected);
    }
    EXPECT_EQ(runGrid(2, two, failedTwo), single);
    EXPECT_EQ(runGrid(5, five, failedFive), single);
    EXPECT_EQ(failedTwo, failedOne);
    EXPECT_EQ(failedFive, failedOne);
    ASSERT_EQ(failedOne.size(), one.failedRows);
    for (std::size_t i = 0; i < failedOne.size(); ++i) {
        EXPECT_EQ(failedOne[i], static_cast<std::int64_t>(97 * (i + 1)));
    }
    // Lines carry their point numbers 1, 2, 3, ... in order.
    std::size_t start = 0;
    for (std::int64_t expected = 1; start < single.size(); ++expected) {
        const std::size_t end = single.find('\n', start);
        ASSERT_EQ(single.substr(start, single.find(',', start) - start), std::to_string(expected));
        start = end + 1;
    }
}

TEST(TableRunnerTest, EmptyInputWritesNothing) {
    TableJob job;
    job.next = [](InputRow&) { return false; };
    std::string out;
    job.write = [&](std::string_view text) { out += text; };
    TableRunner runner(3, TableFormatter(17));
    const TableTotals totals = runner.run(job);
    EXPECT_EQ(totals.rows, 0u);
    EXPECT_TRUE(out.empty());
}

TEST(TableRunnerTest, ProgressBarShowsShareRateAndTimeLeft) {
    const std::string known = ProgressBar::render(500, 1000, -1.0, 10.0);
    EXPECT_NE(known.find(" 50%"), std::string::npos) << known;
    EXPECT_NE(known.find("500/1000 points"), std::string::npos) << known;
    EXPECT_NE(known.find("50 points/s"), std::string::npos) << known;
    EXPECT_NE(known.find("0:10 left"), std::string::npos) << known;
    const std::string unknown = ProgressBar::render(1234, 0, -1.0, 2.0);
    EXPECT_EQ(unknown.find('%'), std::string::npos) << unknown;
    EXPECT_NE(unknown.find("1234 points, 617 points/s"), std::string::npos) << unknown;
    const std::string byBytes = ProgressBar::render(10, 0, 0.25, 3600.0);
    EXPECT_NE(byBytes.find(" 25%"), std::string::npos) << byBytes;
    EXPECT_NE(byBytes.find("3:00:00 left"), std::string::npos) << byBytes;

    std::FILE* sink = std::tmpfile();
    ProgressBar silent(sink, false, 10);
    silent.update(5);
    silent.finish();
    EXPECT_EQ(std::ftell(sink), 0L);
    std::fclose(sink);
}

}  // namespace
}  // namespace kelvoran
