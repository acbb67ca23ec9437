#pragma once

#include "boundaries/CoexistingLiquid.h"
#include "boundaries/CoexistingVapor.h"
#include "boundaries/CriticalCurve.h"
#include "boundaries/ThreePhaseCurve.h"
#include "mixture/MixtureProperties.h"
#include "phase/PhaseProperties.h"
#include "phase/PhaseState.h"
#include "salt/HaliteLiquidus.h"
#include "salt/HaliteProperties.h"
#include "salt/HaliteSaturatedVapor.h"
#include "water/WaterProperties.h"

namespace kelvoran {

/// Classifies a point (T °C, P bar, x mole fraction NaCl) into a PhaseState and fills the
/// liquid, vapor, halite and bulk records. Bound for life to the caller's three input
/// variables, which must outlive it; it reads them afresh on every evaluation, and the result
/// depends on those three values alone. Not for use from two threads at once: use one
/// evaluator per thread.
class PhaseStateEvaluator {
public:
    /// Binds to the caller's temperature (°C), pressure (bar) and composition (mole fraction).
    PhaseStateEvaluator(const double& temperatureC, const double& pressureBar,
                        const double& composition);

    PhaseStateEvaluator(const PhaseStateEvaluator&) = delete;
    PhaseStateEvaluator& operator=(const PhaseStateEvaluator&) = delete;

    /// Classifies the current point and fills the four records.
    void evaluate();

    /// Each accessor runs a complete evaluation and returns a copy of its record.
    PhaseProperties getLiquid();
    PhaseProperties getVapor();
    PhaseProperties getHalite();
    PhaseProperties getBulk();

    /// The records of the last evaluation, read without evaluating again.
    const PhaseProperties& liquid() const { return liquid_; }
    const PhaseProperties& vapor() const { return vapor_; }
    const PhaseProperties& halite() const { return halite_; }
    const PhaseProperties& bulk() const { return bulk_; }

private:
    PhaseState classify();

    void fillLiquidSinglePhase();
    void fillVaporSinglePhase();
    void fillHighPressureSinglePhase();
    void fillVaporLiquid();
    void fillVaporHalite();
    void fillLiquidHalite();
    void fillVaporLiquidHalite();

    // Records shared by several fill routines.
    void fillSinglePhaseBulk(PhaseState state);
    void fillBulkOfSeveralPhases(PhaseState state);
    void fillFluidPhase(PhaseProperties& record, double composition, PhaseState state);
    void fillHalitePhase(PhaseState state);

    // Building blocks of the fill routines.
    void clearRecords();
    void setPoint(PhaseProperties& record) const;
    static void setComposition(PhaseProperties& record, double composition);
    static void setMassFraction(PhaseProperties& record);
    void setMixtureAt(PhaseProperties& record, double composition, bool withDensity);
    void setPureWater(PhaseProperties& record, bool withHeatCapacityAndEnthalpy);
    void setHalite(PhaseProperties& record);
    static void setMolarVolume(PhaseProperties& record);

    const double& boundTemperatureC_;
    const double& boundPressureBar_;
    const double& boundComposition_;

    // Working copies of the inputs; every correlation object is bound to these.
    double temperatureC_;  // °C
    double pressureBar_;   // bar
    double composition_;   // mole fraction NaCl

    ThreePhaseCurve threePhaseCurve_;
    HaliteSaturatedVapor haliteSaturatedVapor_;
    HaliteLiquidus haliteLiquidus_;
    WaterProperties water_;
    CriticalCurve criticalCurve_;
    CoexistingLiquid coexistingLiquid_;
    CoexistingVapor coexistingVapor_;
    HaliteProperties haliteProperties_;
    MixtureProperties mixture_;

    PhaseProperties liquid_;
    PhaseProperties vapor_;
    PhaseProperties halite_;
    PhaseProperties bulk_;
};

}  // namespace kelvoran
