#pragma once

#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"

// Melting curve of pure NaCl: saltMeltingTemperatureC(P), declared with the other public
// correlations.
