"""Shared fixtures: the repository, the kelvoran-table program of the C++ build, test points."""

import os
import subprocess
from pathlib import Path

import numpy as np
import pytest

REPO = Path(__file__).resolve().parents[2]


def table_program():
    """Path of kelvoran-table: $KELVORAN_TABLE (scripts/test.sh sets it, and then it must
    exist), else build/kelvoran-table; None when neither is there."""
    configured = os.environ.get("KELVORAN_TABLE")
    if configured:
        path = Path(configured)
        if not path.is_absolute():
            path = REPO / path
        if not os.access(path, os.X_OK):
            raise FileNotFoundError(f"KELVORAN_TABLE={configured}: no such program")
        return path
    path = REPO / "build" / "kelvoran-table"
    return path if os.access(path, os.X_OK) else None


@pytest.fixture(scope="session")
def table():
    """Runs kelvoran-table with the given arguments and input, returns its standard output."""
    program = table_program()
    if program is None:
        pytest.skip("kelvoran-table is not built (scripts/test.sh builds it in build/)")

    def run(*args, input_text=None):
        done = subprocess.run(
            [str(program), *args], input=input_text, capture_output=True, text=True, timeout=300
        )
        assert done.returncode == 0, done.stderr
        return done.stdout

    return run


@pytest.fixture(scope="session")
def reference_points():
    """(T °C, P bar, x) of the console's reference session: every phase state and points outside
    the fitted range."""
    lines = (REPO / "tests" / "driver" / "golden" / "reference-session.in").read_text().split("\n")
    rows = [tuple(float(v) for v in line.split()) for line in lines if line.strip()]
    return tuple(np.array(column) for column in zip(*rows))


@pytest.fixture(scope="session")
def random_points():
    """3000 points over and beyond the fitted range, with every phase state among them."""
    rng = np.random.default_rng(7)
    n = 3000
    t = rng.uniform(-20.0, 1100.0, n)
    p = 10.0 ** rng.uniform(-1.0, np.log10(6000.0), n)
    x = np.where(rng.uniform(size=n) < 0.3, 10.0 ** rng.uniform(-8, -1, n), rng.uniform(0.0, 1.0, n))
    return t, p, x
