"""The result of kelvoran.evaluate: named columns of numpy arrays, one entry per point."""

from __future__ import annotations

import enum
import functools
from types import MappingProxyType
from typing import Any, Dict, Generic, Iterator, Mapping, Optional, Tuple, TypeVar, Union, overload

import numpy as np
from numpy.typing import NDArray

from . import _core
from ._labels import Labels, is_dask

FloatArray = NDArray[np.float64]
IntArray = NDArray[np.int32]
BoolArray = NDArray[np.bool_]
StrArray = NDArray[np.str_]

#: Short names of the phase states by code: STATE_NAMES[4] == "V+L".
STATE_NAMES: Tuple[str, ...] = tuple(_core.short_name(code) for code in range(8))


class Phases(enum.IntEnum):
    """Phase-state codes, as in ``Result.state`` and the ``state`` column of kelvoran-table."""

    UNDETERMINED = 0  #: not classified (a NaN input)
    LIQUID = 1  #: one fluid on the liquid side of the vapor-liquid surface
    VAPOR = 2  #: one fluid on the vapor side
    FLUID = 3  #: one fluid at pressures above the vapor-liquid region
    VAPOR_LIQUID = 4  #: V + L
    VAPOR_HALITE = 5  #: V + H
    LIQUID_HALITE = 6  #: L + H
    VAPOR_LIQUID_HALITE = 7  #: V + L + H

    @property
    def short_name(self) -> str:
        """"L", "V", "F", "V+L", "V+H", "L+H", "V+L+H" or "undetermined"."""
        return STATE_NAMES[self.value]


class FluidType(enum.IntEnum):
    """Whether a single fluid lies below or above the critical temperature of its composition,
    as in ``Result.fluid_type_code``; ``Result.fluid_type`` and the ``fluid_type`` column of
    kelvoran-table hold the short names. The phase-state codes L, V and F do not say it: state F
    covers water at 25 °C and 1 bar, and a state-V fluid may be dense."""

    NONE = 0  #: not a single fluid (two or three phases), or no state
    LIQUID_LIKE = 1  #: state L or F below the critical temperature of its composition
    VAPOR_LIKE = 2  #: state V below the critical temperature of its composition
    SUPERCRITICAL = 3  #: above the critical temperature of its composition

    @property
    def short_name(self) -> str:
        """"liquid", "vapor", "supercritical", or "" for NONE."""
        return FLUID_TYPE_NAMES[self.value]


#: Short names of the fluid types by code: FLUID_TYPE_NAMES[3] == "supercritical".
FLUID_TYPE_NAMES: Tuple[str, ...] = tuple(_core.fluid_type_name(code) for code in range(4))


class Warnings(enum.IntFlag):
    """Reasons to doubt the numbers of a point, as the bits of ``Result.warnings``; each is
    computed with the evaluation and none changes a number. ``Result.warning_names`` and the
    ``warnings`` column of kelvoran-table hold their short names joined by "|"."""

    #: outside 0-1000 °C, 1-5000 bar, 0 <= x <= 1: the numbers are extrapolations
    OUTSIDE_FITTED_RANGE = 1 << 0
    #: a scaled temperature lies in an ice field of water: the properties taken there are NaN
    ICE_FIELD = 1 << 1
    #: a liquid's molar volume was extrapolated from water's saturated liquid (below 16 bar)
    LOW_PRESSURE_VOLUME = 1 << 2
    #: the high-temperature, low-pressure volume extrapolation of salt-rich phases was used
    HIGH_TEMPERATURE_VOLUME = 1 << 3
    #: a liquid's enthalpy was taken on the vapor side of water's boiling curve (it jumps there)
    LIQUID_ENTHALPY_VAPOR_SIDE = 1 << 4
    #: V + L + H: the amounts of the three phases are not fixed by (T, P, x)
    AMOUNTS_UNDETERMINED = 1 << 5
    #: a water state came from the bracketed fallback solve (the Newton iteration failed)
    WATER_FALLBACK_SOLVE = 1 << 6
    #: an input no fluid can have (T or P not finite, T below absolute zero, P not above 0, x
    #: outside 0-1, NaN among them): the point was not evaluated and has state 0
    INVALID_INPUT = 1 << 7
    #: an inverse evaluation found several states with the given value in its search range and
    #: returned the one of lowest temperature (pressure); bound the search to choose another
    MULTIPLE_SOLUTIONS = 1 << 8

    @property
    def short_name(self) -> str:
        """The short names of the bits set, joined by "|" ("ice_field", ...)."""
        return _core.warning_names(int(self))


class InverseStatus(enum.IntEnum):
    """How an inverse evaluation (``evaluate_ph``, ``evaluate_prho``, ``evaluate_trho``) ended,
    as in ``Result.status``; ``Result.status_name`` and the ``inverse_status`` column of
    kelvoran-table hold the short names."""

    SOLVED = 0  #: the state has the given bulk property
    OUT_OF_RANGE = 1  #: no temperature in 0-1000 °C (pressure in 1-5000 bar) gives the value
    #: the value lies where the model defines no such bulk property: in a state with halite
    #: (whose enthalpy the model does not give) or in a jump of the model's property
    UNDEFINED = 2
    #: an input is NaN or infinite, the composition lies outside 0-1, or P or the density is
    #: not above zero
    INVALID_INPUT = 3

    @property
    def short_name(self) -> str:
        """"solved", "out_of_range", "undefined" or "invalid_input"."""
        return INVERSE_STATUS_NAMES[self.value]

    @property
    def description(self) -> str:
        """A sentence saying what the status means."""
        return _core.describe_status(self.value)


#: Short names of the inverse statuses by code: INVERSE_STATUS_NAMES[1] == "out_of_range".
INVERSE_STATUS_NAMES: Tuple[str, ...] = ("solved", "out_of_range", "undefined", "invalid_input")

PHASES: Tuple[str, ...] = ("liquid", "vapor", "halite", "bulk")

