"""A large T-P grid in chunks with Dask: each chunk is one kelvoran.evaluate call.

    .venv/bin/python python/examples/dask_grid.py

Every chunk runs on one thread (threads=1) and Dask runs the chunks side by side, on its local
threaded scheduler here, or on the processes or machines of a distributed cluster (the functions
and results of kelvoran pickle). The result is a Dask array; compute() gives numpy.
"""

import dask.array as da
import numpy as np

import kelvoran


def liquid_density(T, P, x, chunks=500):
    """Liquid density (kg/m³) over the grid T (°C, 1-D) x P (bar, 1-D) at composition x (mole
    fraction NaCl), as a lazy Dask array of shape (len(T), len(P)); NaN where no liquid."""
    t = da.from_array(np.asarray(T, dtype=np.float64), chunks=chunks)[:, None]
    p = da.from_array(np.asarray(P, dtype=np.float64), chunks=chunks)[None, :]

    def block(t_block, p_block):
        return kelvoran.evaluate(t_block, p_block, x, threads=1).liquid.density

    return da.map_blocks(block, t, p, dtype=np.float64)


def phase_states(T, P, x, chunks=500):
    """Phase-state codes 1..7 over the same grid (int32)."""
    t = da.from_array(np.asarray(T, dtype=np.float64), chunks=chunks)[:, None]
    p = da.from_array(np.asarray(P, dtype=np.float64), chunks=chunks)[None, :]
    return da.map_blocks(lambda a, b: kelvoran.evaluate(a, b, x, threads=1).state, t, p, dtype=np.int32)


if __name__ == "__main__":
    T = np.linspace(0.0, 1000.0, 2001)  # °C
    P = np.geomspace(1.0, 5000.0, 1001)  # bar
    density = liquid_density(T, P, x=0.05).compute()  # about 2 million points
    print(density.shape, np.nanmin(density), np.nanmax(density))
