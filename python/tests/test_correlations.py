"""The vectorised correlations: each bound to its own C++ function (published values and
recorded model outputs), each the very number the evaluation uses, over thousands of points;
composition conversions."""

import numpy as np
import pytest

import kelvoran

# (function, arguments, expected, relative tolerance), one or more per function, so that a
# function wired to the wrong correlation fails. Published values: the critical point of water
# the model is built on (373.976 °C, 220.54915 bar), the handbook density of water at 25 °C
# (997.05 kg/m³) and its normal boiling point (not re-read against a printed source), and the
# molality identities, exact by definition. Every other expected value is a recorded model
# output (six significant digits of what the C++ code computed when it was written down): a
# regression value, not a measurement; docs/validation.md compares with measurements.
REFERENCE = [
    (kelvoran.critical_pressure_bar, (373.976,), 220.54915, 1e-12),  # published
    (kelvoran.critical_pressure_bar, (500.0,), 581.01015, 1e-7),
    (kelvoran.critical_composition, (600.0,), 0.0777761, 1e-6),
    (kelvoran.three_phase_pressure_bar, (500.0,), 322.00274, 1e-7),
    (kelvoran.halite_liquidus_composition, (25.0, 1.0), 0.0998416, 1e-5),
    (kelvoran.halite_saturated_vapor_composition, (400.0, 100.0), 7.80788e-07, 1e-5),
    (kelvoran.salt_melting_temperature_c, (1000.0,), 825.426, 1e-6),
    (kelvoran.salt_boiling_pressure_bar, (1000.0,), 0.0118005, 1e-5),
    (kelvoran.salt_sublimation_pressure_bar, (500.0,), 2.64863e-08, 1e-5),
    (kelvoran.water_saturation_pressure_bar, (373.5,), 219.298, 1e-5),
    (kelvoran.water_saturation_temperature_c, (1.01325,), 100.0, 1e-3),  # published
    (lambda t, p: kelvoran.pure_water(t, p).density_kg_m3, (25.0, 1.0), 997.05, 1e-4),  # published
    (kelvoran.mole_fraction_from_molality, (1.0,), 18.015 / 1018.015, 1e-15),
    (kelvoran.mass_fraction_from_molality, (1.0,), 58.443 / 1058.443, 1e-15),
    (kelvoran.molality_from_mole_fraction, (18.015 / 1018.015,), 1.0, 1e-14),
    (kelvoran.molality_from_mass_fraction, (58.443 / 1058.443,), 1.0, 1e-14),
]


@pytest.mark.parametrize("function, args, expected, relative", REFERENCE)
def test_reference_values(function, args, expected, relative):
    value = function(*args)
    assert np.ndim(value) == 0 and isinstance(value, np.floating)
    assert value == pytest.approx(expected, rel=relative)


def test_each_is_the_number_the_evaluation_uses(reference_points, random_points):
    r = kelvoran.evaluate(*(np.concatenate(pair) for pair in zip(reference_points, random_points)))
    t, p = r.T, r.P
    checked = set()

    def same(state, got, wanted):
        pick = r.state == state
        assert pick.any()
        assert np.array_equal(got[pick], np.asarray(wanted)[pick], equal_nan=True)
        checked.add(state)

    same(4, r.liquid.x, kelvoran.coexisting_liquid_composition(t, p))
    same(4, r.vapor.x, kelvoran.coexisting_vapor_composition(t, p))
    same(5, r.vapor.x, kelvoran.halite_saturated_vapor_composition(t, p))
    same(5, r.vapor.density, kelvoran.pure_water(t, p).density_kg_m3)
    same(6, r.liquid.x, kelvoran.halite_liquidus_composition(t, p))
    for state in (5, 6, 7):
        same(state, r.halite.density, kelvoran.halite_density_kg_m3(t, p))
        same(state, r.halite.heat_capacity, kelvoran.halite_heat_capacity_j_kg_k(t, p))
    for state in (1, 3, 4, 6):
        fluid = kelvoran.mixture_properties(t, p, r.liquid.x)
        same(state, r.liquid.density, fluid.density_kg_m3)
        # The record's molar volume is taken back from its density: equal to a few ulps.
        pick = r.state == state
        assert np.allclose(r.liquid.molar_volume[pick], fluid.molar_volume_cm3_mol[pick], rtol=1e-15, atol=0, equal_nan=True)
        same(state, r.liquid.specific_enthalpy, fluid.specific_enthalpy_j_kg)
        same(state, r.liquid.heat_capacity, fluid.heat_capacity_j_kg_k)
    assert np.array_equal(r.out_of_range, ~kelvoran.in_fitted_range(t, p, r.x))
    assert checked == {1, 3, 4, 5, 6, 7}


def test_broadcasting_and_shapes():
    T = np.linspace(400.0, 700.0, 4)[:, None]
    P = np.array([100.0, 300.0, 1000.0])
    assert kelvoran.coexisting_liquid_composition(T, P).shape == (4, 3)
    assert kelvoran.mixture_properties(T, P, 0.1).heat_capacity_j_kg_k.shape == (4, 3)
    assert kelvoran.critical_pressure_bar([[400.0, 500.0]]).shape == (1, 2)
    assert kelvoran.critical_pressure_bar(np.array(500.0)).shape == ()
    grid = kelvoran.halite_density_kg_m3(T, P)
    assert grid[2, 1] == kelvoran.halite_density_kg_m3(T[2, 0], P[1])
    with pytest.raises(ValueError, match=r"T \(2,\) and P \(3,\)"):
        kelvoran.halite_density_kg_m3([1.0, 2.0], [1.0, 2.0, 3.0])
    with pytest.raises(TypeError, match="T must be"):
        kelvoran.three_phase_pressure_bar("500")
    assert np.isnan(kelvoran.three_phase_pressure_bar([np.nan, 500.0])[0])


def test_composition_conversions_invert_each_other():
    x = np.array([0.0, 1e-9, 0.01, 0.1, 0.5, 0.99])
    w = kelvoran.mass_fraction_from_mole_fraction(x)
    assert np.allclose(kelvoran.mole_fraction_from_mass_fraction(w), x, rtol=1e-14, atol=0)
    m = kelvoran.molality_from_mole_fraction(x)
    assert np.allclose(kelvoran.mole_fraction_from_molality(m), x, rtol=1e-13, atol=0)
    assert np.allclose(kelvoran.molality_from_mass_fraction(w), m, rtol=1e-13, atol=0)
    assert np.allclose(kelvoran.mass_fraction_from_molality(m), w, rtol=1e-13, atol=0)
    assert kelvoran.molality_from_mole_fraction(1.0) == np.inf  # pure salt, no warning raised
