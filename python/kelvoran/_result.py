"""The result of kelvoran.evaluate: named columns of numpy arrays, one entry per point."""

from __future__ import annotations

import enum
from types import MappingProxyType
from typing import Any, Dict, Generic, Iterator, Mapping, Optional, Tuple, TypeVar, Union, overload

import numpy as np
from numpy.typing import NDArray

from . import _core

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

#: The columns of kelvoran-table, in its order. ``to_pandas()`` starts with these and appends
#: the columns the table does not have (the bulk fluid's, first).
TABLE_COLUMNS: Tuple[str, ...] = (
    ("line", "T_C", "P_bar", "x_NaCl", "w_NaCl", "out_of_range", "state", "state_name")
    + tuple(f"{p}_{suffix}" for p in PHASES[:3] for _, suffix in PHASE_FIELDS)
    + ("error",)
)

_NAMES_BY_CODE = np.array(STATE_NAMES)

V = TypeVar("V")


class _Column(Generic[V]):
    """A read-only attribute that reads one named column of its owner."""

    def __init__(self, key: str, doc: str) -> None:
        self.key = key
        self.__doc__ = doc

    @overload
    def __get__(self, obj: None, owner: Optional[type] = None) -> "_Column[V]": ...
    @overload
    def __get__(self, obj: object, owner: Optional[type] = None) -> V: ...
    def __get__(self, obj: Any, owner: Optional[type] = None) -> Any:
        if obj is None:
            return self
        return obj._value(obj._prefix + self.key)

    def __set__(self, obj: Any, value: Any) -> None:
        raise AttributeError(f"{self.key} is read-only")


_DOCS = {
    "x": "mole fraction of NaCl in the phase",
    "w": "mass fraction of NaCl in the phase",
    "density": "density, kg/m³",
    "molar_volume": "molar volume, cm³/mol",
    "specific_enthalpy": "specific enthalpy, J/kg (NaN for halite: the model computes none)",
    "heat_capacity": "isobaric heat capacity, J/(kg K)",
}


class _Columns:
    """Shared behaviour of results and points: a mapping of column name to values."""

    _prefix = ""

    def __init__(self, columns: Mapping[str, Any]) -> None:
        self._columns: Dict[str, Any] = dict(columns)

    def _value(self, key: str) -> Any:
        return self._columns[key]

    @property
    def columns(self) -> Mapping[str, Any]:
        """Every column by its kelvoran-table name (read-only view), bulk columns included."""
        return MappingProxyType(self._columns)

    def _flat(self, key: str) -> np.ndarray:
        return np.ravel(np.asarray(self._columns[key]))

    def to_pandas(self) -> Any:
        """The result as a pandas DataFrame, one row per point in C order (the last axis of
        the inputs varies fastest).

        The columns are those of kelvoran-table, named and ordered as in its header (see
        ``kelvoran.TABLE_COLUMNS``): ``line`` is the point number from 1, ``error`` is always
        empty (every point is computed), an absent phase is NaN. The columns the table does not
        have follow: ``bulk_x_NaCl`` ... ``bulk_heat_capacity_J_kg_K`` for the fluid as a whole
        (density, molar volume, enthalpy and heat capacity NaN in multi-phase states).

        >>> kelvoran.evaluate([25, 400], [1, 250], 0.05).to_pandas()[["T_C", "state_name"]]
             T_C state_name
        0   25.0          F
        1  400.0        V+L
        """
        try:
            import pandas as pd
        except ImportError as error:
            raise ImportError(
                "to_pandas() needs pandas, which is not installed: "
                "pip install pandas (or pip install 'kelvoran[pandas]')"
            ) from error
        n = self._flat("state").size
        data: Dict[str, Any] = {}
        for name in TABLE_COLUMNS:
            if name == "line":
                data[name] = np.arange(1, n + 1, dtype=np.int64)
            elif name == "error":
                data[name] = np.full(n, "", dtype=object)
            elif name == "state_name":
                data[name] = _NAMES_BY_CODE[self._flat("state")]
            else:
                data[name] = self._flat(name)
        for name in self._columns:
            if name not in data:
                data[name] = self._flat(name)
        return pd.DataFrame(data)


class Phase:
    """One phase of an array result: numpy arrays in the shape of the result, NaN where the
    phase is absent (and where the model does not define a value)."""

    x: _Column[FloatArray] = _Column("x_NaCl", _DOCS["x"])
    w: _Column[FloatArray] = _Column("w_NaCl", _DOCS["w"])
    density: _Column[FloatArray] = _Column("density_kg_m3", _DOCS["density"])
    molar_volume: _Column[FloatArray] = _Column("molar_volume_cm3_mol", _DOCS["molar_volume"])
    specific_enthalpy: _Column[FloatArray] = _Column("specific_enthalpy_J_kg", _DOCS["specific_enthalpy"])
    heat_capacity: _Column[FloatArray] = _Column("heat_capacity_J_kg_K", _DOCS["heat_capacity"])

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

    def __repr__(self) -> str:
        values = ", ".join(f"{a}={getattr(self, a)!r}" for a, _ in PHASE_FIELDS)
        return f"PointPhase({self.name!r}, {values})"


