"""Checks of the generated samples before anything is written: the invariants of every stored block,
the peak figures of every peak group the families declare, distinctness, what each family's character
declares (members apart, smooth members smooth, promised corners there) and the reach of the bound 1.0.

A block is an entry's samples already rounded and flattened: x, y, z of pip 0, then of pip 1, and so
on, 3·`period_pips` doubles. Every failed check raises CatalogueCheckError naming the entry (or the
family, where a figure is missed by the family as a whole).
"""

from __future__ import annotations

import math
from array import array
from typing import Dict, Iterable, List, Mapping, Sequence, Tuple

from .family import Character, Family, PeakGroup
from .measures import closeness, closer_than, corner_at_seam, corner_count, seam_turn, step, turn_beside_seam
from .model import Entry, Loop, PeakFigure, Peaks, at_figure_digits, matches_figure
from .shaping import round12
from .table import FAMILIES

AXES = "xyz"
Block = Sequence[float]

WRONG_BLOCK_LENGTH = "{name}: holds {count} values, not 3 for each of its {period} pips"
NOT_FINITE = "{name}: {axis} of pip {pip} is {value!r}, not a finite number"
OUT_OF_BOUNDS = "{name}: {axis} of pip {pip} is {value!r}, outside [-1, 1]"
NOT_TWELVE_DECIMALS = "{name}: {axis} of pip {pip} is {value!r}, which is not rounded to 12 decimals"
NEGATIVE_ZERO = "{name}: {axis} of pip {pip} is -0.0"
MOVES_BEYOND_DIMENSIONS = "{name}: has {dimensions} dimension(s) but {axis} of pip {pip} is {value!r}"
WRONG_DIMENSIONS = (
    "{name}: declares {declared} dimension(s) but its samples give {derived}"
    " (3 if any z is non-zero, else 2 if any y is non-zero, else 1)"
)
SEAM_JUMP = (
    "{name}: the step from its last pip back to pip 0 ({seam:.12f}) is longer than its longest step"
    " inside the loop ({longest:.12f})"
)
PEAK_OFF_FIGURE = "{name}: peak {peak!r} on {axis} does not match the figure {figure} of {group}"
RANGE_END_MISSED = "{group}: the {end} peak on {axis} is {peak!r} (from {name}), not the figure {figure}"
PEAK_OUTSIDE_RANGE = "{name}: peak {peak!r} on {axis} lies outside the range {low}-{high} of {group}"
BOUND_NEVER_REACHED = "no entry reaches the bound 1.0 on any axis"
DUPLICATE_SAMPLES = "{name}: its samples are identical to those of {other}"
MEMBERS_TOO_CLOSE = (
    "{name} and {other}: never more than {closeness:.6f} apart, closer than a quarter of the family's peak {peak}"
)
SMOOTH_MEMBER_JUMPS = (
    "{name}: moves {length:.6f} from pip {pip} to the next, more than the {limit} per pip that its smooth"
    " motion allows"
)
SMOOTH_MEMBER_SEAM_CORNER = (
    "{name}: turns a corner at its loop seam, its velocity changing by {seam:.9f} there against {beside:.9f}"
    " beside it, though its motion is smooth"
)
CHARACTER_NAMES_NO_MEMBER = "family {family}: its character names {member}, which is none of its members"
PROMISED_CORNERS_MISSING = "{name}: turns {found} corner(s), fewer than the {promised} its label promises"

# Members of a family lie at least this share of the family's peak apart somewhere in their loops.
APART_SHARE_OF_PEAK = 0.25
# The longest step per pip (3-D) of a member that promises smooth motion.
SMOOTH_STEP_LIMIT = 0.12


class CatalogueCheckError(ValueError):
    """An entry, a family or the whole store breaks an invariant of the stored catalogue."""


def flatten(loop: Loop) -> array:
    """A loop of (x, y, z) samples as one flat block of doubles."""
    return array("d", (value for sample in loop for value in sample))


def _pip_and_axis(position: int) -> Tuple[int, str]:
    return position // 3, AXES[position % 3]


def _fail_at(message: str, entry: Entry, block: Block, position: int, **extra: object) -> None:
    pip, axis = _pip_and_axis(position)
    raise CatalogueCheckError(message.format(name=entry.name, pip=pip, axis=axis, value=block[position], **extra))


