#include "boundaries/CoexistingVapor.h"

#include "boundaries/CoexistingLiquid.h"
#include "numerics/Dual.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteSaturatedVapor.h"

namespace kelvoran {

template <typename S>
S coexistingVaporComposition(S temperatureC, S pressureBar, S coexistingLiquidComposition) {
    const S vaporWithHalite = haliteSaturatedVaporComposition(temperatureC, pressureBar);
    const S liquidWithHalite = haliteLiquidusComposition(temperatureC, pressureBar);
    // The vapor is enriched over the liquid as the halite-saturated vapor is over the
    // halite-saturated liquid at the same T and P.
    return (vaporWithHalite * coexistingLiquidComposition) / liquidWithHalite;
}

template Dual coexistingVaporComposition<Dual>(Dual, Dual, Dual);

double coexistingVaporComposition(double temperatureC, double pressureBar,
                                  double coexistingLiquidComposition) {
    return coexistingVaporComposition<double>(temperatureC, pressureBar,
                                              coexistingLiquidComposition);
}

double coexistingVaporComposition(double temperatureC, double pressureBar) {
    return coexistingVaporComposition(temperatureC, pressureBar,
                                      coexistingLiquidComposition(temperatureC, pressureBar));
}

}  // namespace kelvoran
