"""kelvoran.PropertyTable: build, save, load and look up against the model, with the Result
of kelvoran.evaluate (evaluate_ph); a damaged file raises TableError naming it; a table pickles."""

import multiprocessing
import pickle

import numpy as np
import pytest

import kelvoran

# Small boxes across the model's boundaries (seconds to build).
BOXES = [
    ("tpx", dict(T=(360.0, 440.0), P=(150.0, 300.0), x=(0.0, 0.1)), 6),
    ("phx", dict(P=(150.0, 250.0), h=(1.5e6, 2.8e6), x=(0.0, 0.05)), 4),
]


@pytest.mark.parametrize("variables,box,level", BOXES)
def test_round_trip_matches_the_model(tmp_path, variables, box, level):
    built = kelvoran.PropertyTable.build(variables, **box, max_level=level, root_level=2)
    path = tmp_path / "table.kvt"
    built.save(path)
    table = kelvoran.PropertyTable.load(path)
    assert table.variables == variables
    ranges = list(box.values())
    rng = np.random.default_rng(19)
    a, b, x = (lo + (hi - lo) * rng.random(3000) for lo, hi in ranges)
    # Points next to the vapor + liquid surface, in x at (T, P).
    if variables == "tpx":
        edge = kelvoran.coexisting_liquid_composition(a[:500], b[:500]) * (1 + 1e-9 * rng.standard_normal(500))
        x[:500] = np.where((edge >= 0.0) & (edge <= 0.1), edge, x[:500])
    looked_up = table.evaluate(a, b, x, derivatives=True)
    model = kelvoran.evaluate(a, b, x) if variables == "tpx" else kelvoran.evaluate_ph(a, b, x)
    assert type(looked_up) is type(model)
    np.testing.assert_array_equal(looked_up.state, model.state)
    tolerance = table.tolerance
    rel = tolerance["relative"]
    solved = model.state != 0
    for phase in ("liquid", "vapor", "bulk"):
        ours, theirs = getattr(looked_up, phase), getattr(model, phase)
        present = solved & ~np.isnan(theirs.density)
        assert np.array_equal(np.isnan(ours.density), np.isnan(theirs.density))
        close = np.abs(ours.density - theirs.density) <= rel * theirs.density
        assert close[present].mean() >= 0.999
    # The derivatives are named and reached as the model's are.
    assert looked_up.d.P.bulk.density.shape == a.shape
    assert np.isfinite(looked_up.d.P.bulk.density[solved]).mean() > 0.9
    # The heat capacities are not tabulated.
    assert np.isnan(looked_up.liquid.heat_capacity).all()


def test_a_damaged_file_is_refused_by_name(tmp_path):
    variables, box, level = BOXES[0]
    path = tmp_path / "cut.kvt"
    kelvoran.PropertyTable.build(variables, **box, max_level=level, root_level=2).save(path)
    data = path.read_bytes()
    path.write_bytes(data[: len(data) // 2])
    with pytest.raises(kelvoran.TableError, match="cut.kvt.*truncated"):
        kelvoran.PropertyTable.load(path)
    assert issubclass(kelvoran.TableError, OSError)


def test_a_coarse_build_needs_only_its_finest_level():
    table = kelvoran.PropertyTable.build("tpx", T=(350.0, 352.0), P=(150.0, 152.0), x=(0.0, 0.01), max_level=4)
    assert table.levels == (4, 4)


def _densities(table, points):
    return table.evaluate(*points).bulk.density


def test_a_table_pickles_and_reaches_other_processes():
    table = kelvoran.PropertyTable.build("tpx", T=(350.0, 352.0), P=(150.0, 152.0), x=(0.0, 0.01), max_level=4)
    points = (np.array([350.5, 351.9]), np.array([150.2, 151.7]), np.array([0.001, 0.009]))
    copy = pickle.loads(pickle.dumps(table))
    assert copy.to_bytes() == table.to_bytes()
    np.testing.assert_array_equal(_densities(copy, points), _densities(table, points))
    with multiprocessing.get_context("spawn").Pool(1) as pool:
        np.testing.assert_array_equal(pool.apply(_densities, (table, points)), _densities(table, points))
    with pytest.raises(kelvoran.TableError, match="table's bytes.*truncated"):
        kelvoran.PropertyTable.from_bytes(bytearray(table.to_bytes()[:1000]))
