"""The examples of the documentation site (docs/*.md and the README, its front page) run as
the pages say: each page's Python blocks in order in one namespace; shell blocks that call
./build/kelvoran, ./build/kelvoran-table or kelvoran-diagram with the exit status the page
gives (0 unless marked); console transcripts (`$ command` and its output) print what they show;
the C++ blocks compile against the library and run. Everything runs in a scratch folder that
sees build/ and .venv/ of the repository and a copy of the CSV files of docs/.

A block is marked by an HTML comment on the line before it, which a code host does not show:
``<!-- docs-test: skip (why) -->`` (not run: it sets up the machine or needs a cluster),
``<!-- docs-test: fragment -->`` (a piece of code that does not stand alone),
``<!-- docs-test: exit N -->`` (a shell block that ends with status N).
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path
from typing import List, NamedTuple

import pytest

from conftest import REPO

markdown_it = pytest.importorskip("markdown_it")

PAGES = [REPO / "README.md", *sorted((REPO / "docs").glob("*.md"))]
SHELL = ("sh", "bash", "shell")
PYTHON = ("python", "py")
CPP = ("cpp", "c++")
#: A shell block is run when it calls one of the programs.
PROGRAMS = re.compile(r"(?:^|[\s;&|(])(?:\./build/kelvoran(?:-table)?|(?:\.venv/bin/)?kelvoran-diagram)\b")
MARKER = re.compile(r"<!--\s*docs-test:\s*(skip|fragment|exit\s+(\d+))\b[^>]*-->")


class Block(NamedTuple):
    page: Path
    line: int  # of the first line of code, 1-based
    language: str
    code: str
    marker: str  # "", "skip", "fragment" or "exit N"


def blocks(page: Path) -> List[Block]:
    tokens = markdown_it.MarkdownIt("commonmark").parse(page.read_text(encoding="utf-8"))
    out = []
    for k, token in enumerate(tokens):
        if token.type != "fence":
            continue
        marker = ""
        if k > 0 and tokens[k - 1].type == "html_block":
            found = MARKER.search(tokens[k - 1].content)
            marker = found.group(1) if found else ""
        language = (token.info.split() or [""])[0].lower()
        out.append(Block(page, token.map[0] + 2, language, token.content, marker))
    return out


ALL = [b for page in PAGES for b in blocks(page)]


def page_id(page: Path) -> str:
    return str(page.relative_to(REPO))


@pytest.fixture(scope="module")
def scratch(tmp_path_factory):
    """A folder to run the examples in: build/ and .venv/ of the repository, docs/*.csv copied."""
    folder = tmp_path_factory.mktemp("docs-examples")
    for name in ("build", ".venv"):
        (folder / name).symlink_to(REPO / name)
    (folder / "docs").mkdir()
    for csv in (REPO / "docs").glob("*.csv"):
        shutil.copy(csv, folder / "docs" / csv.name)
    return folder


def environment():
    env = dict(os.environ)
    env["PATH"] = f"{Path(sys.executable).parent}{os.pathsep}{env.get('PATH', '')}"
    env.pop("DISPLAY", None)
    env["MPLBACKEND"] = "Agg"
    return env


def where(block: Block) -> str:
    return f"{page_id(block.page)}:{block.line}"


@pytest.mark.parametrize(
    "page", [p for p in PAGES if any(b.language in PYTHON and not b.marker for b in blocks(p))], ids=page_id
)
def test_python_examples(page, scratch, monkeypatch):
    pytest.importorskip("matplotlib")
    monkeypatch.chdir(scratch)
    namespace = {"__name__": f"docs_{page.stem}"}
    for block in blocks(page):
        if block.language not in PYTHON or block.marker:
            continue
        code = compile("\n" * (block.line - 1) + block.code, str(block.page), "exec")
        exec(code, namespace)  # a failure shows the page and line


def transcript(block: Block) -> bool:
    return block.language in ("", "console", "text") and block.code.startswith("$ ")


SHELL_BLOCKS = [b for b in ALL if (b.language in SHELL and PROGRAMS.search(b.code)) or transcript(b)]


@pytest.mark.parametrize("block", [b for b in SHELL_BLOCKS if b.marker not in ("skip", "fragment")], ids=where)
def test_shell_examples(block, scratch):
    if transcript(block):
        return check_transcript(block, scratch)
    status = int(block.marker.split()[1]) if block.marker.startswith("exit") else 0
    done = subprocess.run(
        ["bash", "-e", "-o", "pipefail", "-c", block.code], cwd=scratch, env=environment(),
        stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=300,
    )
    assert done.returncode == status, f"{where(block)}: status {done.returncode}, the page says {status}:\n{done.stderr}"


def check_transcript(block: Block, scratch: Path) -> None:
    """`$ command` lines are run; the lines after one are what it prints, in order, where
    "..." stands for any lines."""
    lines = block.code.splitlines()
    k = 0
    while k < len(lines):
        command = lines[k][2:]
        shown = []
        k += 1
        while k < len(lines) and not lines[k].startswith("$ "):
            shown.append(lines[k].rstrip())
            k += 1
        done = subprocess.run(
            ["bash", "-o", "pipefail", "-c", command], cwd=scratch, env=environment(), stdin=subprocess.DEVNULL,
            capture_output=True, text=True, timeout=300,
        )
        assert done.returncode == 0, f"{where(block)}: `{command}` ended with status {done.returncode}:\n{done.stderr}"
        printed = [line.rstrip() for line in done.stdout.splitlines()]
        at = 0
        for line in (s for s in shown if s != "..."):
            while at < len(printed) and printed[at] != line:
                at += 1
            assert at < len(printed), f"{where(block)}: `{command}` does not print {line!r} where the page shows it"
            at += 1


CPP_BLOCKS = [b for b in ALL if b.language in CPP and not b.marker]


def header_examples() -> List[Block]:
    """The examples in the opening comments of the public headers, which the C++ API page
    shows: their code blocks that include a kelvoran header (``use(...)`` stands for the
    caller's own code)."""
    sys.path.insert(0, str(REPO / "docs" / "_ext"))
    try:
        import kelvoran_docs
    finally:
        sys.path.pop(0)
    out = []
    for header in sorted((REPO / "include" / "kelvoran").glob("*.h")):
        text = header.read_text(encoding="utf-8")
        intro, _ = kelvoran_docs.parse_header(text)
        for kind, code in kelvoran_docs.segments(intro):
            if kind == "code" and "#include <kelvoran/" in code:
                first = code.splitlines()[0]
                line = next(k for k, t in enumerate(text.splitlines(), 1) if t.rstrip().endswith(first))
                out.append(Block(header, line, "cpp", code + "\n", ""))
    return out


def test_cpp_examples(tmp_path):
    """The C++ blocks of the pages and the headers' examples in one program: each block's
    #include lines at the top, its statements in a function of its own (after #line, so that a
    compiler message names the page and line), called in order."""
    pytest.importorskip("sphinx")
    library = REPO / "build" / "libkelvoran.a"
    if not library.exists():
        pytest.skip("build/libkelvoran.a is not built (scripts/test.sh builds it)")
    includes, functions, calls = set(), [], []
    for n, block in enumerate(CPP_BLOCKS + header_examples()):
        body = []
        for line in block.code.splitlines():
            if line.lstrip().startswith("#include"):
                includes.add(line.strip())
                line = ""
            body.append(line)
        name = page_id(block.page)
        functions.append(f"void example_{n}() {{\n#line {block.line} \"{name}\"\n" + "\n".join(body) + "\n}\n")
        calls.append(f'    std::fputs("{where(block)}\\n", stderr);\n    example_{n}();\n')
    source = tmp_path / "examples.cpp"
    prelude = "template <class... T> void use(const T&...) {}\n"
    source.write_text(
        "\n".join(sorted(includes | {"#include <cstdio>"})) + "\n\nnamespace {\n" + prelude + "".join(functions)
        + "}  // namespace\n\nint main() {\n" + "".join(calls) + "}\n"
    )
    program = tmp_path / "examples"
    compiler = os.environ.get("CXX", "g++")
    built = subprocess.run(
        [compiler, "-std=c++20", "-O0", "-Wall", "-Wno-unused-variable", "-Wno-unused-but-set-variable",
         f"-I{REPO / 'include'}", str(source), str(library), "-pthread", "-o", str(program)],
        capture_output=True, text=True, timeout=300,
    )
    assert built.returncode == 0, built.stderr
    ran = subprocess.run([str(program)], capture_output=True, text=True, timeout=120)
    assert ran.returncode == 0, ran.stderr


def test_markers_are_known():
    # A marker the checks do not read would leave its block to run (or not) unnoticed.
    for page in PAGES:
        for k, line in enumerate(page.read_text(encoding="utf-8").splitlines(), 1):
            if line.lstrip().startswith("<!--") and "docs-test" in line:
                assert MARKER.search(line), f"{page_id(page)}:{k}: unknown marker {line.strip()}"
