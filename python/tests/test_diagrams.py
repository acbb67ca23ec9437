"""Phase diagrams: every traced boundary point separates, in kelvoran.evaluate, the two fields
the diagram names; the end points of the P-T projection; the command's images, CSV and errors;
drawing without a display."""

import csv
import doctest
import os
import subprocess
import sys
import threading
from pathlib import Path

import numpy as np
import pytest

pytest.importorskip("matplotlib")

import kelvoran  # noqa: E402
import kelvoran.diagrams as kd  # noqa: E402
from kelvoran.diagrams import _cli  # noqa: E402
from kelvoran.diagrams._trace import beside  # noqa: E402

from conftest import REPO  # noqa: E402


def evaluated_fields(T, P, x):
    states = kelvoran.evaluate(T, P, x).state
    return np.array([kd.FIELD_OF_STATE.get(int(s), "") for s in np.ravel(states)])


# Sections through every part of the system: dilute to salt-rich isopleths (with the vapor
# pocket just above the critical temperature of water, x = 2.1e-4), isobars below and above the
# critical pressure of water and through the V+L+H pressure maximum, isotherms below and just
# above the critical temperature of water and above the melting point of NaCl.
DIAGRAMS = [
    ("pt", lambda: kd.pt_projection()),
    ("isopleth 1e-4", lambda: kd.isopleth(1e-4, shading=False)),
    ("isopleth 2.1e-4", lambda: kd.isopleth(2.1e-4, T_range=(350, 420), P_range=(100, 400), shading=False)),
    ("isopleth 0.01", lambda: kd.isopleth(0.01, shading=False)),
    ("isopleth w=0.26", lambda: kd.isopleth(w=0.26, shading=False)),
    ("isopleth 0.4", lambda: kd.isopleth(0.4, P_range=(0.01, 5000), shading=False)),
    ("isobar 1", lambda: kd.isobar(1.0, log_x=True, shading=False)),
    ("isobar 100", lambda: kd.isobar(100.0, shading=False)),
    ("isobar 300", lambda: kd.isobar(300.0, log_x=True, shading=False)),
    ("isobar 390", lambda: kd.isobar(390.0, x_range=(1e-6, 1), log_x=True, shading=False)),
    ("isobar 1500", lambda: kd.isobar(1500.0, shading=False)),
    ("isotherm 300", lambda: kd.isotherm(300.0, log_x=True, shading=False)),
    ("isotherm 376", lambda: kd.isotherm(376.0, log_x=True, shading=False)),
    ("isotherm 600", lambda: kd.isotherm(600.0, shading=False)),
    ("isotherm 900", lambda: kd.isotherm(900.0, log_x=True, shading=False)),
]


# The field each line has on one of its sides, whatever is on the other: a line traced from
# another correlation than its name says separates other fields.
ONE_SIDE = {
    "water_boiling": "V",
    "critical_curve": "V+L",
    "three_phase": "V+H",
    "salt_melting": "L+H",
    "salt_boiling": "V",
    "salt_sublimation": "V+H",
    "bubble": "L/F",
    "liquid_branch": "L/F",
    "dew": "V",
    "vapor_branch": "V",
    "halite_liquidus": "L+H",
    "halite_vapor": "V+H",
    "critical_pressure": "V",
}


