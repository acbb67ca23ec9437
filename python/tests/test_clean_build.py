"""pip install from a clean clone into a fresh virtual environment, as a new user would: the
C++ library and the extension are compiled by the package build."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import kelvoran

from conftest import REPO

pytestmark = pytest.mark.slow


def run(*args, **kwargs):
    done = subprocess.run(args, capture_output=True, text=True, timeout=900, **kwargs)
    assert done.returncode == 0, f"{' '.join(map(str, args))}\n{done.stdout[-3000:]}\n{done.stderr[-3000:]}"
    return done.stdout


def test_builds_and_installs_from_a_clean_clone(tmp_path):
    if shutil.which("git") is None or not (REPO / ".git").exists():
        pytest.skip("not a git checkout")
    head = run("git", "-C", str(REPO), "rev-parse", "HEAD").strip()
    clone = tmp_path / "clone"
    run("git", "clone", "--quiet", "--no-checkout", str(REPO), str(clone))
    run("git", "-C", str(clone), "checkout", "--quiet", head)

    # Debian's interpreter, as scripts/test.sh uses, else the one running the tests.
    python = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else sys.executable
    venv = tmp_path / "venv"
    run(python, "-m", "venv", str(venv))
    env_python = str(venv / "bin" / "python")
    # One compile job a core, as scripts/test.sh builds (Ninja alone would start more).
    env = {**os.environ, "CMAKE_BUILD_PARALLEL_LEVEL": str(os.cpu_count() or 1)}
    run(env_python, "-m", "pip", "install", "--quiet", str(clone), env=env)

    script = (
        "import kelvoran, numpy as np\n"
        "r = kelvoran.evaluate([25.0, 400.0, 500.0], [1.0, 250.0, 100.0], 0.05)\n"
        "print(kelvoran.__version__)\n"
        "print(r.liquid.density.tobytes().hex(), r.state.tolist())\n"
    )
    version, values = run(env_python, "-c", script, cwd=str(tmp_path)).split("\n")[:2]
    here = kelvoran.evaluate([25.0, 400.0, 500.0], [1.0, 250.0, 100.0], 0.05)
    assert version == kelvoran.__version__
    assert values == f"{here.liquid.density.tobytes().hex()} {here.state.tolist()}"
