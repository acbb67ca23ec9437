#include "salt/SaltMeltingCurve.h"

namespace kelvoran {

double saltMeltingTemperatureC(double pressureBar) {
    // A straight line of 0.024726 °C per bar through the triple point.
    return kSaltTriplePointTemperatureC + pressureBar * 0.024726;
}

}  // namespace kelvoran