# Per-phase columns: (attribute, column suffix). The column of phase p is f"{p}_{suffix}".
PHASE_FIELDS: Tuple[Tuple[str, str], ...] = (
    ("x", "x_NaCl"),
    ("w", "w_NaCl"),
    ("density", "density_kg_m3"),
    ("molar_volume", "molar_volume_cm3_mol"),
    ("specific_enthalpy", "specific_enthalpy_J_kg"),
    ("heat_capacity", "heat_capacity_J_kg_K"),
)

# The amount of each phase: (attribute, column suffix). ``phase_mass_fraction`` is the mass of
# the phase per mass of the bulk, not its NaCl content (which is ``w``).
AMOUNT_FIELDS: Tuple[Tuple[str, str], ...] = (
    ("phase_mass_fraction", "mass_fraction"),
    ("saturation", "saturation"),
)

# The given bulk property of each inverse mode: its column and its attribute.
_GIVEN = {"ph": ("h_J_kg", "h"), "prho": ("rho_kg_m3", "rho"), "trho": ("rho_kg_m3", "rho")}


def _table_columns(given: Optional[str] = None) -> Tuple[str, ...]:
    head: Tuple[str, ...] = ("line", "T_C", "P_bar", "x_NaCl", "w_NaCl")
    if given is not None:
        head += (given, "inverse_status")
    return (
        head
        + ("out_of_range", "state", "state_name")
        + tuple(f"{p}_{suffix}" for p in PHASES[:3] for _, suffix in PHASE_FIELDS)
        + ("warnings", "fluid_type")
        + tuple(f"{p}_{suffix}" for p in PHASES[:3] for _, suffix in AMOUNT_FIELDS)
        + ("bulk_density_kg_m3", "bulk_specific_enthalpy_J_kg", "error")
    )


#: The columns of kelvoran-table, in its order. ``to_pandas()`` starts with these and appends
#: the columns the table does not have (the bulk fluid's, first).
TABLE_COLUMNS: Tuple[str, ...] = _table_columns()
#: The columns of kelvoran-table for (P_bar, h_J_kg) input, as of ``evaluate_ph(...).to_pandas()``:
#: those of TABLE_COLUMNS with ``h_J_kg`` and ``inverse_status`` after ``w_NaCl``.
TABLE_COLUMNS_PH: Tuple[str, ...] = _table_columns("h_J_kg")
#: The columns for (P_bar, rho_kg_m3) and for (T_C, rho_kg_m3) input, as of ``evaluate_prho``
#: and ``evaluate_trho``: ``rho_kg_m3`` and ``inverse_status`` after ``w_NaCl``.
TABLE_COLUMNS_PRHO: Tuple[str, ...] = _table_columns("rho_kg_m3")
TABLE_COLUMNS_TRHO: Tuple[str, ...] = TABLE_COLUMNS_PRHO

# The given variables of each evaluation: (attribute, column name).
_VARIABLES = {
    "direct": (("T", "T_C"), ("P", "P_bar"), ("x", "x_NaCl")),
    "ph": (("P", "P_bar"), ("h", "h_J_kg"), ("x", "x_NaCl")),
    "prho": (("P", "P_bar"), ("rho", "rho_kg_m3"), ("x", "x_NaCl")),
    "trho": (("T", "T_C"), ("rho", "rho_kg_m3"), ("x", "x_NaCl")),
}

# The quantities with derivatives, per phase: (attribute, column suffix).
DERIVATIVE_FIELDS: Tuple[Tuple[str, str], ...] = (
    ("w", "w_NaCl"),
    ("density", "density_kg_m3"),
    ("specific_enthalpy", "specific_enthalpy_J_kg"),
    ("phase_mass_fraction", "mass_fraction"),
    ("saturation", "saturation"),
)


def derivative_columns(mode: str = "direct") -> Tuple[str, ...]:
    """The derivative columns of an evaluation ("direct", "ph", "prho" or "trho"), as
    kelvoran-table --derivatives names and orders them: d_<quantity>_d_<variable> for each
    quantity and each of the three given variables. The quantities: ``T_C`` (found by
    evaluate_ph and evaluate_prho) or ``P_bar`` (found by evaluate_trho), then w_NaCl,
    density_kg_m3, specific_enthalpy_J_kg, mass_fraction and saturation of the liquid and the
    vapor, density_kg_m3, mass_fraction and saturation of halite, density_kg_m3 and
    specific_enthalpy_J_kg of the bulk."""
    quantities = [] if mode == "direct" else ["P_bar" if mode == "trho" else "T_C"]
    quantities += [f"{p}_{suffix}" for p in PHASES[:2] for _, suffix in DERIVATIVE_FIELDS]
    quantities += [f"halite_{suffix}" for suffix in ("density_kg_m3", "mass_fraction", "saturation")]
    quantities += ["bulk_density_kg_m3", "bulk_specific_enthalpy_J_kg"]
    return tuple(f"d_{q}_d_{v}" for q in quantities for _, v in _VARIABLES[mode])


# The columns that hold codes where the table writes names; to_pandas() appends them last.
_CODE_COLUMNS = ("warning_bits", "fluid_type_code", "inverse_status_code")

_TABLE_COLUMNS_BY_MODE = {
    "direct": TABLE_COLUMNS,
    "ph": TABLE_COLUMNS_PH,
    "prho": TABLE_COLUMNS_PRHO,
    "trho": TABLE_COLUMNS_TRHO,
}

_NAMES_BY_CODE = np.array(STATE_NAMES)
_FLUID_TYPES_BY_CODE = np.array(FLUID_TYPE_NAMES)
_STATUSES_BY_CODE = np.array(INVERSE_STATUS_NAMES)


def _warning_names(bits: np.ndarray) -> np.ndarray:
    """The short names of the warning bits of every point, joined by "|" ("" when none)."""
    bits = np.asarray(bits)
    unique, inverse = np.unique(bits.reshape(-1), return_inverse=True)
    names = np.array([_core.warning_names(int(b)) for b in unique.tolist()] or [""])
    return names[inverse.reshape(-1)].reshape(bits.shape)


