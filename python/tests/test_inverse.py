"""The inverse evaluations, the phase amounts and the fluid-inclusion helpers: round trips
through the bulk enthalpy and density, the mass balance of every multi-phase point, and the
helpers against the model's own correlations and the C++ isochore."""

import numpy as np
import pytest

import kelvoran
from kelvoran import _core, inclusions

from test_against_cpp import same_bits

# (T, P, x) over the halite-free states, with the dilute and the salt-rich end: 4800 points.
GRID = np.meshgrid(
    np.linspace(5.0, 995.0, 40), np.geomspace(1.0, 4000.0, 24), [0.0, 0.001, 0.01, 0.05, 0.2], indexing="ij"
)


def test_bulk_enthalpy_and_density_lead_back_to_the_temperature_and_the_state():
    t, p, x = (a.ravel() for a in GRID)
    direct = kelvoran.evaluate(t, p, x, threads=2)
    # Points whose bulk enthalpy has a single temperature: halite-free, and no jump of a liquid's
    # enthalpy where its scaled temperature crosses water's boiling curve.
    sound = (direct.state >= 1) & (direct.state <= 4) & (direct.warnings == 0)
    assert sound.sum() > 2000 and set(direct.state[sound]) == {1, 2, 3, 4}
    t, p, x = t[sound], p[sound], x[sound]
    h = direct.bulk.specific_enthalpy[sound]
    back = kelvoran.evaluate_ph(p, h, x, threads=2)
    assert (back.status == kelvoran.InverseStatus.SOLVED).all()
    assert np.array_equal(back.state, direct.state[sound])
    np.testing.assert_allclose(back.bulk.specific_enthalpy, h, rtol=1e-10, atol=0.0)
    np.testing.assert_allclose(back.T, t, rtol=0.0, atol=1e-6)
    # The state found is the direct evaluation at the temperature found, bit for bit.
    again = kelvoran.evaluate(back.T, p, x)
    for phase in ("liquid", "vapor", "bulk"):
        assert same_bits(getattr(again, phase).density, getattr(back, phase).density), phase
    # The same through the bulk density at P, and at T (the isochore's direction), halite
    # states included; the numbers do not depend on the threads.
    rho = direct.bulk.density[sound]
    by_density = kelvoran.evaluate_prho(p, rho, x, threads=1)
    assert (by_density.status == 0).all()
    np.testing.assert_allclose(by_density.bulk.density, rho, rtol=1e-10, atol=0.0)
    on_isochore = kelvoran.evaluate_trho(t, rho, x, threads=2)
    assert (on_isochore.status == 0).mean() > 0.99
    solved = on_isochore.status == 0
    np.testing.assert_allclose(on_isochore.bulk.density[solved], rho[solved], rtol=1e-10, atol=0.0)
    assert same_bits(kelvoran.evaluate_prho(p, rho, x, threads=2).T, by_density.T)


def test_amounts_balance_mass_and_volume_in_every_state():
    rng = np.random.default_rng(3)
    n = 4000
    t, p, x = rng.uniform(0.0, 1000.0, n), 10.0 ** rng.uniform(0.0, 3.7, n), rng.uniform(0.0, 0.6, n)
    # V + L + H fixed by a density between the three phases' (evaluate_prho at the curve).
    three = kelvoran.evaluate_prho(300.0, np.linspace(160.0, 1150.0, 60), 0.3)
    assert (three.state == kelvoran.Phases.VAPOR_LIQUID_HALITE).sum() > 30
    for r in (kelvoran.evaluate(t, p, x), three):
        present = np.stack([r.state != 0] * 3) & ~np.isnan(np.stack([r.liquid.x, r.vapor.x, r.halite.x]))
        m = np.where(present, np.stack([r.liquid.phase_mass_fraction, r.vapor.phase_mass_fraction, r.halite.phase_mass_fraction]), 0.0)
        s = np.where(present, np.stack([r.liquid.saturation, r.vapor.saturation, r.halite.saturation]), 0.0)
        w = np.where(present, np.stack([r.liquid.w, r.vapor.w, r.halite.w]), 0.0)
        rho = np.where(present, np.stack([r.liquid.density, r.vapor.density, r.halite.density]), 1.0)
        fixed = np.isfinite(m).all(axis=0) & (r.state != 0) & np.isfinite(rho).all(axis=0)
        if r is not three:  # V + L + H after evaluate: amounts undetermined, and said so
            undetermined = r.state == kelvoran.Phases.VAPOR_LIQUID_HALITE
            assert np.isnan(r.bulk.density[undetermined]).all()
            assert (r.warnings[undetermined] & kelvoran.Warnings.AMOUNTS_UNDETERMINED).all()
        assert fixed.sum() > 0.9 * (r.state != 0).sum()
        m, s, w, rho = m[:, fixed], s[:, fixed], w[:, fixed], rho[:, fixed]
        assert ((m >= 0.0) & (m <= 1.0) & (s >= 0.0) & (s <= 1.0)).all()
        np.testing.assert_allclose(m.sum(axis=0), 1.0, rtol=0, atol=1e-12)
        np.testing.assert_allclose(s.sum(axis=0), 1.0, rtol=0, atol=1e-12)
        np.testing.assert_allclose((m * w).sum(axis=0), r.w[fixed], rtol=1e-9, atol=1e-12)
        np.testing.assert_allclose(1.0 / (m / rho).sum(axis=0), r.bulk.density[fixed], rtol=1e-12)


