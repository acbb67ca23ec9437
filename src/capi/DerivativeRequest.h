#pragma once

// Which derivatives a call of the C interface asks for, and where the batch writes them.

#include <cstdint>

#include "kelvoran/Batch.h"
#include "kelvoran/kelvoran.h"

namespace kelvoran::capi {

/// Whether `derivatives` names at least one array.
bool requestsDerivatives(const kelvoran_derivatives& derivatives);

/// Points the derivative columns of `columns` at the arrays named in `derivatives`: KELVORAN_OK,
/// or KELVORAN_ERROR_UNAVAILABLE where arrays are named and the batches compute no derivatives.
std::int32_t attachDerivatives(const kelvoran_derivatives& derivatives, BatchColumns& columns);

}  // namespace kelvoran::capi
