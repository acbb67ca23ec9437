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


def test_boiling_water_traces_of_salt_several_roots_and_search_ranges():
    # Pure water between its saturated liquid and vapor at P boils at the model's own boiling
    # point, the vapor mass fraction the lever rule on the enthalpy; traces of salt alike.
    h = np.array([1.0e6, 1.5e6, 2.0e6])
    t_boil = float(kelvoran.water_saturation_temperature_c(15.5))
    for x in (0.0, 1e-10, 1e-8, 1e-6):
        r = kelvoran.evaluate_ph(15.5, h, x)
        assert (r.status == 0).all() and (r.state == kelvoran.Phases.VAPOR_LIQUID).all(), x
        np.testing.assert_allclose(r.T, t_boil, rtol=0.0, atol=1e-3)
        np.testing.assert_allclose(r.bulk.specific_enthalpy, h, rtol=1e-10)
    water = kelvoran.evaluate_ph(15.5, h, 0.0)
    assert (water.T == t_boil).all()
    lever = (h - water.liquid.specific_enthalpy) / (water.vapor.specific_enthalpy - water.liquid.specific_enthalpy)
    np.testing.assert_allclose(water.vapor.phase_mass_fraction, lever, rtol=1e-12)
    np.testing.assert_allclose(water.vapor.saturation + water.liquid.saturation, 1.0, rtol=1e-15)
    for r, rho in ((kelvoran.evaluate_prho(15.5, [100.0, 500.0], 0.0), [100.0, 500.0]),
                   (kelvoran.evaluate_trho(200.0, [100.0, 500.0, 800.0], 0.0), [100.0, 500.0, 800.0])):
        assert (r.state_name == "V+L").all()
        np.testing.assert_allclose(r.bulk.density, rho, rtol=1e-12)

    # Cold brine meets its density on both sides of its density maximum: the lowest
    # temperature, said so; a search range from just below the original finds that one.
    rho = float(kelvoran.evaluate(12.52, 1.0, 0.0061).bulk.density)
    lowest = kelvoran.evaluate_prho(1.0, rho, 0.0061)
    assert lowest.T < 12.0 and lowest.warnings & kelvoran.Warnings.MULTIPLE_SOLUTIONS
    assert "multiple_solutions" in str(lowest.warning_names)
    assert kelvoran.evaluate_prho(1.0, rho, 0.0061, T_min=12.0).T == pytest.approx(12.52, abs=1e-6)
    assert str(kelvoran.evaluate_prho(1.0, rho, 0.0061, T_min=20.0).status_name) == "out_of_range"
    assert str(kelvoran.evaluate_trho(200.0, 800.0, 0.0, P_max=10.0).status_name) == "out_of_range"
    with pytest.raises(ValueError, match="T_min < T_max"):
        kelvoran.evaluate_ph(15.5, 1e6, 0.0, T_min=500.0, T_max=100.0)
    with pytest.raises(ValueError, match="P_min must be above zero"):
        kelvoran.evaluate_trho(200.0, 800.0, 0.0, P_min=0.0)
    with pytest.raises(TypeError, match="T_max must be a number"):
        kelvoran.evaluate_prho(15.5, 500.0, 0.0, T_max="high")

    # Pure water homogenizes into its saturated vapor; the isochore of a dilute inclusion that
    # homogenizes below 1 bar starts there.
    assert float(inclusions.homogenization(0.0, 250.0, to="vapor").density) == pytest.approx(19.956, abs=5e-4)
    th = inclusions.homogenization(1e-3, 97.0, to="liquid")
    assert th.pressure < 1.0
    path = inclusions.isochore(1e-3, th.density, [97.0, 150.0])
    assert (path.status == 0).all() and path.P[0] == pytest.approx(th.pressure, rel=1e-6)


def test_kelvoran_table_searches_the_same_ranges(table):
    rho = float(kelvoran.evaluate(12.52, 1.0, 0.0061).bulk.density)
    rows = {}
    for bounds in ([], ["--T-min=12"]):
        header, row = table("-P", "1", "--density", repr(rho), "-x", "0.0061", "-q", *bounds).splitlines()[:2]
        rows[len(bounds)] = dict(zip(header.split(","), row.split(",")))
    assert rows[0]["warnings"] == "multiple_solutions" and rows[1]["warnings"] == ""
    assert float(rows[0]["T_C"]) == float(kelvoran.evaluate_prho(1.0, rho, 0.0061).T)
    assert float(rows[1]["T_C"]) == float(kelvoran.evaluate_prho(1.0, rho, 0.0061, T_min=12.0).T)
