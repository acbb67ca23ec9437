#include "salt/SaltMeltingCurve.h"

#include "numerics/Dual.h"

namespace kelvoran {

template <typename S>
S saltMeltingTemperatureC(S pressureBar) {
    // A straight line of 0.024726 °C per bar through the triple point.
    return kSaltTriplePointTemperatureC + pressureBar * 0.024726;
}

template Dual saltMeltingTemperatureC<Dual>(Dual);

double saltMeltingTemperatureC(double pressureBar) {
    return saltMeltingTemperatureC<double>(pressureBar);
}

}  // namespace kelvoran
