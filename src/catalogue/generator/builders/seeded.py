"""Smooth closed lanes through SHA-256 indexed control values.

A control value is read from the digest of a label "<entry name>/<lane>/<index>", so every loop can be
recomputed from its name alone: there is no random generator and no state carried between members.
"""

from __future__ import annotations

import hashlib
from typing import List, Sequence, Tuple

from ..model import Loop
from .sampling import Key, periodic_spline

HASH_UNIT_BITS = 52


def hashed_unit(label: str) -> float:
    """A value in [−1, 1) read from the SHA-256 digest of `label`: the top 52 bits, so the float is exact."""
    digest = hashlib.sha256(label.encode("ascii")).digest()
    top = int.from_bytes(digest[:8], "big") >> (64 - HASH_UNIT_BITS)
    return top / float(1 << (HASH_UNIT_BITS - 1)) - 1.0


def even_knot_times(count: int, period: int) -> List[int]:
    """`count` whole-pip times spread evenly over the loop, the first at pip 0."""
    return [(i * period) // count for i in range(count)]


def control_label(name: str, lane: str, index: int) -> str:
    return f"{name}/{lane}/{index}"


def control_values(name: str, lane: str, count: int) -> List[float]:
    """The lane's hashed values, less their mean so that the lane drifts about the centre."""
    values = [hashed_unit(control_label(name, lane, i)) for i in range(count)]
    mean = 0.0
    for value in values:
        mean += value
    mean = mean / count
    return [value - mean for value in values]


def smooth_lane(name: str, lane: str, count: int, period: int) -> List[float]:
    """A closed cubic lane passing through each control value at evenly spread whole-pip times."""
    values = control_values(name, lane, count)
    keys = [Key(float(time), (value, 0.0, 0.0)) for time, value in zip(even_knot_times(count, period), values)]
    return [sample[0] for sample in periodic_spline(keys, period)]


def drift_loop(name: str, lanes: Sequence[Tuple[str, int]], period: int) -> Loop:
    """Up to three independent smooth lanes, one per axis in the order given; missing axes stay 0."""
    columns = [smooth_lane(name, lane, count, period) for lane, count in lanes]
    while len(columns) < 3:
        columns.append([0.0] * period)
    return list(zip(columns[0], columns[1], columns[2]))
