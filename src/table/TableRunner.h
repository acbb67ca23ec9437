#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "table/InputRow.h"
#include "table/TableFormatter.h"

namespace kelvoran {

/// What one run reads from and writes to.
struct TableJob {
    /// Fills the next input row; false at the end. May throw (the run stops).
    std::function<bool(InputRow&)> next;
    /// Receives the output lines in input order (the header is not included).
    std::function<void(std::string_view)> write;
    /// Called, in input order, for every row that could not be read. Optional.
    std::function<void(const InputRow&)> rowFailed;
    /// Called from the calling thread a few times a second with the number of rows finished.
    /// Optional.
    std::function<void(std::uint64_t)> progress;
};

/// Counts of one run.
struct TableTotals {
    std::uint64_t rows = 0;        ///< rows written, good and bad
    std::uint64_t failedRows = 0;  ///< rows that could not be read
};

/// Reads rows in blocks, evaluates the readable rows of each block with kelvoran::evaluateBatch
/// on a number of threads, and writes every row of the block, in input order, before reading
/// the next block, so memory stays bounded on any input size. Rows are formatted on the calling
/// thread from the batch's columns, so the output does not depend on the thread count.
class TableRunner {
  public:
    TableRunner(int threads, TableFormatter formatter);

    TableTotals run(const TableJob& job);

    int threads() const { return threads_; }

    /// Rows read per block and per thread.
    static constexpr std::size_t rowsPerThreadBlock = 1024;
    /// A block ends early once its rows hold this much text (passed-through fields).
    static constexpr std::size_t textBytesPerBlock = std::size_t{8} << 20;

  private:
    void computeBlock(std::size_t count, const TableJob& job, std::uint64_t doneBefore);

    int threads_;
    TableFormatter formatter_;
    std::vector<InputRow> rows_;
    std::vector<double> temperatureC_, pressureBar_, composition_;
    std::vector<std::int32_t> state_;
    std::vector<double> values_;  // 3 phases × 6 columns × block rows
    std::string text_;
};

}  // namespace kelvoran
