"""Checks of the generated samples before anything is written: the invariants of every stored block,
the peak figures of every peak group the families declare, distinctness, what each family's character
declares (members that look unlike one another, features that show, smooth members that move
smoothly, promised corners there) and the reach of the bound 1.0.

A block is an entry's samples already rounded and flattened: x, y, z of pip 0, then of pip 1, and so
on, 3·`period_pips` doubles. Every failed check raises CatalogueCheckError naming the entry (or the
family, where a figure is missed by the family as a whole).
"""

from __future__ import annotations

import math
from array import array
from typing import Dict, Iterable, List, Mapping, Sequence, Tuple

from .family import Character, DistinctGroup, Family, PeakGroup
from .measures import (
    SEAM_CORNER_RATIO, closeness, closer_than, corner_at_seam, corner_count, seam_turn, sharpest_inside_turn, step,
)
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
TOO_MANY_CLOSE_PAIRS = (
    "{group}: {close} of its {pairs} member pairs lie closer than {limit:.6f}, where at most {allowed} may;"
    " the closest are {name} and {other}, {distance:.6f} apart"
)
FEATURE_HIDDEN = "{name}: {feature} moves it by at most {distance:.6f}, less than {limit:.6f}"
SMOOTH_MEMBER_JUMPS = (
    "{name}: moves {length:.6f} from pip {pip} to the next, more than the {limit} per pip that its smooth"
    " motion allows"
)
SMOOTH_MEMBER_SEAM_CORNER = (
    "{name}: turns a corner at its loop seam, its velocity changing by {seam:.9f} there, more than {ratio} times"
    " its sharpest turn inside ({inside:.9f}), though its motion is smooth"
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


def whole_family_group(family: Family, character: Character) -> DistinctGroup:
    """A family whose members are apart as one group: no pair closer than a quarter of its peak, but
    its alike pairs and the pairs of two members that follow exact rules, which no authoring moves."""
    names = tuple(member.name for member in family.members)
    exact = [name for name in names if name in family.exact]
    both_exact = frozenset(frozenset((a, b)) for i, a in enumerate(exact) for b in exact[i + 1:])
    return DistinctGroup(f"family {family.prefix}", names, APART_SHARE_OF_PEAK * family_peak(family),
                         exempt=character.alike | both_exact)


def check_distinct_group(group: DistinctGroup, prefix: str, blocks: Mapping[str, Block]) -> None:
    """No more than the group's share of its member pairs lie closer than its limit (exempt pairs aside)."""
    pairs = close = 0
    closest: Tuple[float, str, str] = (math.inf, "", "")
    for i, member in enumerate(group.members):
        for other in group.members[i + 1:]:
            if frozenset((member, other)) in group.exempt:
                continue
            pairs += 1
            a, b = blocks[member], blocks[other]
            if closer_than(a, b, group.limit):
                close += 1
                closest = min(closest, (closeness(a, b), member, other))
    allowed = math.floor(group.close_share * pairs)
    if close > allowed:
        distance, member, other = closest
        raise CatalogueCheckError(TOO_MANY_CLOSE_PAIRS.format(
            group=group.label, close=close, pairs=pairs, limit=group.limit, allowed=allowed,
            name=f"{prefix}_{member}", other=f"{prefix}_{other}", distance=distance))


def check_smooth(entry: Entry, block: Block) -> None:
    """A smooth member's steps stay within the limit and its velocity does not break at the seam."""
    for pip in range(entry.period_pips):
        length = step(block, pip)
        if length > SMOOTH_STEP_LIMIT:
            raise CatalogueCheckError(SMOOTH_MEMBER_JUMPS.format(
                name=entry.name, length=length, pip=pip, limit=SMOOTH_STEP_LIMIT))
    if corner_at_seam(block):
        raise CatalogueCheckError(SMOOTH_MEMBER_SEAM_CORNER.format(
            name=entry.name, seam=seam_turn(block), ratio=SEAM_CORNER_RATIO, inside=sharpest_inside_turn(block)))


def check_corners(entry: Entry, block: Block, promised: int) -> None:
    found = corner_count(block)
    if found < promised:
        raise CatalogueCheckError(PROMISED_CORNERS_MISSING.format(name=entry.name, found=found, promised=promised))


def check_character_names(family: Family, character: Character) -> None:
    names = {member.name for member in family.members}
    declared = set(character.smooth) | set(character.corners) | {name for pair in character.alike for name in pair}
    declared |= {name for group in character.distinct_groups for name in group.members}
    declared |= {feature.member for feature in character.features}
    unknown = sorted(declared - names)
    if unknown:
        raise CatalogueCheckError(CHARACTER_NAMES_NO_MEMBER.format(family=family.prefix, member=unknown[0]))


def check_family_character(family: Family, character: Character, entries: Sequence[Entry],
                           blocks: Mapping[int, Block]) -> None:
    """What one family's character declares, over its members' stored blocks."""
    check_character_names(family, character)
    by_member = {entry.member: (entry, blocks[entry.index]) for entry in entries}
    for entry, block in by_member.values():
        if entry.member in character.smooth:
            check_smooth(entry, block)
        if entry.member in character.corners:
            check_corners(entry, block, character.corners[entry.member])
    for feature in character.features:
        entry, block = by_member[feature.member]
        without = flatten(feature.without(entry, block))
        if closer_than(block, without, feature.limit):
            raise CatalogueCheckError(FEATURE_HIDDEN.format(
                name=entry.name, feature=feature.name, distance=closeness(block, without), limit=feature.limit))
    stored = {member: block for member, (_, block) in by_member.items()}
    groups = ((whole_family_group(family, character),) if character.apart else ()) + character.distinct_groups
    for group in groups:
        check_distinct_group(group, family.prefix, stored)


def check_character(entries: Sequence[Entry], blocks: Mapping[int, Block]) -> None:
    """What each family's character declares: its members apart, its features showing, its smooth
    members smooth and its promised corners turned. The entries hold whole families."""
    by_family: Dict[str, List[Entry]] = {}
    for entry in entries:
        by_family.setdefault(entry.family, []).append(entry)
    for prefix, members in by_family.items():
        family = FAMILIES[prefix]
        if family.character is not None:
            check_family_character(family, family.character, members, blocks)


def check_catalogue(entries: Sequence[Entry], blocks: Mapping[int, Block], whole_store: bool) -> None:
    """Every check over the given entries; the reach of the bound only when they are the whole store."""
    for entry in entries:
        check_entry(entry, blocks[entry.index])
    check_all_peaks(entries, blocks)
    check_distinct(entries, blocks)
    check_character(entries, blocks)
    if whole_store:
        check_bound_reached(entries, blocks)