def _freeze(columns: Mapping[str, Any]) -> None:
    """Makes the numpy arrays among the values read-only: a result is a value."""
    for values in columns.values():
        if isinstance(values, np.ndarray):
            values.flags.writeable = False


def _require(module: str, caller: str, extra: str) -> Any:
    """Imports an optional dependency, or says how to install it."""
    try:
        return __import__(module)
    except ImportError as error:
        raise ImportError(
            f"{caller} needs {module}, which is not installed: pip install {module} (or pip install 'kelvoran[{extra}]')"
        ) from error


def _masked_column(pd: Any, values: np.ndarray, masked: np.ndarray) -> Any:
    """A DataFrame column with the masked rows missing: NaN for floats, <NA> for the others."""
    if values.dtype.kind == "f":
        return np.where(masked, np.nan, values)
    column = pd.array(values)
    column[masked] = pd.NA
    return column


# CF-style attributes of the columns: (units, long name) of the inputs and of the phase fields.
_INPUT_ATTRIBUTES = {
    "T_C": ("degC", "temperature"),
    "P_bar": ("bar", "pressure"),
    "x_NaCl": ("mol mol-1", "bulk mole fraction of NaCl"),
    "w_NaCl": ("kg kg-1", "bulk mass fraction of NaCl"),
    "h_J_kg": ("J kg-1", "bulk specific enthalpy"),
    "rho_kg_m3": ("kg m-3", "bulk density"),
}
_FIELD_ATTRIBUTES = {
    "x_NaCl": ("mol mol-1", "mole fraction of NaCl in the {}"),
    "w_NaCl": ("kg kg-1", "mass fraction of NaCl in the {}"),
    "density_kg_m3": ("kg m-3", "density of the {}"),
    "molar_volume_cm3_mol": ("cm3 mol-1", "molar volume of the {}"),
    "specific_enthalpy_J_kg": ("J kg-1", "specific enthalpy of the {}"),
    "heat_capacity_J_kg_K": ("J kg-1 K-1", "isobaric specific heat capacity of the {}"),
    "mass_fraction": ("kg kg-1", "mass of the {} per mass of the bulk"),
    "saturation": ("1", "volume fraction of the {} (saturation)"),
}


def _flags(enum_type: Any) -> Dict[str, Any]:
    return {
        "flag_values": np.array([m.value for m in enum_type], dtype=np.int32),
        "flag_meanings": " ".join(m.name.lower() for m in enum_type),
    }


def _cf_attributes(name: str) -> Dict[str, Any]:
    """``units`` and ``long_name`` of a column (flags for the codes); {} for one unknown here."""
    if name in _INPUT_ATTRIBUTES:
        units, long_name = _INPUT_ATTRIBUTES[name]
        return {"units": units, "long_name": long_name}
    if name == "state":
        return {"long_name": "phase state", **_flags(Phases)}
    if name == "fluid_type_code":
        return {"long_name": "fluid type of a single fluid", **_flags(FluidType)}
    if name == "inverse_status_code":
        return {"long_name": "how the inverse search ended", **_flags(InverseStatus)}
    if name == "warning_bits":
        bits = [1 << i for i in range(32) if _core.warning_names(1 << i)]
        return {
            "long_name": "reasons to doubt the numbers of the point",
            "flag_masks": np.array(bits, dtype=np.uint32),
            "flag_meanings": " ".join(_core.warning_names(b) for b in bits),
        }
    if name == "out_of_range":
        return {"long_name": "outside the fitted range (0-1000 degC, 1-5000 bar, 0 <= x <= 1)"}
    phase, _, field = name.partition("_")
    if phase in PHASES and field in _FIELD_ATTRIBUTES:
        units, long_name = _FIELD_ATTRIBUTES[field]
        return {"units": units, "long_name": long_name.format(phase)}
    return {}


def _lookup(codes: np.ndarray, table: np.ndarray) -> np.ndarray:
    return table[codes]


V = TypeVar("V")


class _Column(Generic[V]):
    """A read-only attribute that reads one named column of its owner."""

    def __init__(self, key: str, doc: str) -> None:
        self.key = key
        self.name = key
        self.__doc__ = doc

    def __set_name__(self, owner: type, name: str) -> None:
        self.name = name

    @overload
    def __get__(self, obj: None, owner: Optional[type] = None) -> "_Column[V]": ...
    @overload
    def __get__(self, obj: object, owner: Optional[type] = None) -> V: ...
    def __get__(self, obj: Any, owner: Optional[type] = None) -> Any:
        if obj is None:
            return self
        try:
            return obj._value(obj._prefix + self.key)
        except KeyError:
            raise AttributeError(f"this result has no {self.key} column") from None

    def __set__(self, obj: Any, value: Any) -> None:
        raise AttributeError(f"{self.name} is read-only: a result is a value (copy the array to change it)")


_DOCS = {
    "x": "mole fraction of NaCl in the phase",
    "w": "mass fraction of NaCl in the phase",
    "density": "density, kg/m³",
    "molar_volume": "molar volume, cm³/mol",
    "specific_enthalpy": "specific enthalpy, J/kg (NaN for halite: the model computes none)",
    "heat_capacity": "isobaric heat capacity, J/(kg K)",
    "phase_mass_fraction": "mass of the phase per mass of the bulk, kg/kg (1 for a single fluid "
    "and the bulk; NaN in V + L + H, whose amounts (T, P, x) do not fix)",
    "saturation": "volume of the phase per volume of the bulk (volume fraction, 1 for a single "
    "fluid and the bulk; NaN in V + L + H, whose amounts (T, P, x) do not fix)",
}


