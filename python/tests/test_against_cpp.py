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


def table_header(table):
    return table("-T", "25", "-P", "1", "-x", "0.01", "-q").splitlines()[0].split(",")


def test_dataframe_columns_start_with_the_table_header(table):
    header = table_header(table)
    assert tuple(header) == kelvoran.TABLE_COLUMNS
    columns = list(kelvoran.evaluate([25.0, 400.0], 250.0, 0.05).to_pandas().columns)
    assert columns[: len(header)] == header
    assert columns[len(header):] == [f"bulk_{suffix}" for _, suffix in kelvoran.PHASE_FIELDS]


@pytest.mark.parametrize("composition", ["x_NaCl", "w_NaCl"])
def test_every_table_column_equals_the_table_tool(table, reference_points, random_points, composition):
    t = np.concatenate([reference_points[0], random_points[0]])
    p = np.concatenate([reference_points[1], random_points[1]])
    c = np.concatenate([reference_points[2], random_points[2]])
    if composition == "w_NaCl":
        c = np.clip(c * 1.3, 0.0, 1.0)  # other numbers, the ends included
    keep = np.isfinite(t) & np.isfinite(p) & np.isfinite(c)  # the table refuses non-finite input
    t, p, c = t[keep], p[keep], c[keep]

    text = f"T_C,P_bar,{composition}\n" + "".join(f"{a!r},{b!r},{d!r}\n" for a, b, d in zip(t.tolist(), p.tolist(), c.tolist()))
    rows = list(csv.reader(io.StringIO(table("-", "-q", "-j", "2", input_text=text))))
    header, rows = rows[0], rows[1:]
    assert len(rows) == t.size
    expected = {name: [row[k] for row in rows] for k, name in enumerate(header)}

    kwargs = {"x": c} if composition == "x_NaCl" else {"w": c}
    frame = kelvoran.evaluate(t, p, threads=2, **kwargs).to_pandas()
    assert list(frame.columns[: len(header)]) == header
    for name in header:
        got = frame[name].to_numpy()
        if name in ("state_name", "error"):
            assert list(got) == expected[name], name
        elif name == "line":  # a file's line numbers count the header; points count from 1
            assert got.tolist() == [int(v) - 1 for v in expected[name]]
        elif name == "state":
            assert got.tolist() == [int(v) for v in expected[name]]
        elif name == "out_of_range":
            assert got.tolist() == [v == "1" for v in expected[name]], name
        else:
            table_values = [float(v) if v else math.nan for v in expected[name]]
            assert same_bits(got, table_values), name
    # Every state is among the points, so every column was compared with numbers in it.
    assert set(frame["state"]) == set(range(1, 8))


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
