"""The phase fields of the diagrams and the decision tree that separates them.

The tree is the one of the phase-state classification, written out over the vectorised
correlations: a boundary line of a diagram is where one of its comparisons flips, and the two
fields on either side of a traced point are found by asking the tree just beside it. The tests
check this tree, point by point, against kelvoran.evaluate.
"""

from __future__ import annotations

from typing import Dict, Tuple

import numpy as np

from .. import correlations as c

#: Critical temperature of water, °C: below it the vapor-liquid region ends at the boiling
#: pressure of water, from it on at the critical pressure of the system.
WATER_CRITICAL_TEMPERATURE_C = 373.976
#: Critical pressure of water, bar.
WATER_CRITICAL_PRESSURE_BAR = 220.54915
#: Temperature of the triple point of NaCl (halite + liquid + vapor NaCl), °C.
SALT_TRIPLE_POINT_TEMPERATURE_C = 800.7
#: Pressure of the triple point of NaCl, bar.
SALT_TRIPLE_POINT_PRESSURE_BAR = 0.0005

#: The fields the diagrams shade and label, by name. The single fluid of states L and F is one
#: field ("L/F"): the model calls it F above the boiling pressure of water or the critical
#: pressure of the system, L below; the fluid of state V is a field of its own.
FIELDS: Tuple[str, ...] = ("L/F", "V", "V+L", "V+H", "L+H", "V+L+H")

#: Field of each phase-state code of kelvoran.evaluate (code 0, undetermined, has none).
FIELD_OF_STATE: Dict[int, str] = {1: "L/F", 2: "V", 3: "L/F", 4: "V+L", 5: "V+H", 6: "L+H", 7: "V+L+H"}

_FIELD_INDEX = {name: i for i, name in enumerate(FIELDS)}


def field_index(states: np.ndarray) -> np.ndarray:
    """Index into FIELDS of each phase-state code; -1 for code 0 (a NaN input)."""
    lookup = np.array([-1] + [_FIELD_INDEX[FIELD_OF_STATE[s]] for s in range(1, 8)])
    return lookup[np.asarray(states)]


def fields_at(T, P, x) -> np.ndarray:
    """The fields of the diagrams at points, by the decision tree of the classification.

    The tree asks the correlations in the order of the phase-state classification: the
    three-phase pressure first (below it vapor with or without halite), then the halite
    liquidus, the boiling pressure of water (below 373.976 °C) or the critical pressure (from
    it on), then the liquid and vapor branches of the vapor-liquid surface.

    Parameters
    ----------
    T, P, x : array_like
        Temperature (°C), pressure (bar) and composition (mole fraction NaCl); they broadcast.

    Returns
    -------
    numpy.ndarray of str
        The name of the field (one of :data:`FIELDS`) at each point; ``""`` where an input is
        NaN.

    Examples
    --------
    >>> import kelvoran.diagrams as kd
    >>> kd.fields_at([400.0, 25.0], [250.0, 1.0], 0.05)
    array(['V+L', 'L/F'], dtype='<U5')
    """
    T, P, x = np.broadcast_arrays(*(np.asarray(v, dtype=np.float64) for v in (T, P, x)))
    with np.errstate(invalid="ignore"):
        p3 = c.three_phase_pressure_bar(T)
        below = P <= p3  # on the curve itself: V+L+H where x exceeds the vapor's composition
        halite_vapor = x > c.halite_saturated_vapor_composition(T, P)
        halite_liquid = x > c.halite_liquidus_composition(T, P)
        subcritical = T < WATER_CRITICAL_TEMPERATURE_C
        boiling = c.water_saturation_pressure_bar(np.where(subcritical, T, np.nan))
        fluid = np.where(subcritical, boiling < P, P >= c.critical_pressure_bar(T))
        liquid = x >= c.coexisting_liquid_composition(T, P)
        vapor = x <= c.coexisting_vapor_composition(T, P)
    upper = np.where(halite_liquid, "L+H", np.where(fluid | liquid, "L/F", np.where(vapor, "V", "V+L")))
    lower = np.where(halite_vapor, np.where(P == p3, "V+L+H", "V+H"), "V")
    out = np.where(below, lower, upper).astype("<U5")
    out[np.isnan(T) | np.isnan(P) | np.isnan(x)] = ""
    return out
