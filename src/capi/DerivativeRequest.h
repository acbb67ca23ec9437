#pragma once

// The derivative arrays a call of the C interface names, as the batch's derivative columns.

#include "kelvoran/Batch.h"
#include "kelvoran/kelvoran.h"

namespace kelvoran::capi {

/// The columns of `derivatives`, null where it names no array.
DerivativeColumns derivativeColumns(const kelvoran_derivatives& derivatives);

}  // namespace kelvoran::capi
