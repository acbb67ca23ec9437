#include "boundaries/ThreePhaseCurve.h"

#include "salt/SaltMeltingCurve.h"

namespace kelvoran {

ThreePhaseCurve::ThreePhaseCurve(const double& temperatureC)
    : boundTemperatureC_(&temperatureC) {}

void ThreePhaseCurve::update() {
    if (*boundTemperatureC_ == cachedTemperatureC_) return;
    cachedTemperatureC_ = *boundTemperatureC_;
    // Temperature scaled by the melting point of NaCl, where the curve ends at 0.0005 bar.
    scaledTemperature_ = cachedTemperatureC_ / kSaltTriplePointTemperatureC;
    const double th = scaledTemperature_;
    pressureBar_ =
        (((((((((57540.7960595 * th - 284628.0) * th + 549708.0) * th - 513556.0) * th +
              233119.0) *
                 th -
             49563.6) *
                th +
            7632.04) *
               th -
           269.148) *
              th +
          16.9078) *
             th +
         5e-07) *
            th +
        0.00464;
}

}  // namespace kelvoran
