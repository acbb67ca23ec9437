#include "salt/SaltVaporPressureCurve.h"

#include <cmath>

#include "kelvoran/Constants.h"

namespace kelvoran {

double saltVaporPressureBar(double temperatureC, double slopeK) {
    const double temperatureK = temperatureC + 273.15;
    // No guard at 0 K: 1/TK is then +inf and the pressure 0.
    return std::pow(
        10.0, std::log10(kSaltTriplePointPressureBar) +
                  slopeK * (1.0 / (kSaltTriplePointTemperatureC + 273.15) - 1.0 / temperatureK));
}

double saltBoilingPressureBar(double temperatureC) {
    return saltVaporPressureBar(temperatureC, kSaltBoilingSlopeK);
}

double saltSublimationPressureBar(double temperatureC) {
    return saltVaporPressureBar(temperatureC, kSaltSublimationSlopeK);
}

}  // namespace kelvoran
