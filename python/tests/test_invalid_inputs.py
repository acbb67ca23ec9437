"""Impossible inputs are not phase states, nor numbers of a correlation: evaluate and
kelvoran-table give them state 0 and the warning invalid_input, the conversions and
correlations NaN; physical inputs beyond the fitted range stay evaluated."""

import math

import numpy as np
import pytest

import kelvoran
from kelvoran import inclusions

INF, NAN = math.inf, math.nan

# (T °C, P bar, x, w): one point each; invalid ones first, then extrapolations that stay.
INVALID = [
    (INF, 100.0, 0.1, None),
    (-INF, 100.0, 0.1, None),
    (400.0, INF, 0.1, None),
    (400.0, NAN, 0.1, None),
    (-273.16, 100.0, 0.1, None),  # below absolute zero
    (400.0, 0.0, 0.1, None),
    (400.0, -5.0, 0.1, None),
    (400.0, 250.0, -1e-9, None),
    (400.0, 250.0, 1.5, None),
    (400.0, 250.0, None, 1.5),  # became x = -12.29 in state V
    (400.0, 250.0, None, -0.1),
]
EXTRAPOLATED = [
    (-273.15, 100.0, 0.1, None),  # absolute zero itself
    (1200.0, 3000.0, 0.01, None),
    (400.0, 1e-3, 0.0, None),
    (400.0, 8000.0, 0.3, None),
    (25.0, 1.0, None, 1.0),
]


def evaluate_point(t, p, x, w):
    return kelvoran.evaluate(t, p, x) if w is None else kelvoran.evaluate(t, p, w=w)


@pytest.mark.parametrize("t, p, x, w", INVALID)
def test_an_impossible_input_is_not_evaluated(t, p, x, w):
    r = evaluate_point(t, p, x, w)
    assert (int(r.state), str(r.state_name), str(r.warning_names)) == (0, "undetermined", "invalid_input")
    assert r.warnings == kelvoran.Warnings.INVALID_INPUT and bool(r.out_of_range)
    for phase in (r.liquid, r.vapor, r.halite, r.bulk):
        assert all(np.isnan(getattr(phase, a)) for a, _ in kelvoran.PHASE_FIELDS + kelvoran.AMOUNT_FIELDS)
    if w is not None:
        assert np.isnan(r.x) and r.w == w  # the given mass fraction has no mole fraction


@pytest.mark.parametrize("t, p, x, w", EXTRAPOLATED)
def test_a_physical_input_beyond_the_fitted_range_is_extrapolated(t, p, x, w):
    r = evaluate_point(t, p, x, w)
    assert r.state != 0 and not r.warnings & kelvoran.Warnings.INVALID_INPUT


def test_the_table_tool_writes_the_same_rows(table):
    # The table refuses what is not a finite number as an unreadable row.
    rows = [(t, p, x) for t, p, x, w in INVALID + EXTRAPOLATED if w is None and all(map(math.isfinite, (t, p, x)))]
    text = "T_C,P_bar,x_NaCl\n" + "".join(f"{t!r},{p!r},{x!r}\n" for t, p, x in rows)
    out = table(input_text=text).splitlines()
    header = out[0].split(",")
    got = [dict(zip(header, line.split(","))) for line in out[1:]]
    expected = kelvoran.evaluate(*(np.array(c) for c in zip(*rows))).to_pandas()
    assert [g["state"] for g in got] == [str(s) for s in expected.state]
    assert [g["warnings"] for g in got] == expected.warnings.tolist()
    invalid = [g for g in got if g["warnings"] == "invalid_input"]
    assert len(invalid) == 5 and all(g["state_name"] == "undetermined" and g["bulk_density_kg_m3"] == "" for g in invalid)


# (function, arguments, expected): NaN where the quantity has no meaning, a number at the edge.
CORRELATIONS = [
    (kelvoran.mole_fraction_from_mass_fraction, (1.5,), NAN),
    (kelvoran.mole_fraction_from_mass_fraction, (-0.1,), NAN),
    (kelvoran.mole_fraction_from_mass_fraction, (1.0,), 1.0),
    (kelvoran.mass_fraction_from_mole_fraction, (1.5,), NAN),
    (kelvoran.molality_from_mole_fraction, (1.2,), NAN),
    (kelvoran.molality_from_mass_fraction, (-0.5,), NAN),
    (kelvoran.mole_fraction_from_molality, (1e308,), 1.0),  # was NaN with an overflow warning
    (kelvoran.mole_fraction_from_molality, (INF,), 1.0),
    (kelvoran.mole_fraction_from_molality, (-1.0,), NAN),
    (kelvoran.mass_fraction_from_molality, (1e308,), 1.0),
    (inclusions.salinity_from_halite_dissolution, (850.0,), NAN),  # was x = 1.18
    (inclusions.salinity_from_halite_dissolution, (800.7,), 0.99999996),
    (inclusions.salinity_from_halite_dissolution_at, (850.0, 1000.0), NAN),
    (kelvoran.three_phase_pressure_bar, (850.0,), NAN),  # was -188.5 bar
    (kelvoran.three_phase_pressure_bar, (-300.0,), NAN),
    (kelvoran.three_phase_pressure_bar, (800.7,), 0.0005),
    (kelvoran.halite_liquidus_composition, (850.0, 1000.0), NAN),  # was 1.07
    (kelvoran.halite_liquidus_composition, (825.0, 1000.0), 0.9987679),  # just below melting
    (kelvoran.halite_liquidus_composition, (25.0, 0.0), NAN),
    (kelvoran.halite_saturated_vapor_composition, (500.0, 1e-9), NAN),  # below the halite vapor pressure
    (kelvoran.halite_density_kg_m3, (900.0, 1.0), NAN),  # molten
    (kelvoran.halite_heat_capacity_j_kg_k, (900.0, 1.0), NAN),
    (kelvoran.critical_pressure_bar, (300.0,), NAN),  # the critical curve starts at 373.976 °C
    (kelvoran.salt_boiling_pressure_bar, (500.0,), NAN),  # no liquid NaCl below its triple point
    (kelvoran.salt_sublimation_pressure_bar, (900.0,), NAN),
    (kelvoran.salt_melting_temperature_c, (1e-4,), NAN),
    (kelvoran.coexisting_liquid_composition, (400.0, -1.0), NAN),
    (lambda t, p, x: kelvoran.mixture_properties(t, p, x).density_kg_m3, (25.0, 1.0, 1.5), NAN),
    (lambda t, p: kelvoran.pure_water(t, p).density_kg_m3, (25.0, 0.0), NAN),
    (kelvoran.water_saturation_pressure_bar, (-300.0,), NAN),
]


@pytest.mark.parametrize("function, args, expected", CORRELATIONS)
def test_correlations_are_nan_where_they_mean_nothing(function, args, expected):
    with np.errstate(all="raise"):  # no floating-point warning on the way
        value = function(*args)
    assert np.ndim(value) == 0
    assert (math.isnan(expected) and np.isnan(value)) or value == pytest.approx(expected, rel=1e-5)
