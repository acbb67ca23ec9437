"""kelvoran.evaluate over arrays: broadcasting, w=, bad input, NaN points, threads, indexing,
pickling, memory, Ctrl-C and the version."""

import pickle
import re
import signal
import subprocess
import sys
import threading
import time
import tracemalloc
from importlib import metadata

import numpy as np
import pytest

import kelvoran

from conftest import REPO, table_program

POINTS = (np.array([25.0, 400.0, 500.0, 700.0]), np.array([1.0, 250.0, 100.0, 300.0]), np.array([0.01, 0.05, 0.05, 0.2]))


def columns_equal(a, b):
    """Two results hold the same bytes in every column."""
    return a.columns.keys() == b.columns.keys() and all(
        np.asarray(a.columns[k]).tobytes() == np.asarray(b.columns[k]).tobytes() for k in a.columns
    )


@pytest.mark.parametrize(
    "T, P, x, shape",
    [
        (400.0, 250.0, 0.05, ()),
        ([25.0, 400.0], 250.0, 0.05, (2,)),
        (np.array([[25.0], [400.0], [700.0]]), [1.0, 250.0], 0.05, (3, 2)),
        (np.linspace(0, 1000, 4)[:, None, None], np.geomspace(1, 5000, 3)[None, :, None], [0.0, 0.1], (4, 3, 2)),
        (np.arange(6.0).reshape(2, 3)[:, ::2] * 100, 100, np.float32(0.05), (2, 2)),  # strided, float32
        ([100, 200], np.array([5, 500], dtype=np.int64), 0, (2,)),  # integers
        (np.empty((0,)), 1.0, 0.1, (0,)),
        (np.empty((2, 0)), 1.0, 0.1, (2, 0)),
    ],
)
def test_broadcasting_equals_the_points_one_by_one(T, P, x, shape):
    r = kelvoran.evaluate(T, P, x)
    assert r.shape == shape and r.state.shape == shape and r.liquid.density.shape == shape
    t, p, c = (np.broadcast_to(np.asarray(v, dtype=np.float64), shape).ravel() for v in (T, P, x))
    flat = kelvoran.evaluate(t, p, c)
    for name, values in r.columns.items():
        assert np.asarray(values).dtype == np.asarray(flat.columns[name]).dtype
        assert np.asarray(values).ravel().tobytes() == flat.columns[name].tobytes(), name


def test_mass_fraction_input_is_converted_as_by_hand():
    w = np.array([0.0, 1e-6, 0.1, 0.26, 0.5, 1.0])
    salt, water = w / 58.443, (1.0 - w) / 18.015
    x = salt / (salt + water)
    by_mass = kelvoran.evaluate(400.0, 250.0, w=w)
    assert by_mass.x.tobytes() == x.tobytes() and by_mass.w.tobytes() == w.tobytes()
    assert by_mass.liquid.density.tobytes() == kelvoran.evaluate(400.0, 250.0, x).liquid.density.tobytes()
    assert np.array_equal(kelvoran.mole_fraction_from_mass_fraction(w), x)


@pytest.mark.parametrize(
    "args, kwargs, error, message",
    [
        (([1, 2, 3], [1, 2, 3, 4], 0.1), {}, ValueError, r"T \(3,\), P \(4,\) and x \(\) do not broadcast"),
        ((np.ones((2, 3)), np.ones((3, 2)), 0.1), {}, ValueError, r"\(2, 3\).*\(3, 2\)"),
        ((400.0, 250.0), {"w": np.ones(2), "x": 0.1}, TypeError, "one of them"),
        ((400.0, 250.0), {}, TypeError, "one of them"),
        (("400", 250.0, 0.1), {}, TypeError, "T must be a real number.*str"),
        ((400.0, ["1", "2"], 0.1), {}, TypeError, "P must be.*dtype <U1"),
        ((400.0, 250.0, None), {"w": None}, TypeError, "one of them"),
        ((400.0, [250.0, None], 0.1), {}, TypeError, "P must be.*object"),
        ((400.0, 250.0, 0.1 + 0j), {}, TypeError, "x must be.*complex"),
        ((400.0, 250.0, [True, False]), {}, TypeError, "x must be.*bool"),
        ((400.0, 250.0, 0.1), {"threads": -1}, ValueError, "threads must be from 0"),
        ((400.0, 250.0, 0.1), {"threads": 1.5}, TypeError, "threads must be an integer"),
    ],
)
def test_bad_input_is_refused_with_a_clear_error(args, kwargs, error, message):
    with pytest.raises(error, match=message):
        kelvoran.evaluate(*args, **kwargs)


def test_a_nan_input_gives_nan_for_that_point_alone():
    t, p, x = (v.copy() for v in POINTS)
    clean = kelvoran.evaluate(t, p, x)
    t[1], p[2], x[3] = np.nan, np.nan, np.nan
    r = kelvoran.evaluate(t, p, x)
    assert r.state.tolist() == [clean.state[0], 0, 0, 0]
    assert r.state_name[1] == "undetermined" and r.out_of_range[1:].all()
    assert columns_equal(r[:1], clean[:1])
    for phase in (r.liquid, r.vapor, r.halite, r.bulk):
        for attribute, _ in kelvoran.PHASE_FIELDS:
            assert np.isnan(getattr(phase, attribute)[1:]).all()


