#!/usr/bin/env bash
# Regenerates the pictures of docs/diagrams.md in docs/, with the
# kelvoran-diagram command of the virtual environment .venv/ that scripts/test.sh builds.
# Usage: scripts/make_diagrams.sh
set -euo pipefail
cd "$(dirname "$0")/.."
diagram=.venv/bin/kelvoran-diagram
if [ ! -x "$diagram" ]; then
  echo "make_diagrams.sh: $diagram is missing: run scripts/test.sh first" >&2
  exit 1
fi
mkdir -p docs
cat > docs/inclusions.csv <<'CSV'
# Homogenisation conditions of a few fluid inclusions of 10 wt% NaCl (an example)
sample,T_C,P_bar,w_NaCl
A1,300,150,0.1
A2,350,400,0.1
B1,420,800,0.1
B2,500,1500,0.1
CSV
run() { echo "+ kelvoran-diagram $*"; "$diagram" "$@"; }
run pt -o docs/pt-projection.png
run isopleth --x 0.1 -o docs/isopleth-x0.1.png
run isopleth --x 0.01 -o docs/isopleth-x0.01.png
run isobar --P 300 --log-x -o docs/isobar-300bar.png
run isotherm --T 500 -o docs/isotherm-500C.png
run isopleth --w 0.1 --T-range 100,800 --P-range 10,3000 --isochores 400,600,800,1000 \
  --points docs/inclusions.csv -o docs/isopleth-w0.1-inclusions.png
ls -l docs/*.png
