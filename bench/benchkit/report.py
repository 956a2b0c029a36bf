"""Filling the performance document's template.

The template (docs/PERFORMANCE.md.in) is written by hand; the benchmark only
puts figures and tables into its @NAME@ places. A place without a value, or
a value without a place, is an error: the document never shows a stale or
missing figure.
"""

import re

from .logs import BenchError

PLACE = re.compile(r"@([A-Z][A-Z0-9_]*)@")


def fill(template, values):
    names = set(PLACE.findall(template))
    missing = sorted(names - values.keys())
    unused = sorted(values.keys() - names)
    if missing or unused:
        raise BenchError(f"template and figures disagree: no value for {missing}, no place for {unused}")
    for name, value in values.items():
        if not isinstance(value, str):
            raise BenchError(f"value of {name} is not text: {value!r}")
        if value.lstrip().startswith("-"):
            raise BenchError(f"negative figure for {name}: {value}")
    return PLACE.sub(lambda m: values[m.group(1)], template)


def number(value, digits=1):
    """A figure as text, refusing what cannot be printed honestly."""
    if value is None or value != value or value < 0:
        raise BenchError(f"cannot print {value!r} as a figure")
    return f"{value:.{digits}f}"


def table(header, rows):
    """A Markdown table; every cell is text already."""
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for row in rows:
        if len(row) != len(header):
            raise BenchError(f"table row {row} does not match {header}")
        for cell in row:
            if re.search(r"(^|[\s(])-\d", cell):
                raise BenchError(f"negative figure in table cell {cell!r}")
        lines.append("| " + " | ".join(row) + " |")
    return "\n".join(lines)
