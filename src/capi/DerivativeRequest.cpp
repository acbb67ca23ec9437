#include "capi/DerivativeRequest.h"

namespace kelvoran::capi {

namespace {

bool namesArray(const kelvoran_gradient& g) {
    return g.first != nullptr || g.second != nullptr || g.third != nullptr;
}

bool namesArray(const kelvoran_phase_derivatives& d) {
    return namesArray(d.mass_fraction) || namesArray(d.density_kg_m3) ||
           namesArray(d.specific_enthalpy_j_kg) || namesArray(d.phase_mass_fraction) ||
           namesArray(d.saturation);
}

}  // namespace

bool requestsDerivatives(const kelvoran_derivatives& d) {
    return namesArray(d.temperature) || namesArray(d.pressure) || namesArray(d.liquid) ||
           namesArray(d.vapor) || namesArray(d.halite) || namesArray(d.bulk);
}

std::int32_t attachDerivatives(const kelvoran_derivatives& derivatives, BatchColumns& /*columns*/) {
    // The batches of kelvoran/Batch.h compute no derivatives yet.
    return requestsDerivatives(derivatives) ? KELVORAN_ERROR_UNAVAILABLE : KELVORAN_OK;
}

}  // namespace kelvoran::capi
