"""The model against published measurements and standard references (scripts/validate.py):
every deviation within the tolerance of its data set, and docs/validation.md the document the
script writes from today's model."""

import importlib.util
import sys

import pytest

from conftest import REPO

for _package in ("iapws", "CoolProp", "gsw"):
    pytest.importorskip(_package, reason="the references need iapws, coolprop and gsw (pip install iapws coolprop gsw)")

_spec = importlib.util.spec_from_file_location("kelvoran_validate", REPO / "scripts" / "validate.py")
validate = sys.modules[_spec.name] = importlib.util.module_from_spec(_spec)  # dataclasses look it up
_spec.loader.exec_module(validate)


@pytest.mark.parametrize("build", validate.BUILDERS, ids=lambda build: build.__name__)
def test_model_agrees_with_published_data(build):
    data_set = build()
    assert data_set.rows
    outside = [
        f"{row.point}: reference {row.value_text(row.reference)}, model {row.value_text(row.model)}, "
        f"deviation {row.deviation_text()} beyond {row.tolerance_text()}"
        for row in data_set.rows
        if not row.within_tolerance()
    ]
    assert not outside, f"{data_set.title}:\n" + "\n".join(outside)


@pytest.mark.parametrize("build", validate.BUILDERS, ids=lambda build: build.__name__)
def test_tolerances_are_tight(build):
    """Each tolerance is at most about 1.5 times the largest deviation of the rows it applies
    to, unless a reason is written beside it: a wider one would let a broken coefficient pass."""
    loose = [
        f"{tolerance}: largest deviation {max(abs(r.deviation()) for r in rows):.4g}"
        for tolerance, rows in build().tolerance_groups().items()
        if not rows[0].reason and rows[0].tolerance > 1.52 * max(abs(r.deviation()) for r in rows)
    ]
    assert not loose, loose


def test_document_matches_the_model():
    text = validate.render(validate.collect())
    committed = (REPO / "docs" / "validation.md").read_text(encoding="utf-8")
    stale = validate.differences(committed, text)
    assert not stale, (
        "docs/validation.md no longer matches the model; rewrite it with "
        "`.venv/bin/python scripts/validate.py` and review the changes:\n" + "\n".join(stale[:10])
    )
    # A rounding edge in the last printed digit passes; a changed value or text does not.
    row = next(line for line in text.splitlines() if line.startswith("| 20 °C, 1 bar, 10 wt % | 1070"))
    assert validate.differences(text, text.replace(row, row.replace("1071.1 kg/m³", "1071.2 kg/m³"))) == []
    assert validate.differences(text, text.replace(row, row.replace("1071.1 kg/m³", "1071.4 kg/m³")))
    assert validate.differences(text, text.replace("6–26 % low", "6–20 % low"))
