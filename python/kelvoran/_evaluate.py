"""kelvoran.evaluate and the inverse evaluations: the phase state and phase properties over
arrays of points."""

from __future__ import annotations

from typing import Any, Dict, Optional, Sequence, Tuple

import numpy as np
from numpy.typing import ArrayLike

from . import _core
from ._arrays import prepare, threads_argument
from ._labels import labelled
from ._result import AMOUNT_FIELDS, PHASE_FIELDS, PHASES, Result, derivative_columns


def _compositions(caller: str, x: Any, w: Any) -> Tuple[str, Any, bool]:
    if (x is None) == (w is None):
        raise TypeError(f"{caller}: give the composition as x (mole fraction) or w (mass fraction), one of them")
    by_mass = w is not None
    return ("w" if by_mass else "x"), (w if by_mass else x), by_mass


def _both_compositions(shape: Tuple[int, ...], given: np.ndarray, by_mass: bool) -> Tuple[np.ndarray, np.ndarray]:
    """(mole fraction, mass fraction) arrays: the given one and the one derived from it, NaN
    where the given one lies outside 0-1 (no mixture has it; the point is invalid)."""
    derived = np.empty(shape, dtype=np.float64)
    if by_mass:
        _core.mole_fraction_from_mass_fraction(given.reshape(-1), derived.reshape(-1))
    else:
        _core.mass_fraction_from_mole_fraction(given.reshape(-1), derived.reshape(-1))
    with np.errstate(invalid="ignore"):
        derived[~((given >= 0.0) & (given <= 1.0))] = np.nan
    return (derived, given) if by_mass else (given, derived)


def _state_columns(shape: Tuple[int, ...], columns: Dict[str, np.ndarray]) -> Dict[str, np.ndarray]:
    """Allocates the columns the batch fills into `columns`; returns them as flat views."""
    computed: Dict[str, np.ndarray] = {}
    names = [("state", np.int32)]
    names += [(f"{phase}_{suffix}", np.float64) for phase in PHASES for _, suffix in PHASE_FIELDS + AMOUNT_FIELDS]
    names += [("warning_bits", np.uint32), ("fluid_type_code", np.int32)]
    for name, dtype in names:
        columns[name] = np.empty(shape, dtype=dtype)
        computed[name] = columns[name].reshape(-1)
    return computed


def _derivative_columns(
    mode: str, shape: Tuple[int, ...], columns: Dict[str, np.ndarray], computed: Dict[str, np.ndarray]
) -> None:
    """Allocates the derivative columns of `mode` into `columns` and their flat views into
    `computed`."""
    for name in derivative_columns(mode):
        columns[name] = np.empty(shape, dtype=np.float64)
        computed[name] = columns[name].reshape(-1)


def _out_of_range(t: np.ndarray, p: np.ndarray, x: np.ndarray) -> np.ndarray:
    flags = np.empty(t.shape, dtype=np.bool_)
    _core.in_fitted_range(t.reshape(-1), p.reshape(-1), x.reshape(-1), flags.reshape(-1))
    return np.logical_not(flags, out=flags)