@pytest.mark.parametrize("make", [m for _, m in DIAGRAMS], ids=[n for n, _ in DIAGRAMS])
def test_every_boundary_point_separates_the_fields_it_names(make):
    d = make()
    tested = 0
    for name, curve in d.curves.items():
        inner = curve.interior()
        pts = (curve.T_C[inner], curve.P_bar[inner], curve.x_NaCl[inner])
        across = curve.across[inner]
        low = evaluated_fields(*beside(pts, across, -1.0, curve.step))
        high = evaluated_fields(*beside(pts, across, 1.0, curve.step))
        wrong = np.flatnonzero((low != curve.field_low[inner]) | (high != curve.field_high[inner]))
        assert wrong.size == 0, (
            f"{name}: {wrong.size} of {inner.sum()} points, first at T={pts[0][wrong[0]]!r} °C, "
            f"P={pts[1][wrong[0]]!r} bar, x={pts[2][wrong[0]]!r}: evaluated {low[wrong[0]]} | "
            f"{high[wrong[0]]}, drawn {curve.field_low[inner][wrong[0]]} | {curve.field_high[inner][wrong[0]]}"
        )
        assert np.all((low == ONE_SIDE[name]) | (high == ONE_SIDE[name])), f"{name} without {ONE_SIDE[name]} beside it"
        if d.kind != "pt":
            assert np.all(curve.field_low != curve.field_high), f"{name} drawn where it separates nothing"
        tested += inner.sum()
    assert tested >= 300


def test_sections_draw_the_lines_of_their_fields():
    # Which lines a section has: a salt-rich isopleth crosses the liquidus, the bubble and the
    # V+L+H curve and has a critical point; the isobar through 300 bar meets the V+L+H curve
    # twice (on both sides of its pressure maximum) and the critical curve once.
    d = kd.isopleth(0.1, shading=False)
    assert {n for n, c in d.curves.items() if len(c)} >= {"three_phase", "bubble", "dew", "halite_liquidus"}
    assert d.points["critical_point"][2] == 0.1
    assert kelvoran.critical_composition(d.points["critical_point"][0]) == pytest.approx(0.1, rel=1e-12)
    b = kd.isobar(300.0, shading=False)
    levels = np.unique(b.curves["three_phase"].T_C)
    assert levels.size == 2 and np.all(kelvoran.three_phase_pressure_bar(levels) == pytest.approx(300.0, rel=1e-12))
    assert kelvoran.critical_pressure_bar(b.points["critical_point"][0]) == pytest.approx(300.0, rel=1e-12)


def test_projection_end_points():
    d = kd.pt_projection()
    boiling, critical, three = d.curves["water_boiling"], d.curves["critical_curve"], d.curves["three_phase"]
    # The critical curve rises from the critical point of water, where the boiling curve ends.
    assert (critical.T_C[0], critical.P_bar[0]) == (373.976, 220.54915)
    assert critical.P_bar[-1] > 2000 and np.all(np.diff(critical.P_bar) > 0)
    assert boiling.T_C[-1] == pytest.approx(373.976, abs=1e-9)
    assert boiling.P_bar[-1] == pytest.approx(220.54915, abs=1e-5)
    # The V+L+H curve ends at the triple point of NaCl, 800.7 °C and 0.0005 bar, as do the
    # boiling and sublimation curves of NaCl; its pressure maximum is near 595 °C, 390 bar.
    assert three.T_C[-1] == 800.7 and three.P_bar[-1] == pytest.approx(0.0005, rel=1e-6)
    assert d.curves["salt_boiling"].T_C[0] == 800.7 and d.curves["salt_sublimation"].T_C[-1] == 800.7
    for name in ("salt_boiling", "salt_sublimation"):
        end = 0 if name == "salt_boiling" else -1
        assert d.curves[name].P_bar[end] == pytest.approx(0.0005, rel=1e-12)
    t_max, p_max, _ = d.points["three_phase_maximum"]
    assert t_max == pytest.approx(594.6324429298147, abs=1e-3)
    assert p_max == pytest.approx(390.1474443379598, rel=1e-12)
    assert p_max >= three.P_bar.max()
    assert d.points["water_critical_point"][:2] == (373.976, 220.54915)
    assert d.points["salt_triple_point"][:2] == (800.7, 0.0005)


def test_field_tree_is_the_classification(random_points, reference_points):
    T, P, x = (np.concatenate(pair) for pair in zip(random_points, reference_points))
    assert np.array_equal(kd.fields_at(T, P, x), evaluated_fields(T, P, x))


