"""A scientist's session with labelled, masked and chunked data: every kind of input gives the
numbers of plain numpy arrays, with its labels, its mask or its laziness kept."""

import numpy as np
import pytest

import kelvoran

xr = pytest.importorskip("xarray")
pd = pytest.importorskip("pandas")
da = pytest.importorskip("dask.array")

T = np.array([25.0, 300.0, 400.0, 500.0, 700.0])  # °C
P = np.array([1.0, 100.0, 250.0, 1000.0])  # bar


def same(a, b):
    a, b = np.asarray(a), np.asarray(b)
    return a.shape == b.shape and a.dtype == b.dtype and a.tobytes() == b.tobytes()


def same_columns(result, expected):
    assert result.columns.keys() == expected.columns.keys()
    for name in expected.columns:
        assert same(result.columns[name], expected.columns[name]), name


def test_xarray_inputs_broadcast_by_name_and_come_back_labelled():
    t = xr.DataArray(T, dims="T", coords={"T": T})
    p = xr.DataArray(P, dims="P", coords={"P": P, "site": ("P", list("abcd"))})
    # The composition varies along P and covers only part of T's coordinates: aligned as xarray
    # arithmetic aligns (an inner join), broadcast by name (T first, as it comes first).
    x = xr.DataArray([[0.01, 0.05, 0.1, 0.2]] * 3, dims=("T", "P"), coords={"T": T[1:4], "P": P})
    r = kelvoran.evaluate(t, p, x)
    plain = kelvoran.evaluate(T[1:4, None], P[None, :], x.values)
    same_columns(r, plain)
    ds = r.to_xarray()
    assert ds.state.dims == ("T", "P") and ds.T.values.tolist() == T[1:4].tolist()
    assert ds.site.values.tolist() == list("abcd")  # a non-index coordinate of an input
    assert same(ds.liquid_density_kg_m3.values, plain.liquid.density)
    assert ds.liquid_density_kg_m3.attrs == {"units": "kg m-3", "long_name": "density of the liquid"}
    assert (ds.T_C.attrs["units"], ds.P_bar.attrs["units"], ds.x_NaCl.attrs["units"]) == ("degC", "bar", "mol mol-1")
    assert ds.state.attrs["flag_meanings"].split()[4] == "vapor_liquid"
    assert ds.warning_bits.attrs["flag_masks"].tolist()[-2:] == [
        int(kelvoran.Warnings.INVALID_INPUT),
        int(kelvoran.Warnings.MULTIPLE_SOLUTIONS),
    ]
    # Broadcast by name, not by position: a T over (P, T) meets a P over P.
    grid = xr.DataArray(np.tile(T, (len(P), 1)), dims=("P", "T"), coords={"T": T, "P": P})
    across = kelvoran.evaluate(grid, p, 0.05)
    assert across.to_xarray().state.dims == ("P", "T")
    assert same(across.state, kelvoran.evaluate(T[None, :], P[:, None], 0.05).state)
    with pytest.raises(TypeError, match="P must be one too"):
        kelvoran.evaluate(t, P, 0.05)


def test_pandas_series_align_by_index_like_pandas_arithmetic():
    t = pd.Series([300.0, 400.0, 500.0], index=["s1", "s2", "s3"])
    p = pd.Series([250.0, 100.0, 80.0], index=["s2", "s3", "s4"])
    r = kelvoran.evaluate(t, p, 0.05)
    aligned = (t + 0 * p).index  # pandas' own alignment
    df = r.to_pandas()
    assert df.index.equals(aligned) and r.shape == (4,)
    assert df.state_name.tolist() == ["undetermined", "V+L", "V+H", "undetermined"]
    assert df.warnings["s1"] == df.warnings["s4"] == "invalid_input"  # a missing value is NaN
    same_columns(r, kelvoran.evaluate(t.reindex(aligned).to_numpy(), p.reindex(aligned).to_numpy(), 0.05))
    # The inverse evaluations align as well; the index follows a slice.
    h = pd.Series([1.6e6, 2.0e6], index=["b", "a"])
    back = kelvoran.evaluate_ph(pd.Series(250.0, index=["a", "b"]), h, w=0.1)
    assert back.to_pandas().index.tolist() == ["a", "b"] and back[1:].to_pandas().index.tolist() == ["b"]
    assert back.T[1] == kelvoran.evaluate_ph(250.0, 1.6e6, w=0.1).T


