#pragma once

#include "phase/PhaseProperties.h"
#include "phase/PhaseState.h"

namespace kelvoran {

/// Classifies a point (T °C, P bar, x mole fraction NaCl) into a PhaseState and fills the
/// liquid, vapor, halite and bulk records. Bound for life to the caller's three input
/// variables, which must outlive it; it reads them afresh on every evaluation. Not for use
/// from two threads at once.
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

    /// The records as the last evaluate() left them, read without evaluating again.
    const PhaseProperties& liquid() const { return liquid_; }
    const PhaseProperties& vapor() const { return vapor_; }
    const PhaseProperties& halite() const { return halite_; }
    const PhaseProperties& bulk() const { return bulk_; }

private:
    const double& boundTemperatureC_;
    const double& boundPressureBar_;
    const double& boundComposition_;

    // Working copies of the inputs; every correlation object is bound to these.
    double temperatureC_;  // °C
    double pressureBar_;   // bar
    double composition_;   // mole fraction NaCl

    PhaseProperties liquid_;
    PhaseProperties vapor_;
    PhaseProperties halite_;
    PhaseProperties bulk_;
};

}  // namespace kelvoran