class _Columns:
    """Shared behaviour of results and points: a mapping of column name to values, and the
    evaluation that made them ("direct", or the inverse "ph", "prho", "trho")."""

    _prefix = ""
    #: the dimensions and coordinates (xarray) or the index (pandas) of labelled inputs
    _labels: Optional["Labels"] = None
    #: for masked inputs: True at the points that were masked, and so not evaluated
    _mask: Optional[np.ndarray] = None

    def __init__(self, columns: Mapping[str, Any], mode: str = "direct") -> None:
        self._columns: Dict[str, Any] = dict(columns)
        self._mode = mode
        _freeze(self._columns)

    def __setstate__(self, state: Dict[str, Any]) -> None:
        self.__dict__.update(state)
        _freeze(self._columns)  # an unpickled array is writeable again

    @property
    def mode(self) -> str:
        """The evaluation that made the values: "direct" (``evaluate``), "ph"
        (``evaluate_ph``), "prho" (``evaluate_prho``) or "trho" (``evaluate_trho``)."""
        return self._mode

    def _value(self, key: str) -> Any:
        return self._columns[key]

    def _lazy(self) -> bool:
        """Whether the columns are dask arrays, not computed yet."""
        return any(is_dask(values) for values in self._columns.values())

    def _masked(self, values: Any) -> Any:
        """`values` (of the result's shape) masked where the inputs were masked."""
        if self._mask is None:
            return values
        return np.ma.MaskedArray(values, mask=self._mask)

    @property
    def columns(self) -> Mapping[str, Any]:
        """Every column by its kelvoran-table name (read-only view of read-only arrays), bulk
        columns included. Where the table writes names, the codes are held instead:
        ``warning_bits``, ``fluid_type_code`` and, for the inverse evaluations,
        ``inverse_status_code``. The arrays are not masked (see ``Result.mask``)."""
        if self._lazy():
            # A dask array can be assigned to in place: each caller gets an array of its own.
            return MappingProxyType({k: v.copy() if is_dask(v) else v for k, v in self._columns.items()})
        return MappingProxyType(self._columns)

    @property
    def d(self) -> "Derivatives":
        """The derivatives of the outputs (evaluated with ``derivatives=True``), by the
        evaluation's given variables: ``r.d.T.liquid.density`` is ∂ρ_liquid/∂T (kg/m³ per K)
        of ``evaluate``, ``r.d.h.T`` is ∂T/∂h (K per J/kg) of ``evaluate_ph``. See
        :class:`Derivatives`."""
        if not any(name.startswith("d_") for name in self._columns):
            raise AttributeError("d: evaluate with derivatives=True to have the derivatives")
        return Derivatives(self)

    def compute(self, **kwargs: Any) -> Any:
        """The result with its dask arrays computed, as numpy arrays (itself when it holds none).

        Parameters
        ----------
        **kwargs
            Passed to ``dask.compute`` (``scheduler=``, ...).

        Returns
        -------
        Result
            The same columns, labels and mode; every chunk is evaluated once for all columns.
        """
        if not self._lazy():
            return self
        import dask

        names = list(self._columns)
        values = dask.compute(*(self._columns[name] for name in names), **kwargs)
        result = type(self)(dict(zip(names, values)), self._mode)
        result._labels = self._labels
        return result

    def _flat(self, key: str) -> np.ndarray:
        return np.ravel(np.asarray(self._columns[key]))

    def to_pandas(self) -> Any:
        """The result as a pandas DataFrame, one row per point in C order (the last axis of
        the inputs varies fastest).

        Returns
        -------
        pandas.DataFrame
            The columns of kelvoran-table for the same evaluation, named and ordered as in its
            header (``kelvoran.TABLE_COLUMNS``, or ``TABLE_COLUMNS_PH``, ``TABLE_COLUMNS_PRHO``,
            ``TABLE_COLUMNS_TRHO`` for the inverse evaluations): ``line`` is the point number
            from 1, ``error`` is always empty (every point is computed), ``warnings``,
            ``fluid_type`` and ``inverse_status`` hold the short names, an absent phase is NaN.
            The columns the table does not have follow: the rest of the bulk fluid's
            (``bulk_x_NaCl`` ...) and the codes ``warning_bits``, ``fluid_type_code`` (and
            ``inverse_status_code``). The index is that of pandas Series inputs, else a
            RangeIndex. Masked points have NaN (<NA> in the columns that are not floats). A
            result of dask arrays is computed first. The DataFrame owns its data.

        Raises
        ------
        ImportError
            If pandas is not installed.

        Examples
        --------
        >>> kelvoran.evaluate([25, 400], [1, 250], 0.05).to_pandas()[["T_C", "state_name", "fluid_type"]]
             T_C state_name fluid_type
        0   25.0          F     liquid
        1  400.0        V+L
        """
        pd = _require("pandas", "to_pandas()", "pandas")
        if self._lazy():
            return self.compute().to_pandas()
        n = self._flat("state").size
        data: Dict[str, Any] = {}
        for name in _TABLE_COLUMNS_BY_MODE[self._mode]:
            if name == "error":  # the derivatives of --derivatives come first, as in the table
                for derivative in derivative_columns(self._mode):
                    if derivative in self._columns:
                        data[derivative] = self._flat(derivative)
            if name == "line":
                data[name] = np.arange(1, n + 1, dtype=np.int64)
            elif name == "error":
                data[name] = np.full(n, "", dtype=object)
            elif name == "state_name":
                data[name] = _NAMES_BY_CODE[self._flat("state")]
            elif name == "warnings":
                data[name] = _warning_names(self._flat("warning_bits"))
            elif name == "fluid_type":
                data[name] = _FLUID_TYPES_BY_CODE[self._flat("fluid_type_code")]
            elif name == "inverse_status":
                data[name] = _STATUSES_BY_CODE[self._flat("inverse_status_code")]
            else:
                data[name] = self._flat(name)
        rest = [name for name in self._columns if name not in data]
        # The codes last, in the order of _CODE_COLUMNS.
        for name in sorted(rest, key=lambda name: _CODE_COLUMNS.index(name) + 1 if name in _CODE_COLUMNS else 0):
            data[name] = self._flat(name)
        if self._mask is not None:
            masked = np.ravel(self._mask)
            data = {name: values if name == "line" else _masked_column(pd, values, masked) for name, values in data.items()}
        labels = self._labels
        return pd.DataFrame(data, index=labels.index if labels is not None else None)

    def to_xarray(self) -> Any:
        """The result as an xarray Dataset: one variable per column, on the dimensions and
        with the coordinates of the inputs.

        The variables are named as the columns (``kelvoran.TABLE_COLUMNS`` less ``line``,
        ``state_name``, ``warnings``, ``fluid_type``, ``inverse_status`` and ``error``, plus the
        bulk columns and the codes) and carry CF-style attributes: ``units`` (UDUNITS
        strings: ``degC``, ``bar``, ``kg m-3``, ``J kg-1``, ``mol mol-1`` ...) and
        ``long_name``; the codes ``state``, ``fluid_type_code`` and ``inverse_status_code`` have
        ``flag_values`` and ``flag_meanings``, ``warning_bits`` has ``flag_masks`` and
        ``flag_meanings``.

        Returns
        -------
        xarray.Dataset
            With DataArray inputs, their dimensions (in the order xarray broadcast them to)
            and coordinates; with pandas Series, one dimension named after the index, with the
            index as coordinate; otherwise ``dim_0``, ``dim_1``, ... without coordinates. The
            variables of a result of dask arrays are those dask arrays, not computed; the others
            share the result's read-only arrays (``ds.copy(deep=True)`` gives writeable ones).
            At masked points the float variables are NaN and the codes are those of a point not
            evaluated (state 0, ``invalid_input``).

        Raises
        ------
        ImportError
            If xarray is not installed.

        Examples
        --------
        >>> import xarray as xr
        >>> T = xr.DataArray([300.0, 400.0], dims="T", coords={"T": [300.0, 400.0]})
        >>> P = xr.DataArray([100.0, 250.0, 500.0], dims="P", coords={"P": [100.0, 250.0, 500.0]})
        >>> ds = kelvoran.evaluate(T, P, 0.05).to_xarray()
        >>> ds.liquid_density_kg_m3.dims, ds.liquid_density_kg_m3.attrs["units"]
        (('T', 'P'), 'kg m-3')
        >>> ds.state.sel(T=400.0).values.tolist()       # V+L at 250 bar, F at 500 bar
        [5, 4, 3]
        """
        xr = _require("xarray", "to_xarray()", "xarray")
        labels = self._labels
        shape = np.shape(self._columns["state"])
        coords: Any = {}
        if labels is not None and labels.index is not None:
            dim = labels.index.name if isinstance(labels.index.name, str) else "index"
            dims: Tuple[str, ...] = (dim,)
            coords = {dim: labels.index}
        elif labels is not None:
            dims, coords = labels.dims, labels.coords
        else:
            dims = tuple(f"dim_{i}" for i in range(len(shape)))
        variables = {}
        for name, values in self._columns.items():
            values = values if is_dask(values) else np.asarray(values)
            if self._mask is not None and values.dtype.kind == "f":
                values = np.where(self._mask, np.nan, values)
            variables[name] = (dims, values, _cf_attributes(name))
        attrs = {"source": f"kelvoran {_core.__version__}", "kelvoran_evaluation": self._mode}
        return xr.Dataset(variables, coords=coords, attrs=attrs)