def test_masked_points_are_not_evaluated_and_stay_masked(monkeypatch):
    t = np.ma.array(T, mask=[False, True, False, False, True])
    x = np.ma.array([0.05, 0.05, 0.05, 0.05, 0.05], mask=[False, False, True, False, False])
    seen = []
    evaluate_columns = kelvoran._core.evaluate_columns
    monkeypatch.setattr(kelvoran._core, "evaluate_columns", lambda t, *rest: (seen.append(t.copy()), evaluate_columns(t, *rest))[1])
    r = kelvoran.evaluate(t, 250.0, x)
    mask = np.array([False, True, True, False, True])
    assert np.array_equal(r.mask, mask)
    # What reached the model: NaN where masked, which the batch does not evaluate.
    assert np.array_equal(np.isnan(seen[0]), t.mask)
    for values in (r.liquid.density, r.state, r.state_name, r.warning_names, r.T, r.bulk.x):
        assert isinstance(values, np.ma.MaskedArray) and np.array_equal(np.ma.getmaskarray(values), mask)
    plain = kelvoran.evaluate(T[~mask], 250.0, 0.05)
    assert same(r.liquid.density.compressed(), plain.liquid.density)
    df = r.to_pandas()
    assert df.liquid_density_kg_m3.isna().tolist() == (mask | np.isnan(r.liquid.density.data)).tolist()
    assert df.state.isna().tolist() == mask.tolist() and df.state.dropna().tolist() == plain.state.tolist()
    assert np.array_equal(r[1:].mask, mask[1:])
    with pytest.raises(TypeError, match="masked arrays and dask arrays"):
        kelvoran.evaluate(t, da.from_array(P[:1]), 0.05)


@pytest.mark.parametrize("scheduler", ["threads", "processes"])
def test_dask_inputs_give_a_lazy_result_computed_chunk_by_chunk(monkeypatch, scheduler):
    t = da.from_array(np.linspace(0.0, 1000.0, 23), chunks=5)[:, None]  # 5 chunks
    p = da.from_array(np.geomspace(1.0, 5000.0, 17), chunks=5)[None, :]  # 4 chunks
    calls = []
    evaluate_columns = kelvoran._core.evaluate_columns
    monkeypatch.setattr(kelvoran._core, "evaluate_columns", lambda t, *rest: (calls.append(t.size), evaluate_columns(t, *rest))[1])
    r = kelvoran.evaluate(t, p, w=0.1)
    assert calls == [0]  # only the columns' types were asked for
    assert isinstance(r.liquid.density, da.Array) and r.liquid.density.numblocks == (5, 4)
    assert "not computed" in repr(r)
    computed = r.compute(scheduler=scheduler)
    if scheduler == "threads":  # the patched core is seen in this process only
        assert sorted(calls[1:]) == sorted(a * b for a in t.chunks[0] for b in p.chunks[1])  # each chunk once
    plain = kelvoran.evaluate(t.compute(), p.compute(), w=0.1)
    same_columns(computed, plain)
    assert same(r.state_name.compute(), plain.state_name)
    assert same(r.vapor.saturation.compute(), plain.vapor.saturation)
    assert r.to_pandas().equals(plain.to_pandas())
    ds = r.to_xarray()
    assert isinstance(ds.state.data, da.Array) and same(ds.state.values, plain.state)
    assert r[3, 2] == plain[3, 2]


def test_xarray_on_dask_stays_lazy():
    t = xr.DataArray(np.linspace(100.0, 900.0, 9), dims="T").chunk(4)
    p = xr.DataArray(np.geomspace(1.0, 5000.0, 6), dims="P")
    ds = kelvoran.evaluate(t, p, 0.05).to_xarray()
    assert isinstance(ds.liquid_density_kg_m3.data, da.Array) and ds.liquid_density_kg_m3.dims == ("T", "P")
    plain = kelvoran.evaluate(t.values[:, None], p.values[None, :], 0.05)
    assert same(ds.liquid_density_kg_m3.values, plain.liquid.density)
