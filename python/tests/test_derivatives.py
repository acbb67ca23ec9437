"""Derivatives in Python: ``derivatives=True`` changes no value, ``r.d.<variable>.<phase>.<field>``
reads the flat columns (floats for a Point), and the derivatives agree with central
differences of the evaluations themselves."""

import numpy as np
import pytest

import kelvoran


def test_attributes_read_the_columns_and_values_are_unchanged():
    t, p = np.meshgrid([150.0, 400.0, 650.0], [5.0, 250.0, 1500.0], indexing="ij")
    plain = kelvoran.evaluate(t, p, 0.05)
    r = kelvoran.evaluate(t, p, 0.05, derivatives=True)
    for name, values in plain.columns.items():
        np.testing.assert_array_equal(values, r.columns[name])
    np.testing.assert_array_equal(r.d.T.liquid.density, r.columns["d_liquid_density_kg_m3_d_T_C"])
    np.testing.assert_array_equal(r.d.x.bulk.specific_enthalpy, r.columns["d_bulk_specific_enthalpy_J_kg_d_x_NaCl"])
    assert r.d.P.vapor.saturation.shape == (3, 3)
    point = r[1, 1]
    assert isinstance(point.d.T.liquid.density, float)
    assert point.d.T.liquid.density == r.d.T.liquid.density[1, 1]
    # NaN where halite is absent; the single fluid's amounts do not move.
    halite = np.isin(r.state, [5, 6, 7])
    assert halite.any() and np.isnan(r.d.T.halite.density[~halite]).all()
    assert np.isfinite(r.d.T.halite.density[halite]).all()
    single = r.state == kelvoran.Phases.FLUID
    assert single.any() and (r.d.T.liquid.saturation[single] == 0.0).all()
    with pytest.raises(AttributeError, match="derivatives=True"):
        plain.d
    with pytest.raises(AttributeError):
        r.d.h  # not a variable of evaluate
    with pytest.raises(AttributeError):
        r.d.T.T  # evaluate finds no temperature


def central_difference(f, x, h):
    return (f(x - 2 * h) - 8 * f(x - h) + 8 * f(x + h) - f(x + 2 * h)) / (12 * h)


def test_derivatives_agree_with_central_differences():
    # Direct: the bulk density of a liquid-like brine along T, P and x.
    t, p, x = 250.0, 300.0, 0.02
    r = kelvoran.evaluate(t, p, x, derivatives=True)
    by = {
        "T": central_difference(lambda v: kelvoran.evaluate(v, p, x).bulk.density, t, 0.25),
        "P": central_difference(lambda v: kelvoran.evaluate(t, v, x).bulk.density, p, 0.3),
        "x": central_difference(lambda v: kelvoran.evaluate(t, p, v).bulk.density, x, 1e-3),
    }
    for variable, difference in by.items():
        assert getattr(r.d, variable).bulk.density == pytest.approx(float(difference), rel=1e-6)
    # Boiling brine in (P, h, x): dT/dh and the vapor saturation's response to h.
    P, h = 100.0, 1.8e6
    s = kelvoran.evaluate_ph(P, h, 0.001, derivatives=True)
    assert str(s.state_name) == "V+L"
    dT = central_difference(lambda v: kelvoran.evaluate_ph(P, v, 0.001).T, h, 50.0)
    dS = central_difference(lambda v: kelvoran.evaluate_ph(P, v, 0.001).vapor.saturation, h, 50.0)
    assert float(s.d.h.T) == pytest.approx(float(dT), rel=1e-5)
    assert float(s.d.h.vapor.saturation) == pytest.approx(float(dS), rel=1e-5)
