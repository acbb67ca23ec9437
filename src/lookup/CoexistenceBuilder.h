#pragma once

// The coexistence table of a (P, h, x) table: the liquid and vapor of V + L as functions of
// (T, P) alone (their compositions are the boundary correlations'), on cells refined until
// the biquadratic interpolant of every channel matches the model at test places.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kelvoran/Table.h"
#include "lookup/TableLayout.h"

namespace kelvoran {

/// The sections of a coexistence table, indices local to it.
struct CoexistenceTable {
    std::vector<std::uint32_t> roots;
    std::vector<TableNode> nodes;
    std::vector<TableCoexistenceCell> cells;
    std::vector<double> values;
    std::uint64_t evaluations = 0;
};

/// The coexisting phases at (T °C, P bar): x_L, ρ_L, h_L, x_V, ρ_V, h_V as the phase-state
/// evaluation fills a V + L state there.
void coexistingPhases(double temperatureC, double pressureBar, double* channels);

/// Builds the coexistence table over 0–1000 °C and the pressures [lowP, highP] (bar) of root
/// cell `task` (of 4^rootLevel, T-major) into `out` (its nodes from index 0; the cells and
/// values appended).
void buildCoexistenceCell(std::size_t task, double lowP, double highP,
                          const TableTolerance& tolerance, int rootLevel, int maxLevel,
                          CoexistenceTable& out);

}  // namespace kelvoran
