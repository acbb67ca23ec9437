"""The model's correlations one by one, vectorised over numpy arrays.

Each function returns exactly the numbers the phase-state evaluation uses. Arguments are
numbers or array-likes that broadcast together; the result has the broadcast shape (a numpy
scalar for scalar arguments). Temperatures in °C, pressures in bar, compositions as mole
fractions of NaCl unless a name says otherwise. The loops run in compiled code with the GIL
released.

Values are never refused with an exception. Where a correlation has no meaning the result is
NaN: for inputs no fluid can have (a temperature below absolute zero, −273.15 °C, a pressure not
above 0, a composition outside 0–1, anything not finite), where the quantity does not exist
(the three-phase curve above the NaCl triple point, 800.7 °C; halite above its melting
temperature) and where a composition would leave 0–1; each docstring gives its domain. Inside
its domain but outside the range the model was fitted for (0–1000 °C, 1–5000 bar) a correlation
is extrapolated, as the evaluation is.

>>> import kelvoran
>>> float(kelvoran.three_phase_pressure_bar(500.0))     # bar
322.0027432242259
"""

from __future__ import annotations

from typing import Any, Callable, NamedTuple, Optional, Sequence, Union

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
    kernel: Callable[..., None],
    caller: str,
    names: Sequence[str],
    values: Sequence[Any],
    outputs: int = 1,
    domain: Optional[Callable[..., np.ndarray]] = None,
    composition: bool = False,
) -> Any:
    """`kernel` over the broadcast arguments; NaN where `domain(*arguments)` is False and, for
    a `composition`, where the result leaves 0-1."""
    shape, arrays = prepare(values, names, caller)
    outs = [np.empty(shape, dtype=np.float64) for _ in range(outputs)]
    kernel(*(a.reshape(-1) for a in arrays), *(o.reshape(-1) for o in outs))
    if domain is not None or composition:
        with np.errstate(invalid="ignore"):
            keep = domain(*arrays) if domain is not None else np.ones(shape, dtype=np.bool_)
            if composition:
                keep &= _is_computed_composition(outs[0])
        for out in outs:
            out[~keep] = np.nan
    results = [_scalar_or_array(o) for o in outs]
    return results[0] if outputs == 1 else results


# The domains: what a temperature (°C), a pressure (bar) and a composition can be at all.
_ABSOLUTE_ZERO_C = -273.15
_WATER_CRITICAL_TEMPERATURE_C = 373.976
_SALT_TRIPLE_POINT_TEMPERATURE_C = 800.7
_SALT_TRIPLE_POINT_PRESSURE_BAR = 0.0005


def _is_temperature(T: np.ndarray) -> np.ndarray:
    return np.isfinite(T) & (T >= _ABSOLUTE_ZERO_C)


def _is_pressure(P: np.ndarray) -> np.ndarray:
    return np.isfinite(P) & (P > 0.0)


def _is_composition(x: np.ndarray) -> np.ndarray:
    return (x >= 0.0) & (x <= 1.0)


# The model's curves meet at the triple point of NaCl to about 1e-7 (the three-phase pressure
# there lies 4e-11 bar below the vapor pressure of halite): a computed composition that exceeds
# 1 by no more than this is pure NaCl, not outside 0-1.
_ROUND_OFF = 1e-6


def _is_computed_composition(x: np.ndarray) -> np.ndarray:
    return (x >= 0.0) & (x <= 1.0 + _ROUND_OFF)


def _is_state(T: np.ndarray, P: np.ndarray) -> np.ndarray:
    return _is_temperature(T) & _is_pressure(P)


def _halite_exists(T: np.ndarray, P: np.ndarray) -> np.ndarray:
    """Valid (T, P) at or below the melting temperature of NaCl at P."""
    melting = np.empty(P.shape, dtype=np.float64)
    _core.salt_melting_temperature_c(P.reshape(-1), melting.reshape(-1))
    return _is_state(T, P) & (T <= melting)