@labelled
def evaluate(
    T: ArrayLike,
    P: ArrayLike,
    x: Optional[ArrayLike] = None,
    *,
    w: Optional[ArrayLike] = None,
    threads: Optional[int] = None,
    derivatives: bool = False,
) -> Result:
    """Phase state and phase properties of H2O-NaCl at every point of the broadcast inputs.

    Parameters
    ----------
    T : array_like, xarray.DataArray, pandas.Series or dask array
        Temperature, °C.
    P : array_like, xarray.DataArray, pandas.Series or dask array
        Pressure, bar.
    x : array_like, xarray.DataArray, pandas.Series or dask array, optional
        Bulk composition, mole fraction NaCl (give either x or w).
    w : array_like, xarray.DataArray, pandas.Series or dask array, optional
        Bulk composition, mass fraction NaCl, converted with the molar masses of the model,
        18.015 g/mol H2O and 58.443 g/mol NaCl.
    threads : int, optional
        Worker threads; None or 0 (the default) uses every core (one a chunk for dask
        arrays). The numbers do not depend on it. The GIL is released while the points are
        evaluated; Ctrl-C stops the work and raises KeyboardInterrupt.
    derivatives : bool, optional
        Also compute the exact derivatives of the outputs with respect to T, P and x (about a
        third more work): ``result.d.T.liquid.density`` (kg/m³ per K) and so on, and the flat
        columns of kelvoran-table --derivatives (see kelvoran.Derivatives).

    Returns
    -------
    Result
        One entry per point of the broadcast shape (0-d when all inputs are scalars).

    Raises
    ------
    TypeError
        For input that is not numeric, for none or both of x and w, and for labelled inputs
        mixed with unlabelled arrays.
    ValueError
        For shapes that do not broadcast.

    Notes
    -----
    The inputs broadcast together with numpy's rules. xarray DataArrays broadcast by dimension
    name after xarray's alignment of their coordinates, and ``Result.to_xarray()`` gives them
    back; pandas Series are aligned on the union of their indexes (a label missing from one is
    NaN there) and ``Result.to_pandas()`` keeps that index; scalars may accompany either. The
    masked points of masked arrays are not evaluated and are masked in every array of the
    result. Dask arrays give a result of dask arrays: nothing is evaluated until they are
    computed, then each chunk once, by one call on its own worker (``Result.compute()``
    computes every column in one pass); it runs on any dask scheduler, a distributed cluster
    included.

    A point with an input no fluid can have (T or P not finite, T below absolute zero, P not
    above 0, x or w outside 0-1, NaN among them) is not evaluated: it gets state 0
    ("undetermined"), the warning ``invalid_input`` and NaN everywhere; the other points are
    not affected. Other inputs outside the fitted range are evaluated as extrapolations: use
    ``out_of_range`` and ``warnings`` to tell doubtful numbers apart.

    Examples
    --------
    >>> import numpy as np, kelvoran
    >>> r = kelvoran.evaluate(400.0, 250.0, 0.05)
    >>> str(r.state_name), float(r.liquid.density), float(r.vapor.x)
    ('V+L', 760.313191105947, 0.00031839531694363113)
    >>> float(r.liquid.phase_mass_fraction), float(r.bulk.density)   # kg/kg, kg/m³
    (0.7976735013805727, 444.1713454790157)
    >>> str(kelvoran.evaluate(2.0, 1.0, 0.01).warning_names)         # why its density is NaN
    'ice_field'
    >>> T, P = np.meshgrid(np.linspace(100, 800, 8), np.geomspace(1, 1000, 4), indexing="ij")
    >>> kelvoran.evaluate(T, P, w=0.1).liquid.density.shape
    (8, 4)
    >>> kelvoran.evaluate([400.0, 400.0], [0.0, 250.0], w=[0.1, 1.5]).warning_names
    array(['invalid_input', 'invalid_input'], dtype='<U13')
    """
    caller = "kelvoran.evaluate"
    composition_name, composition, by_mass = _compositions(caller, x, w)
    workers = threads_argument(threads)
    shape, (t, p, c) = prepare([T, P, composition], ["T", "P", composition_name], caller, copy=True)
    mole, mass = _both_compositions(shape, c, by_mass)
    columns: Dict[str, np.ndarray] = {"T_C": t, "P_bar": p, "x_NaCl": mole, "w_NaCl": mass}
    columns["out_of_range"] = _out_of_range(t, p, mole)
    computed = _state_columns(shape, columns)
    if derivatives:
        _derivative_columns("direct", shape, columns, computed)
    _core.evaluate_columns(t.reshape(-1), p.reshape(-1), mole.reshape(-1), computed, workers)
    return Result(columns)


def _search_range(caller: str, names: Tuple[str, str], lower: Any, upper: Any, positive: bool) -> Tuple[float, float]:
    """The bounds of an inverse search as floats; TypeError or ValueError for unusable ones."""
    bounds = []
    for name, value in zip(names, (lower, upper)):
        if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, float, np.integer, np.floating)):
            raise TypeError(f"{caller}: {name} must be a number, not {type(value).__name__}")
        bounds.append(float(value))
    low, high = bounds
    if not (np.isfinite(low) and np.isfinite(high) and low < high):
        raise ValueError(f"{caller}: the search range needs finite {names[0]} < {names[1]}, not {low} and {high}")
    if positive and not low > 0.0:
        raise ValueError(f"{caller}: {names[0]} must be above zero, not {low}")
    return low, high


