"""The Python values are the C++ library's, bit for bit: against kelvoran-table's 17-digit
output (every table column, by x and by w) and against the per-point calculator (the bulk
columns the table does not have)."""

import csv
import io
import math

import numpy as np
import pytest

import kelvoran
from kelvoran import _core


def same_bits(a, b):
    """Equal doubles, zeros' signs included; NaN matches NaN."""
    a, b = np.asarray(a, dtype=np.float64), np.asarray(b, dtype=np.float64)
    nan_a, nan_b = np.isnan(a), np.isnan(b)
    return np.array_equal(nan_a, nan_b) and np.array_equal(a[~nan_a].view(np.uint64), b[~nan_b].view(np.uint64))


# The inverse evaluations: the function, the table's input columns for it, its header.
INVERSE = {
    "ph": (kelvoran.evaluate_ph, "P_bar,h_J_kg", kelvoran.TABLE_COLUMNS_PH),
    "prho": (kelvoran.evaluate_prho, "P_bar,rho_kg_m3", kelvoran.TABLE_COLUMNS_PRHO),
    "trho": (kelvoran.evaluate_trho, "T_C,rho_kg_m3", kelvoran.TABLE_COLUMNS_TRHO),
}


def table_csv(table, names, columns, *args):
    """kelvoran-table's output for the CSV of the given columns, every value in full."""
    text = ",".join(names) + "\n" + "".join(",".join(repr(v) for v in row) + "\n" for row in zip(*(c.tolist() for c in columns)))
    return table("-", "-q", *args, input_text=text)


def assert_frame_is_the_table(frame, text):
    """Every column of the table's output equals the DataFrame's, bit for bit: numbers, names
    and the empty fields (NaN, or for a row without a state found, state 0)."""
    rows = list(csv.reader(io.StringIO(text)))
    header, rows = rows[0], rows[1:]
    assert list(frame.columns[: len(header)]) == header
    assert len(frame) == len(rows)
    expected = {name: [row[k] for row in rows] for k, name in enumerate(header)}
    unsolved = [v not in ("", "solved") for v in expected.get("inverse_status", [""] * len(rows))]
    for name in header:
        got, want = frame[name].to_numpy(), expected[name]
        if name in ("error", "warnings", "fluid_type", "inverse_status"):
            assert list(got) == want, name
        elif name == "state_name":  # no state found: "undetermined" here, empty there
            assert ["" if u else g for g, u in zip(got, unsolved)] == want
        elif name == "line":  # a file's line numbers count the header; points count from 1
            assert got.tolist() == [int(v) - 1 for v in want]
        elif name == "state":
            assert got.tolist() == [int(v) if v else 0 for v in want]
        elif name == "out_of_range":
            assert [g for g, u in zip(got.tolist(), unsolved) if not u] == [v == "1" for v, u in zip(want, unsolved) if not u]
        else:
            assert same_bits(got, [float(v) if v else math.nan for v in want]), name


@pytest.mark.parametrize("mode", ["direct", *INVERSE])
def test_dataframe_columns_are_the_table_header_in_each_mode(table, mode):
    if mode == "direct":
        header = table("-T", "25", "-P", "1", "-x", "0.01", "-q").splitlines()[0].split(",")
        frame = kelvoran.evaluate([25.0, 400.0], 250.0, 0.05).to_pandas()
        assert tuple(header) == kelvoran.TABLE_COLUMNS
        codes = ["warning_bits", "fluid_type_code"]
    else:
        function, given, columns = INVERSE[mode]
        header = table("-", "-q", input_text=f"{given},x_NaCl\n300,800,0.05\n").splitlines()[0].split(",")
        frame = function([300.0, 250.0], 800.0, 0.05).to_pandas()
        assert tuple(header) == columns
        codes = ["warning_bits", "fluid_type_code", "inverse_status_code"]
    columns = list(frame.columns)
    assert columns[: len(header)] == header
    bulk = [f"bulk_{suffix}" for _, suffix in kelvoran.PHASE_FIELDS + kelvoran.AMOUNT_FIELDS]
    assert columns[len(header):] == [name for name in bulk if name not in header] + codes


