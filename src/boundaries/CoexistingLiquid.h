#pragma once

#include <limits>

#include "boundaries/CriticalCurve.h"
#include "boundaries/ThreePhaseCurve.h"
#include "salt/HaliteLiquidus.h"
#include "salt/SaltBoilingCurve.h"
#include "water/WaterProperties.h"

namespace kelvoran {

/// Liquid branch of the vapor–liquid surface: the NaCl mole fraction of the liquid that
/// coexists with vapor at a temperature and a pressure,
///   x_L(P) = a + g0·√(Pcrit − P) + g1·(Pcrit − P) + g2·(Pcrit − P)²,
/// anchored below 373.976 °C at the boiling point of water and the three-phase curve, up to
/// 800.7 °C at the three-phase curve and the critical point, and above at the boiling curve of
/// NaCl and the critical point. NaN above the critical pressure. Bound to a caller-owned
/// temperature and pressure, which must outlive it. Neither copyable nor movable: its members
/// are bound to this object's own copies of the inputs.
class CoexistingLiquid {
  public:
    /// Binds to the caller's temperature (°C) and pressure (bar).
    CoexistingLiquid(const double& temperatureC, const double& pressureBar);
    CoexistingLiquid(const CoexistingLiquid&) = delete;
    CoexistingLiquid& operator=(const CoexistingLiquid&) = delete;

    /// Recomputes when the bound temperature or pressure differs from the last computed pair.
    void update();

    /// Composition of the liquid on the vapor–liquid surface, mole fraction NaCl.
    double composition() const { return composition_; }
    /// Linear coefficient g1 of the branch, per bar.
    double linearCoefficient() const { return linearCoefficient_; }
    /// Quadratic coefficient g2 of the branch, per bar².
    double quadraticCoefficient() const { return quadraticCoefficient_; }
    /// Pressure of the lower anchor of the branch (three-phase curve up to 800.7 °C, boiling
    /// curve of NaCl above), bar.
    double anchorPressure() const { return anchorPressureBar_; }
    /// Composition at the lower anchor, mole fraction NaCl.
    double anchorComposition() const { return anchorComposition_; }

  private:
    const double* boundTemperatureC_;
    const double* boundPressureBar_;
    double cachedTemperatureC_ = std::numeric_limits<double>::quiet_NaN();        // °C
    double cachedPressureBar_ = std::numeric_limits<double>::quiet_NaN();         // bar
    double privateTemperatureC_ = std::numeric_limits<double>::quiet_NaN();       // °C
    double privateAnchorPressureBar_ = std::numeric_limits<double>::quiet_NaN();  // bar

    CriticalCurve criticalCurve_;      // bound to the cached temperature
    ThreePhaseCurve threePhaseCurve_;  // bound to the cached temperature
    SaltBoilingCurve boilingCurve_;    // bound to the cached temperature and pressure
    WaterProperties water_;            // bound to the cached temperature and pressure
    HaliteLiquidus liquidus_;          // bound to the private temperature and anchor pressure

    double composition_ = std::numeric_limits<double>::quiet_NaN();                 // mole fraction
    double criticalPressureBar_ = std::numeric_limits<double>::quiet_NaN();         // bar
    double criticalComposition_ = std::numeric_limits<double>::quiet_NaN();         // mole fraction
    double linearCoefficient_ = std::numeric_limits<double>::quiet_NaN();           // 1/bar
    double quadraticCoefficient_ = std::numeric_limits<double>::quiet_NaN();        // 1/bar²
    double anchorPressureBar_ = std::numeric_limits<double>::quiet_NaN();           // bar
    double anchorComposition_ = std::numeric_limits<double>::quiet_NaN();           // mole fraction
    double waterSaturationPressureBar_ = std::numeric_limits<double>::quiet_NaN();  // bar
};

}  // namespace kelvoran
