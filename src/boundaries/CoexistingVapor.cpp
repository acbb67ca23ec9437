#include "boundaries/CoexistingVapor.h"

#include "boundaries/CoexistingLiquid.h"

namespace kelvoran {

double coexistingVaporComposition(double temperatureC, double pressureBar,
                                  double coexistingLiquidComposition) {
    const double vaporWithHalite = haliteSaturatedVaporComposition(temperatureC, pressureBar);
    const double liquidWithHalite = haliteLiquidusComposition(temperatureC, pressureBar);
    // The vapor is enriched over the liquid as the halite-saturated vapor is over the
    // halite-saturated liquid at the same T and P.
    return (vaporWithHalite * coexistingLiquidComposition) / liquidWithHalite;
}

double coexistingVaporComposition(double temperatureC, double pressureBar) {
    return coexistingVaporComposition(temperatureC, pressureBar,
                                      coexistingLiquidComposition(temperatureC, pressureBar));
}

}  // namespace kelvoran
