"""kelvoran.evaluate: the phase state and phase properties over arrays of points."""

from __future__ import annotations

from typing import Dict, Optional

import numpy as np
from numpy.typing import ArrayLike

from . import _core
from ._arrays import prepare, threads_argument
from ._result import PHASE_FIELDS, PHASES, Result


def evaluate(
    T: ArrayLike,
    P: ArrayLike,
    x: Optional[ArrayLike] = None,
    *,
    w: Optional[ArrayLike] = None,
    threads: Optional[int] = None,
) -> Result:
    """Phase state and phase properties of H2O-NaCl at every point of the broadcast inputs.

    Parameters
    ----------
    T : temperature, °C (a number or an array-like)
    P : pressure, bar
    x : bulk composition, mole fraction NaCl (give either x or w)
    w : bulk composition, mass fraction NaCl, converted with the molar masses of the model,
        18.015 g/mol H2O and 58.443 g/mol NaCl
    threads : worker threads; None or 0 (the default) uses every core. The numbers do not
        depend on it. The GIL is released while the points are evaluated; Ctrl-C stops the
        work and raises KeyboardInterrupt.

    T, P and x (or w) broadcast together with numpy's rules; the result holds one entry per
    point of the broadcast shape (0-d when all are scalars). A point with a NaN input gets
    state 0 ("undetermined") and NaN everywhere; the other points are not affected. No input
    is rejected for its value: use ``out_of_range`` to tell extrapolations apart.

    Raises TypeError for non-numeric input or for none or both of x and w, ValueError for
    shapes that do not broadcast.

    >>> import numpy as np, kelvoran
    >>> r = kelvoran.evaluate(400.0, 250.0, 0.05)
    >>> str(r.state_name), float(r.liquid.density), float(r.vapor.x)
    ('V+L', 760.313191105947, 0.00031839531694363113)
    >>> T, P = np.meshgrid(np.linspace(100, 800, 8), np.geomspace(1, 1000, 4), indexing="ij")
    >>> kelvoran.evaluate(T, P, w=0.1).liquid.density.shape
    (8, 4)
    """
    caller = "kelvoran.evaluate"
    if (x is None) == (w is None):
        raise TypeError(f"{caller}: give the composition as x (mole fraction) or w (mass fraction), one of them")
    workers = threads_argument(threads)
    by_mass = w is not None
    composition_name = "w" if by_mass else "x"
    shape, (t, p, c) = prepare(
        [T, P, w if by_mass else x], ["T", "P", composition_name], caller, copy=True
    )
    flat_t, flat_p, flat_c = t.reshape(-1), p.reshape(-1), c.reshape(-1)
    derived = np.empty(shape, dtype=np.float64)
    if by_mass:
        _core.mole_fraction_from_mass_fraction(flat_c, derived.reshape(-1))
        mole, mass = derived, c
    else:
        _core.mass_fraction_from_mole_fraction(flat_c, derived.reshape(-1))
        mole, mass = c, derived

    columns: Dict[str, np.ndarray] = {"T_C": t, "P_bar": p, "x_NaCl": mole, "w_NaCl": mass}
    out_of_range = np.empty(shape, dtype=np.bool_)
    _core.in_fitted_range(flat_t, flat_p, mole.reshape(-1), out_of_range.reshape(-1))
    np.logical_not(out_of_range, out=out_of_range)
    columns["out_of_range"] = out_of_range
    # The columns the batch fills, as flat views of the result's arrays.
    state = np.empty(shape, dtype=np.int32)
    columns["state"] = state
    computed: Dict[str, np.ndarray] = {"state": state.reshape(-1)}
    for phase in PHASES:
        for _, suffix in PHASE_FIELDS:
            name = f"{phase}_{suffix}"
            columns[name] = np.empty(shape, dtype=np.float64)
            computed[name] = columns[name].reshape(-1)
    _core.evaluate_columns(flat_t, flat_p, mole.reshape(-1), computed, workers)
    return Result(columns)
