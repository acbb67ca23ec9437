"""What fluid-inclusion work asks of the model: the salinity from a measured phase change, the
pressure and bulk density at homogenization, and the isochore along which an inclusion was
trapped. Temperatures in °C, pressures in bar, densities in kg/m³; salinities as mole fraction
NaCl (the model's unit), except ``salinity_from_ice_melting``, which gives the mass fraction.
Every function takes numbers or array-likes that broadcast together and runs in compiled code
with the GIL released.

A worked example: in an inclusion the last halite dissolves at 300 °C (on the vapor + liquid +
halite curve), then the vapor bubble disappears at 320 °C (homogenization to the liquid). Its
salinity, its pressure and bulk density at homogenization, and its isochore:

>>> import numpy as np, kelvoran
>>> from kelvoran import inclusions
>>> x = float(inclusions.salinity_from_halite_dissolution(300.0))   # mole fraction NaCl
>>> round(float(kelvoran.mass_fraction_from_mole_fraction(x)), 4)   # 37.7 wt % NaCl
0.3772
>>> th = inclusions.homogenization(x, 320.0, to="liquid")
>>> round(float(th.pressure), 2), round(float(th.density), 1)        # bar, kg/m³
(80.17, 1075.8)
>>> path = inclusions.isochore(x, th.density, np.linspace(320.0, 500.0, 4))
>>> path.P.round(1)                                                    # bar
array([  80.2,  953.7, 1834.7, 2814.4])
"""

from __future__ import annotations

from typing import Any, NamedTuple, Optional, Union

import numpy as np
from numpy.typing import ArrayLike, NDArray

from . import _core
from ._arrays import prepare
from ._evaluate import evaluate_trho
from ._result import INVERSE_STATUS_NAMES, Result
from .correlations import _SALT_TRIPLE_POINT_TEMPERATURE_C, _apply, _halite_exists, _is_temperature

__all__ = [
    "salinity_from_halite_dissolution",
    "salinity_from_halite_dissolution_at",
    "salinity_from_ice_melting",
    "homogenization",
    "Homogenization",
    "isochore",
]

Floats = Union[NDArray[np.float64], np.float64]


def salinity_from_halite_dissolution(T: ArrayLike) -> Floats:
    """Salinity of a liquid whose last halite dissolves on the vapor + liquid + halite curve.

    The usual case, dissolution below homogenization: the halite liquidus at (T, the
    three-phase pressure at T).

    Parameters
    ----------
    T : array_like
        Dissolution temperature of the last halite, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Salinity, mole fraction NaCl. The three-phase curve ends at the triple point of NaCl,
        800.7 °C, where the salinity reaches 1: NaN above it and for an invalid T.

    Examples
    --------
    >>> from kelvoran import inclusions
    >>> inclusions.salinity_from_halite_dissolution([300.0, 850.0])
    array([0.15732066,        nan])
    """
    return _apply(
        _core.salinity_from_halite_dissolution, "kelvoran.inclusions.salinity_from_halite_dissolution", ["T"], [T],
        domain=lambda t: _is_temperature(t) & (t <= _SALT_TRIPLE_POINT_TEMPERATURE_C), composition=True,
    )


def salinity_from_halite_dissolution_at(T: ArrayLike, P: ArrayLike) -> Floats:
    """Salinity of a liquid whose last halite dissolves at a given pressure.

    Dissolution in the liquid field (after homogenization): the halite liquidus at (T, P).

    Parameters
    ----------
    T : array_like
        Dissolution temperature of the last halite, °C.
    P : array_like
        Pressure at dissolution, bar.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Salinity, mole fraction NaCl; NaN above the melting temperature of NaCl at P (where the
        liquidus reaches 1) and for an invalid T or P.

    Examples
    --------
    >>> from kelvoran import inclusions
    >>> inclusions.salinity_from_halite_dissolution_at(300.0, [100.0, 1000.0])
    array([0.15737662, 0.15843566])
    """
    return _apply(
        _core.salinity_from_halite_dissolution_at, "kelvoran.inclusions.salinity_from_halite_dissolution_at", ["T", "P"], [T, P],
        domain=_halite_exists, composition=True,
    )


def salinity_from_ice_melting(Tm: ArrayLike) -> Floats:
    """Salinity from the final melting temperature of ice.

    By the freezing-point depression of NaCl solutions of Bodnar (1993, Geochimica et
    Cosmochimica Acta 57, 683-684): wt % = 1.78 θ - 0.0442 θ² + 0.000557 θ³, θ = -Tm. This
    correlation is not part of the H2O-NaCl model of this package.

    Parameters
    ----------
    Tm : array_like
        Final melting temperature of ice, °C.

    Returns
    -------
    numpy.ndarray or numpy.float64
        Salinity as NaCl **mass fraction**, kg/kg (``kelvoran.mole_fraction_from_mass_fraction``
        converts). Defined from 0 down to -21.2 °C (the eutectic, 23.2 wt %); NaN outside.

    Examples
    --------
    >>> from kelvoran import inclusions
    >>> inclusions.salinity_from_ice_melting([-0.5, -10.0, -21.2, -25.0])
    array([0.0087902 , 0.13937   , 0.23177919,        nan])
    """
    return _apply(_core.salinity_from_ice_melting, "kelvoran.inclusions.salinity_from_ice_melting", ["Tm"], [Tm])


