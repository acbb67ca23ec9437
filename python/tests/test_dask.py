"""The Dask example of docs/python.md: chunked evaluation equals one direct call."""

import importlib.util

import numpy as np
import pytest

import kelvoran

from conftest import REPO

pytest.importorskip("dask.array")


def load_example():
    spec = importlib.util.spec_from_file_location("dask_grid", REPO / "python" / "examples" / "dask_grid.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


@pytest.mark.parametrize("scheduler", ["threads", "processes"])
def test_chunked_grid_equals_a_direct_call(scheduler):
    example = load_example()
    T = np.linspace(0.0, 1000.0, 23)
    P = np.geomspace(1.0, 5000.0, 17)
    direct = kelvoran.evaluate(T[:, None], P[None, :], 0.05)
    density = example.liquid_density(T, P, 0.05, chunks=5)
    states = example.phase_states(T, P, 0.05, chunks=5)
    assert density.numblocks == (5, 4)
    got_density, got_states = (a.compute(scheduler=scheduler) for a in (density, states))
    assert got_density.tobytes() == direct.liquid.density.tobytes()
    assert got_states.tobytes() == direct.state.tobytes()