_DERIVATIVE_DOCS = {
    "w": "of the mass fraction of NaCl in the phase",
    "density": "of the density (kg/m³ per unit of the variable)",
    "specific_enthalpy": "of the specific enthalpy (J/kg per unit of the variable; none for halite)",
    "phase_mass_fraction": "of the mass of the phase per mass of the bulk",
    "saturation": "of the volume fraction of the phase",
}


class _DerivativeColumn(_Column[V]):
    """A read-only attribute that reads one derivative column of its owner."""

    def __get__(self, obj: Any, owner: Optional[type] = None) -> Any:
        if obj is None:
            return self
        name = f"d_{obj._quantity_prefix}{self.key}_d_{obj._variable}"
        try:
            return obj._owner._value(name)
        except KeyError:
            raise AttributeError(f"this result has no {name} column") from None


class DerivativePhase:
    """The derivatives of one phase's outputs with respect to one variable (``r.d.T.liquid``):
    numpy arrays of the result's shape (floats for a Point), NaN where the phase is absent or
    the model is not differentiable."""

    w: _DerivativeColumn[Any] = _DerivativeColumn("w_NaCl", _DERIVATIVE_DOCS["w"])
    density: _DerivativeColumn[Any] = _DerivativeColumn("density_kg_m3", _DERIVATIVE_DOCS["density"])
    specific_enthalpy: _DerivativeColumn[Any] = _DerivativeColumn(
        "specific_enthalpy_J_kg", _DERIVATIVE_DOCS["specific_enthalpy"]
    )
    phase_mass_fraction: _DerivativeColumn[Any] = _DerivativeColumn(
        "mass_fraction", _DERIVATIVE_DOCS["phase_mass_fraction"]
    )
    saturation: _DerivativeColumn[Any] = _DerivativeColumn("saturation", _DERIVATIVE_DOCS["saturation"])

    def __init__(self, owner: "_Columns", phase: str, variable: str) -> None:
        self._owner = owner
        self._quantity_prefix = phase + "_"
        self._variable = variable
        self.name = phase

    def __repr__(self) -> str:
        return f"<kelvoran.DerivativePhase {self.name!r} d/d{self._variable}>"


class Gradient:
    """The derivatives of every output with respect to one given variable (``r.d.T``): the
    phases ``liquid``, ``vapor``, ``halite`` and ``bulk`` (:class:`DerivativePhase`), and for the
    inverse evaluations the quantity found, ``T`` (°C per unit, evaluate_ph and evaluate_prho)
    or ``P`` (bar per unit, evaluate_trho)."""

    def __init__(self, owner: "_Columns", variable: str) -> None:
        self._owner = owner
        self._variable = variable

    def _found(self, column: str) -> Any:
        try:
            return self._owner._value(f"d_{column}_d_{self._variable}")
        except KeyError:
            raise AttributeError(f"this evaluation does not find {column}") from None

    @property
    def T(self) -> Any:
        """Of the temperature found by evaluate_ph and evaluate_prho (K per unit)."""
        return self._found("T_C")

    @property
    def P(self) -> Any:
        """Of the pressure found by evaluate_trho (bar per unit)."""
        return self._found("P_bar")

    @property
    def liquid(self) -> DerivativePhase:
        return DerivativePhase(self._owner, "liquid", self._variable)

    @property
    def vapor(self) -> DerivativePhase:
        return DerivativePhase(self._owner, "vapor", self._variable)

    @property
    def halite(self) -> DerivativePhase:
        return DerivativePhase(self._owner, "halite", self._variable)

    @property
    def bulk(self) -> DerivativePhase:
        return DerivativePhase(self._owner, "bulk", self._variable)

    def __repr__(self) -> str:
        return f"<kelvoran.Gradient d/d{self._variable}>"


