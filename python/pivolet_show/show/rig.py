"""A rig: fixtures numbered from 1, each playing a source some pips behind the clock and bending the
motion by its own transform. The rig answers, for a clock reading, every chosen fixture's pip and
position. What a fixture plays may change between frames: each change bumps the rig's `version`,
so a frame worked out before it is known to be stale."""

from __future__ import annotations

import dataclasses
import enum
from collections.abc import Callable, Sequence
from typing import Any, NamedTuple

from pivolet_show.checks import INT32, suggestion
from pivolet_show.motion.axes import Point
from pivolet_show.motion.sources import PatternSource, RecordingSource, Source, interpolated_reader, position_reader
from pivolet_show.show.clock import PipReading
from pivolet_show.show.transform import Transform, affine

EVEN_SPREAD = "even"

EVEN_SPREAD_NEEDS_A_LOOP = "an even spread divides a loop across the fixtures; {name} is a recording, which does not loop"
NOT_A_SPREAD = "a spread is a whole number of pips (within the 32-bit range) or 'even', not {value!r}"
NOT_AN_ORDER = "a fixture order is one of {orders}, not {value!r}"
NO_FIXTURES = "a group needs at least one fixture, not {count!r}"
TOO_MANY_FIXTURES = "a rig holds at most {most} fixtures, not {count}"
HOLDS_STILL = "{name} covers pips {first} to {last} only; outside them the output holds still"
NO_SUCH_FIXTURE = "the rig has fixtures 1 to {count}, not {number!r}"

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
    fixture k from 0, or with an even spread the loop divided as evenly as whole pips allow."""
    if spread == EVEN_SPREAD:
        if not isinstance(source, PatternSource):
            raise ValueError(EVEN_SPREAD_NEEDS_A_LOOP.format(name=source.name))
        return [k * source.period_pips // count for k in range(count)]
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


class FixtureState(NamedTuple):
    """What a fixture plays at one reading: its own pip and its position there."""

    number: int
    pip: int
    position: Point


class Rig:
    """The fixtures of a show, ready to be read many times a second."""

    def __init__(self, fixtures: Sequence[Fixture], *, interpolate: bool = False,
                 note: Callable[[str], None] = lambda text: None):
        if len(fixtures) > MOST_FIXTURES:
            raise ValueError(TOO_MANY_FIXTURES.format(most=MOST_FIXTURES, count=len(fixtures)))
        self.interpolate = interpolate
        self.version = 0
        self._note = note
        self._told: set[str] = set()
        # One reader per source, shared by the fixtures that play it; the source is kept beside its
        # reader so that its id is never reused by another source while the entry lives.
        self._readers: dict[int, tuple[Source, Callable[[int, float], Point]]] = {}
        self.fixtures = tuple(fixtures)
        self._plans = tuple(self._plan(fixture) for fixture in self.fixtures)

    def _plan(self, fixture: Fixture) -> tuple[int, int, Callable[[int, float], Point], Any, RecordingSource | None]:
        key = id(fixture.source)
        if key not in self._readers:
            self._readers[key] = (fixture.source, self._reader(fixture.source))
        matrix = None if fixture.transform.is_identity else fixture.transform.matrix()
        watched = fixture.source if isinstance(fixture.source, RecordingSource) else None
        return fixture.number, fixture.phase, self._readers[key][1], matrix, watched

    def _reader(self, source: Source) -> Callable[[int, float], Point]:
        if self.interpolate:
            return interpolated_reader(source)
        read = position_reader(source)
        return lambda pip, fraction: read(pip)

    def set_source(self, numbers: Sequence[int], source: Source) -> None:
        """From the next reading on, the fixtures numbered in `numbers` play `source`, each at its
        own phase and through its own transform."""
        for number in numbers:
            if isinstance(number, bool) or not isinstance(number, int) or not 1 <= number <= len(self.fixtures):
                raise ValueError(NO_SUCH_FIXTURE.format(count=len(self.fixtures), number=number))
        fixtures = list(self.fixtures)
        plans = list(self._plans)
        for number in numbers:
            fixtures[number - 1] = dataclasses.replace(fixtures[number - 1], source=source)
            plans[number - 1] = self._plan(fixtures[number - 1])
        self.fixtures, self._plans = tuple(fixtures), tuple(plans)
        self.version += 1
        playing = {id(fixture.source) for fixture in self.fixtures}
        self._readers = {key: entry for key, entry in self._readers.items() if key in playing}

    def states(self, reading: PipReading, numbers: Sequence[int] | None = None) -> list[FixtureState]:
        """Every fixture's state at `reading`, or only those of the fixtures numbered in `numbers`."""
        every = self._plans
        plans = every if numbers is None else [every[number - 1] for number in numbers]
        pip, fraction = reading.pip, reading.fraction
        states = []
        for number, phase, read, matrix, watched in plans:
            own_pip = pip - phase
            if watched is not None and not watched.covers(own_pip):
                self._tell_once(watched)
            position = read(own_pip, fraction)
            states.append(FixtureState(number, own_pip, position if matrix is None else affine(matrix, position)))
        return states

    def _tell_once(self, recording: RecordingSource) -> None:
        if recording.name not in self._told:
            self._told.add(recording.name)
            self._note(HOLDS_STILL.format(name=recording.name, first=recording.first_pip, last=recording.end_pip - 1))


def group_fixtures(source: Source, count: int, *, first_number: int = 1, order: FixtureOrder = FixtureOrder.IN_STEP,
                   spread: int | str = 0, transforms: Sequence[Transform] | None = None,
                   phases: Sequence[int | None] | None = None) -> list[Fixture]:
    """`count` fixtures playing one source, numbered on from `first_number`: their phases follow
    the order and spread unless `phases` gives one of its own for a fixture."""
    offsets = phase_offsets(order, count, spread, source)
    fixtures = []
    for k in range(count):
        own_phase = None if phases is None else phases[k]
        transform = Transform() if transforms is None else transforms[k]
        fixtures.append(Fixture(first_number + k, source, offsets[k] if own_phase is None else own_phase, transform))
    return fixtures
