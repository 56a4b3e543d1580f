"""The benchmark's one table, printed, and the same figures written as JSON."""

from __future__ import annotations

import dataclasses
import json
from pathlib import Path
from typing import Iterable, Optional, Sequence

from figures import RATIO_UNIT, Figure

MET = "yes"
MISSED = "NO"


def format_value(value: float, unit: str) -> str:
    if unit == RATIO_UNIT:
        return f"{value:.3f}{RATIO_UNIT}"
    return f"{value:.3f} {unit}"


def format_measure(value: Optional[float], unit: str) -> str:
    return "" if value is None else f"{value:.1f} {unit}" if value >= 100 else f"{value:.3g} {unit}"


def format_target(figure: Figure) -> str:
    if figure.target is None:
        return ""
    unit = RATIO_UNIT if figure.unit == RATIO_UNIT else f" {figure.unit}"
    return f"<= {figure.target.limit:g}{unit}"


def format_met(figure: Figure) -> str:
    met = figure.met
    return "" if met is None else MET if met else MISSED


HEADERS = ("figure", "subject", "reference", "value", "target", "met", "reference is / note")


def table_rows(figures: Sequence[Figure]) -> list[tuple[str, ...]]:
    rows: list[tuple[str, ...]] = []
    section = None
    for figure in figures:
        if figure.section != section:
            section = figure.section
            rows.append((f"[{section}]",) + ("",) * (len(HEADERS) - 1))
        comment = "; ".join(part for part in (figure.reference_label, figure.note) if part)
        rows.append(
            (
                "  " + figure.label,
                format_measure(figure.subject, figure.measured_unit),
                format_measure(figure.reference, figure.measured_unit),
                format_value(figure.value, figure.unit),
                format_target(figure),
                format_met(figure),
                comment,
            )
        )
    return rows


def render_table(figures: Sequence[Figure]) -> str:
    rows = [HEADERS] + table_rows(figures)
    widths = [max(len(row[column]) for row in rows) for column in range(len(HEADERS) - 1)]
    lines = []
    for row in rows:
        cells = [row[0].ljust(widths[0])] + [cell.rjust(width) for cell, width in zip(row[1:-1], widths[1:])]
        lines.append("  ".join(cells + [row[-1]]).rstrip())
    return "\n".join(lines)


def summary(figures: Iterable[Figure]) -> str:
    judged = [figure for figure in figures if figure.target is not None]
    missed = [figure.label for figure in judged if not figure.met]
    text = f"{len(judged) - len(missed)} of {len(judged)} targets met"
    return text + (f"; missed: {', '.join(missed)}" if missed else "")


def figure_as_json(figure: Figure) -> dict:
    record = dataclasses.asdict(figure)
    record["target"] = None if figure.target is None else figure.target.limit
    record["met"] = figure.met
    return record


def write_json(path: Path, figures: Sequence[Figure], context: dict) -> None:
    path.parent.mkdir(parents=True, exist_ok=True)
    document = {"context": context, "figures": [figure_as_json(figure) for figure in figures]}
    path.write_text(json.dumps(document, indent=2) + "\n", encoding="utf-8")
