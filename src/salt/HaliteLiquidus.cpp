#include "salt/HaliteLiquidus.h"

#include "numerics/Dual.h"
#include "salt/SaltMeltingCurve.h"

namespace kelvoran {

template <typename S>
S haliteLiquidusComposition(S temperatureC, S pressureBar) {
    const S p = pressureBar;
    const S x = temperatureC / saltMeltingTemperatureC(p);

    // Coefficients at this pressure; the last one makes them sum to 1 (composition 1 at Tm).
    const S e0 = (3.30796e-06 - 4.71759e-10 * p) * p + 0.0989944;
    const S e1 = (1.69417e-09 * p - 8.6646e-06) * p + 0.00947257;
    const S e2 = (1.1929e-08 * p - 1.51716e-05) * p + 0.610863;
    const S e3 = (0.000203441 - 6.46015e-08 * p) * p - 1.64994;
    const S e4 = (8.17048e-08 * p - 0.000154023) * p + 3.36474;
    const S e5 = 1.0 - e0 - e1 - e2 - e3 - e4;

    return ((((e5 * x + e4) * x + e3) * x + e2) * x + e1) * x + e0;
}

template Dual haliteLiquidusComposition<Dual>(Dual, Dual);

double haliteLiquidusComposition(double temperatureC, double pressureBar) {
    return haliteLiquidusComposition<double>(temperatureC, pressureBar);
}

}  // namespace kelvoran
