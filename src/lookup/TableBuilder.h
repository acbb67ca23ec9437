#pragma once

// Builds a property table: the tree of cells over the lateral plane, refined until every
// segment of every cell reproduces the model at test places inside it, as the bytes of its
// file.

#include <cstddef>
#include <vector>

#include "kelvoran/Table.h"

namespace kelvoran {

/// The complete file image of a table over `box` (validated by the caller).
std::vector<std::byte> buildTableImage(TableVariables variables, const TableBox& box,
                                       const TableTolerance& tolerance,
                                       const TableBuildOptions& options);

}  // namespace kelvoran
