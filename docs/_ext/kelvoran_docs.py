"""Sphinx directives of the kelvoran documentation.

``optional-toctree``
    A toctree that leaves out the entries whose pages do not exist (yet): the index names the
    pages that other work adds later (docs/simulators.md, ...), and each shows once it is there.
    A page that exists but is in no toctree still fails the build, as Sphinx warns about it.

``cpp-api``
    The API listing of the C++ headers of a folder (relative to the repository root): for each
    header its opening comment, then every declaration with a ``///`` comment, as code,
    with the comment's text. Lines listed in the directive's content name the headers to show
    first, in that order; the others follow by name.
"""

from __future__ import annotations

import re
from pathlib import Path
from typing import Dict, List, Optional, Tuple

from docutils import nodes
from docutils.statemachine import StringList
from sphinx.directives.other import TocTree
from sphinx.util import logging
from sphinx.util.docutils import SphinxDirective
from sphinx.util.osutil import SEP

logger = logging.getLogger(__name__)


class OptionalTocTree(TocTree):
    """A toctree of the entries whose documents exist."""

    def run(self):
        current = self.env.current_document.docname
        folder = current.rsplit(SEP, 1)[0] + SEP if SEP in current else ""
        kept = [
            (line, source, offset)
            for line, (source, offset) in zip(self.content, self.content.items)
            if not line.strip() or (folder + line.strip()) in self.env.found_docs
        ]
        self.content = StringList([k[0] for k in kept], items=[(k[1], k[2]) for k in kept])
        return super().run()


# --- the C++ headers ------------------------------------------------------------------------------

_TYPE = re.compile(r"^\s*(?:template\s*<[^>]*>\s*)?(?:struct|class|enum(?:\s+class)?|union)\s+(\w+)")
_FUNCTION = re.compile(r"(operator\s*[^\s(]+|~?\w+)\s*\(")
_VARIABLE = re.compile(r"(\w+)\s*(?:=|\[|$)")
_TRANSPARENT = re.compile(r'^(?:namespace\b.*\{|extern\s+"C"\s*\{|\}\s*;?\s*(?://.*)?)$')


class Item:
    """One documented declaration (or a run of them under one comment): its comment lines and
    its code lines."""

    def __init__(self, doc: List[str]) -> None:
        self.doc = doc
        self.code: List[str] = []

    def names(self) -> List[str]:
        """The names it declares, in order."""
        heads, head, depth = [], "", 0
        for ch in " ".join(line.split("//", 1)[0] for line in self.code):
            if ch == "{":
                depth += 1
            elif ch == "}":
                depth -= 1
            elif depth == 0 and ch == ";":
                heads.append(head)
                head = ""
            elif depth == 0:
                head += ch
        heads.append(head)
        names: List[str] = []
        for head in (h.strip() for h in heads):
            match = _TYPE.match(head) or _FUNCTION.search(head) or _VARIABLE.search(head)
            if head and match and match.group(1) not in names:
                names.append(match.group(1))
        return names


def parse_header(text: str) -> Tuple[List[str], List[Tuple[str, object]]]:
    """(opening comment lines, [("section", title) | ("item", Item), ...]) of a header."""
    lines = text.splitlines()
    intro: List[str] = []
    k = 0
    while k < len(lines) and (not lines[k].strip() or lines[k].startswith("#pragma")):
        k += 1
    while k < len(lines) and lines[k].startswith("//") and not lines[k].startswith("///"):
        intro.append(lines[k][2:][1:] if lines[k][2:].startswith(" ") else lines[k][2:])
        k += 1
    out: List[Tuple[str, object]] = []
    doc: List[str] = []
    item: Optional[Item] = None
    depth = 0
    for line in lines[k:]:
        stripped = line.strip()
        if depth == 0:
            if not stripped:
                item, doc = None, []
                continue
            if stripped.startswith("#") or _TRANSPARENT.match(stripped):
                item = None
                continue
            if stripped.startswith("///"):
                if item is not None:
                    item, doc = None, []
                body = stripped[3:]
                doc.append(body[1:] if body.startswith(" ") else body)
                continue
            if stripped.startswith("//"):
                title = stripped.strip("/ ")
                if title.startswith("---"):
                    out.append(("section", title.strip("- ")))
                item, doc = None, []
                continue
            if item is None:
                if not doc:
                    # An undocumented declaration: not listed, but followed to its end.
                    depth = _depth(line, 0)
                    continue
                item = Item(doc)
                doc = []
                out.append(("item", item))
        if item is not None:
            item.code.append(line)
        depth = _depth(line, depth)
    return intro, out


