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
"""

from . import _core
from ._evaluate import evaluate
from ._result import PHASE_FIELDS, PHASES, STATE_NAMES, TABLE_COLUMNS, Phase, Phases, Point, PointPhase, Result
from .correlations import *  # noqa: F401,F403  (the vectorised correlations)
from .correlations import __all__ as _correlation_names

#: The package version, the version of the CMake project (and of kelvoran-table --version).
__version__: str = _core.__version__

__all__ = [
    "__version__",
    "evaluate",
    "Result",
    "Point",
    "Phase",
    "PointPhase",
    "Phases",
    "STATE_NAMES",
    "TABLE_COLUMNS",
    "PHASES",
    "PHASE_FIELDS",
    *_correlation_names,
]
