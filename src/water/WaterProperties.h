#pragma once

#include <memory>

#include "water/WaterState.h"

namespace kelvoran {

/// Pure water at a bound temperature (°C) and pressure (bar), through the pure-water library:
/// saturation temperature and pressure, and the state at (T, P) with one-sided
/// finite-difference slopes of the molar volume that never span the saturation curve. Owns its
/// seven property records (released on destruction); not copyable. No change test: every call
/// reads the bound inputs and recomputes. Every value derived from an evaluation the library
/// refused (outside its domain, on the saturation curve, no convergence) is NaN.
class WaterProperties {
  public:
    /// Molar volume [cm³/mol] = molarVolumeFactor / density [kg/m³].
    static constexpr double molarVolumeFactor = 18015.0;

    /// Which finite differences the last update() used.
    enum class SlopeCase {
        None,                   ///< no update yet
        Supercritical,          ///< T ≥ 647.126 K: forward differences in P and T
        OnSaturation,           ///< (a) P equals a saturated-state pressure at T
        VaporBelowSaturation,   ///< (b) vapor within one pressure step below saturation
        LiquidAboveSaturation,  ///< (c) liquid within one pressure step above saturation
        Plain,                  ///< (d) forward differences in P and T
    };

    /// Binds to the caller's temperature (°C) and pressure (bar), which must outlive this object.
    /// Throws std::bad_alloc when the records cannot be created.
    WaterProperties(const double& temperatureC, const double& pressureBar);

    WaterProperties(const WaterProperties&) = delete;
    WaterProperties& operator=(const WaterProperties&) = delete;

    /// °C, saturation temperature of water at the bound P; NaN when the library refuses
    /// (P outside 0.006117316720236433–220.54915 bar).
    double saturationTemperature();
    /// Pa, saturation pressure of water at the bound T: the near-critical bridge for
    /// 373.0 < T < 373.976 °C, the auxiliary vapor-pressure equation below 273.16 K (where no
    /// liquid-vapor saturation exists to solve); NaN when refused (T above 373.976 °C).
    double saturationPressure();
    /// Evaluates water at (T, P) and the finite-difference slopes; no change test.
    void update();

    /// kg/m³ of water at (T, P) after update(); NaN when refused.
    double density() const;
    /// J/kg, after update(); NaN when refused.
    double specificEnthalpy() const;
    /// Isobaric, J/(kg K), after update(); NaN when refused.
    double heatCapacity() const;
    /// kg/m³ of the saturated liquid at P left by the last saturationTemperature() or update();
    /// NaN when refused.
    double saturatedLiquidDensityAtP() const;
    /// cm³/(mol Pa), after update(); NaN when any evaluation it needs was refused.
    double dVdP() const;
    /// cm³/(mol K), likewise.
    double dVdT() const;
    /// Raw record of (T, P), for tests.
    const WaterState& state() const;
    /// Finite-difference case of the last update().
    SlopeCase slopeCase() const;

  private:
    struct RecordDisposer {
        void operator()(WaterState* record) const { disposeProp(record); }
    };
    using Record = std::unique_ptr<WaterState, RecordDisposer>;

    static constexpr double densityGuess = 500.0;    // kg/m³, start of every density solve
    static constexpr double tolerance = 1e-8;        // relative pressure tolerance
    static constexpr double kelvinOffset = 273.15;   // °C to K
    static constexpr double pressureStep = 0.01;     // bar, finite-difference step in P
    static constexpr double temperatureStep = 0.01;  // K, finite-difference step in T

    static Record makeRecord();

    const double* boundTemperatureC_;  // °C
    const double* boundPressureBar_;   // bar
    double temperatureK_;              // K, T + 273.15 at the last saturationPressure() or update()
    double pressurePa_;  // Pa, P × 1e5 at the last saturationTemperature() or update()
    double dVdP_;        // cm³/(mol Pa)
    double dVdT_;        // cm³/(mol K)
    SlopeCase slopeCase_;

    Record state_;        // (T, P)
    Record statePlusDP_;  // (T, P + pressureStep)
    Record statePlusDT_;  // (T + temperatureStep, P); scratch for (T − temperatureStep, P)
    Record satLiquidAtT_;
    Record satVaporAtT_;
    Record satLiquidAtP_;
    Record satVaporAtP_;
};

}  // namespace kelvoran
