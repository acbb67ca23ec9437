#pragma once

#include "kelvoran/Constants.h"
#include "kelvoran/Correlations.h"

// Critical curve of the H2O–NaCl system: criticalPressureBar(T) and criticalComposition(T),
// declared with the other public correlations.
