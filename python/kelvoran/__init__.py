"""kelvoran: phase state and phase properties of binary H2O-NaCl fluids over numpy arrays.

Temperatures in °C, pressures in bar, compositions as mole fraction NaCl (or mass fraction
with ``w=``); densities kg/m³, molar volumes cm³/mol, enthalpies J/kg, heat capacities
J/(kg K).

>>> import kelvoran
>>> r = kelvoran.evaluate([25, 400], [1, 250], 0.05)
>>> r.state_name
array(['F', 'V+L'], dtype='<U12')
>>> r[1].vapor.density          # kg/m³, a float
168.2905215026309
>>> float(kelvoran.evaluate_ph(250.0, 1.6e6, w=0.1).T)   # °C at 250 bar and 1.6 MJ/kg
383.65435379706787
"""

from . import _core
from ._evaluate import evaluate, evaluate_ph, evaluate_prho, evaluate_trho
from ._result import (
    AMOUNT_FIELDS,
    FLUID_TYPE_NAMES,
    INVERSE_STATUS_NAMES,
    PHASE_FIELDS,
    PHASES,
    STATE_NAMES,
    TABLE_COLUMNS,
    TABLE_COLUMNS_PH,
    TABLE_COLUMNS_PRHO,
    TABLE_COLUMNS_TRHO,
    DerivativePhase,
    Derivatives,
    FluidType,
    Gradient,
    InverseStatus,
    Phase,
    Phases,
    Point,
    PointPhase,
    Result,
    Warnings,
    derivative_columns,
)
from . import inclusions
from ._table import PropertyTable, TableError
from .correlations import *  # noqa: F401,F403  (the vectorised correlations)
from .correlations import __all__ as _correlation_names

#: The package version, the version of the CMake project (and of kelvoran-table --version).
__version__: str = _core.__version__

__all__ = [
    "__version__",
    "evaluate",
    "evaluate_ph",
    "evaluate_prho",
    "evaluate_trho",
    "inclusions",
    "PropertyTable",
    "TableError",
    "Result",
    "Point",
    "Derivatives",
    "Gradient",
    "DerivativePhase",
    "derivative_columns",
    "Phase",
    "PointPhase",
    "Phases",
    "FluidType",
    "Warnings",
    "InverseStatus",
    "STATE_NAMES",
    "FLUID_TYPE_NAMES",
    "INVERSE_STATUS_NAMES",
    "TABLE_COLUMNS",
    "TABLE_COLUMNS_PH",
    "TABLE_COLUMNS_PRHO",
    "TABLE_COLUMNS_TRHO",
    "PHASES",
    "PHASE_FIELDS",
    "AMOUNT_FIELDS",
    *_correlation_names,
]
