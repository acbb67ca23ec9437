"""The model's correlations one by one, vectorised over numpy arrays.

Each function returns exactly the numbers the phase-state evaluation uses. Arguments are
numbers or array-likes that broadcast together; the result has the broadcast shape (a numpy
scalar for scalar arguments). Temperatures in °C, pressures in bar, compositions as mole
fractions of NaCl unless a name says otherwise. Nothing is validated: outside the range of a
correlation the result is an extrapolation, NaN or infinite, never an exception. The loops run
in compiled code with the GIL released.

>>> import kelvoran
>>> float(kelvoran.three_phase_pressure_bar(500.0))     # bar
322.0027432242259
"""

from __future__ import annotations

from typing import Any, Callable, NamedTuple, Sequence, Union

import numpy as np
from numpy.typing import ArrayLike, NDArray

from . import _core
from ._arrays import prepare

__all__ = [
    "WATER_MOLAR_MASS_G_MOL",
    "SALT_MOLAR_MASS_G_MOL",
    "critical_pressure_bar",
    "critical_composition",
    "three_phase_pressure_bar",
    "halite_liquidus_composition",
    "halite_saturated_vapor_composition",
    "coexisting_liquid_composition",
    "coexisting_vapor_composition",
    "salt_melting_temperature_c",
    "salt_boiling_pressure_bar",
    "salt_sublimation_pressure_bar",
    "halite_density_kg_m3",
    "halite_heat_capacity_j_kg_k",
    "water_saturation_pressure_bar",
    "water_saturation_temperature_c",
    "pure_water",
    "WaterPoint",
    "mixture_properties",
    "FluidPoint",
    "in_fitted_range",
    "mole_fraction_from_mass_fraction",
    "mass_fraction_from_mole_fraction",
    "molality_from_mole_fraction",
    "mole_fraction_from_molality",
    "molality_from_mass_fraction",
    "mass_fraction_from_molality",
]

#: Molar mass of water the model uses, g/mol.
WATER_MOLAR_MASS_G_MOL: float = _core.WATER_MOLAR_MASS_G_MOL
#: Molar mass of NaCl the model uses, g/mol.
SALT_MOLAR_MASS_G_MOL: float = _core.SALT_MOLAR_MASS_G_MOL

Floats = Union[NDArray[np.float64], np.float64]


def _scalar_or_array(out: np.ndarray) -> Any:
    return out[()] if out.ndim == 0 else out


def _apply(
    kernel: Callable[..., None], caller: str, names: Sequence[str], values: Sequence[Any], outputs: int = 1
) -> Any:
    shape, arrays = prepare(values, names, caller)
    outs = [np.empty(shape, dtype=np.float64) for _ in range(outputs)]
    kernel(*(a.reshape(-1) for a in arrays), *(o.reshape(-1) for o in outs))
    results = [_scalar_or_array(o) for o in outs]
    return results[0] if outputs == 1 else results


# --- boundaries of the binary system -----------------------------------------------------------


def critical_pressure_bar(T: ArrayLike) -> Floats:
    """Critical pressure of the H2O-NaCl system at temperature T (°C), bar.

    >>> float(kelvoran.critical_pressure_bar(500.0))
    581.0101498620452
    """
    return _apply(_core.critical_pressure_bar, "kelvoran.critical_pressure_bar", ["T"], [T])


def critical_composition(T: ArrayLike) -> Floats:
    """Critical composition of the H2O-NaCl system at temperature T (°C), mole fraction NaCl
    (0 at and below the critical temperature of water, 373.976 °C).

    >>> kelvoran.critical_composition([300.0, 500.0])
    array([0.        , 0.04570045])
    """
    return _apply(_core.critical_composition, "kelvoran.critical_composition", ["T"], [T])


