"""What the benchmark reports: figures, the targets they are held to, and the targets as data."""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Optional


@dataclass(frozen=True)
class Target:
    """An upper bound on a figure's value, in the figure's own unit."""

    limit: float

    def met_by(self, value: float) -> bool:
        return value <= self.limit


@dataclass(frozen=True)
class Figure:
    """One line of the table.

    `value` is what the target judges: a ratio to the reference for comparisons, otherwise an
    amount in `unit`. `subject` and `reference` are the medians behind a ratio, in
    `measured_unit`.
    """

    section: str
    label: str
    value: float
    unit: str
    reference_label: str = ""
    subject: Optional[float] = None
    reference: Optional[float] = None
    measured_unit: str = ""
    target: Optional[Target] = None
    note: str = ""
    extra: dict = field(default_factory=dict)

    @property
    def met(self) -> Optional[bool]:
        return None if self.target is None else self.target.met_by(self.value)


RATIO_UNIT = "x"

# Rudiments whose evaluation is integer arithmetic and loads only, held closest to the floor.
RUDIMENTS_WITHOUT_TRIGONOMETRY = ("bounce", "box_step", "tamsel_background")
PLAIN_CALL_LIMIT = 1.10
# The other rudiments pay for their own sin and cos calls, which count against them.
TRIGONOMETRIC_CALL_LIMIT = 1.35
# Lookup by name, beyond the cost of evaluating what was found.
SAMPLE_BY_NAME_LIMIT = 1.20
CATALOGUE_LISTING_LIMIT = 1.5
CONSTRUCTION_LIMIT = 1.5
IMPORT_EXTRA_MS_LIMIT = 3.0
IMPORT_EXTRA_MIB_LIMIT = 3.0


def rudiment_target(name: str) -> Target:
    if name in RUDIMENTS_WITHOUT_TRIGONOMETRY:
        return Target(PLAIN_CALL_LIMIT)
    return Target(TRIGONOMETRIC_CALL_LIMIT)
