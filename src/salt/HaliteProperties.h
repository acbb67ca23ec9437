#pragma once

#include "kelvoran/Correlations.h"

// Density and isobaric heat capacity of halite (solid NaCl): haliteDensityKgM3(T, P) and
// haliteHeatCapacityJKgK(T, P), declared with the other public correlations.
