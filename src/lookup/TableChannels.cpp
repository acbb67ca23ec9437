#include "lookup/TableChannels.h"

#include <cmath>
#include <limits>

#include "kelvoran/Constants.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool isPH(TableVariables variables) { return variables == TableVariables::PressureEnthalpy; }

const PhaseRecord& recordOf(const PointResult& p, int phase) {
    switch (phase) {
        case kLiquid:
            return p.liquid;
        case kVapor:
            return p.vapor;
        case kHalite:
            return p.halite;
        default:
            return p.bulk;
    }
}

// |a − b| / scale, 0 when both are NaN, infinity when one is.
double scaledDifference(double a, double b, double scale) {
    const bool nanA = std::isnan(a), nanB = std::isnan(b);
    if (nanA || nanB) return nanA == nanB ? 0.0 : kInfinity;
    if (a == b) return 0.0;
    return std::fabs(a - b) / scale;
}

// The values of a single fluid of composition `x` (its mass fraction `w`), density and enthalpy.
void singleFluid(Dual3* phase, Dual3* bulk, const Dual3& x, const Dual3& w, const Dual3& density,
                 const Dual3& enthalpy) {
    phase[kComposition] = bulk[kComposition] = x;
    phase[kMassFraction] = bulk[kMassFraction] = w;
    phase[kDensity] = bulk[kDensity] = density;
    phase[kEnthalpy] = bulk[kEnthalpy] = enthalpy;
    phase[kAmount] = phase[kSaturation] = bulk[kAmount] = bulk[kSaturation] = Dual3(1.0);
}

// Two phases a and b of amounts ma and mb (kg/kg): their saturations and the bulk density.
void twoPhaseVolumes(Dual3* a, Dual3* b, Dual3* bulk, const Dual3& ma, const Dual3& mb) {
    a[kAmount] = ma;
    b[kAmount] = mb;
    const Dual3 volumeA = ma / a[kDensity];  // m³ per kg of bulk
    const Dual3 volumeB = mb / b[kDensity];
    const Dual3 volume = volumeA + volumeB;
    a[kSaturation] = volumeA / volume;
    b[kSaturation] = volumeB / volume;
    bulk[kDensity] = Dual3(1.0) / volume;
    bulk[kAmount] = bulk[kSaturation] = Dual3(1.0);
}

void setPhase(Dual3* phase, const Dual3& x, const Dual3& density, const Dual3& enthalpy) {
    phase[kComposition] = x;
    phase[kMassFraction] = massFractionOf(x);
    phase[kDensity] = density;
    phase[kEnthalpy] = enthalpy;
}

void setHalite(Dual3* halite, const Dual3& density) {
    halite[kComposition] = Dual3(1.0);
    halite[kMassFraction] = Dual3(1.0);
    halite[kDensity] = density;
    halite[kEnthalpy] = undefinedDual();
}

}  // namespace

Dual3 massFractionOf(const Dual3& x) {
    const Dual3 salt = x * Dual3(kSaltMolarMass);
    return salt / ((Dual3(1.0) - x) * Dual3(kWaterMolarMass) + salt);
}

int channelCount(TableVariables variables, Phases state) {
    switch (state) {
        case Phases::Liquid:
        case Phases::Fluid:
        case Phases::Vapor:
            return 2;
        case Phases::VaporLiquid:
            // (P, h, x): the temperature alone (keptAsTemperature).
            return isPH(variables) ? 1 : 6;
        case Phases::VaporHalite:
        case Phases::LiquidHalite:
            return isPH(variables) ? 0 : 4;  // no enthalpy, so not a state of (P, h, x)
        default:
            return 0;
    }
}