def _inverse(
    mode: str,
    caller: str,
    given: Sequence[Any],
    given_names: Sequence[str],
    x: Any,
    w: Any,
    threads: Optional[int],
    search: Tuple[Any, Any],
    derivatives: bool = False,
) -> Result:
    """The inverse evaluation `mode` ("ph", "prho", "trho") of the two given quantities,
    searching between the two bounds of `search` (T_min, T_max °C; P_min, P_max bar for "trho")."""
    composition_name, composition, by_mass = _compositions(caller, x, w)
    workers = threads_argument(threads)
    bound_names = ("P_min", "P_max") if mode == "trho" else ("T_min", "T_max")
    lower, upper = _search_range(caller, bound_names, search[0], search[1], mode == "trho")
    shape, (a, b, c) = prepare([*given, composition], [*given_names, composition_name], caller, copy=True)
    mole, mass = _both_compositions(shape, c, by_mass)
    found = np.empty(shape, dtype=np.float64)
    if mode == "trho":
        t, p, found_name, property_name = a, found, "P_bar", "rho_kg_m3"
    else:
        t, p, found_name, property_name = found, a, "T_C", ("h_J_kg" if mode == "ph" else "rho_kg_m3")
    columns: Dict[str, np.ndarray] = {"T_C": t, "P_bar": p, "x_NaCl": mole, "w_NaCl": mass, property_name: b}
    columns["inverse_status_code"] = np.empty(shape, dtype=np.int32)
    computed = _state_columns(shape, columns)
    computed[found_name] = found.reshape(-1)
    computed["inverse_status_code"] = columns["inverse_status_code"].reshape(-1)
    if derivatives:
        _derivative_columns(mode, shape, columns, computed)
    _core.evaluate_inverse_columns(
        mode, a.reshape(-1), b.reshape(-1), mole.reshape(-1), computed, workers, lower, upper
    )
    columns["out_of_range"] = _out_of_range(t, p, mole)
    order = ["T_C", "P_bar", "x_NaCl", "w_NaCl", property_name, "inverse_status_code", "out_of_range"]
    return Result({name: columns[name] for name in order + [n for n in columns if n not in order]}, mode)


_INVERSE_NOTES = """
    x : array_like, optional
        Bulk composition, mole fraction NaCl (give either x or w).
    w : array_like, optional
        Bulk composition, mass fraction NaCl.
    {bounds}
    threads : int, optional
        Worker threads; None or 0 (the default) uses every core.
    derivatives : bool, optional
        Also compute the exact derivatives with respect to the evaluation's own inputs
        (``r.d.h.T`` is ∂T/∂h of evaluate_ph, K per J/kg; see kelvoran.Derivatives), NaN where
        no state was found.

    Returns
    -------
    Result
        With ``status`` and ``status_name``; its ``to_pandas()`` has the columns of
        kelvoran-table for the same input.

    Raises
    ------
    TypeError, ValueError
        As ``evaluate``; also for a search range that is not two numbers, lower below upper.

    Notes
    -----
    The search runs over the search range, the fitted range 0-1000 °C (1-5000 bar for
    evaluate_trho) by default; the state found reproduces the given value to about 1e-10
    relative. Where the value lies inside a jump of the bulk property at a phase boundary (pure
    water boiling, a vapor + liquid field too narrow to resolve, the three-phase curve), the
    state is the two- or three-phase state there with the amounts that give the value. The bulk
    density is not monotonic (cold water has a density maximum near 4 °C; salt-rich fluids reach
    one density on both sides of the three-phase curve): where several states of the range have
    the value, the one of lowest temperature (pressure) is returned with the warning
    ``multiple_solutions``, and a narrower range picks another. Where no state has the value,
    ``status`` says why (kelvoran.InverseStatus: 1 out of range, 2 undefined, 3 invalid input,
    NaN inputs among them), the point has state 0 and NaN everywhere, and the other points are
    not affected. The inputs broadcast, align and chunk as in ``evaluate`` (DataArrays, Series,
    masked and dask arrays); threads and Ctrl-C as there."""

# The search range parameters of the inverse evaluations in temperature and in pressure.
_TEMPERATURE_BOUNDS = """T_min, T_max : float, optional
        The temperatures searched, °C (default 0 and 1000, the fitted range)."""
_PRESSURE_BOUNDS = """P_min, P_max : float, optional
        The pressures searched, bar (default 1 and 5000, the fitted range)."""