SIGNATURES = {"png": b"\x89PNG", "svg": b"<svg", "pdf": b"%PDF"}
COMMANDS = [
    ["pt"],
    ["isopleth", "--x", "0.1", "--resolution", "61"],
    ["isobar", "--P", "300", "--log-x"],
    ["isotherm", "--T", "500", "--isochores", "400,800"],
]


@pytest.mark.parametrize("command", COMMANDS, ids=[c[0] for c in COMMANDS])
def test_command_writes_each_image_format_and_the_csv(command, tmp_path):
    for fmt, signature in SIGNATURES.items():
        image, table = tmp_path / f"d.{fmt}", tmp_path / f"d-{fmt}.csv"
        assert _cli.main([*command, "-o", str(image), "--csv", str(table)]) == 0
        assert signature in image.read_bytes()[:400]
    with open(table, newline="") as f:
        rows = list(csv.reader(f))
    assert tuple(rows[0]) == kd.CSV_COLUMNS
    assert len(rows) > 100
    for row in rows[1:]:
        assert row[5] in ("T_C", "P_bar", "x_NaCl", "") and {row[6], row[7]} <= set(kd.FIELDS) | {""}
        float(row[2]), float(row[3]), float(row[4])
    assert sorted(os.listdir(tmp_path)) == sorted(f"d{s}" for s in (".png", ".svg", ".pdf", "-png.csv", "-svg.csv", "-pdf.csv"))


# Files the error cases read: an unreadable row, a section's needed column missing, points
# that all lie off the section.
POINTS_FILES = {
    "noheader.csv": "1,2,3\n",
    "abc.csv": "T_C,P_bar\n400,100\n300,abc\n",
    "no-x.csv": "T_C,P_bar\n300,100\n",
    "hot.csv": "T_C,P_bar,x_NaCl\n300,100,0.1\n400,200,0.1\n",
}


@pytest.mark.parametrize(
    "arguments, status, message",
    [
        (["isopleth", "--x", "0.1", "-o", "{tmp}/d.jpg"], 2, "'.jpg' is not an image format"),
        (["isopleth", "--x", "0.1", "-o", "{tmp}/d"], 2, "no extension"),
        (["isobar", "--P", "300"], 2, "nothing to write"),
        (["isobar", "--P", "300", "--x-range", "0,2", "-o", "{tmp}/d.png"], 2, "x_range (0, 2)"),
        (["isotherm", "--T", "500", "--log-x", "--x-range", "0,1", "-o", "{tmp}/d.png"], 2, "positive start"),
        (["isopleth", "--x", "1.5", "-o", "{tmp}/d.png"], 2, "between 0 and 1"),
        (["isotherm", "--T", "2000", "-o", "{tmp}/d.png"], 2, "T = 2000 °C must lie within 0 to 1000 °C"),
        (["isopleth", "--x", "0.1", "--T-range=-50,500", "-o", "{tmp}/d.png"], 2, "within 0 to 1000 °C"),
        (["isobar", "--P", "8000", "-o", "{tmp}/d.png"], 2, "up to 5000 bar"),
        (["pt", "-o", "{tmp}/d.png", "--csv", "{tmp}/d.png"], 2, "name the same file"),
        (["pt", "--points", "{tmp}/missing.csv", "-o", "{tmp}/d.png"], 3, "no such file"),
        (["pt", "--points", "{tmp}/noheader.csv", "-o", "{tmp}/d.png"], 3, "names no T_C column"),
        (["pt", "--points", "{tmp}/abc.csv", "-o", "{tmp}/d.png"], 3, "line 3: P_bar 'abc' is not a number"),
        (["isobar", "--P", "100", "--points", "{tmp}/no-x.csv", "-o", "{tmp}/d.png"], 3, "no x_NaCl or w_NaCl"),
        (["isotherm", "--T", "500", "--points", "{tmp}/hot.csv", "-o", "{tmp}/d.png"], 3, "none to draw"),
        (["pt", "--points", "{tmp}/abc.csv", "--csv", "{tmp}/abc.csv"], 4, "is the points file"),
        (["pt", "-o", "{tmp}/no/such/folder/d.png"], 4, "cannot write"),
    ],
)
def test_command_errors(arguments, status, message, tmp_path, capsys):
    for name, text in POINTS_FILES.items():
        (tmp_path / name).write_text(text)
    argv = [a.replace("{tmp}", str(tmp_path)) for a in arguments]
    try:
        code = _cli.main(argv)
    except SystemExit as exit_:
        code = exit_.code
    err = capsys.readouterr().err
    assert code == status and message in err, err
    if status == 2:  # the usage of the diagram asked for, not of the whole command
        assert f"usage: kelvoran-diagram {arguments[0]} " in err
    assert sorted(os.listdir(tmp_path)) == sorted(POINTS_FILES)