def derived_dimensions(block: Block) -> int:
    """3 if any z is non-zero, else 2 if any y is non-zero, else 1."""
    if any(v != 0.0 for v in block[2::3]):
        return 3
    if any(v != 0.0 for v in block[1::3]):
        return 2
    return 1


def _step_squared(block: Block, a: int, b: int) -> float:
    dx = block[3 * b] - block[3 * a]
    dy = block[3 * b + 1] - block[3 * a + 1]
    dz = block[3 * b + 2] - block[3 * a + 2]
    return dx * dx + dy * dy + dz * dz


def check_entry(entry: Entry, block: Block) -> None:
    """The invariants of one stored block."""
    period = entry.period_pips
    if len(block) != 3 * period:
        raise CatalogueCheckError(WRONG_BLOCK_LENGTH.format(name=entry.name, count=len(block), period=period))

    if not all(-1.0 <= v <= 1.0 for v in block):
        for position, v in enumerate(block):
            if not math.isfinite(v):
                _fail_at(NOT_FINITE, entry, block, position)
            if not -1.0 <= v <= 1.0:
                _fail_at(OUT_OF_BOUNDS, entry, block, position)
    for position, v in enumerate(block):
        if v == 0.0:
            if math.copysign(1.0, v) < 0.0:
                _fail_at(NEGATIVE_ZERO, entry, block, position)
        elif round12(v) != v:
            _fail_at(NOT_TWELVE_DECIMALS, entry, block, position)

    for axis in range(entry.dimensions, 3):
        for position in range(axis, len(block), 3):
            if block[position] != 0.0:
                _fail_at(MOVES_BEYOND_DIMENSIONS, entry, block, position, dimensions=entry.dimensions)
    derived = derived_dimensions(block)
    if derived != entry.dimensions:
        raise CatalogueCheckError(WRONG_DIMENSIONS.format(name=entry.name, declared=entry.dimensions, derived=derived))

    longest = max((_step_squared(block, s, s + 1) for s in range(period - 1)), default=0.0)
    seam = _step_squared(block, period - 1, 0)
    if seam > longest:
        raise CatalogueCheckError(SEAM_JUMP.format(name=entry.name, seam=math.sqrt(seam), longest=math.sqrt(longest)))


def axis_peak(block: Block, axis: int) -> float:
    """Largest absolute value of one axis over a block."""
    return max(abs(v) for v in block[axis::3])


def check_peaks(group: str, peaks: Peaks, members: Sequence[Tuple[Entry, Block]]) -> None:
    """Every member against a single figure, or the members' smallest and largest peak against a range."""
    for axis in range(3):
        figure: PeakFigure = peaks.axis(axis)
        axis_name = AXES[axis]
        member_peaks = [(axis_peak(block, axis), entry) for entry, block in members]
        if figure.high is None:
            for peak, entry in member_peaks:
                if not matches_figure(peak, figure.low):
                    raise CatalogueCheckError(PEAK_OFF_FIGURE.format(
                        name=entry.name, peak=peak, axis=axis_name, figure=figure.low, group=group))
            continue
        low, high = figure.low, figure.high
        for peak, entry in member_peaks:
            if at_figure_digits(peak, low) < float(low) or at_figure_digits(peak, high) > float(high):
                raise CatalogueCheckError(PEAK_OUTSIDE_RANGE.format(
                    name=entry.name, peak=peak, axis=axis_name, low=low, high=high, group=group))
        smallest = min(member_peaks, key=lambda pair: pair[0])
        largest = max(member_peaks, key=lambda pair: pair[0])
        for end, (peak, entry), end_figure in (("smallest", smallest, low), ("largest", largest, high)):
            if not matches_figure(peak, end_figure):
                raise CatalogueCheckError(RANGE_END_MISSED.format(
                    group=group, end=end, axis=axis_name, peak=peak, name=entry.name, figure=end_figure))


def peak_groups(entries: Iterable[Entry]) -> Dict[str, Tuple[Peaks, List[Entry]]]:
    """The groups whose peaks have figures, as each entry's family declares them, over the given entries."""
    groups: Dict[str, Tuple[Peaks, List[Entry]]] = {}
    declared: Dict[str, Tuple[PeakGroup, ...]] = {}
    for entry in entries:
        if entry.family not in declared:
            declared[entry.family] = FAMILIES[entry.family].peak_groups()
        for group in declared[entry.family]:
            if entry.member in group.members:
                groups.setdefault(group.label, (group.peaks, []))[1].append(entry)
    return groups


