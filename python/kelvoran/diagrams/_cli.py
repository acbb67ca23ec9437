"""kelvoran-diagram: draws the phase diagrams of kelvoran.diagrams into image files."""

from __future__ import annotations

import argparse
import errno
import math
import os
import re
import stat
import sys
import tempfile
import warnings
from typing import Dict, List, Optional, Sequence, Tuple

FORMATS = ("png", "svg", "pdf")

EXAMPLES = """\
examples:
  kelvoran-diagram pt -o projection.png
  kelvoran-diagram isopleth --x 0.1 -o isopleth.png --csv isopleth.csv
  kelvoran-diagram isopleth --w 0.2 --T-range 200,800 --P-range 10,2000 -o isopleth.pdf
  kelvoran-diagram isobar --P 300 --log-x -o isobar.svg
  kelvoran-diagram isotherm --T 500 --x-range 0,0.5 -o isotherm.png
  kelvoran-diagram isopleth --x 0.05 --points inclusions.csv --isochores 600,800,1000 -o fi.png

Temperatures in °C (0 to 1000, the range the model's correlations were fitted for),
pressures in bar (above 0, up to 5000), compositions as mole fraction NaCl (--w: mass
fraction). A range is LOW,HIGH (or LOW:HIGH). The image format follows the extension of -o:
.png, .svg or .pdf. --csv writes the traced lines, one row per point, with the columns curve,
segment, T_C, P_bar, x_NaCl, across, field_low, field_high (see docs/diagrams.md); - writes
them to standard output. Every output is written to a temporary file beside it and renamed
only when all are complete. --points draws the points of a CSV table as kelvoran-table reads
and writes it: columns T_C and P_bar (pt, isopleth), T_C and x_NaCl or w_NaCl (isobar), P_bar
and x_NaCl or w_NaCl (isotherm); where a section's table also has its fixed quantity, only the
points of the section are drawn and the others counted on standard error.

exit status: 0 done (warnings, such as points left out or isochores outside the window, go to
standard error); 2 a bad command line (also an unknown image format, or a value outside the
diagrams' range); 3 the points file cannot be used (a row that cannot be read, a missing
column, no point to draw); 4 an output cannot be written; 5 any other failure.
"""


class UsageError(Exception):
    pass


def _range(text: str) -> Tuple[float, float]:
    parts = text.replace(":", ",").split(",")
    if len(parts) != 2:
        raise argparse.ArgumentTypeError(f"'{text}' is not a range LOW,HIGH")
    try:
        low, high = float(parts[0]), float(parts[1])
    except ValueError:
        raise argparse.ArgumentTypeError(f"'{text}' is not a range of two numbers LOW,HIGH") from None
    if not (math.isfinite(low) and math.isfinite(high) and low < high):
        raise argparse.ArgumentTypeError(f"'{text}': give two finite numbers, LOW < HIGH")
    return low, high


def _number(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"'{text}' is not a number") from None
    if not math.isfinite(value):
        raise argparse.ArgumentTypeError(f"'{text}' is not a finite number")
    return value


def _numbers(text: str) -> List[float]:
    try:
        values = [float(v) for v in text.split(",") if v.strip()]
    except ValueError:
        raise argparse.ArgumentTypeError(f"'{text}' is not a list of numbers V1,V2,...") from None
    if not values or not all(math.isfinite(v) and v > 0 for v in values):
        raise argparse.ArgumentTypeError(f"'{text}': give positive densities, kg/m³, as V1,V2,...")
    return values


def _resolution(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"'{text}' is not a whole number") from None
    if not 16 <= value <= 2000:
        raise argparse.ArgumentTypeError(f"{value}: give 16 to 2000 grid lines")
    return value


def parser() -> argparse.ArgumentParser:
    """The command line of kelvoran-diagram."""
    return _parsers()[0]


