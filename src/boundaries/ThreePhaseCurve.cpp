#include "boundaries/ThreePhaseCurve.h"

#include "kelvoran/Constants.h"
#include "numerics/Dual.h"

namespace kelvoran {

namespace {
// p0 … p10 of the three-phase pressure (bar) in T / 800.7; p10 ends the curve at 0.0005 bar.
constexpr double kCoefficients[] = {0.00464,  5e-07,     16.9078,      -269.148,
                                    7632.04,  -49563.6,  233119.0,     -513556.0,
                                    549708.0, -284628.0, 57540.7960595};
}  // namespace

template <typename S>
S threePhasePressureBar(S temperatureC) {
    // Temperature scaled by the melting point of NaCl, where the curve ends at 0.0005 bar.
    const S th = temperatureC / kSaltTriplePointTemperatureC;
    // Degree-10 polynomial in Horner form from p10 down.
    S p = kCoefficients[10];
    for (int i = 9; i >= 0; --i) p = p * th + kCoefficients[i];
    return p;
}

template Dual threePhasePressureBar<Dual>(Dual);

double threePhasePressureBar(double temperatureC) {
    return threePhasePressureBar<double>(temperatureC);
}

}  // namespace kelvoran