def three_phase_pressure_bar(T: ArrayLike) -> Floats:
    """Pressure of the vapor + liquid + halite curve at temperature T (°C), bar.

    >>> float(kelvoran.three_phase_pressure_bar(500.0))
    322.0027432242259
    """
    return _apply(_core.three_phase_pressure_bar, "kelvoran.three_phase_pressure_bar", ["T"], [T])


def halite_liquidus_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Composition of the liquid saturated with halite at T (°C), P (bar), mole fraction NaCl.

    >>> kelvoran.halite_liquidus_composition([0.0, 400.0, 800.0], 1000.0)
    array([0.1018306 , 0.21543192, 0.92739103])
    """
    return _apply(_core.halite_liquidus_composition, "kelvoran.halite_liquidus_composition", ["T", "P"], [T, P])


def halite_saturated_vapor_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Composition of the vapor coexisting with halite at T (°C), P (bar), mole fraction NaCl.

    >>> kelvoran.halite_saturated_vapor_composition(500.0, [10.0, 100.0])
    array([6.01589257e-09, 2.61489005e-07])
    """
    return _apply(
        _core.halite_saturated_vapor_composition, "kelvoran.halite_saturated_vapor_composition", ["T", "P"], [T, P]
    )


def coexisting_liquid_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Liquid side of the vapor-liquid surface at T (°C), P (bar), mole fraction NaCl; NaN above
    the critical pressure.

    >>> float(kelvoran.coexisting_liquid_composition(400.0, 250.0))
    0.06441278925753288
    """
    return _apply(_core.coexisting_liquid_composition, "kelvoran.coexisting_liquid_composition", ["T", "P"], [T, P])


def coexisting_vapor_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Vapor side of the vapor-liquid surface at T (°C), P (bar), mole fraction NaCl; NaN above
    the critical pressure.

    >>> float(kelvoran.coexisting_vapor_composition(400.0, 250.0))
    0.00031839531694363113
    """
    return _apply(_core.coexisting_vapor_composition, "kelvoran.coexisting_vapor_composition", ["T", "P"], [T, P])


# --- pure NaCl ------------------------------------------------------------------------------------


def salt_melting_temperature_c(P: ArrayLike) -> Floats:
    """Melting temperature of NaCl at pressure P (bar), °C (800.7 °C at its triple point).

    >>> kelvoran.salt_melting_temperature_c([1.0, 1000.0])
    array([800.724726, 825.426   ])
    """
    return _apply(_core.salt_melting_temperature_c, "kelvoran.salt_melting_temperature_c", ["P"], [P])


def salt_boiling_pressure_bar(T: ArrayLike) -> Floats:
    """Vapor pressure of liquid NaCl (boiling curve) at temperature T (°C), bar.

    >>> float(kelvoran.salt_boiling_pressure_bar(1000.0))
    0.011800482777672325
    """
    return _apply(_core.salt_boiling_pressure_bar, "kelvoran.salt_boiling_pressure_bar", ["T"], [T])


def salt_sublimation_pressure_bar(T: ArrayLike) -> Floats:
    """Vapor pressure of halite (sublimation curve) at temperature T (°C), bar.

    >>> float(kelvoran.salt_sublimation_pressure_bar(600.0))
    1.4855123777047284e-06
    """
    return _apply(_core.salt_sublimation_pressure_bar, "kelvoran.salt_sublimation_pressure_bar", ["T"], [T])


def halite_density_kg_m3(T: ArrayLike, P: ArrayLike) -> Floats:
    """Density of halite at T (°C), P (bar), kg/m³.

    >>> float(kelvoran.halite_density_kg_m3(25.0, 1.0))
    2164.198913018868
    """
    return _apply(_core.halite_density_kg_m3, "kelvoran.halite_density_kg_m3", ["T", "P"], [T, P])


def halite_heat_capacity_j_kg_k(T: ArrayLike, P: ArrayLike) -> Floats:
    """Isobaric heat capacity of halite at T (°C), P (bar), J/(kg K).

    >>> float(kelvoran.halite_heat_capacity_j_kg_k(25.0, 1.0))
    880.0099033597215
    """
    return _apply(_core.halite_heat_capacity_j_kg_k, "kelvoran.halite_heat_capacity_j_kg_k", ["T", "P"], [T, P])


