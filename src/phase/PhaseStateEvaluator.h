#pragma once

#include <cstdint>

#include "boundaries/CoexistingLiquid.h"
#include "kelvoran/Calculator.h"
#include "phase/PointDerivatives.h"
#include "water/WaterStateMemo.h"

namespace kelvoran {

/// Classifies a point (T °C, P bar, x mole fraction NaCl) into a phase state and fills the
/// liquid, vapor, halite and bulk records. The result depends on the three values alone; the
/// evaluator keeps memos of water states and of the liquid branch of the vapor–liquid surface
/// at the last temperature, which give the same numbers again faster. One evaluator serves one
/// thread at a time.
class PhaseStateEvaluator {
  public:
    /// Which properties of the phases a caller reads: the others are left NaN, not computed.
    /// The state, the compositions, the amounts and the fluid type are always computed; the
    /// warnings are complete only with everything.
    struct Needs {
        bool volumes = true;  ///< densities and molar volumes (and so saturations, bulk density)
        bool thermal = true;  ///< specific enthalpies and heat capacities (and bulk enthalpy)
    };

    PointResult evaluate(double temperatureC, double pressureBar, double composition);
    /// evaluate() computing only what `needs` asks for; the values computed are the same.
    PointResult evaluate(double temperatureC, double pressureBar, double composition, Needs needs);

    /// The phase state evaluate(T °C, P bar, x) gives, from the classification alone (a few
    /// boundary correlations, no phase properties).
    Phases phasesAt(double temperatureC, double pressureBar, double composition);

    /// The V + L + H state at (T °C, P bar, x) whatever the classification says there: the
    /// records of the three phases at T and P, for a P that stands for the three-phase pressure
    /// at T (the inverse evaluations find such points only to within round-off).
    PointResult evaluateThreePhase(double temperatureC, double pressureBar, double composition);

    /// The bulk specific enthalpy (J/kg) of evaluate(T, P, x), bit for bit, computed without the
    /// volumes of the phases: what an enthalpy search needs at each trial temperature.
    double bulkSpecificEnthalpy(double temperatureC, double pressureBar, double composition);

    /// evaluate(T, P, x) and, into `derivatives`, its values with their gradients with respect
    /// to T, P and x: the derivatives of the model's functions in the phase state of the point
    /// (see PointDerivatives; NaN in V + L + H, whose state (T, P, x) do not move within).
    PointResult evaluate(double temperatureC, double pressureBar, double composition,
                         PointDerivatives& derivatives);

    /// The derivatives part of evaluate(T, P, x, derivatives) alone.
    PointDerivatives derivatives(double temperatureC, double pressureBar, double composition);

    /// The records of the three phases of evaluateThreePhase(T, P, x), each value with its
    /// gradient through those of the arguments (which may be related: the inverse evaluations
    /// move along the three-phase curve); the amounts and the bulk values are NaN.
    PointDerivatives threePhaseDerivatives(const Dual& temperatureC, const Dual& pressureBar,
                                           const Dual& composition);

    /// A fluid phase of the given composition at (T, P) as fluidPhase fills it (its NaCl mass
    /// fraction, density and enthalpy), with gradients through those of the arguments; the
    /// amounts are NaN.
    PhaseDerivatives fluidPhaseDerivatives(const Dual& temperatureC, const Dual& pressureBar,
                                           const Dual& composition, FluidKind kind);

    /// The liquid side of the vapor–liquid surface at (T, P) (mole fraction NaCl), as the
    /// classification computes it, with its gradient.
    Dual coexistingLiquid(const Dual& temperatureC, const Dual& pressureBar);

  private:
    // What the classification found, with the boundary values it computed on the way (NaN
    // where it did not reach them); the fill routines take their phase compositions from here.
    struct Classification {
        Phases phases;
        double haliteSaturatedVapor;  // mole fraction NaCl
        double haliteLiquidus;        // mole fraction NaCl
        double coexistingLiquid;      // mole fraction NaCl
        double coexistingVapor;       // mole fraction NaCl
    };

    Classification classify(double t, double p, double x);
    PointResult fill(const Classification& c, double t, double p, double x, Needs needs);
    const CoexistingLiquidBranch& liquidBranch(double t, double waterBoilingPressureBar);

    // Records of the fill routines.
    PhaseRecord fluidPhase(double t, double p, double composition, Phases phases, FluidKind kind,
                           std::uint32_t& warnings, Needs needs);
    PhaseRecord vaporWithHalite(double t, double p, double composition, Phases phases, Needs needs);
    static FluidType fluidTypeOf(Phases phases, double t, double x);
    static void setAmounts(PointResult& r);
    static PhaseRecord halitePhase(double t, double p, Phases phases, Needs needs);

    // The same records as duals (PhaseDerivatives.cpp).
    PointDerivatives differentiate(const Classification& c, const Dual& t, const Dual& p,
                                   const Dual& x);
    PhaseDerivatives vaporWithHaliteDerivatives(const Dual& t, const Dual& p,
                                                const Dual& composition, Phases phases);

    WaterStateMemo water_;
    CoexistingLiquidBranch branch_{};
    bool haveBranch_ = false;
};

}  // namespace kelvoran
