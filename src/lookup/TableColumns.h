#pragma once

// The columns of a property table: at a place (u, v) of the lateral plane, the segments of
// the column variable (x at fixed T and P; h at fixed P and x) with their states, and the
// model's values at any place of a segment, kept once computed.

#include <atomic>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "kelvoran/Calculator.h"
#include "kelvoran/Table.h"
#include "lookup/TableChannels.h"

namespace kelvoran {

/// One segment of a column: its signature and the model's state at its two ends.
struct ColumnSegment {
    Signature signature;
    ExactValues lower, upper;  ///< at the ends, where `lowerKnown` / `upperKnown`
    bool lowerKnown = false, upperKnown = false;
};

/// A column: K segments between K + 1 increasing breakpoints, the first and last the box's
/// ends of the column variable.
struct Column {
    double u = 0.0, v = 0.0;
    std::vector<double> breaks;
    std::vector<ColumnSegment> segments;
    std::unordered_map<std::uint64_t, ExactValues> memo;  ///< by the bits of the place
};

/// Builds columns and evaluates the model for a table's variables and box. One per thread.
class ColumnModel {
  public:
    /// Every evaluation throws TableCancelled once `cancelled` (optional) is set, so that a
    /// build stops within one evaluation of the model.
    ColumnModel(TableVariables variables, const TableBox& box,
                const std::atomic<bool>* cancelled = nullptr);

    /// The column at lateral (u, v).
    Column column(double u, double v);

    /// The model at lateral (u, v) and column value c: the direct evaluation for (T, P, x),
    /// evaluatePH for (P, h, x).
    ExactValues evaluate(double u, double v, double c);

    /// The model at normalised place η (0–1) of segment k of a column: the segment's own end
    /// states at 0 and 1, else evaluate() at breaks[k] + η (breaks[k + 1] − breaks[k]), kept.
    const ExactValues& node(Column& column, int k, double eta);

    /// The model's evaluations so far.
    std::size_t evaluations() const { return evaluations_; }

  private:
    Column temperaturePressureColumn(double t, double p);
    Column pressureEnthalpyColumn(double p, double x);
    ExactValues direct(double t, double p, double x);
    void count();  // one more evaluation, unless the build was cancelled

    TableVariables variables_;
    TableBox box_;
    const std::atomic<bool>* cancelled_;
    Calculator calculator_;
    std::size_t evaluations_ = 0;
};

}  // namespace kelvoran
