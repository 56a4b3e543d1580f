"""The fixtures of a group: each numbered from 1 in rig order, playing a source some pips behind the
clock (its phase, from the group's order and spread unless it has one of its own) and through a
transform of its own. Nothing here computes motion, so the command line can check its group flags
without loading what a rig needs to play."""

from __future__ import annotations

import dataclasses
import enum
from collections.abc import Sequence
from typing import TYPE_CHECKING

from pivolet_show.checks import INT32, suggestion
from pivolet_show.motion.sources import PatternSource, Source
from pivolet_show.show.transform import Transform

if TYPE_CHECKING:
    from pivolet_show.show.placement import Placement

EVEN_SPREAD = "even"

EVEN_SPREAD_NEEDS_A_LOOP = "an even spread divides a loop across the fixtures; {name} is a recording, which does not loop"
NOT_A_SPREAD = "a spread is a whole number of pips (within the 32-bit range) or 'even', not {value!r}"
NOT_AN_ORDER = "a fixture order is one of {orders}, not {value!r}"
NO_FIXTURES = "a group needs at least one fixture, not {count!r}"
TOO_MANY_FIXTURES = "a rig holds at most {most} fixtures, not {count}"

MOST_FIXTURES = 65535


class FixtureOrder(enum.Enum):
    """How a spread of phase lays across a group, as figure engines offer it."""

    IN_STEP = "in_step"  # every fixture at the same pip
    SPREAD = "spread"    # each fixture one spread behind the one before it
    MIRROR = "mirror"    # the two halves mirror each other: both ends lead, the middle trails

    @classmethod
    def named(cls, value: str) -> FixtureOrder:
        for order in cls:
            if order.value == value:
                return order
        names = [order.value for order in cls]
        refusal = NOT_AN_ORDER.format(orders=", ".join(map(repr, names)), value=value)
        raise ValueError(refusal + (suggestion(value, names) if isinstance(value, str) else ""))


def spread_pips(spread: int | str, count: int, source: Source) -> Sequence[int]:
    """The phase of each of `count` fixtures in order, before the order is applied: k * spread for
    fixture k from 0, or with an even spread the loop's shortest repeat divided as evenly as whole
    pips allow (a loop that repeats one figure four times spreads its fixtures over one figure)."""
    if spread == EVEN_SPREAD:
        if not isinstance(source, PatternSource):
            raise ValueError(EVEN_SPREAD_NEEDS_A_LOOP.format(name=source.name))
        return [k * source.repeat_pips // count for k in range(count)]
    if isinstance(spread, bool) or not isinstance(spread, int) or spread not in INT32:
        raise ValueError(NOT_A_SPREAD.format(value=spread))
    return [k * spread for k in range(count)]


def phase_offsets(order: FixtureOrder, count: int, spread: int | str, source: Source) -> list[int]:
    """How many pips behind the clock each fixture of a group plays."""
    if isinstance(count, bool) or not isinstance(count, int) or count < 1:
        raise ValueError(NO_FIXTURES.format(count=count))
    if count > MOST_FIXTURES:
        raise ValueError(TOO_MANY_FIXTURES.format(most=MOST_FIXTURES, count=count))
    steps = spread_pips(spread, count, source)
    if order is FixtureOrder.IN_STEP:
        return [0] * count
    if order is FixtureOrder.SPREAD:
        return list(steps)
    return [steps[min(k, count - 1 - k)] for k in range(count)]


@dataclasses.dataclass(frozen=True)
class Fixture:
    number: int  # from 1, in rig order
    source: Source
    phase: int   # pips behind the clock
    transform: Transform = Transform()
    aim: Placement | None = None  # where it hangs, for a head that aims at its point


def group_fixtures(source: Source, count: int, *, first_number: int = 1, order: FixtureOrder = FixtureOrder.IN_STEP,
                   spread: int | str = 0, transforms: Sequence[Transform] | None = None,
                   phases: Sequence[int | None] | None = None,
                   aims: Sequence[Placement | None] | None = None) -> list[Fixture]:
    """`count` fixtures playing one source, numbered on from `first_number`: their phases follow
    the order and spread unless `phases` gives one of its own for a fixture; `aims` places those
    that aim."""
    offsets = phase_offsets(order, count, spread, source)
    fixtures = []
    for k in range(count):
        own_phase = None if phases is None else phases[k]
        transform = Transform() if transforms is None else transforms[k]
        fixtures.append(Fixture(first_number + k, source, offsets[k] if own_phase is None else own_phase, transform,
                                None if aims is None else aims[k]))
    return fixtures