@pytest.mark.parametrize("composition", ["x_NaCl", "w_NaCl"])
def test_every_table_column_equals_the_table_tool(table, reference_points, random_points, composition):
    t = np.concatenate([reference_points[0], random_points[0]])
    p = np.concatenate([reference_points[1], random_points[1]])
    c = np.concatenate([reference_points[2], random_points[2]])
    if composition == "w_NaCl":
        c = np.clip(c * 1.3, 0.0, 1.0)  # other numbers, the ends included
    keep = np.isfinite(t) & np.isfinite(p) & np.isfinite(c)  # the table refuses non-finite input
    t, p, c = t[keep], p[keep], c[keep]

    text = table_csv(table, ["T_C", "P_bar", composition], [t, p, c], "-j", "2")
    kwargs = {"x": c} if composition == "x_NaCl" else {"w": c}
    frame = kelvoran.evaluate(t, p, threads=2, **kwargs).to_pandas()
    assert_frame_is_the_table(frame, text)
    # Every state and several warnings are among the points, so every column was compared with
    # numbers in it.
    assert set(frame["state"]) == set(range(1, 8))
    assert {"liquid", "vapor", "supercritical", ""} <= set(frame["fluid_type"])
    assert len(set(frame["warnings"])) > 5


@pytest.mark.parametrize("mode", list(INVERSE))
def test_inverse_evaluations_equal_the_table_tool(table, mode):
    """The inverse evaluations give kelvoran-table's rows for the same input, every column, with
    every status among them."""
    function, given, _ = INVERSE[mode]
    rng = np.random.default_rng(11)
    n = 400
    first = 10.0 ** rng.uniform(0.0, np.log10(5000.0), n) if mode != "trho" else rng.uniform(0.0, 1000.0, n)
    second = rng.uniform(-2e5, 4.5e6, n) if mode == "ph" else rng.uniform(-50.0, 2500.0, n)
    w = np.where(rng.uniform(size=n) < 0.05, 1.5, rng.uniform(0.0, 0.7, n))  # a few invalid ones
    text = table_csv(table, [*given.split(","), "w_NaCl"], [first, second, w], "-j", "2")
    result = function(first, second, w=w, threads=2)
    assert_frame_is_the_table(result.to_pandas(), text)
    statuses = set(result.status_name)
    assert {"solved", "out_of_range", "invalid_input"} <= statuses
    assert mode != "ph" or "undefined" in statuses


def test_bulk_columns_equal_the_calculator(reference_points, random_points):
    t = np.concatenate([reference_points[0], random_points[0][:500]])
    p = np.concatenate([reference_points[1], random_points[1][:500]])
    x = np.concatenate([reference_points[2], random_points[2][:500]])
    r = kelvoran.evaluate(t, p, x)
    for i in range(t.size):
        point = _core._calculator_point(t[i], p[i], x[i])
        assert r.state[i] == point["state"]
        for attribute, suffix in kelvoran.PHASE_FIELDS:
            got = getattr(r.bulk, attribute)[i]
            wanted = point[f"bulk_{suffix}"]
            assert same_bits(got, wanted) or (math.isnan(got) and math.isnan(wanted)), (
                i,
                attribute,
            )


@pytest.mark.parametrize("mode", ["direct", *INVERSE])
def test_derivatives_equal_the_table_tool(table, mode):
    """With derivatives=True the DataFrame has kelvoran-table --derivatives' columns, in its
    order, with its numbers bit for bit."""
    rng = np.random.default_rng(5)
    n = 300
    if mode == "direct":
        names, function = ["T_C", "P_bar"], kelvoran.evaluate
        first, second = rng.uniform(0.0, 1000.0, n), 10.0 ** rng.uniform(0.0, np.log10(5000.0), n)
    else:
        function, given, _ = INVERSE[mode]
        names = given.split(",")
        first = 10.0 ** rng.uniform(0.0, np.log10(5000.0), n) if mode != "trho" else rng.uniform(0.0, 1000.0, n)
        second = rng.uniform(2e5, 4e6, n) if mode == "ph" else rng.uniform(10.0, 1500.0, n)
    w = rng.uniform(0.0, 0.6, n)
    text = table_csv(table, [*names, "w_NaCl"], [first, second, w], "-j", "2", "--derivatives")
    frame = function(first, second, w=w, threads=2, derivatives=True).to_pandas()
    header = text.splitlines()[0].split(",")
    assert [name for name in header if name.startswith("d_")] == list(kelvoran.derivative_columns(mode))
    assert_frame_is_the_table(frame, text)