def check_all_peaks(entries: Sequence[Entry], blocks: Mapping[int, Block]) -> None:
    for group, (peaks, members) in peak_groups(entries).items():
        check_peaks(group, peaks, [(entry, blocks[entry.index]) for entry in members])


def check_distinct(entries: Sequence[Entry], blocks: Mapping[int, Block]) -> None:
    """No two entries store the same samples."""
    seen: Dict[bytes, str] = {}
    for entry in entries:
        key = array("d", blocks[entry.index]).tobytes()
        other = seen.setdefault(key, entry.name)
        if other != entry.name:
            raise CatalogueCheckError(DUPLICATE_SAMPLES.format(name=entry.name, other=other))


def check_bound_reached(entries: Sequence[Entry], blocks: Mapping[int, Block]) -> None:
    """The bound 1.0 itself occurs somewhere in the store."""
    if not any(abs(v) == 1.0 for entry in entries for v in blocks[entry.index]):
        raise CatalogueCheckError(BOUND_NEVER_REACHED)


def family_peak(family: Family) -> float:
    """The family's largest peak figure over x, y and z."""
    return max(family.peaks.axis(axis).highest() for axis in range(3))


def check_apart(family: Family, character: Character, members: Sequence[Tuple[Entry, Block]]) -> None:
    """No two members closer than a quarter of the family's peak, but the alike pairs and pairs of two
    members that follow exact rules."""
    peak = family_peak(family)
    limit = APART_SHARE_OF_PEAK * peak
    for i, (entry, block) in enumerate(members):
        for other, other_block in members[i + 1:]:
            if entry.member in family.exact and other.member in family.exact:
                continue
            if frozenset((entry.member, other.member)) in character.alike:
                continue
            if closer_than(block, other_block, limit):
                raise CatalogueCheckError(MEMBERS_TOO_CLOSE.format(
                    name=entry.name, other=other.name, closeness=closeness(block, other_block), peak=peak))


def check_smooth(entry: Entry, block: Block) -> None:
    """A smooth member's steps stay within the limit and its velocity does not break at the seam."""
    for pip in range(entry.period_pips):
        length = step(block, pip)
        if length > SMOOTH_STEP_LIMIT:
            raise CatalogueCheckError(SMOOTH_MEMBER_JUMPS.format(
                name=entry.name, length=length, pip=pip, limit=SMOOTH_STEP_LIMIT))
    if corner_at_seam(block):
        raise CatalogueCheckError(SMOOTH_MEMBER_SEAM_CORNER.format(
            name=entry.name, seam=seam_turn(block), beside=turn_beside_seam(block)))


def check_corners(entry: Entry, block: Block, promised: int) -> None:
    found = corner_count(block)
    if found < promised:
        raise CatalogueCheckError(PROMISED_CORNERS_MISSING.format(name=entry.name, found=found, promised=promised))


def check_character_names(family: Family, character: Character) -> None:
    names = {member.name for member in family.members}
    declared = set(character.smooth) | set(character.corners) | {name for pair in character.alike for name in pair}
    unknown = sorted(declared - names)
    if unknown:
        raise CatalogueCheckError(CHARACTER_NAMES_NO_MEMBER.format(family=family.prefix, member=unknown[0]))


def check_character(entries: Sequence[Entry], blocks: Mapping[int, Block]) -> None:
    """What each family's character declares: its members apart, its smooth members smooth and its
    promised corners turned."""
    by_family: Dict[str, List[Entry]] = {}
    for entry in entries:
        by_family.setdefault(entry.family, []).append(entry)
    for prefix, members in by_family.items():
        family = FAMILIES[prefix]
        character = family.character
        if character is None:
            continue
        check_character_names(family, character)
        for entry in members:
            if entry.member in character.smooth:
                check_smooth(entry, blocks[entry.index])
            if entry.member in character.corners:
                check_corners(entry, blocks[entry.index], character.corners[entry.member])
        if character.apart:
            check_apart(family, character, [(entry, blocks[entry.index]) for entry in members])


def check_catalogue(entries: Sequence[Entry], blocks: Mapping[int, Block], whole_store: bool) -> None:
    """Every check over the given entries; the reach of the bound only when they are the whole store."""
    for entry in entries:
        check_entry(entry, blocks[entry.index])
    check_all_peaks(entries, blocks)
    check_distinct(entries, blocks)
    check_character(entries, blocks)
    if whole_store:
        check_bound_reached(entries, blocks)