def test_unreachable_and_invalid_values_have_a_status_and_leave_the_other_points_alone():
    h = np.array([1.6e6, 1e9, np.nan, 1.6e6, 2.0e6])
    w = np.array([0.1, 0.1, 0.1, 1.5, 0.3])
    p = np.array([250.0, 250.0, 250.0, 250.0, 100.0])
    r = kelvoran.evaluate_ph(p, h, w=w)
    assert r.status_name.tolist() == ["solved", "out_of_range", "invalid_input", "invalid_input", "undefined"]
    assert r.state.tolist()[1:] == [0, 0, 0, 0] and np.isnan(r.T[1:]).all()
    assert np.isnan(r.bulk.density[1:]).all() and np.isnan(r.liquid.phase_mass_fraction[1:]).all()
    alone = kelvoran.evaluate_ph(250.0, 1.6e6, w=0.1)
    assert same_bits(r.T[0], alone.T) and r[0] == kelvoran.evaluate_ph([250.0], [1.6e6], w=[0.1])[0]
    with pytest.raises(ValueError, match=r"P \(2,\), h \(3,\) and w \(\)"):
        kelvoran.evaluate_ph([1.0, 2.0], [1.0, 2.0, 3.0], w=0.1)
    with pytest.raises(TypeError, match="one of them"):
        kelvoran.evaluate_trho(300.0, 800.0)


def test_inclusion_helpers_are_the_model_correlations_and_the_cpp_isochore():
    t = np.linspace(0.0, 800.0, 161)
    dissolved = inclusions.salinity_from_halite_dissolution(t)
    assert same_bits(dissolved, kelvoran.halite_liquidus_composition(t, kelvoran.three_phase_pressure_bar(t)))
    assert same_bits(
        inclusions.salinity_from_halite_dissolution_at(t, 1000.0), kelvoran.halite_liquidus_composition(t, 1000.0)
    )
    # Bodnar (1993), his table: 7.86 wt % at -5 °C, 13.94 at -10 °C, 23.18 at the eutectic.
    ice = inclusions.salinity_from_ice_melting([-5.0, -10.0, -21.2, 0.5, -21.3, np.nan])
    np.testing.assert_allclose(ice[:3], [0.0786, 0.1394, 0.2318], atol=5e-5)
    assert np.isnan(ice[3:]).all()

    # Homogenization: the liquid (or the vapor) of the vapor-liquid surface at (Th, P) has the
    # inclusion's composition, and the bulk density is that liquid's density.
    x = np.array([0.01, 0.05, 0.1, 0.15])
    th = np.array([150.0, 250.0, 350.0, 450.0])
    to_liquid = inclusions.homogenization(x, th, to="liquid")
    assert (to_liquid.status == 0).all()
    np.testing.assert_allclose(kelvoran.coexisting_liquid_composition(th, to_liquid.pressure), x, rtol=1e-9)
    assert same_bits(to_liquid.density, kelvoran.mixture_properties(th, to_liquid.pressure, x).density_kg_m3)
    to_vapor = inclusions.homogenization([1e-3, 1e-5], 450.0, to="vapor")
    assert to_vapor.status_name.tolist() == ["solved", "out_of_range"]  # vapors at 450 °C hold more
    np.testing.assert_allclose(kelvoran.coexisting_vapor_composition(450.0, to_vapor.pressure[0]), 1e-3, rtol=1e-9)
    # Above 16 bar a vapor's volume is that of the one-phase mapping, as a liquid's.
    assert same_bits(to_vapor.density[0], kelvoran.mixture_properties(450.0, to_vapor.pressure[0], 1e-3).density_kg_m3)
    with pytest.raises(ValueError, match="'liquid' or 'vapor'"):
        inclusions.homogenization(0.05, 250.0, to="gas")

    # The isochore from the homogenization point: every point has the inclusion's bulk density,
    # and the pressures are those of the C++ kelvoran::isochore bit for bit.
    temperatures = np.linspace(250.0, 700.0, 46)
    path = inclusions.isochore(0.05, to_liquid.density[1], temperatures)
    cpp = _core._isochore(0.05, float(to_liquid.density[1]), temperatures)
    assert same_bits(path.P, cpp["P_bar"]) and path.status.tolist() == cpp["status"]
    solved = path.status == 0
    assert path.state.tolist() == cpp["state"]
    assert same_bits(path.bulk.density[solved], np.array(cpp["bulk_density_kg_m3"])[solved])
    # Past 5000 bar the isochore leaves the search range: those points say so.
    assert solved.sum() > 30 and path.status_name[-1] == "out_of_range"
    assert path.P[0] == pytest.approx(to_liquid.pressure[1], rel=1e-6)
    np.testing.assert_allclose(path.bulk.density[solved], to_liquid.density[1], rtol=1e-10)
    assert (np.diff(path.P[solved]) > 0).all()  # the pressure rises along an isochore
