#include "capi/DerivativeRequest.h"

namespace kelvoran::capi {

namespace {

GradientColumns gradientColumns(const kelvoran_gradient& g) {
    GradientColumns c;
    c.first = g.first;
    c.second = g.second;
    c.third = g.third;
    return c;
}

PhaseDerivativeColumns phaseDerivativeColumns(const kelvoran_phase_derivatives& d) {
    PhaseDerivativeColumns c;
    c.density = gradientColumns(d.density_kg_m3);
    c.specificEnthalpy = gradientColumns(d.specific_enthalpy_j_kg);
    c.phaseMassFraction = gradientColumns(d.phase_mass_fraction);
    c.saturation = gradientColumns(d.saturation);
    c.massFraction = gradientColumns(d.mass_fraction);
    return c;
}

}  // namespace

DerivativeColumns derivativeColumns(const kelvoran_derivatives& d) {
    DerivativeColumns c;
    c.temperature = gradientColumns(d.temperature);
    c.pressure = gradientColumns(d.pressure);
    c.liquid = phaseDerivativeColumns(d.liquid);
    c.vapor = phaseDerivativeColumns(d.vapor);
    c.halite = phaseDerivativeColumns(d.halite);
    c.bulk = phaseDerivativeColumns(d.bulk);
    return c;
}

}  // namespace kelvoran::capi