def _parsers() -> Tuple[argparse.ArgumentParser, Dict[str, argparse.ArgumentParser]]:
    """The command's parser and that of each diagram, by name."""
    from .. import __version__

    top = argparse.ArgumentParser(
        prog="kelvoran-diagram",
        description="Draws phase diagrams of H2O-NaCl from the model's own boundaries: the P-T "
        "projection, isopleths (P-T at fixed x), isobars (T-x) and isotherms (P-x).",
        epilog=EXAMPLES,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    top.add_argument("--version", action="version", version=f"kelvoran-diagram {__version__}")
    sub = top.add_subparsers(dest="diagram", metavar="DIAGRAM", required=True)
    subs: Dict[str, argparse.ArgumentParser] = {}

    def common(p: argparse.ArgumentParser, ranges: Sequence[str], sections: bool) -> None:
        p.add_argument("-o", "--output", metavar="FILE", help="the image: FILE.png, FILE.svg or FILE.pdf")
        p.add_argument("--csv", metavar="FILE", help="the traced lines as CSV (- for standard output)")
        if "T" in ranges:
            p.add_argument("--T-range", type=_range, metavar="LOW,HIGH", help="temperature axis, °C (0,1000)")
        if "P" in ranges:
            p.add_argument("--P-range", type=_range, metavar="LOW,HIGH", help="pressure axis, bar")
            p.add_argument("--linear-P", action="store_true", help="a linear pressure axis (default logarithmic)")
        if "x" in ranges:
            p.add_argument("--x-range", type=_range, metavar="LOW,HIGH", help="composition axis (0,1; 1e-10,1 with --log-x)")
            p.add_argument("--log-x", action="store_true", help="a logarithmic composition axis, for the vapor")
        if sections:
            p.add_argument("--no-shading", action="store_true", help="leave the fields white")
            p.add_argument(
                "--isochores", type=_numbers, metavar="D1,D2,...", help="lines of equal bulk density, kg/m³"
            )
        p.add_argument("--points", metavar="FILE.csv", help="draw the points of a kelvoran-table CSV on top")
        p.add_argument("--dpi", type=_number, default=300.0, help="resolution of a PNG, dots per inch (300)")
        p.add_argument("--title", help="the title over the diagram")

    p = sub.add_parser(
        "pt", help="P-T projection of the system", epilog=EXAMPLES, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    common(p, "TP", sections=False)
    subs["pt"] = p
    p = sub.add_parser(
        "isopleth", help="P-T section at one composition", epilog=EXAMPLES,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    group = p.add_mutually_exclusive_group(required=True)
    group.add_argument("--x", type=_number, help="composition, mole fraction NaCl")
    group.add_argument("--w", type=_number, help="composition, mass fraction NaCl")
    p.add_argument("--resolution", type=_resolution, default=241, help="grid lines per axis that guide the tracing (241)")
    common(p, "TP", sections=True)
    subs["isopleth"] = p
    p = sub.add_parser(
        "isobar", help="T-x section at one pressure", epilog=EXAMPLES, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    p.add_argument("--P", type=_number, required=True, help="pressure, bar")
    common(p, "Tx", sections=True)
    subs["isobar"] = p
    p = sub.add_parser(
        "isotherm", help="P-x section at one temperature", epilog=EXAMPLES,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    p.add_argument("--T", type=_number, required=True, help="temperature, °C")
    common(p, "Px", sections=True)
    subs["isotherm"] = p
    return top, subs


def _image_format(path: str) -> str:
    ext = os.path.splitext(path)[1].lower().lstrip(".")
    if ext not in FORMATS:
        shown = f"'.{ext}'" if ext else "no extension"
        raise UsageError(f"-o {path}: {shown} is not an image format this program writes (use .png, .svg or .pdf)")
    return ext


class _Output:
    """One output file of the command: written to a temporary file beside its target (the
    file a symbolic link names), which commit() renames to the target; an open stream of the
    process (/dev/stdout, /dev/fd/N), a device or a named pipe is written in place."""

    def __init__(self, path: str) -> None:
        self.path = path
        self.target = os.path.realpath(path)
        self.temporary: Optional[str] = None
        self.mode: Optional[int] = None  # of the file replaced
        self.in_place = False
        self.stream = _open_stream(path)  # the descriptor of an open stream, or None
        if self.stream is not None:
            return
        try:
            info = os.stat(path)
        except FileNotFoundError:
            return  # a new file (or the one a dangling link names)
        if stat.S_ISDIR(info.st_mode):
            raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), path)
        if stat.S_ISREG(info.st_mode):
            if not os.access(path, os.W_OK):
                raise PermissionError(errno.EACCES, os.strerror(errno.EACCES), path)
            self.mode = stat.S_IMODE(info.st_mode)
        else:
            self.in_place = True  # a device or a named pipe

    def write(self, write_to) -> None:
        """Writes through `write_to(file)`, given a file name or, for an open stream, a binary
        file object on it (so that a redirection with >> appends)."""
        if self.stream is not None:
            sys.stdout.flush()
            with os.fdopen(os.dup(self.stream), "wb") as f:
                write_to(f)
            return
        if self.in_place:
            write_to(self.path)
            return
        fd, self.temporary = tempfile.mkstemp(
            prefix=".kelvoran-diagram-", suffix=os.path.splitext(self.target)[1], dir=os.path.dirname(self.target)
        )
        os.close(fd)
        write_to(self.temporary)
        os.chmod(self.temporary, self.mode if self.mode is not None else 0o666 & ~_umask())

    def commit(self) -> None:
        if self.temporary is not None:
            os.replace(self.temporary, self.target)
            self.temporary = None

    def discard(self) -> None:
        if self.temporary is not None:
            try:
                os.unlink(self.temporary)
            except OSError:
                pass
            self.temporary = None


#: Names of the open streams of the process (and their descriptor), written in place as a shell
#: redirection would.
_STREAM = re.compile(r"^/(?:dev/(stdout|stderr|fd/(\d+))|proc/self/fd/(\d+))$")


def _open_stream(path: str) -> Optional[int]:
    """The descriptor of the open stream of the process that `path` names, or links to through
    any chain of links (/dev/stdout: 1); None for any other path."""
    current = os.path.abspath(path)
    for _ in range(40):
        match = _STREAM.match(current)
        if match:
            name, fd, proc_fd = match.groups()
            return {"stdout": 1, "stderr": 2}.get(name) if fd is None and proc_fd is None else int(fd or proc_fd)
        if not os.path.islink(current):
            return None
        current = os.path.normpath(os.path.join(os.path.dirname(current), os.readlink(current)))
    return None


def _write_bytes(file, data: bytes) -> None:
    if isinstance(file, str):
        with open(file, "wb") as f:
            f.write(data)
    else:
        file.write(data)


def _umask() -> int:
    mask = os.umask(0)
    os.umask(mask)
    return mask


def _same_file(a: str, b: str) -> bool:
    if a == "-" or b == "-":
        return False
    if os.path.realpath(a) == os.path.realpath(b):
        return True
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def _draw(args: argparse.Namespace):
    from .. import diagrams as kd

    options = {}
    if getattr(args, "T_range", None):
        options["T_range"] = args.T_range
    if getattr(args, "P_range", None):
        options["P_range"] = args.P_range
    if getattr(args, "linear_P", False):
        options["log_P"] = False
    if getattr(args, "x_range", None):
        options["x_range"] = args.x_range
    if getattr(args, "log_x", False):
        options["log_x"] = True
    if getattr(args, "no_shading", False):
        options["shading"] = False
    if getattr(args, "isochores", None):
        options["isochores"] = args.isochores
    if args.title:
        options["title"] = args.title
    if args.points:
        options["points"] = args.points
    if args.diagram == "pt":
        return kd.pt_projection(**options)
    if args.diagram == "isopleth":
        return kd.isopleth(args.x, w=args.w, resolution=args.resolution, **options)
    if args.diagram == "isobar":
        return kd.isobar(args.P, **options)
    return kd.isotherm(args.T, **options)


def _warning_printer(name: str):
    """Prints the warnings of the diagrams as lines of the command; others as Python does."""
    from . import DiagramWarning

    default = warnings.showwarning

    def show(message, category, filename, lineno, file=None, line=None):
        if issubclass(category, DiagramWarning):
            print(f"{name}: warning: {message}", file=sys.stderr)
        else:
            default(message, category, filename, lineno, file, line)

    return show


def main(argv: Optional[Sequence[str]] = None) -> int:
    """Runs the command with the arguments `argv` (default: those of the process); returns the
    exit status."""
    top, subs = _parsers()
    args = top.parse_args(argv)
    usage = subs[args.diagram]
    name = "kelvoran-diagram"
    try:
        if not args.output and not args.csv:
            raise UsageError("nothing to write: give -o FILE (an image) and/or --csv FILE")
        fmt = _image_format(args.output) if args.output else None
        if args.dpi <= 0 or args.dpi > 2400:
            raise UsageError(f"--dpi {args.dpi:g}: give 1 to 2400 dots per inch")
        if args.output and args.csv and _same_file(args.output, args.csv):
            raise UsageError(f"-o {args.output} and --csv {args.csv} name the same file")
    except UsageError as error:
        usage.print_usage(sys.stderr)
        print(f"{name} {args.diagram}: error: {error}", file=sys.stderr)
        return 2
    for path in (args.output, args.csv):
        if path and args.points and _same_file(path, args.points):
            print(f"{name}: {path} is the points file, which cannot be an output", file=sys.stderr)
            return 4
    if args.points and not os.path.isfile(args.points):
        print(f"{name}: --points {args.points}: no such file", file=sys.stderr)
        return 3
    from . import DiagramWarning, PointsError

    with warnings.catch_warnings():
        warnings.simplefilter("always", DiagramWarning)
        warnings.showwarning = _warning_printer(name)
        try:
            diagram = _draw(args)
        except PointsError as error:
            print(f"{name}: --points {error}", file=sys.stderr)
            return 3
        except (OSError, UnicodeDecodeError) as error:
            print(f"{name}: --points {args.points}: {error}", file=sys.stderr)
            return 3
        except (ValueError, TypeError) as error:
            usage.print_usage(sys.stderr)
            print(f"{name} {args.diagram}: error: {error}", file=sys.stderr)
            return 2
    # Every file output first to its temporary, then standard output, then the renames: a
    # failure anywhere leaves every earlier file untouched.
    outputs: List[_Output] = []
    current = ""
    try:
        if args.output:
            current = args.output
            image = _Output(args.output)
            outputs.append(image)
            image.write(lambda f: diagram.figure.savefig(f, format=fmt, dpi=args.dpi))
        if args.csv and args.csv != "-":
            current = args.csv
            table = _Output(args.csv)
            outputs.append(table)
            table.write(lambda f: _write_bytes(f, diagram.csv_text().encode("utf-8")))
        if args.csv == "-":
            current = "standard output"
            sys.stdout.write(diagram.csv_text())
            sys.stdout.flush()
        for output in outputs:
            current = output.path
            output.commit()
    except OSError as error:
        print(f"{name}: cannot write {current}: {error.strerror or error}", file=sys.stderr)
        return 4
    finally:
        for output in outputs:
            output.discard()
    return 0


def entry() -> None:  # the console script
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        print(
            "kelvoran-diagram: needs matplotlib, which is not installed: pip install 'kelvoran[diagrams]'",
            file=sys.stderr,
        )
        sys.exit(5)
    try:
        code = main()
    except KeyboardInterrupt:
        code = 130
    except Exception as error:  # noqa: BLE001 - reported, with status 5
        print(f"kelvoran-diagram: {type(error).__name__}: {error}", file=sys.stderr)
        code = 5
    sys.exit(code)


if __name__ == "__main__":
    entry()