class Derivatives:
    """The exact derivatives of a result's outputs (``r.d``), by the evaluation's own given
    variables: ``T``, ``P``, ``x`` for evaluate; ``P``, ``h``, ``x`` for evaluate_ph; ``P``,
    ``rho``, ``x`` for evaluate_prho; ``T``, ``rho``, ``x`` for evaluate_trho, each the
    derivative with the other two held, per K, per bar, per J/kg, per kg/m³ or per unit mole
    fraction. ``r.d.T.liquid.density`` reads the column ``d_liquid_density_kg_m3_d_T_C``; the
    flat columns, named as in kelvoran-table --derivatives, are in ``r.columns`` and
    ``r.to_pandas()`` (see kelvoran.derivative_columns)."""

    def __init__(self, owner: "_Columns") -> None:
        self._owner = owner
        for attribute, column in _VARIABLES[owner.mode]:
            setattr(self, attribute, Gradient(owner, column))

    def __repr__(self) -> str:
        names = ", ".join(a for a, _ in _VARIABLES[self._owner.mode])
        return f"<kelvoran.Derivatives by {names}>"


class Phase:
    """One phase of an array result: numpy arrays in the shape of the result, NaN where the
    phase is absent (and where the model does not define a value)."""

    x: _Column[FloatArray] = _Column("x_NaCl", _DOCS["x"])
    w: _Column[FloatArray] = _Column("w_NaCl", _DOCS["w"])
    density: _Column[FloatArray] = _Column("density_kg_m3", _DOCS["density"])
    molar_volume: _Column[FloatArray] = _Column("molar_volume_cm3_mol", _DOCS["molar_volume"])
    specific_enthalpy: _Column[FloatArray] = _Column("specific_enthalpy_J_kg", _DOCS["specific_enthalpy"])
    heat_capacity: _Column[FloatArray] = _Column("heat_capacity_J_kg_K", _DOCS["heat_capacity"])
    phase_mass_fraction: _Column[FloatArray] = _Column("mass_fraction", _DOCS["phase_mass_fraction"])
    saturation: _Column[FloatArray] = _Column("saturation", _DOCS["saturation"])

    def __init__(self, owner: _Columns, name: str) -> None:
        self._owner = owner  # reads its values from the result's columns
        self._prefix = name + "_"
        self.name = name

    def _value(self, key: str) -> Any:
        return self._owner._value(key)

    def __repr__(self) -> str:
        return f"<kelvoran.Phase {self.name!r} of {self._owner!r}>"


class PointPhase(Phase):
    """One phase at one point: plain floats, NaN when the phase is absent."""

    x: _Column[float] = _Column("x_NaCl", _DOCS["x"])  # type: ignore[assignment]
    w: _Column[float] = _Column("w_NaCl", _DOCS["w"])  # type: ignore[assignment]
    density: _Column[float] = _Column("density_kg_m3", _DOCS["density"])  # type: ignore[assignment]
    molar_volume: _Column[float] = _Column("molar_volume_cm3_mol", _DOCS["molar_volume"])  # type: ignore[assignment]
    specific_enthalpy: _Column[float] = _Column("specific_enthalpy_J_kg", _DOCS["specific_enthalpy"])  # type: ignore[assignment]
    heat_capacity: _Column[float] = _Column("heat_capacity_J_kg_K", _DOCS["heat_capacity"])  # type: ignore[assignment]
    phase_mass_fraction: _Column[float] = _Column("mass_fraction", _DOCS["phase_mass_fraction"])  # type: ignore[assignment]
    saturation: _Column[float] = _Column("saturation", _DOCS["saturation"])  # type: ignore[assignment]

    def __repr__(self) -> str:
        values = ", ".join(f"{a}={getattr(self, a)!r}" for a, _ in PHASE_FIELDS + AMOUNT_FIELDS)
        return f"PointPhase({self.name!r}, {values})"


_OUT_OF_RANGE_DOC = (
    "True where the point lies outside the range the correlations were fitted for "
    "(0-1000 °C, 1-5000 bar, 0 <= x <= 1): its numbers are extrapolations"
)