class Homogenization(NamedTuple):
    """The homogenization point of inclusions: arrays of the broadcast shape (numpy scalars for
    scalar input)."""

    #: pressure at homogenization, bar (NaN unless solved)
    pressure: Any
    #: bulk density of the inclusion: the density of the liquid (or vapor) of its composition
    #: there, kg/m³ (NaN unless solved)
    density: Any
    #: how the search ended: a code of kelvoran.InverseStatus (0 solved, 1 no such point on the
    #: vapor-liquid surface at Th, 3 invalid input)
    status: Any

    @property
    def status_name(self) -> Any:
        """"solved", "out_of_range", "undefined" or "invalid_input"."""
        return np.array(INVERSE_STATUS_NAMES)[np.asarray(self.status)]


def homogenization(x: ArrayLike, Th: ArrayLike, to: str = "liquid") -> Homogenization:
    """Pressure and bulk density of an inclusion at homogenization.

    The pressure on the vapor-liquid surface at Th where the branch the inclusion homogenizes
    to has the composition x, and the bulk density of the inclusion there. Pure water (x = 0)
    homogenizes at its boiling pressure, with the density of its saturated liquid or vapor.

    Parameters
    ----------
    x : array_like
        Salinity of the inclusion, mole fraction NaCl.
    Th : array_like
        Homogenization temperature, °C.
    to : {"liquid", "vapor"}
        ``"liquid"``: the vapor bubble disappears (the bubble point); ``"vapor"``: the liquid
        disappears (the dew point).

    Returns
    -------
    Homogenization
        ``pressure`` (bar), ``density`` (kg/m³) and ``status`` (a code of
        ``kelvoran.InverseStatus``: 0 solved, 1 no such point on the vapor-liquid surface at
        Th, 3 invalid input such as x outside 0-1), arrays of the broadcast shape; pressure and
        density are NaN unless solved.

    Raises
    ------
    ValueError
        For a `to` other than "liquid" or "vapor".

    Examples
    --------
    >>> from kelvoran import inclusions
    >>> h = inclusions.homogenization(0.05, [200.0, 300.0], to="liquid")
    >>> h.pressure, h.density                 # bar, kg/m³
    (array([13.9475895 , 78.67400113]), array([980.75942851, 867.41418136]))
    >>> h.status_name
    array(['solved', 'solved'], dtype='<U13')
    """
    caller = "kelvoran.inclusions.homogenization"
    if to not in ("liquid", "vapor"):
        raise ValueError(f"{caller}: to must be 'liquid' or 'vapor', not {to!r}")
    shape, (c, t) = prepare([x, Th], ["x", "Th"], caller)
    pressure = np.empty(shape, dtype=np.float64)
    density = np.empty(shape, dtype=np.float64)
    status = np.empty(shape, dtype=np.int32)
    _core.homogenization(
        c.reshape(-1), t.reshape(-1), to == "liquid", pressure.reshape(-1), density.reshape(-1), status.reshape(-1)
    )
    scalar = not shape
    return Homogenization(*(v[()] if scalar else v for v in (pressure, density, status)))


def isochore(
    x: ArrayLike,
    rho: ArrayLike,
    T: ArrayLike,
    *,
    P_min: float = _core.ISOCHORE_LOWEST_BAR,
    P_max: float = 5000.0,
    threads: Optional[int] = None,
) -> Result:
    """The isochore along which an inclusion was trapped.

    At each temperature, the pressure in P_min-P_max bar at which the bulk has the density rho,
    and the whole state there: ``kelvoran.evaluate_trho(T, rho, x, P_min=P_min, P_max=P_max)``.
    Pure water between its saturated vapor and liquid at T is V + L at its boiling pressure.

    Parameters
    ----------
    x : array_like
        Bulk composition of the inclusion, mole fraction NaCl.
    rho : array_like
        Bulk density of the inclusion, kg/m³ (its density at homogenization).
    T : array_like
        Temperatures, °C.
    P_min, P_max : float, optional
        The pressures searched, bar: by default from 1e-4 bar, below every pressure
        ``homogenization`` returns (states below 1 bar are extrapolations, flagged
        ``outside_fitted_range``), to 5000 bar.
    threads : int, optional
        Worker threads; None or 0 uses every core.

    Returns
    -------
    Result
        ``P`` the pressure found (bar), ``status`` where none is found, and the state there.

    Examples
    --------
    >>> import numpy as np
    >>> from kelvoran import inclusions
    >>> path = inclusions.isochore(0.05, 950.0, np.linspace(150.0, 450.0, 4))
    >>> path.P                                 # bar; two phases at 150 °C, below homogenization
    array([   4.22928712,  328.58694093, 1898.5122061 , 3560.71896203])
    >>> path.state_name
    array(['V+L', 'F', 'F', 'F'], dtype='<U12')
    """
    return evaluate_trho(T, rho, x, P_min=P_min, P_max=P_max, threads=threads)
