#include "salt/SaltVaporPressureCurve.h"

#include <cmath>

#include "kelvoran/Constants.h"
#include "numerics/Dual.h"

namespace kelvoran {

template <typename S>
S saltVaporPressureBar(S temperatureC, double slopeK) {
    using std::pow;
    const S temperatureK = temperatureC + 273.15;
    // No guard at 0 K: 1/TK is then +inf and the pressure 0.
    return pow(10.0,
               std::log10(kSaltTriplePointPressureBar) +
                   slopeK * (1.0 / (kSaltTriplePointTemperatureC + 273.15) - 1.0 / temperatureK));
}

template <typename S>
S saltBoilingPressureBar(S temperatureC) {
    return saltVaporPressureBar(temperatureC, kSaltBoilingSlopeK);
}

template <typename S>
S saltSublimationPressureBar(S temperatureC) {
    return saltVaporPressureBar(temperatureC, kSaltSublimationSlopeK);
}

template Dual saltVaporPressureBar<Dual>(Dual, double);
template Dual saltBoilingPressureBar<Dual>(Dual);
template Dual saltSublimationPressureBar<Dual>(Dual);

double saltVaporPressureBar(double temperatureC, double slopeK) {
    return saltVaporPressureBar<double>(temperatureC, slopeK);
}

double saltBoilingPressureBar(double temperatureC) {
    return saltBoilingPressureBar<double>(temperatureC);
}

double saltSublimationPressureBar(double temperatureC) {
    return saltSublimationPressureBar<double>(temperatureC);
}

}  // namespace kelvoran
