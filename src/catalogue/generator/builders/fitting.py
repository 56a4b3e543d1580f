"""Scales the authored loops of one family so that each axis lands on the family's peak figures.

Each member is first built at the size its shape naturally has. The peaks of those natural loops are
then mapped onto the family's figures axis by axis, keeping the members' order and proportions:

- one figure: every member that moves on the axis reaches exactly that figure;
- a range from 0: the axis is still (exactly zero) in the members of fewer dimensions, and the
  moving members keep their relative sizes, the largest reaching the top of the range;
- any other range: the smallest natural peak goes to the bottom, the largest to the top and the
  others in proportion between them.
"""

from __future__ import annotations

from typing import List, Mapping, Optional, Sequence, TypeVar

from ..family import FamilyBuilder, MemberBuilder
from ..model import Entry, Loop, PeakFigure, Peaks
from ..shaping import normalise, peak, scale_axes, spread

# Natural peaks closer than this count as equal; the range is then spread by member position instead.
EQUAL_PEAKS = 1e-12

AXIS_COUNT = 3

UNKNOWN_MEMBER = "No authored parameters for catalogue member "

T = TypeVar("T")


def axis_targets(naturals: Sequence[float], figure: PeakFigure) -> List[float]:
    """The peak each member is scaled to on one axis, given the members' natural peaks on it."""
    low = figure.lowest()
    high = figure.highest()
    if figure.high is None:
        return [low if natural > 0.0 else 0.0 for natural in naturals]
    largest = max(naturals)
    if low == 0.0:
        return [high * natural / largest for natural in naturals]
    smallest = min(naturals)
    if largest - smallest <= EQUAL_PEAKS:
        return [spread(low, high, len(naturals), position) for position in range(len(naturals))]
    return [low + (high - low) * (natural - smallest) / (largest - smallest) for natural in naturals]


def fit_to_family_peaks(peaks: Peaks, loops: Sequence[Loop]) -> List[Loop]:
    """Scales every loop of the family on each axis to its share of the family's peak figures."""
    per_axis = [axis_targets([peak(loop, axis) for loop in loops], peaks.axis(axis)) for axis in range(AXIS_COUNT)]
    return [scale_axes(loop, (per_axis[0][i], per_axis[1][i], per_axis[2][i])) for i, loop in enumerate(loops)]


def fitted_family(build: MemberBuilder, peaks: Peaks) -> FamilyBuilder:
    """An authored builder: builds every member's natural loop, then fits the family's peak figures.

    Each natural loop is first brought to a largest value of 1, so that what the mapping compares
    across members is the proportion of each axis within its own shape, not the shape's size.
    """

    def generate(entries: List[Entry]) -> List[Loop]:
        return fit_to_family_peaks(peaks, [normalise(build(entry), 1.0) for entry in entries])

    return generate


def member_parameters(table_of_members: Mapping[str, T], entry: Entry, key: Optional[str] = None) -> T:
    """The authored parameters of a member, looked up by its member part or by `key` when members
    share them; a member missing from the family's table is an error."""
    wanted = entry.member if key is None else key
    if wanted not in table_of_members:
        raise ValueError(UNKNOWN_MEMBER + entry.name)
    return table_of_members[wanted]
