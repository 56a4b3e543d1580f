"""The data the benchmark feeds the module: user patterns, recordings and built-in names.

Pattern and recording rows are smooth curves within [-1, 1] that differ from row to row.
"""

from __future__ import annotations

import math
from dataclasses import dataclass

RUDIMENT_COUNT = 15
USER_PATTERN_COUNT = 1024
USER_PATTERN_SAMPLES = 1024
RECORDING_VALUES = 1 << 23
RECORDING_AXIS_COUNTS = (8, 1)
TEMPO_BPM = 120.0


def _point(i: int) -> tuple[float, float, float]:
    # Deterministic values within [-1, 1] that move on all three axes.
    return (math.sin(i * 0.013), math.cos(i * 0.007), math.sin(i * 0.029) * 0.5)


def pattern_rows(pattern_index: int, samples: int) -> list[tuple[float, float, float]]:
    offset = pattern_index * samples
    return [_point(offset + i) for i in range(samples)]


def user_pattern_name(index: int) -> str:
    return f"user_pattern_{index:04d}"


@dataclass(frozen=True)
class PatternInput:
    name: str
    description: str
    rows: list


def user_pattern_inputs(count: int = USER_PATTERN_COUNT, sample_count: int = USER_PATTERN_SAMPLES) -> list[PatternInput]:
    return [
        PatternInput(user_pattern_name(index), f"Benchmark pattern {index}", pattern_rows(index, sample_count))
        for index in range(count)
    ]


def recording_axes(count: int) -> list[str]:
    return [f"axis_{index:02d}" for index in range(count)]


def recording_rows(axis_count: int, row_count: int) -> list[list[float]]:
    return [[math.sin((r * axis_count + a) * 0.001) for a in range(axis_count)] for r in range(row_count)]


@dataclass(frozen=True)
class BuiltinNames:
    """Names read from the module's own listing, so that they hold for whichever catalogue it has."""

    rudiments: list[str]
    catalogue: list[str]
    periods: dict[str, int]

    @property
    def catalogue_first_in_index_order(self) -> str:
        return min(self.catalogue)

    @property
    def catalogue_last_in_index_order(self) -> str:
        return max(self.catalogue)

    @property
    def longest_catalogue_entry(self) -> str:
        return max(self.catalogue, key=lambda name: self.periods[name])


def builtin_names(module) -> BuiltinNames:
    rows = module.catalogue()
    names = [row["name"] for row in rows]
    return BuiltinNames(
        rudiments=names[:RUDIMENT_COUNT],
        catalogue=names[RUDIMENT_COUNT:],
        periods={row["name"]: row["period_pips"] for row in rows},
    )


def builtin_loop(module, name: str, period: int) -> list[tuple[float, float, float]]:
    """One loop of a built-in, as a list of tuples, one per pip."""
    return [module.sample(name, pip).as_tuple() for pip in range(period)]