class Result(_Columns):
    """What kelvoran.evaluate returns: for every point of the broadcast inputs, the phase state
    and the properties of each phase, as numpy arrays of the inputs' broadcast shape.

    Attributes: ``T`` (°C), ``P`` (bar), ``x`` and ``w`` (bulk mole and mass fraction NaCl,
    the given one and the one derived from it), ``out_of_range``, ``state``, ``state_name``,
    and the phases ``liquid``, ``vapor``, ``halite`` and ``bulk``, each with ``x``, ``w``,
    ``density``, ``molar_volume``, ``specific_enthalpy`` and ``heat_capacity``. A single fluid
    (states L, F) is reported as the liquid, state V as the vapor.

    Indexing works as on the arrays: ``r[2:5]`` or ``r[r.state == 4]`` give a Result, an index
    that picks one point (``r[3]`` of a 1-D result, ``r[1, 2]`` of a 2-D one, ``r[()]`` of a
    0-d one) gives a :class:`Point` of plain Python numbers. A 0-d result (all inputs scalars)
    holds 0-d values: numpy scalars. Results pickle.

    >>> r = kelvoran.evaluate(400.0, 250.0, [0.01, 0.05])
    >>> r.state_name
    array(['V+L', 'V+L'], dtype='<U12')
    >>> r[1].liquid.density          # kg/m³, a float
    760.313191105947
    """

    T: _Column[FloatArray] = _Column("T_C", "temperature, °C (the input, broadcast)")
    P: _Column[FloatArray] = _Column("P_bar", "pressure, bar (the input, broadcast)")
    x: _Column[FloatArray] = _Column("x_NaCl", "bulk composition, mole fraction NaCl")
    w: _Column[FloatArray] = _Column("w_NaCl", "bulk composition, mass fraction NaCl")
    out_of_range: _Column[BoolArray] = _Column(
        "out_of_range",
        "True where the point lies outside the range the correlations were fitted for "
        "(0-1000 °C, 1-5000 bar, 0 <= x <= 1): its numbers are extrapolations",
    )
    state: _Column[IntArray] = _Column(
        "state", "phase-state code 1..7 (see kelvoran.Phases), 0 where an input is NaN"
    )

    def _value(self, key: str) -> Any:
        value = self._columns[key]
        return value[()] if value.ndim == 0 else value

    @property
    def state_name(self) -> StrArray:
        """Short name of the phase state: "L", "V", "F", "V+L", "V+H", "L+H", "V+L+H" (or
        "undetermined" where an input is NaN)."""
        return _NAMES_BY_CODE[self._columns["state"]]  # a numpy str for a 0-d result

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
        density, molar volume, enthalpy and heat capacity are those of the single fluid in
        states L, V and F, NaN in the multi-phase states."""
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
        picked = {name: np.asarray(values)[index] for name, values in self._columns.items()}
        if np.ndim(picked["state"]) == 0:
            return Point({name: value.item() for name, value in picked.items()})
        return Result(picked)

    def item(self) -> "Point":
        """The only point of a result of size 1, as a :class:`Point`."""
        if self.size != 1:
            raise ValueError(f"item() needs a result of one point, this one has {self.size}")
        return Point({name: np.asarray(v).reshape(-1)[0].item() for name, v in self._columns.items()})

    def __repr__(self) -> str:
        counts = np.bincount(np.ravel(self._columns["state"]), minlength=len(STATE_NAMES))
        states = ", ".join(f"{STATE_NAMES[c]}: {k}" for c, k in enumerate(counts.tolist()) if k)
        return f"<kelvoran.Result shape={self.shape} states {{{states}}}>"


class Point(_Columns):
    """One evaluated point: plain Python floats (``state`` an int, ``out_of_range`` a bool,
    ``state_name`` a str), NaN for an absent phase. Same attributes as :class:`Result`."""

    T: _Column[float] = _Column("T_C", "temperature, °C")
    P: _Column[float] = _Column("P_bar", "pressure, bar")
    x: _Column[float] = _Column("x_NaCl", "bulk composition, mole fraction NaCl")
    w: _Column[float] = _Column("w_NaCl", "bulk composition, mass fraction NaCl")
    out_of_range: _Column[bool] = _Column("out_of_range", Result.out_of_range.__doc__ or "")
    state: _Column[int] = _Column("state", "phase-state code 1..7 (see kelvoran.Phases)")

    @property
    def state_name(self) -> str:
        """Short name of the phase state ("L", "V+L", ...)."""
        return STATE_NAMES[self._columns["state"]]

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
        """The fluid as a whole (properties NaN in multi-phase states)."""
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
        return (
            f"Point(T={self.T!r} °C, P={self.P!r} bar, x={self.x!r}, "
            f"state={self.state} {self.state_name!r}{'; ' if tail else ''}{tail})"
        )