def test_command_outputs_are_replaced_together(tmp_path, capsys):
    # The CSV to standard output; no file named "-".
    assert _cli.main(["isotherm", "--T", "500", "--no-shading", "--csv", "-"]) == 0
    out = capsys.readouterr().out
    assert out.startswith(",".join(kd.CSV_COLUMNS) + "\n") and out.count("\n") > 100
    assert not os.path.exists("-")
    # An image that was written and a CSV that cannot be: the earlier image stays as it was.
    image = tmp_path / "d.png"
    image.write_bytes(b"earlier")
    (tmp_path / "folder.csv").mkdir()
    assert _cli.main(["pt", "-o", str(image), "--csv", str(tmp_path / "folder.csv")]) == 4
    assert image.read_bytes() == b"earlier"
    # A symbolic link is followed (the file it names is replaced, the link kept); a named pipe
    # is written in place.
    (tmp_path / "link.csv").symlink_to(tmp_path / "lines.csv")
    pipe = tmp_path / "pipe.csv"
    os.mkfifo(pipe)
    received = []
    reader = threading.Thread(target=lambda: received.append(pipe.read_text()))
    reader.start()
    assert _cli.main(["isobar", "--P", "300", "--no-shading", "-o", str(image), "--csv", str(pipe)]) == 0
    reader.join(60)
    assert received and received[0].startswith("curve,segment")
    assert _cli.main(["isobar", "--P", "300", "--no-shading", "--csv", str(tmp_path / "link.csv")]) == 0
    assert (tmp_path / "link.csv").is_symlink() and (tmp_path / "lines.csv").read_text() == received[0]
    assert image.read_bytes()[:4] == b"\x89PNG"
    # /dev/stdout is the open stream: appended to, as by a shell redirection.
    log = tmp_path / "log.csv"
    log.write_text("earlier\n")
    with open(log, "a") as out:
        command = [sys.executable, "-m", "kelvoran.diagrams._cli", "isobar", "--P", "300", "--no-shading", "--csv", "/dev/stdout"]
        assert subprocess.run(command, stdout=out, timeout=120).returncode == 0
    assert log.read_text() == "earlier\n" + received[0]
    assert sorted(os.listdir(tmp_path)) == ["d.png", "folder.csv", "lines.csv", "link.csv", "log.csv", "pipe.csv"]


def test_what_is_not_drawn_is_said(tmp_path, capsys):
    # Points of other temperatures on an isotherm are left out and counted, as are isochores
    # that do not cross the window; the rest is drawn and the command succeeds.
    points = tmp_path / "fi.csv"
    points.write_text("T_C,P_bar,w_NaCl\n500,400,0.1\n300,150,0.1\n350,400,0.1\n")
    argv = ["isotherm", "--T", "500", "--points", str(points), "--isochores=300,1e9", "-o", str(tmp_path / "d.png")]
    assert _cli.main(argv) == 0
    err = capsys.readouterr().err
    assert "2 of 3 points lie at other temperatures than the isotherm's 500 °C (300 to 350 °C)" in err
    assert "isochores 1e+09 kg/m³ do not cross the window" in err
    with pytest.warns(kd.DiagramWarning) as caught:
        kd.isotherm(500.0, points=points, P_range=(1, 300), shading=False)
    assert any("fi.csv: 1 of 1 points lie outside the window" in str(w.message) for w in caught)


