// Decodes arbitrary bytes into points (T °C, P bar, x mole fraction NaCl), 24 bytes a point as
// three doubles of any bit pattern (NaN with any payload, ±inf, subnormals, ±1e308, negative
// values), and evaluates them one after another with one evaluator. Each evaluation must give
// a state code from 1 to 7, every record must hold that code or 0, and the result (its warnings
// and fluid type included) must equal, bit for bit (any NaN matching any NaN), that of a fresh
// evaluator at the same point: nothing the evaluator keeps between points (its memos of water
// states and of the vapor–liquid surface at the last temperature) may change a later result.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "phase/PhaseStateEvaluator.h"

namespace {

using kelvoran::PhaseRecord;
using kelvoran::PhaseStateEvaluator;
using kelvoran::PointResult;

// Enough points to build up a history in the evaluator, few enough to keep each run fast.
constexpr std::size_t kMaxPoints = 8;

bool sameValue(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) ||
           std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool sameRecord(const PhaseRecord& a, const PhaseRecord& b) {
    return sameValue(a.temperature, b.temperature) && sameValue(a.pressure, b.pressure) &&
           sameValue(a.composition, b.composition) && sameValue(a.massPercent, b.massPercent) &&
           sameValue(a.massFraction, b.massFraction) && sameValue(a.density, b.density) &&
           sameValue(a.molarVolume, b.molarVolume) &&
           sameValue(a.specificEnthalpy, b.specificEnthalpy) &&
           sameValue(a.heatCapacity, b.heatCapacity) &&
           sameValue(a.phaseMassFraction, b.phaseMassFraction) &&
           sameValue(a.saturation, b.saturation) && a.phaseState == b.phaseState;
}

[[noreturn]] void fail(const char* what, double t, double p, double x) {
    std::fprintf(stderr, "%s at T = %a, P = %a, x = %a (%.17g, %.17g, %.17g)\n", what, t, p, x, t,
                 p, x);
    std::abort();
}

bool sameResult(const PointResult& a, const PointResult& b) {
    return a.phases == b.phases && a.warnings == b.warnings && a.fluidType == b.fluidType &&
           sameRecord(a.liquid, b.liquid) && sameRecord(a.vapor, b.vapor) &&
           sameRecord(a.halite, b.halite) && sameRecord(a.bulk, b.bulk);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PhaseStateEvaluator evaluator;
    const std::size_t points = std::min(size / (3 * sizeof(double)), kMaxPoints);
    for (std::size_t i = 0; i < points; ++i) {
        const std::uint8_t* point = data + i * 3 * sizeof(double);
        double t, p, x;
        std::memcpy(&t, point, sizeof(double));
        std::memcpy(&p, point + sizeof(double), sizeof(double));
        std::memcpy(&x, point + 2 * sizeof(double), sizeof(double));

        const PointResult seen = evaluator.evaluate(t, p, x);
        const std::int32_t state = seen.bulk.phaseState;
        if (state < 1 || state > 7 || static_cast<std::int32_t>(seen.phases) != state) {
            fail("state code outside 1..7", t, p, x);
        }
        for (const PhaseRecord* r : {&seen.liquid, &seen.vapor, &seen.halite}) {
            if (r->phaseState != 0 && r->phaseState != state) {
                fail("a record holds another state's code", t, p, x);
            }
        }

        PhaseStateEvaluator fresh;
        if (!sameResult(seen, fresh.evaluate(t, p, x))) {
            fail("result differs from a fresh evaluator's", t, p, x);
        }
    }
    return 0;
}
