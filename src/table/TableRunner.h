#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Inverse.h"
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
    /// Evaluates a block's readable rows in place of the batch functions of the mode (a
    /// property table, kelvoran-table --table): the two given quantities and x. Optional.
    std::function<void(std::span<const double>, std::span<const double>, std::span<const double>,
                       const BatchColumns&, const InverseColumns&, const BatchOptions&)>
        evaluate;
    /// The inverse modes: the temperatures (pressures) searched.
    SearchRange searchRange;
};

/// Counts of one run.
struct TableTotals {
    std::uint64_t rows = 0;          ///< rows written, good and bad
    std::uint64_t failedRows = 0;    ///< rows that could not be read
    std::uint64_t unsolvedRows = 0;  ///< inverse modes: computed rows for which no state was found
};

/// Reads rows in blocks, evaluates the readable rows of each block with kelvoran::evaluateBatch
/// (or, in the inverse modes of the formatter, evaluateBatchPH, evaluateBatchPRho or
/// evaluateBatchTRho) on a number of threads, and writes every row of the block, in input order,
/// before reading the next block, so memory stays bounded on any input size and any thread
/// count. Only the values of the formatter's columns are computed (TableFormatter::needs).
/// Rows are formatted on the calling thread from the batch's columns, so the output does not
/// depend on the thread count.
class TableRunner {
  public:
    TableRunner(int threads, TableFormatter formatter);

    TableTotals run(const TableJob& job);

    int threads() const { return threads_; }

    /// Rows read per block and per thread.
    static constexpr std::size_t rowsPerThreadBlock = 1024;
    /// Most rows read per block whatever the thread count: with their values and text about
    /// 1.2 kB each, so the rows in flight stay within about 20 MB.
    static constexpr std::size_t maximumRowsInFlight = 16384;
    /// A block ends early once its rows hold this much text (passed-through fields).
    static constexpr std::size_t textBytesPerBlock = std::size_t{8} << 20;

  private:
    // Evaluates and formats rows_[0, count); returns the number of rows without a state found.
    std::uint64_t computeBlock(std::size_t count, const TableJob& job, std::uint64_t doneBefore);

    int threads_;
    TableFormatter formatter_;
    std::vector<InputRow> rows_;
    // The given quantities of the readable rows: (T, P), (P, h), (P, ρ) or (T, ρ), and x.
    std::vector<double> first_, second_, composition_;
    std::vector<std::int32_t> state_, fluidType_, status_;
    std::vector<std::uint32_t> warnings_;
    std::vector<double> found_;   // the temperature or pressure an inverse evaluation found
    std::vector<double> values_;  // (3 phases × 8 + 2 bulk) columns × block rows
    std::vector<double> derivatives_;  // derivative columns × block rows (--derivatives)
    // The lines of a block, written straight into this buffer.
    char* textRoom(std::size_t bytes);
    std::unique_ptr<char[]> text_;
    std::size_t textBytes_ = 0;
    std::size_t textCapacity_ = 0;
};

}  // namespace kelvoran