def test_each_isochore_is_labelled_once_on_its_single_fluid():
    levels = [400, 600, 800, 1000]
    d = kd.isopleth(w=0.1, T_range=(100, 800), P_range=(10, 3000), isochores=levels, shading=False)
    labels = {t.get_text(): t.get_position() for t in d.axes.texts if t.get_text().endswith("kg/m³")}
    assert sorted(labels) == sorted(f"{v} kg/m³" for v in levels) and len(d.axes.texts) >= len(labels)
    x = kelvoran.mole_fraction_from_mass_fraction(0.1)
    for text in ("600 kg/m³", "800 kg/m³", "1000 kg/m³"):  # 400 has no single-fluid branch there
        T, P = labels[text]
        assert kd.fields_at(T, P, x) == "L/F", text
        assert abs(kelvoran.evaluate(T, P, x).bulk.density - float(text.split()[0])) < 30


def test_points_of_a_table_are_drawn(table, tmp_path):
    out = tmp_path / "fi.csv"
    out.write_text(table("-T", "300,450", "-P", "200,500", "-w", "0.2"))
    T, P, x = kd.read_points(out)
    assert np.array_equal(T, [300, 300, 450, 450]) and np.array_equal(P, [200, 500, 200, 500])
    assert np.allclose(x, kelvoran.mole_fraction_from_mass_fraction(0.2), rtol=1e-15)
    # On an isobar, only the points of its pressure.
    with pytest.warns(kd.DiagramWarning, match="2 of 4 points lie at other pressures than the isobar's 200 bar"):
        d = kd.isobar(200.0, points=out, shading=False)
    drawn = [line for line in d.axes.lines if line.get_label().startswith("points of fi.csv")]
    assert len(drawn) == 1 and np.array_equal(drawn[0].get_ydata(), [300, 450]) and np.allclose(drawn[0].get_xdata(), x[:2])


def test_headless_command_and_docstring(tmp_path):
    # The installed command, without a display or a configured backend.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "MPLBACKEND")}
    program = Path(sys.executable).with_name("kelvoran-diagram")
    assert program.exists(), "kelvoran-diagram is not installed next to the interpreter"
    help_text = subprocess.run([str(program), "isobar", "--help"], capture_output=True, text=True, env=env, timeout=60)
    assert help_text.returncode == 0 and "examples:" in help_text.stdout and "--log-x" in help_text.stdout
    image = tmp_path / "t.png"
    done = subprocess.run(
        [str(program), "isotherm", "--T", "400", "--no-shading", "-o", str(image)],
        capture_output=True, text=True, env=env, timeout=120,
    )
    assert done.returncode == 0, done.stderr
    assert image.read_bytes()[:4] == b"\x89PNG"
    # Figures made without pyplot need no display; the docstring's example holds.
    code = "import sys, kelvoran.diagrams as kd; kd.isotherm(400, shading=False); print('matplotlib.pyplot' in sys.modules)"
    assert subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=env).stdout.strip() == "False"
    for module in (kd, kd._fields):
        failures, tried = doctest.testmod(module, optionflags=doctest.NORMALIZE_WHITESPACE)
        assert tried > 0 and failures == 0, module.__name__


def test_docs_document_the_csv_columns():
    page = (REPO / "docs" / "diagrams.md").read_text(encoding="utf-8")
    for column in kd.CSV_COLUMNS:
        assert f"`{column}`" in page
    for picture in ("pt-projection.png", "isopleth-x0.1.png", "isobar-300bar.png", "isotherm-500C.png"):
        assert f"]({picture})" in page and (REPO / "docs" / picture).stat().st_size > 10_000