def _depth(line: str, depth: int) -> int:
    code = line.split("//", 1)[0]
    return max(0, depth + code.count("{") - code.count("}"))


def _without_private(code: List[str]) -> List[str]:
    """The declaration without its private and protected parts."""
    out, hidden = [], False
    for line in code:
        label = line.strip()
        if label in ("private:", "protected:"):
            hidden = True
            continue
        if label == "public:":
            hidden = False
        if hidden and not label.startswith("};"):
            continue
        hidden = False if label.startswith("};") else hidden
        out.append(line)
    return out


def _dedent(lines: List[str]) -> str:
    indent = min((len(line) - len(line.lstrip()) for line in lines if line.strip()), default=0)
    return "\n".join(line[indent:] for line in lines).strip("\n")


def _inline(text: str) -> List[nodes.Node]:
    """Text with `code` spans as literals."""
    parts = text.split("`")
    if len(parts) % 2 == 0:  # an odd number of backticks: plain text
        return [nodes.Text(text)]
    return [nodes.literal(p, p) if i % 2 else nodes.Text(p) for i, p in enumerate(parts) if p]


def segments(lines: List[str]) -> List[Tuple[str, str]]:
    """The paragraphs ("text", ...) and code blocks ("code", ...) of a comment: lines indented
    by two or more spaces are code, and a blank line inside code keeps the block going."""
    out: List[Tuple[str, str]] = []
    prose: List[str] = []
    code: List[str] = []

    def flush() -> None:
        if prose:
            out.append(("text", " ".join(prose)))
            prose.clear()
        if code:
            out.append(("code", _dedent(code)))
            code.clear()

    for line in lines:
        if line.startswith("  ") and line.strip():
            if prose:
                flush()
            code.append(line)
        elif not line.strip():
            if code:
                code.append("")
            else:
                flush()
        else:
            if code:
                flush()
            prose.append(line.strip())
    flush()
    return out


def comment_nodes(lines: List[str]) -> List[nodes.Node]:
    """The nodes of a comment's paragraphs and code blocks."""
    return [
        nodes.paragraph(text, "", *_inline(text)) if kind == "text" else nodes.literal_block(text, text, language="cpp")
        for kind, text in segments(lines)
    ]


class CppApi(SphinxDirective):
    """The documented declarations of the headers of a folder."""

    required_arguments = 1
    has_content = True

    def run(self) -> List[nodes.Node]:
        folder = Path(self.env.srcdir).parent / self.arguments[0]
        headers = sorted(folder.glob("*.h"))
        if not headers:
            logger.warning(f"cpp-api: no headers in {folder}", location=self.get_location())
            return []
        first = [line.strip() for line in self.content if line.strip()]
        headers.sort(key=lambda h: (first.index(h.name) if h.name in first else len(first), h.name))
        for missing in sorted(set(first) - {h.name for h in headers}):
            logger.warning(f"cpp-api: no header {missing} in {folder}", location=self.get_location())
        out: List[nodes.Node] = []
        for header in headers:
            self.env.note_dependency(str(header))
            out.append(self._section(header))
        return out

    def _section(self, header: Path) -> nodes.section:
        include = f"{header.parent.name}/{header.name}"
        section = nodes.section(ids=[nodes.make_id(f"cpp-{include}")], names=[nodes.fully_normalize_name(include)])
        section += nodes.title(include, "", nodes.literal(include, include))
        intro, entries = parse_header(header.read_text(encoding="utf-8"))
        section.extend(comment_nodes(intro))
        for kind, entry in entries:
            if kind == "section":
                section += nodes.rubric(entry, entry)
                continue
            names = entry.names()
            ids = [nodes.make_id(f"cpp-{name}") for name in names]
            target = nodes.container(classes=["kelvoran-cpp-item"], ids=[i for i in ids if i not in self.env.temp_data.setdefault("kelvoran_cpp_ids", set())])
            self.env.temp_data["kelvoran_cpp_ids"].update(target["ids"])
            code = _dedent(_without_private(entry.code))
            target += nodes.literal_block(code, code, language="cpp")
            target += nodes.block_quote("", *comment_nodes(entry.doc))
            section += target
        return section


def setup(app) -> Dict[str, object]:
    app.add_directive("optional-toctree", OptionalTocTree)
    app.add_directive("cpp-api", CppApi)
    return {"version": "1", "parallel_read_safe": True, "parallel_write_safe": True}