@labelled
def evaluate_ph(
    P: ArrayLike,
    h: ArrayLike,
    x: Optional[ArrayLike] = None,
    *,
    w: Optional[ArrayLike] = None,
    T_min: float = 0.0,
    T_max: float = 1000.0,
    threads: Optional[int] = None,
    derivatives: bool = False,
) -> Result:
    """The temperature and the state at a pressure, bulk specific enthalpy and composition.

    The variables of simulators of hydrothermal systems, continuous across phase changes. The
    result's ``T`` is the temperature found (°C), ``h`` the given enthalpy; each phase has its
    amounts (``phase_mass_fraction``, ``saturation``) and the bulk its density. The model gives
    no enthalpy of halite, so h is found among the halite-free states only: an h that falls
    where halite is present is ``undefined``.

    Parameters
    ----------
    P : array_like
        Pressure, bar.
    h : array_like
        Bulk specific enthalpy, J/kg.
    {notes}

    Examples
    --------
    >>> import kelvoran
    >>> r = kelvoran.evaluate_ph(250.0, [1.6e6, 2.0e6, 1e9], w=0.1)
    >>> r.T                                   # °C
    array([383.6543538, 400.4025574,         nan])
    >>> r.state_name, r.status_name
    (array(['F', 'V+L', 'undetermined'], dtype='<U12'), array(['solved', 'solved', 'out_of_range'], dtype='<U13'))
    >>> float(r.vapor.saturation[1])          # volume fraction of the vapor
    0.8011340754052866
    >>> water = kelvoran.evaluate_ph(100.0, [1.2e6, 2.0e6, 3.0e6], 0.0)   # pure water at 100 bar
    >>> water.T                               # the middle one boils at 311.03 °C
    array([273.32425283, 311.03063232, 370.75708517])
    >>> water.state_name, water.vapor.phase_mass_fraction   # (h - h_l) / (h_v - h_l) there
    (array(['F', 'V+L', 'V'], dtype='<U12'), array([       nan, 0.44997826, 1.        ]))
    >>> str(kelvoran.evaluate_ph(100.0, 2.0e6, 0.0, T_max=300.0).status_name)   # not below 300 °C
    'out_of_range'
    """
    return _inverse(
        "ph", "kelvoran.evaluate_ph", [P, h], ["P", "h"], x, w, threads, (T_min, T_max), derivatives
    )


@labelled
def evaluate_prho(
    P: ArrayLike,
    rho: ArrayLike,
    x: Optional[ArrayLike] = None,
    *,
    w: Optional[ArrayLike] = None,
    T_min: float = 0.0,
    T_max: float = 1000.0,
    threads: Optional[int] = None,
    derivatives: bool = False,
) -> Result:
    """The temperature and the state at a pressure, bulk density and composition.

    The result's ``T`` is the temperature found (°C), ``rho`` the given density. States with
    halite are included; a density in the jump of the bulk density at the vapor + liquid +
    halite curve gives V + L + H there, with the amounts of the three phases that produce it.

    Parameters
    ----------
    P : array_like
        Pressure, bar.
    rho : array_like
        Bulk density, kg/m³.
    {notes}

    Examples
    --------
    >>> import kelvoran
    >>> r = kelvoran.evaluate_prho(300.0, [150.0, 200.0, 1100.0], w=0.3)
    >>> r.state_name
    array(['V+H', 'V+L+H', 'F'], dtype='<U12')
    >>> r[1].halite.phase_mass_fraction       # kg of halite per kg of the inclusion
    0.13225043005534862
    """
    return _inverse(
        "prho", "kelvoran.evaluate_prho", [P, rho], ["P", "rho"], x, w, threads, (T_min, T_max), derivatives
    )


@labelled
def evaluate_trho(
    T: ArrayLike,
    rho: ArrayLike,
    x: Optional[ArrayLike] = None,
    *,
    w: Optional[ArrayLike] = None,
    P_min: float = 1.0,
    P_max: float = 5000.0,
    threads: Optional[int] = None,
    derivatives: bool = False,
) -> Result:
    """The pressure and the state at a temperature, bulk density and composition.

    The points of an isochore. The result's ``P`` is the pressure found (bar), ``rho`` the
    given density; at the three-phase pressure of T, V + L + H with the amounts that produce
    rho.

    Parameters
    ----------
    T : array_like
        Temperature, °C.
    rho : array_like
        Bulk density, kg/m³.
    {notes}

    Examples
    --------
    >>> import kelvoran
    >>> r = kelvoran.evaluate_trho([200.0, 300.0, 400.0], 900.0, w=0.05)
    >>> r.P                                   # bar
    array([  15.05262755, 1555.10897538, 3198.24012422])
    """
    return _inverse(
        "trho", "kelvoran.evaluate_trho", [T, rho], ["T", "rho"], x, w, threads, (P_min, P_max), derivatives
    )


for _function, _bounds in ((evaluate_ph, _TEMPERATURE_BOUNDS), (evaluate_prho, _TEMPERATURE_BOUNDS), (evaluate_trho, _PRESSURE_BOUNDS)):
    _notes = _INVERSE_NOTES.strip().replace("{bounds}", _bounds)
    _function.__doc__ = (_function.__doc__ or "").replace("{notes}", _notes)