# --- boundaries of the binary system -----------------------------------------------------------


def critical_pressure_bar(T: ArrayLike) -> Floats:
    """Critical pressure of the H2O-NaCl system.

    Parameters
    ----------
    T : array_like
        Temperature, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Pressure of the critical curve at T, bar. The curve starts at the critical point of
        water, 373.976 °C and 220.54915 bar: NaN below it (and for an invalid T).

    Examples
    --------
    >>> float(kelvoran.critical_pressure_bar(500.0))
    581.0101498620452
    """
    return _apply(
        _core.critical_pressure_bar, "kelvoran.critical_pressure_bar", ["T"], [T],
        domain=lambda t: _is_temperature(t) & (t >= _WATER_CRITICAL_TEMPERATURE_C),
    )


def critical_composition(T: ArrayLike) -> Floats:
    """Critical composition of the H2O-NaCl system.

    Parameters
    ----------
    T : array_like
        Temperature, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Composition of the critical curve at T, mole fraction NaCl: 0 at and below the critical
        temperature of water, 373.976 °C, as the classification takes it; NaN for an invalid T.

    Examples
    --------
    >>> kelvoran.critical_composition([300.0, 500.0])
    array([0.        , 0.04570045])
    """
    return _apply(_core.critical_composition, "kelvoran.critical_composition", ["T"], [T], domain=_is_temperature)


def three_phase_pressure_bar(T: ArrayLike) -> Floats:
    """Pressure of the vapor + liquid + halite curve.

    Parameters
    ----------
    T : array_like
        Temperature, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Pressure at which vapor, liquid and halite coexist at T, bar. The curve ends at the
        triple point of NaCl, 800.7 °C, where halite melts: NaN above it (the polynomial would
        turn negative there) and for an invalid T.

    Examples
    --------
    >>> kelvoran.three_phase_pressure_bar([500.0, 850.0])
    array([322.00274322,          nan])
    """
    return _apply(
        _core.three_phase_pressure_bar, "kelvoran.three_phase_pressure_bar", ["T"], [T],
        domain=lambda t: _is_temperature(t) & (t <= _SALT_TRIPLE_POINT_TEMPERATURE_C),
    )


def halite_liquidus_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Composition of the liquid saturated with halite.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Mole fraction NaCl of the halite liquidus at (T, P). It reaches 1 at the melting
        temperature of NaCl at P (``salt_melting_temperature_c``): NaN above it, where there is
        no halite, and for an invalid T or P.

    Examples
    --------
    >>> kelvoran.halite_liquidus_composition([0.0, 400.0, 800.0, 850.0], 1000.0)
    array([0.1018306 , 0.21543192, 0.92739103,        nan])
    """
    return _apply(
        _core.halite_liquidus_composition, "kelvoran.halite_liquidus_composition", ["T", "P"], [T, P],
        domain=_halite_exists, composition=True,
    )


def halite_saturated_vapor_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Composition of the vapor coexisting with halite.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Mole fraction NaCl of the vapor saturated with halite at (T, P), between the vapor
        pressure of halite (pure NaCl vapor) and the critical pressure. NaN outside that range
        (a composition above 1, or none), above the melting temperature of NaCl at P and for
        an invalid T or P.

    Examples
    --------
    >>> kelvoran.halite_saturated_vapor_composition(500.0, [10.0, 100.0])
    array([6.01589257e-09, 2.61489005e-07])
    """
    return _apply(
        _core.halite_saturated_vapor_composition, "kelvoran.halite_saturated_vapor_composition", ["T", "P"],
        [T, P], domain=_halite_exists, composition=True,
    )


