#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "kelvoran/Calculator.h"
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

/// Evaluates rows on a number of threads, each with its own Calculator, and writes them in
/// input order. The rows are read and written in blocks, so memory stays bounded on any input
/// size. Every row is formatted the same way whichever thread computed it, so the output does
/// not depend on the thread count.
class TableRunner {
  public:
    TableRunner(int threads, int digits);

    TableTotals run(const TableJob& job);

    int threads() const { return static_cast<int>(calculators_.size()); }

    /// Rows read per block and per thread.
    static constexpr std::size_t rowsPerThreadBlock = 1024;

  private:
    void computeBlock(std::size_t count, const TableJob& job, std::uint64_t doneBefore);

    std::vector<Calculator> calculators_;
    TableFormatter formatter_;
    std::vector<InputRow> rows_;
    std::vector<std::string> lines_;
};

}  // namespace kelvoran