# --- pure water ------------------------------------------------------------------------------------


def water_saturation_pressure_bar(T: ArrayLike) -> Floats:
    """Saturation (boiling) pressure of pure water at temperature T (°C), bar; NaN above the
    critical temperature of water, 373.976 °C.

    >>> float(kelvoran.water_saturation_pressure_bar(100.0))
    1.0132199762160379
    """
    return _apply(_core.water_saturation_pressure_bar, "kelvoran.water_saturation_pressure_bar", ["T"], [T])


def water_saturation_temperature_c(P: ArrayLike) -> Floats:
    """Saturation (boiling) temperature of pure water at pressure P (bar), °C; NaN outside the
    triple-point to critical pressure range, 0.006117316720236433-220.54915 bar.

    >>> float(kelvoran.water_saturation_temperature_c(1.01325))
    100.00083062085571
    """
    return _apply(_core.water_saturation_temperature_c, "kelvoran.water_saturation_temperature_c", ["P"], [P])


class WaterPoint(NamedTuple):
    """Pure water at (T, P), as returned by :func:`pure_water`."""

    density_kg_m3: Floats  #: kg/m³
    specific_enthalpy_j_kg: Floats  #: J/kg
    heat_capacity_j_kg_k: Floats  #: isobaric, J/(kg K)


def pure_water(T: ArrayLike, P: ArrayLike) -> WaterPoint:
    """Density (kg/m³), specific enthalpy (J/kg) and isobaric heat capacity (J/(kg K)) of pure
    water at T (°C), P (bar); NaN where the water equation of state refuses the point (outside
    its domain, in an ice field, exactly on the boiling curve).

    >>> float(kelvoran.pure_water(25.0, 1.0).density_kg_m3)
    997.0613643308536
    """
    return WaterPoint(*_apply(_core.pure_water, "kelvoran.pure_water", ["T", "P"], [T, P], outputs=3))


# --- one fluid phase of the binary -------------------------------------------------------------


class FluidPoint(NamedTuple):
    """One H2O-NaCl fluid phase, as returned by :func:`mixture_properties`."""

    density_kg_m3: Floats  #: kg/m³
    molar_volume_cm3_mol: Floats  #: cm³/mol
    specific_enthalpy_j_kg: Floats  #: J/kg
    heat_capacity_j_kg_k: Floats  #: isobaric, J/(kg K)


def mixture_properties(T: ArrayLike, P: ArrayLike, x: ArrayLike) -> FluidPoint:
    """Density (kg/m³), molar volume (cm³/mol), specific enthalpy (J/kg) and isobaric heat
    capacity (J/(kg K)) of one fluid phase of composition x (mole fraction NaCl) at T (°C),
    P (bar), whether or not that phase is stable there; NaN where the model's mapping onto pure
    water reaches a state the water equation of state refuses.

    >>> kelvoran.mixture_properties(25.0, 1.0, [0.0, 0.05, 0.1]).density_kg_m3
    array([ 997.06136433, 1103.72179318, 1198.4998403 ])
    """
    return FluidPoint(
        *_apply(_core.mixture_properties, "kelvoran.mixture_properties", ["T", "P", "x"], [T, P, x], outputs=4)
    )


def in_fitted_range(T: ArrayLike, P: ArrayLike, x: ArrayLike) -> Union[NDArray[np.bool_], np.bool_]:
    """Whether points lie in the range the correlations were fitted for: 0 <= T <= 1000 °C,
    1 <= P <= 5000 bar, 0 <= x <= 1 (mole fraction NaCl). Outside it the results are
    extrapolations.

    >>> kelvoran.in_fitted_range([25.0, 1200.0], 1.0, 0.1)
    array([ True, False])
    """
    shape, (t, p, c) = prepare([T, P, x], ["T", "P", "x"], "kelvoran.in_fitted_range")
    out = np.empty(shape, dtype=np.bool_)
    _core.in_fitted_range(t.reshape(-1), p.reshape(-1), c.reshape(-1), out.reshape(-1))
    return _scalar_or_array(out)


