"""Sphinx configuration of the kelvoran documentation site.

The pages are the Markdown files of docs/ (read by MyST-Parser, so that they read the same on a
code host), the Python API reference comes from the docstrings of the installed package
(autodoc, numpydoc), the C++ API listing from the documented declarations of
include/kelvoran/*.h (docs/_ext/kelvoran_docs.py). Build it, offline, with

    .venv/bin/python -m sphinx -W --keep-going -b html docs build/docs

(scripts/test.sh does, after installing the docs tools and the package into .venv/).
"""

import re
import sys
from pathlib import Path

DOCS = Path(__file__).resolve().parent
REPO = DOCS.parent
sys.path.insert(0, str(DOCS / "_ext"))

project = "kelvoran"
author = "the kelvoran developers"
copyright = "the kelvoran developers"
# The version of the CMake project, as the programs, the Python package and the CMake package
# report it.
release = version = re.search(
    r"project\(kelvoran\s+VERSION\s+([0-9.]+)", (REPO / "CMakeLists.txt").read_text(encoding="utf-8")
).group(1)

extensions = [
    "myst_parser",
    "sphinx.ext.autodoc",
    "numpydoc",
    "kelvoran_docs",
]
source_suffix = {".md": "markdown", ".rst": "restructuredtext"}
root_doc = "index"
exclude_patterns = ["_ext", "_build"]
# Pages link to each other's headings as [text](page.md#heading-text), as a code host does.
myst_heading_anchors = 4

# Python API: the docstrings are numpydoc; members in the order of the source (of __all__).
autodoc_member_order = "bysource"
autodoc_typehints = "none"
numpydoc_show_class_members = False
numpydoc_class_members_toctree = False

html_theme = "furo"
html_title = f"kelvoran {release}"
html_static_path = []
pygments_style = "sphinx"