void channelValues(TableVariables variables, const ExactValues& e, double* c) {
    const auto phase = [&](int p, int v) { return e.values[p][v]; };
    const Phases state = static_cast<Phases>(e.signature.state);
    if (isPH(variables)) {
        c[0] = e.temperatureC;
        switch (state) {
            case Phases::Liquid:
            case Phases::Fluid:
                c[1] = phase(kLiquid, kDensity);
                return;
            case Phases::Vapor:
                c[1] = phase(kVapor, kDensity);
                return;
            default:
                return;
        }
    }
    switch (state) {
        case Phases::Liquid:
        case Phases::Fluid:
            c[0] = phase(kLiquid, kDensity);
            c[1] = phase(kLiquid, kEnthalpy);
            return;
        case Phases::Vapor:
            c[0] = phase(kVapor, kDensity);
            c[1] = phase(kVapor, kEnthalpy);
            return;
        case Phases::VaporLiquid:
            c[0] = phase(kLiquid, kComposition);
            c[1] = phase(kLiquid, kDensity);
            c[2] = phase(kLiquid, kEnthalpy);
            c[3] = phase(kVapor, kComposition);
            c[4] = phase(kVapor, kDensity);
            c[5] = phase(kVapor, kEnthalpy);
            return;
        case Phases::VaporHalite:
            c[0] = phase(kVapor, kComposition);
            c[1] = phase(kVapor, kDensity);
            c[2] = phase(kVapor, kEnthalpy);
            c[3] = phase(kHalite, kDensity);
            return;
        case Phases::LiquidHalite:
            c[0] = phase(kLiquid, kComposition);
            c[1] = phase(kLiquid, kDensity);
            c[2] = phase(kLiquid, kEnthalpy);
            c[3] = phase(kHalite, kDensity);
            return;
        default:
            return;
    }
}

ExactValues exactValues(TableVariables variables, const InverseResult& r) {
    ExactValues e;
    for (auto& phase : e.values) {
        for (double& v : phase) v = kNaN;
    }
    e.temperatureC = kNaN;
    if (r.status != InverseStatus::Solved) {
        e.signature.kind = SegmentKind::Gap;
        e.signature.status = static_cast<std::int8_t>(r.status);
        return e;
    }
    const PointResult& p = r.point;
    e.temperatureC = r.temperatureC;
    e.signature.state = static_cast<std::int8_t>(p.phases);
    e.signature.fluidType = static_cast<std::int8_t>(p.fluidType);
    e.signature.warnings = p.warnings & kSegmentWarningMask;
    for (int i = 0; i < 4; ++i) {
        if (!phasePresent(p.phases, i)) continue;
        const PhaseRecord& record = recordOf(p, i);
        double* v = e.values[i];
        v[kComposition] = record.composition;
        v[kMassFraction] = record.massPercent * 0.01;
        v[kDensity] = record.density;
        v[kEnthalpy] = record.specificEnthalpy;
        v[kAmount] = record.phaseMassFraction;
        v[kSaturation] = record.saturation;
    }
    // Which values the model leaves undefined (a bit per phase and value): a stretch of states
    // the table leaves to the model is cut there too, where its bulk enthalpy starts or ends.
    for (int i = 0; i < 4; ++i) {
        if (!phasePresent(p.phases, i)) continue;
        for (int v = 0; v < kPhaseValues; ++v) {
            if (std::isnan(e.values[i][v])) e.signature.nanMask |= 1U << (i * kPhaseValues + v);
        }
    }
    e.signature.kind =
        channelCount(variables, p.phases) == 0 ? SegmentKind::Exact : SegmentKind::Interpolated;
    return e;
}