# --- compositions ----------------------------------------------------------------------------------


def mole_fraction_from_mass_fraction(w: ArrayLike) -> Floats:
    """Mole fraction NaCl of mass fraction w: (w / 58.443) / (w / 58.443 + (1 - w) / 18.015),
    the conversion kelvoran.evaluate(w=...) and kelvoran-table use.

    >>> float(kelvoran.mole_fraction_from_mass_fraction(0.1))
    0.03311568707467988
    """
    return _apply(_core.mole_fraction_from_mass_fraction, "kelvoran.mole_fraction_from_mass_fraction", ["w"], [w])


def mass_fraction_from_mole_fraction(x: ArrayLike) -> Floats:
    """Mass fraction NaCl of mole fraction x: x 58.443 / ((1 - x) 18.015 + x 58.443).

    >>> float(kelvoran.mass_fraction_from_mole_fraction(0.05))
    0.1458420674372642
    """
    return _apply(_core.mass_fraction_from_mole_fraction, "kelvoran.mass_fraction_from_mole_fraction", ["x"], [x])


def _elementwise(caller: str, name: str, value: ArrayLike, f: Callable[[np.ndarray], np.ndarray]) -> Floats:
    _, (a,) = prepare([value], [name], caller)
    with np.errstate(divide="ignore", invalid="ignore"):
        return _scalar_or_array(np.asarray(f(a), dtype=np.float64))


def molality_from_mole_fraction(x: ArrayLike) -> Floats:
    """Molality, mol NaCl per kg H2O, of mole fraction x: 1000 x / ((1 - x) 18.015); infinite
    for x = 1.

    >>> float(kelvoran.molality_from_mole_fraction(0.05))
    2.9215419898622494
    """
    return _elementwise(
        "kelvoran.molality_from_mole_fraction", "x", x, lambda a: 1000.0 * a / ((1.0 - a) * WATER_MOLAR_MASS_G_MOL)
    )


def mole_fraction_from_molality(m: ArrayLike) -> Floats:
    """Mole fraction NaCl of molality m (mol NaCl per kg H2O): m 18.015 / (1000 + m 18.015).

    >>> float(kelvoran.mole_fraction_from_molality(1.0))
    0.017696202904672328
    """
    return _elementwise(
        "kelvoran.mole_fraction_from_molality",
        "m",
        m,
        lambda a: a * WATER_MOLAR_MASS_G_MOL / (1000.0 + a * WATER_MOLAR_MASS_G_MOL),
    )


def molality_from_mass_fraction(w: ArrayLike) -> Floats:
    """Molality, mol NaCl per kg H2O, of mass fraction w: 1000 w / ((1 - w) 58.443); infinite
    for w = 1.

    >>> float(kelvoran.molality_from_mass_fraction(0.1))
    1.90118767193866
    """
    return _elementwise(
        "kelvoran.molality_from_mass_fraction", "w", w, lambda a: 1000.0 * a / ((1.0 - a) * SALT_MOLAR_MASS_G_MOL)
    )


def mass_fraction_from_molality(m: ArrayLike) -> Floats:
    """Mass fraction NaCl of molality m (mol NaCl per kg H2O): m 58.443 / (1000 + m 58.443).

    >>> float(kelvoran.mass_fraction_from_molality(1.0))
    0.05521601068739648
    """
    return _elementwise(
        "kelvoran.mass_fraction_from_molality",
        "m",
        m,
        lambda a: a * SALT_MOLAR_MASS_G_MOL / (1000.0 + a * SALT_MOLAR_MASS_G_MOL),
    )