def test_any_thread_count_gives_the_same_bytes(random_points):
    runs = [kelvoran.evaluate(*random_points, threads=n) for n in (1, 2, 3, 7, None)]
    assert all(columns_equal(runs[0], r) for r in runs[1:])


def test_indexing_gives_results_and_points_of_plain_python_numbers():
    T, P = np.meshgrid(POINTS[0], POINTS[1], indexing="ij")
    r = kelvoran.evaluate(T, P, 0.05)
    point = r[1, 1]
    assert isinstance(point, kelvoran.Point)
    assert type(point.liquid.density) is float and type(point.state) is int
    assert type(point.out_of_range) is bool and type(point.state_name) is str
    assert point.liquid.density == r.liquid.density[1, 1] and point.state_name == r.state_name[1, 1]
    assert (point.T, point.P) == (400.0, 250.0)
    assert np.isnan(point.halite.density)  # V+L: no halite
    assert r[1].shape == (4,) and r[1:3, ::2].shape == (2, 2)
    mask = r.state == kelvoran.Phases.VAPOR_LIQUID
    assert (r[mask].state_name == "V+L").all() and r[mask].size == mask.sum()
    assert [p.state for p in r[0]] == r.state[0].tolist()

    zero = kelvoran.evaluate(400.0, 250.0, 0.05)
    assert zero.shape == () and zero.liquid.density.shape == () and zero.state_name == "V+L"
    assert zero[()] == zero.item() == point


def test_results_and_functions_pickle():
    r = kelvoran.evaluate(*POINTS)
    for thing in (r, r[1], r.liquid, kelvoran.evaluate, kelvoran.halite_liquidus_composition):
        copy = pickle.loads(pickle.dumps(thing))
        assert type(copy) is type(thing)
    assert columns_equal(pickle.loads(pickle.dumps(r)), r)
    assert pickle.loads(pickle.dumps(r[1])) == r[1]


def test_inputs_are_copied_once_and_nothing_else_is_allocated():
    n = 50_000
    t = np.full(n, 400.0)
    p = np.full(n, 250.0)
    tracemalloc.start()
    try:
        r = kelvoran.evaluate(t, p, 0.05, threads=1)
        _, peak = tracemalloc.get_traced_memory()
    finally:
        tracemalloc.stop()
    # The result's own columns: 4 inputs and 32 phase values of 8 bytes, the state, warning bits
    # and fluid type of 4 bytes, the flag of 1. One more copy of all the inputs would add 24
    # bytes a point.
    result_bytes = n * (36 * 8 + 3 * 4 + 1)
    assert result_bytes <= peak < result_bytes + n * 16
    t[0] = 25.0  # the result owns its inputs
    assert r.T[0] == 400.0


@pytest.mark.parametrize("threads", [1, 2])
def test_ctrl_c_stops_a_long_evaluation(threads):
    if threading.current_thread() is not threading.main_thread():
        pytest.skip("signals reach the main thread only")
    n = 2_000_000  # more than half a minute of work
    main = threading.get_ident()
    timer = threading.Timer(0.3, lambda: signal.pthread_kill(main, signal.SIGINT))
    start = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        kelvoran.evaluate(np.full(n, 400.0), 250.0, 0.05, threads=threads)
    timer.join()
    assert time.monotonic() - start < 5.0


def test_to_pandas_without_pandas_says_what_to_install(monkeypatch):
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ImportError, match="pip install pandas"):
        kelvoran.evaluate(*POINTS).to_pandas()


def test_one_version_everywhere():
    cmake = re.search(r"project\(kelvoran\s+VERSION\s+([0-9.]+)", (REPO / "CMakeLists.txt").read_text()).group(1)
    assert kelvoran.__version__ == cmake == metadata.version("kelvoran")
    program = table_program()
    if program is not None:
        printed = subprocess.run([str(program), "--version"], capture_output=True, text=True).stdout.split()
        if printed and re.fullmatch(r"[0-9.]+", printed[-1]):
            assert printed[-1] == cmake


def test_results_are_values():
    r = kelvoran.evaluate(*POINTS)
    before = r.to_pandas()
    views = {
        "r.liquid.density": lambda: r.liquid.density,
        "r.T": lambda: r.T,
        "r.state": lambda: r.state,
        "r.columns": lambda: r.columns["vapor_x_NaCl"],
        "a slice": lambda: r[1:].bulk.density,
        "a mask": lambda: r[r.state > 0].warnings,
        "a copy by pickle": lambda: pickle.loads(pickle.dumps(r)).halite.density,
        "masked": lambda: kelvoran.evaluate(np.ma.array(POINTS[0], mask=[0, 1, 0, 0]), 250.0, 0.05).liquid.density,
    }
    for name, array in views.items():
        with pytest.raises(ValueError, match="read-only"):
            array()[0] = -1
        assert not array().flags.writeable, name
    assert r.to_pandas().equals(before)
    # Assigning an attribute names the attribute.
    for target, attribute in ((r, "T"), (r.liquid, "density"), (r[1], "state"), (r.bulk, "phase_mass_fraction")):
        with pytest.raises(AttributeError, match=rf"^{attribute} is read-only"):
            setattr(target, attribute, 0.0)
    # What leaves the result is the caller's: a DataFrame, a copy.
    df = r.to_pandas()
    df.loc[0, "liquid_density_kg_m3"] = -1.0
    copy = r.liquid.density.copy()
    copy[0] = -1.0
    assert r.liquid.density[0] == before.liquid_density_kg_m3[0] > 0