def coexisting_liquid_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Composition of the liquid on the vapor-liquid surface.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Mole fraction NaCl of the liquid coexisting with vapor at (T, P), on the branch that
        runs from the three-phase pressure (above 800.7 °C, the boiling pressure of NaCl) up to
        the critical pressure (below 373.976 °C, to the boiling pressure of water, where it
        reaches 0). NaN above the critical pressure and for an invalid T or P. Below the lower
        end (and below 373.976 °C above the boiling pressure of water) the branch continues
        as the classification compares with it, and its values there are no compositions of
        a coexisting liquid: a bulk composition at or above it is on the liquid side.

    Examples
    --------
    >>> kelvoran.coexisting_liquid_composition(400.0, [250.0, 400.0])
    array([0.06441279,        nan])
    >>> float(kelvoran.coexisting_liquid_composition(400.0, -1.0))        # no pressure
    nan
    """
    return _apply(
        _core.coexisting_liquid_composition, "kelvoran.coexisting_liquid_composition", ["T", "P"], [T, P],
        domain=_is_state,
    )


def coexisting_vapor_composition(T: ArrayLike, P: ArrayLike) -> Floats:
    """Composition of the vapor on the vapor-liquid surface.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Mole fraction NaCl of the vapor coexisting with liquid at (T, P), on the pressures of
        ``coexisting_liquid_composition``; NaN above the critical pressure and for an invalid T
        or P. Below the lower end the branch continues as the classification compares with
        it: a value above 1 there says that every composition is on the vapor side.

    Examples
    --------
    >>> float(kelvoran.coexisting_vapor_composition(400.0, 250.0))
    0.00031839531694363113
    """
    return _apply(
        _core.coexisting_vapor_composition, "kelvoran.coexisting_vapor_composition", ["T", "P"], [T, P],
        domain=_is_state,
    )


# --- pure NaCl ------------------------------------------------------------------------------------


def salt_melting_temperature_c(P: ArrayLike) -> Floats:
    """Melting temperature of NaCl.

    Parameters
    ----------
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Temperature at which halite melts at P, °C: 800.7 °C at the triple point of NaCl,
        0.0005 bar, rising by 0.024726 °C per bar. NaN below the triple-point pressure (no
        liquid NaCl there) and for a P that is not finite.

    Examples
    --------
    >>> kelvoran.salt_melting_temperature_c([1.0, 1000.0])
    array([800.724726, 825.426   ])
    """
    return _apply(
        _core.salt_melting_temperature_c, "kelvoran.salt_melting_temperature_c", ["P"], [P],
        domain=lambda p: np.isfinite(p) & (p >= _SALT_TRIPLE_POINT_PRESSURE_BAR),
    )


def salt_boiling_pressure_bar(T: ArrayLike) -> Floats:
    """Vapor pressure of liquid NaCl (its boiling curve).

    Parameters
    ----------
    T : array_like
        Temperature, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Pressure of the boiling curve of NaCl at T, bar. Liquid NaCl exists from its triple
        point, 800.7 °C, up: NaN below it and for an invalid T.

    Examples
    --------
    >>> float(kelvoran.salt_boiling_pressure_bar(1000.0))
    0.011800482777672325
    """
    return _apply(
        _core.salt_boiling_pressure_bar, "kelvoran.salt_boiling_pressure_bar", ["T"], [T],
        domain=lambda t: _is_temperature(t) & (t >= _SALT_TRIPLE_POINT_TEMPERATURE_C),
    )


def salt_sublimation_pressure_bar(T: ArrayLike) -> Floats:
    """Vapor pressure of halite (its sublimation curve).

    Parameters
    ----------
    T : array_like
        Temperature, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Pressure of the sublimation curve of NaCl at T, bar. Halite exists up to the triple
        point of NaCl, 800.7 °C: NaN above it and for an invalid T.

    Examples
    --------
    >>> float(kelvoran.salt_sublimation_pressure_bar(600.0))
    1.4855123777047284e-06
    """
    return _apply(
        _core.salt_sublimation_pressure_bar, "kelvoran.salt_sublimation_pressure_bar", ["T"], [T],
        domain=lambda t: _is_temperature(t) & (t <= _SALT_TRIPLE_POINT_TEMPERATURE_C),
    )


def halite_density_kg_m3(T: ArrayLike, P: ArrayLike) -> Floats:
    """Density of halite.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Density of solid NaCl at (T, P), kg/m³; NaN above the melting temperature of NaCl at P
        and for an invalid T or P.

    Examples
    --------
    >>> float(kelvoran.halite_density_kg_m3(25.0, 1.0))
    2164.198913018868
    """
    return _apply(
        _core.halite_density_kg_m3, "kelvoran.halite_density_kg_m3", ["T", "P"], [T, P], domain=_halite_exists
    )


def halite_heat_capacity_j_kg_k(T: ArrayLike, P: ArrayLike) -> Floats:
    """Isobaric heat capacity of halite.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Isobaric specific heat capacity of solid NaCl at (T, P), J/(kg K); NaN above the
        melting temperature of NaCl at P and for an invalid T or P.

    Examples
    --------
    >>> float(kelvoran.halite_heat_capacity_j_kg_k(25.0, 1.0))
    880.0099033597215
    """
    return _apply(
        _core.halite_heat_capacity_j_kg_k, "kelvoran.halite_heat_capacity_j_kg_k", ["T", "P"], [T, P],
        domain=_halite_exists,
    )


# --- pure water ------------------------------------------------------------------------------------


def water_saturation_pressure_bar(T: ArrayLike) -> Floats:
    """Saturation (boiling) pressure of pure water.

    Parameters
    ----------
    T : array_like
        Temperature, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Boiling pressure of water at T, bar; NaN above the critical temperature of water,
        373.976 °C, and for an invalid T.

    Examples
    --------
    >>> float(kelvoran.water_saturation_pressure_bar(100.0))
    1.0132199762160379
    """
    return _apply(
        _core.water_saturation_pressure_bar, "kelvoran.water_saturation_pressure_bar", ["T"], [T],
        domain=_is_temperature,
    )


def water_saturation_temperature_c(P: ArrayLike) -> Floats:
    """Saturation (boiling) temperature of pure water.

    Parameters
    ----------
    P : array_like
        Pressure, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Boiling temperature of water at P, °C; NaN outside the triple-point to critical
        pressure range, 0.006117316720236433-220.54915 bar.

    Examples
    --------
    >>> float(kelvoran.water_saturation_temperature_c(1.01325))
    100.00083062085571
    """
    return _apply(
        _core.water_saturation_temperature_c, "kelvoran.water_saturation_temperature_c", ["P"], [P],
        domain=_is_pressure,
    )


class WaterPoint(NamedTuple):
    """Pure water at (T, P), as returned by :func:`pure_water`."""

    density_kg_m3: Floats  #: kg/m³
    specific_enthalpy_j_kg: Floats  #: J/kg
    heat_capacity_j_kg_k: Floats  #: isobaric, J/(kg K)


def pure_water(T: ArrayLike, P: ArrayLike) -> WaterPoint:
    """Density, specific enthalpy and isobaric heat capacity of pure water.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.

    Returns
    -------
    WaterPoint
        ``density_kg_m3`` (kg/m³), ``specific_enthalpy_j_kg`` (J/kg) and
        ``heat_capacity_j_kg_k`` (J/(kg K)) at (T, P); NaN where the water equation of state
        refuses the point (outside its domain, in an ice field, exactly on the boiling curve)
        and for an invalid T or P.

    Examples
    --------
    >>> float(kelvoran.pure_water(25.0, 1.0).density_kg_m3)
    997.0613643308536
    """
    return WaterPoint(
        *_apply(_core.pure_water, "kelvoran.pure_water", ["T", "P"], [T, P], outputs=3, domain=_is_state)
    )


# --- one fluid phase of the binary -------------------------------------------------------------


class FluidPoint(NamedTuple):
    """One H2O-NaCl fluid phase, as returned by :func:`mixture_properties`."""

    density_kg_m3: Floats  #: kg/m³
    molar_volume_cm3_mol: Floats  #: cm³/mol
    specific_enthalpy_j_kg: Floats  #: J/kg
    heat_capacity_j_kg_k: Floats  #: isobaric, J/(kg K)


def mixture_properties(T: ArrayLike, P: ArrayLike, x: ArrayLike) -> FluidPoint:
    """Properties of one H2O-NaCl fluid phase of a given composition.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.
    x : array_like
        Composition of the phase, mole fraction NaCl.

    Returns
    -------
    FluidPoint
        ``density_kg_m3`` (kg/m³), ``molar_volume_cm3_mol`` (cm³/mol),
        ``specific_enthalpy_j_kg`` (J/kg) and ``heat_capacity_j_kg_k`` (isobaric, J/(kg K)) of
        the phase, whether or not it is stable at (T, P); NaN where the model's mapping onto
        pure water reaches a state the water equation of state refuses, and for an invalid T,
        P or x.

    Examples
    --------
    >>> kelvoran.mixture_properties(25.0, 1.0, [0.0, 0.05, 0.1]).density_kg_m3
    array([ 997.06136433, 1103.72179318, 1198.4998403 ])
    """
    return FluidPoint(
        *_apply(
            _core.mixture_properties, "kelvoran.mixture_properties", ["T", "P", "x"], [T, P, x], outputs=4,
            domain=lambda t, p, c: _is_state(t, p) & _is_composition(c),
        )
    )


def in_fitted_range(T: ArrayLike, P: ArrayLike, x: ArrayLike) -> Union[NDArray[np.bool_], np.bool_]:
    """Whether points lie in the range the correlations were fitted for.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    P : array_like
        Pressure, bar.
    x : array_like
        Composition, mole fraction NaCl.

    Returns
    -------
    numpy.ndarray or bool
        True where 0 <= T <= 1000 °C, 1 <= P <= 5000 bar and 0 <= x <= 1; elsewhere the
        results are extrapolations (or, for inputs no fluid can have, not evaluated).

    Examples
    --------
    >>> kelvoran.in_fitted_range([25.0, 1200.0], 1.0, 0.1)
    array([ True, False])
    """
    shape, (t, p, c) = prepare([T, P, x], ["T", "P", "x"], "kelvoran.in_fitted_range")
    out = np.empty(shape, dtype=np.bool_)
    _core.in_fitted_range(t.reshape(-1), p.reshape(-1), c.reshape(-1), out.reshape(-1))
    return _scalar_or_array(out)


# --- compositions ----------------------------------------------------------------------------------


def mole_fraction_from_mass_fraction(w: ArrayLike) -> Floats:
    """Mole fraction NaCl of a mass fraction.

    Parameters
    ----------
    w : array_like
        Mass fraction NaCl, kg/kg, 0 to 1.

    Returns
    -------
    numpy.ndarray or numpy.float64
        The mole fraction (w / 58.443) / (w / 58.443 + (1 - w) / 18.015), the conversion
        ``kelvoran.evaluate(w=...)`` and kelvoran-table use; NaN for w outside 0-1.

    Examples
    --------
    >>> kelvoran.mole_fraction_from_mass_fraction([0.1, 1.5])
    array([0.03311569,        nan])
    """
    return _apply(
        _core.mole_fraction_from_mass_fraction, "kelvoran.mole_fraction_from_mass_fraction", ["w"], [w],
        domain=_is_composition,
    )


def mass_fraction_from_mole_fraction(x: ArrayLike) -> Floats:
    """Mass fraction NaCl of a mole fraction.

    Parameters
    ----------
    x : array_like
        Mole fraction NaCl, 0 to 1.

    Returns
    -------
    numpy.ndarray or numpy.float64
        The mass fraction x 58.443 / ((1 - x) 18.015 + x 58.443), kg/kg; NaN for x outside
        0-1.

    Examples
    --------
    >>> float(kelvoran.mass_fraction_from_mole_fraction(0.05))
    0.1458420674372642
    """
    return _apply(
        _core.mass_fraction_from_mole_fraction, "kelvoran.mass_fraction_from_mole_fraction", ["x"], [x],
        domain=_is_composition,
    )


def _elementwise(
    caller: str, name: str, value: ArrayLike, f: Callable[[np.ndarray], np.ndarray], domain: Callable[[np.ndarray], np.ndarray]
) -> Floats:
    _, (a,) = prepare([value], [name], caller)
    with np.errstate(divide="ignore", invalid="ignore", over="ignore"):
        out = np.asarray(f(a), dtype=np.float64)
        out = np.where(domain(a), out, np.nan)
    return _scalar_or_array(out)


def _ratio_to_one(a: np.ndarray) -> np.ndarray:
    """a / (1000 + a) for a >= 0, 1 where a overflowed to infinity."""
    return np.where(np.isinf(a), 1.0, a / (1000.0 + a))


def _is_molality(m: np.ndarray) -> np.ndarray:
    return m >= 0.0


def molality_from_mole_fraction(x: ArrayLike) -> Floats:
    """Molality of a mole fraction.

    Parameters
    ----------
    x : array_like
        Mole fraction NaCl, 0 to 1.

    Returns
    -------
    numpy.ndarray or numpy.float64
        The molality 1000 x / ((1 - x) 18.015), mol NaCl per kg H2O; infinite for x = 1, NaN
        for x outside 0-1.

    Examples
    --------
    >>> float(kelvoran.molality_from_mole_fraction(0.05))
    2.9215419898622494
    """
    return _elementwise(
        "kelvoran.molality_from_mole_fraction", "x", x,
        lambda a: 1000.0 * a / ((1.0 - a) * WATER_MOLAR_MASS_G_MOL), _is_composition,
    )


def mole_fraction_from_molality(m: ArrayLike) -> Floats:
    """Mole fraction NaCl of a molality.

    Parameters
    ----------
    m : array_like
        Molality, mol NaCl per kg H2O, 0 or more.

    Returns
    -------
    numpy.ndarray or numpy.float64
        The mole fraction m 18.015 / (1000 + m 18.015); 1 for an infinite molality (and for one
        so large that m 18.015 overflows), NaN for a negative one.

    Examples
    --------
    >>> kelvoran.mole_fraction_from_molality([1.0, 1e308])
    array([0.0176962, 1.       ])
    """
    return _elementwise(
        "kelvoran.mole_fraction_from_molality", "m", m,
        lambda a: _ratio_to_one(a * WATER_MOLAR_MASS_G_MOL), _is_molality,
    )


def molality_from_mass_fraction(w: ArrayLike) -> Floats:
    """Molality of a mass fraction.

    Parameters
    ----------
    w : array_like
        Mass fraction NaCl, kg/kg, 0 to 1.

    Returns
    -------
    numpy.ndarray or numpy.float64
        The molality 1000 w / ((1 - w) 58.443), mol NaCl per kg H2O; infinite for w = 1, NaN
        for w outside 0-1.

    Examples
    --------
    >>> float(kelvoran.molality_from_mass_fraction(0.1))
    1.90118767193866
    """
    return _elementwise(
        "kelvoran.molality_from_mass_fraction", "w", w,
        lambda a: 1000.0 * a / ((1.0 - a) * SALT_MOLAR_MASS_G_MOL), _is_composition,
    )


def mass_fraction_from_molality(m: ArrayLike) -> Floats:
    """Mass fraction NaCl of a molality.

    Parameters
    ----------
    m : array_like
        Molality, mol NaCl per kg H2O, 0 or more.

    Returns
    -------
    numpy.ndarray or numpy.float64
        The mass fraction m 58.443 / (1000 + m 58.443), kg/kg; 1 for an infinite molality,
        NaN for a negative one.

    Examples
    --------
    >>> float(kelvoran.mass_fraction_from_molality(1.0))
    0.05521601068739648
    """
    return _elementwise(
        "kelvoran.mass_fraction_from_molality", "m", m,
        lambda a: _ratio_to_one(a * SALT_MOLAR_MASS_G_MOL), _is_molality,
    )