void formOutputs(TableVariables variables, Phases state, const Dual3* c, const Dual3 inputs[3],
                 TableOutputs& out) {
    const Dual3 x = inputs[2];
    const Dual3 w = massFractionOf(x);
    Dual3* liquid = out.values[kLiquid];
    Dual3* vapor = out.values[kVapor];
    Dual3* halite = out.values[kHalite];
    Dual3* bulk = out.values[kBulk];
    const bool ph = isPH(variables);
    // (P, h, x): the temperature leads the channels and the bulk enthalpy is the input.
    const Dual3* ch = ph ? c + 1 : c;
    if (ph) {
        out.temperature = c[0];
        out.pressure = inputs[0];
    } else {
        out.temperature = inputs[0];
        out.pressure = inputs[1];
    }
    const Dual3 h = ph ? inputs[1] : Dual3();
    switch (state) {
        case Phases::Liquid:
        case Phases::Fluid:
            singleFluid(liquid, bulk, x, w, ch[0], ph ? h : ch[1]);
            break;
        case Phases::Vapor:
            singleFluid(vapor, bulk, x, w, ch[0], ph ? h : ch[1]);
            break;
        case Phases::VaporLiquid: {
            setPhase(liquid, ch[0], ch[1], ch[2]);
            setPhase(vapor, ch[3], ch[4], ch[5]);
            // (T, P, x) only: the lever rule on the NaCl mass fractions, as the model takes it.
            const Dual3 span = liquid[kMassFraction] - vapor[kMassFraction];
            const Dual3 mVapor = (liquid[kMassFraction] - w) / span;
            const Dual3 mLiquid = (w - vapor[kMassFraction]) / span;
            twoPhaseVolumes(vapor, liquid, bulk, mVapor, mLiquid);
            bulk[kEnthalpy] = mVapor * vapor[kEnthalpy] + mLiquid * liquid[kEnthalpy];
            bulk[kComposition] = x;
            bulk[kMassFraction] = w;
            break;
        }
        case Phases::VaporHalite:
        case Phases::LiquidHalite: {
            Dual3* fluid = state == Phases::VaporHalite ? vapor : liquid;
            setPhase(fluid, ch[0], ch[1], ch[2]);
            setHalite(halite, ch[3]);
            const Dual3 span = Dual3(1.0) - fluid[kMassFraction];
            twoPhaseVolumes(fluid, halite, bulk, (Dual3(1.0) - w) / span,
                            (w - fluid[kMassFraction]) / span);
            bulk[kEnthalpy] = undefinedDual();
            bulk[kComposition] = x;
            bulk[kMassFraction] = w;
            break;
        }
        default:
            break;
    }
}

void outputsOf(TableVariables variables, const InverseResult& r, TableOutputs& out) {
    out.exact = true;
    out.status = r.status;
    out.state = r.status == InverseStatus::Solved ? r.point.phases : Phases::Undetermined;
    out.fluidType = r.status == InverseStatus::Solved ? r.point.fluidType : FluidType::None;
    out.warnings = r.status == InverseStatus::Solved ? r.point.warnings : 0;
    out.temperature = Dual3(r.temperatureC);
    out.pressure = Dual3(r.pressureBar);
    const ExactValues e = exactValues(variables, r);
    for (int i = 0; i < 4; ++i) {
        for (int v = 0; v < kPhaseValues; ++v) out.values[i][v] = Dual3(e.values[i][v]);
    }
}

double errorRatio(const TableOutputs& table, const ExactValues& exact,
                  const TableTolerance& tolerance, bool temperatureOnly) {
    const Signature& s = exact.signature;
    if (static_cast<std::int8_t>(table.state) != s.state ||
        static_cast<std::int8_t>(table.status) != s.status) {
        return kInfinity;
    }
    if (table.status != InverseStatus::Solved) return 0.0;
    const double rel = tolerance.relative;
    const double abs = tolerance.absolute;
    double worst = scaledDifference(table.temperature.v, exact.temperatureC,
                                    rel * std::fabs(exact.temperatureC + 273.15));
    if (temperatureOnly) return worst / kFromTemperatureTolerance;
    const auto relative = [&](double a, double b) {
        return scaledDifference(a, b, rel * std::fabs(b));
    };
    const auto enthalpy = [&](double a, double b) {
        return scaledDifference(a, b, rel * std::fmax(std::fabs(b), tolerance.enthalpyFloorJKg));
    };
    const auto absolute = [&](double a, double b) { return scaledDifference(a, b, abs); };
    const Phases state = static_cast<Phases>(s.state);
    for (int i = 0; i < 4; ++i) {
        if (!phasePresent(state, i)) continue;
        const Dual3* t = table.values[i];
        const double* e = exact.values[i];
        double r = relative(t[kDensity].v, e[kDensity]);
        if (i != kHalite) r = std::fmax(r, enthalpy(t[kEnthalpy].v, e[kEnthalpy]));
        if (i != kBulk) {
            r = std::fmax(r, absolute(t[kAmount].v, e[kAmount]));
            r = std::fmax(r, absolute(t[kSaturation].v, e[kSaturation]));
            if (i != kHalite) {
                r = std::fmax(r, absolute(t[kComposition].v, e[kComposition]));
                r = std::fmax(r, absolute(t[kMassFraction].v, e[kMassFraction]));
            }
        }
        worst = std::fmax(worst, r);
    }
    return worst;
}

}  // namespace kelvoran