class Result(_Columns):
    """What kelvoran.evaluate (and evaluate_ph, evaluate_prho, evaluate_trho) returns: for
    every point of the broadcast inputs, the phase state and the properties of each phase, as
    numpy arrays of the inputs' broadcast shape.

    Attributes: ``T`` (°C), ``P`` (bar), ``x`` and ``w`` (bulk mole and mass fraction NaCl,
    the given one and the one derived from it), ``out_of_range``, ``state``, ``state_name``,
    ``warnings`` and ``warning_names``, ``fluid_type`` and ``fluid_type_code``, and the phases
    ``liquid``, ``vapor``, ``halite`` and ``bulk``, each with ``x``, ``w``, ``density``,
    ``molar_volume``, ``specific_enthalpy``, ``heat_capacity``, ``phase_mass_fraction`` and
    ``saturation``. A single fluid (states L, F) is reported as the liquid, state V as the
    vapor. The results of the inverse evaluations also have ``status`` and ``status_name``,
    and ``h`` (J/kg, evaluate_ph) or ``rho`` (kg/m³, evaluate_prho and evaluate_trho), the
    given bulk property; there ``T`` (or, for evaluate_trho, ``P``) is the one found.

    Indexing works as on the arrays: ``r[2:5]`` or ``r[r.state == 4]`` give a Result, an index
    that picks one point (``r[3]`` of a 1-D result, ``r[1, 2]`` of a 2-D one, ``r[()]`` of a
    0-d one) gives a :class:`Point` of plain Python numbers. A 0-d result (all inputs scalars)
    holds 0-d values: numpy scalars. Results pickle.

    A result is a value: its arrays are read-only (copy one to change it) and its attributes
    cannot be assigned. After masked inputs the arrays are masked arrays (``mask`` says where);
    after dask inputs they are dask arrays, computed on demand (``compute()``). Indexing keeps
    the mask and a pandas index, not the xarray labels (index the Dataset of ``to_xarray()``
    for those).

    >>> r = kelvoran.evaluate(400.0, 250.0, [0.01, 0.05])
    >>> r.state_name
    array(['V+L', 'V+L'], dtype='<U12')
    >>> r[1].liquid.density          # kg/m³, a float
    760.313191105947
    >>> r.vapor.saturation           # volume fraction of the vapor
    array([0.95689738, 0.53400294])
    """

    T: _Column[FloatArray] = _Column("T_C", "temperature, °C (the input, broadcast; found by evaluate_ph and evaluate_prho, NaN where no state was found)")
    P: _Column[FloatArray] = _Column("P_bar", "pressure, bar (the input, broadcast; found by evaluate_trho, NaN where no state was found)")
    x: _Column[FloatArray] = _Column("x_NaCl", "bulk composition, mole fraction NaCl")
    w: _Column[FloatArray] = _Column("w_NaCl", "bulk composition, mass fraction NaCl")
    h: _Column[FloatArray] = _Column("h_J_kg", "evaluate_ph: the given bulk specific enthalpy, J/kg")
    rho: _Column[FloatArray] = _Column("rho_kg_m3", "evaluate_prho and evaluate_trho: the given bulk density, kg/m³")
    out_of_range: _Column[BoolArray] = _Column("out_of_range", _OUT_OF_RANGE_DOC)
    state: _Column[IntArray] = _Column(
        "state", "phase-state code 1..7 (see kelvoran.Phases), 0 where an input is NaN or no state was found"
    )
    warnings: _Column[NDArray[np.uint32]] = _Column(
        "warning_bits", "reasons to doubt the point's numbers: bits of kelvoran.Warnings (0 for none)"
    )
    fluid_type_code: _Column[IntArray] = _Column(
        "fluid_type_code", "the fluid type as a code of kelvoran.FluidType (0 for two or three phases)"
    )
    status: _Column[IntArray] = _Column(
        "inverse_status_code", "inverse evaluations: how the search ended, a code of kelvoran.InverseStatus (0 solved)"
    )

    def _value(self, key: str) -> Any:
        value = self._columns[key]
        if is_dask(value):
            return value.copy()  # a dask array can be assigned to in place: the caller's own
        value = self._masked(value)
        return value[()] if value.ndim == 0 else value

    def _named(self, key: str, table: np.ndarray) -> Any:
        """The names in `table` of the codes of column `key`."""
        codes = self._columns[key]
        if is_dask(codes):
            return codes.map_blocks(functools.partial(_lookup, table=table), dtype=table.dtype)
        return self._masked(table[codes])

    @property
    def mask(self) -> Optional[np.ndarray]:
        """For masked inputs, True at the points that were masked and so not evaluated (the
        arrays of the result are masked there); None otherwise."""
        return self._mask

    @property
    def state_name(self) -> StrArray:
        """Short name of the phase state: "L", "V", "F", "V+L", "V+H", "L+H", "V+L+H" (or
        "undetermined" where an input is invalid or no state was found)."""
        return self._named("state", _NAMES_BY_CODE)  # a numpy str for a 0-d result

    @property
    def warning_names(self) -> StrArray:
        """The short names of the warnings joined by "|" ("" when none), as in the
        ``warnings`` column of kelvoran-table: "outside_fitted_range", "ice_field",
        "low_pressure_volume", "high_temperature_volume", "liquid_enthalpy_vapor_side",
        "amounts_undetermined", "water_fallback_solve", "invalid_input", "multiple_solutions"
        (see kelvoran.Warnings)."""
        bits = self._columns["warning_bits"]
        if is_dask(bits):
            return bits.map_blocks(_warning_names, dtype=np.str_)
        return self._masked(_warning_names(bits))[()]

    @property
    def fluid_type(self) -> StrArray:
        """For a single fluid, "liquid" or "vapor" below the critical temperature of its
        composition, "supercritical" above it; "" for two or three phases."""
        return self._named("fluid_type_code", _FLUID_TYPES_BY_CODE)

    @property
    def status_name(self) -> StrArray:
        """Inverse evaluations: "solved", "out_of_range", "undefined" or "invalid_input" (see
        kelvoran.InverseStatus)."""
        if "inverse_status_code" not in self._columns:
            raise AttributeError("status_name: this result is not of an inverse evaluation")
        return self._named("inverse_status_code", _STATUSES_BY_CODE)

    @property
    def liquid(self) -> Phase:
        """The liquid, or the single fluid of states L and F."""
        return Phase(self, "liquid")

    @property
    def vapor(self) -> Phase:
        """The vapor, or the single fluid of state V."""
        return Phase(self, "vapor")

    @property
    def halite(self) -> Phase:
        """Solid NaCl (its specific enthalpy is NaN: the model computes none)."""
        return Phase(self, "halite")

    @property
    def bulk(self) -> Phase:
        """The fluid as a whole at the input point. Its x and w are the bulk composition; its
        density is 1 / Σ mᵢ/ρᵢ over the phases present and its specific enthalpy Σ mᵢ hᵢ (NaN
        with halite, whose enthalpy the model does not give); its heat capacity that of a
        single fluid (NaN for several phases). In V + L + H the amounts, and so the bulk
        values, are NaN after ``evaluate`` and fixed by the given density after
        ``evaluate_prho`` and ``evaluate_trho``."""
        return Phase(self, "bulk")

    @property
    def shape(self) -> Tuple[int, ...]:
        """The broadcast shape of the inputs."""
        return tuple(self._columns["state"].shape)

    @property
    def ndim(self) -> int:
        return len(self.shape)

    @property
    def size(self) -> int:
        """The number of points."""
        return int(self._columns["state"].size)

    def __len__(self) -> int:
        if not self.shape:
            raise TypeError("len() of a 0-d result")
        return self.shape[0]

    def __iter__(self) -> Iterator[Union["Result", "Point"]]:
        for i in range(len(self)):
            yield self[i]

    def __getitem__(self, index: Any) -> Union["Result", "Point"]:
        picked = {name: values[index] for name, values in self._columns.items()}
        if np.ndim(picked["state"]) == 0:
            if self._lazy():
                import dask

                picked = dict(zip(picked, dask.compute(*picked.values())))
            return Point({name: np.asarray(value).item() for name, value in picked.items()}, self._mode)
        result = Result(picked, self._mode)
        if self._mask is not None:
            result._mask = np.array(self._mask[index])
            result._mask.flags.writeable = False
        if self._labels is not None and self._labels.index is not None and self.ndim == 1:
            result._labels = Labels(index=self._labels.index[index])  # a pandas index follows its rows
        return result

    def item(self) -> "Point":
        """The only point of a result of size 1.

        Returns
        -------
        Point
            Its values as plain Python numbers.

        Raises
        ------
        ValueError
            If the result has more or fewer points than one.
        """
        if self.size != 1:
            raise ValueError(f"item() needs a result of one point, this one has {self.size}")
        return self[(0,) * self.ndim]

    def __repr__(self) -> str:
        if self._lazy():
            return f"<kelvoran.Result {self._mode} shape={self.shape} of dask arrays, not computed>"
        counts = np.bincount(np.ravel(self._columns["state"]), minlength=len(STATE_NAMES))
        states = ", ".join(f"{STATE_NAMES[c]}: {k}" for c, k in enumerate(counts.tolist()) if k)
        if self._mode == "direct":
            return f"<kelvoran.Result shape={self.shape} states {{{states}}}>"
        codes = np.bincount(np.ravel(self._columns["inverse_status_code"]), minlength=len(INVERSE_STATUS_NAMES))
        statuses = ", ".join(f"{INVERSE_STATUS_NAMES[c]}: {k}" for c, k in enumerate(codes.tolist()) if k)
        return f"<kelvoran.Result {self._mode} shape={self.shape} states {{{states}}} status {{{statuses}}}>"


