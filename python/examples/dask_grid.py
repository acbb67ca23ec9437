"""A large T-P grid in chunks with Dask: kelvoran.evaluate on dask arrays.

    .venv/bin/python python/examples/dask_grid.py

kelvoran.evaluate on dask arrays returns a result of dask arrays: nothing is evaluated until a
column is computed, then each chunk once, by one kelvoran.evaluate call on one thread, and Dask
runs the chunks side by side, on its local threaded scheduler here, or on the processes or
machines of a distributed cluster (the functions and results of kelvoran pickle). compute()
gives numpy.
"""

import dask.array as da
import numpy as np

import kelvoran


def grid(T, P, x, chunks=500):
    """The lazy result over the grid T (°C, 1-D) x P (bar, 1-D) at composition x (mole
    fraction NaCl), of shape (len(T), len(P))."""
    t = da.from_array(np.asarray(T, dtype=np.float64), chunks=chunks)[:, None]
    p = da.from_array(np.asarray(P, dtype=np.float64), chunks=chunks)[None, :]
    return kelvoran.evaluate(t, p, x)


def liquid_density(T, P, x, chunks=500):
    """Liquid density (kg/m³) over the grid, as a lazy Dask array; NaN where no liquid."""
    return grid(T, P, x, chunks).liquid.density


def phase_states(T, P, x, chunks=500):
    """Phase-state codes 1..7 over the same grid (int32)."""
    return grid(T, P, x, chunks).state


if __name__ == "__main__":
    T = np.linspace(0.0, 1000.0, 2001)  # °C
    P = np.geomspace(1.0, 5000.0, 1001)  # bar
    density = liquid_density(T, P, x=0.05).compute()  # about 2 million points
    print(density.shape, np.nanmin(density), np.nanmax(density))