class Point(_Columns):
    """One evaluated point: plain Python floats (``state`` an int, ``out_of_range`` a bool,
    ``state_name`` a str), NaN for an absent phase. Same attributes as :class:`Result`."""

    T: _Column[float] = _Column("T_C", "temperature, °C")
    P: _Column[float] = _Column("P_bar", "pressure, bar")
    x: _Column[float] = _Column("x_NaCl", "bulk composition, mole fraction NaCl")
    w: _Column[float] = _Column("w_NaCl", "bulk composition, mass fraction NaCl")
    h: _Column[float] = _Column("h_J_kg", "evaluate_ph: the given bulk specific enthalpy, J/kg")
    rho: _Column[float] = _Column("rho_kg_m3", "evaluate_prho, evaluate_trho: the given bulk density, kg/m³")
    out_of_range: _Column[bool] = _Column("out_of_range", _OUT_OF_RANGE_DOC)
    state: _Column[int] = _Column("state", "phase-state code 1..7 (see kelvoran.Phases)")
    warnings: _Column[int] = _Column("warning_bits", "bits of kelvoran.Warnings (0 for none)")
    fluid_type_code: _Column[int] = _Column("fluid_type_code", "code of kelvoran.FluidType")
    status: _Column[int] = _Column("inverse_status_code", "code of kelvoran.InverseStatus")

    @property
    def state_name(self) -> str:
        """Short name of the phase state ("L", "V+L", ...)."""
        return STATE_NAMES[self._columns["state"]]

    @property
    def warning_names(self) -> str:
        """The short names of the warnings joined by "|" ("" when none)."""
        return _core.warning_names(self._columns["warning_bits"])

    @property
    def fluid_type(self) -> str:
        """"liquid", "vapor", "supercritical", or "" for two or three phases."""
        return FLUID_TYPE_NAMES[self._columns["fluid_type_code"]]

    @property
    def status_name(self) -> str:
        """Inverse evaluations: "solved", "out_of_range", "undefined" or "invalid_input"."""
        if "inverse_status_code" not in self._columns:
            raise AttributeError("status_name: this point is not of an inverse evaluation")
        return INVERSE_STATUS_NAMES[self._columns["inverse_status_code"]]

    @property
    def liquid(self) -> PointPhase:
        """The liquid, or the single fluid of states L and F."""
        return PointPhase(self, "liquid")

    @property
    def vapor(self) -> PointPhase:
        """The vapor, or the single fluid of state V."""
        return PointPhase(self, "vapor")

    @property
    def halite(self) -> PointPhase:
        """Solid NaCl."""
        return PointPhase(self, "halite")

    @property
    def bulk(self) -> PointPhase:
        """The fluid as a whole (see Result.bulk)."""
        return PointPhase(self, "bulk")

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Point):
            return NotImplemented
        a, b = self._columns, other._columns
        return a.keys() == b.keys() and all(
            a[k] == b[k] or (a[k] != a[k] and b[k] != b[k]) for k in a
        )

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        present = []
        for phase in PHASES[:3]:
            p = PointPhase(self, phase)
            if p.x == p.x:
                present.append(f"{phase}: x={p.x:.6g} density={p.density:.6g} kg/m³")
        tail = "; ".join(present)
        status = f", status={self.status_name!r}" if "inverse_status_code" in self._columns else ""
        return (
            f"Point(T={self.T!r} °C, P={self.P!r} bar, x={self.x!r}, "
            f"state={self.state} {self.state_name!r}{status}{'; ' if tail else ''}{tail})"
        )
