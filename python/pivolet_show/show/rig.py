"""A rig: fixtures numbered from 1, each playing a source some pips behind the clock and bending the
motion by its own transform; a fixture placed in the room may aim at the point its motion gives. The rig answers, for a clock reading, every chosen fixture's pip and
position: the fixtures that play one source are worked out together (`group_motion`), each
source's table read once and shared. What a fixture plays may change between frames: each change
bumps the rig's `version`, so a frame worked out before it is known to be stale."""

from __future__ import annotations

import dataclasses
from collections.abc import Callable, Sequence
from typing import NamedTuple

import numpy as np

from pivolet_show.motion.axes import Point
from pivolet_show.motion.sources import RecordingSource, Source
from pivolet_show.show.clock import PipReading
from pivolet_show.show.fixtures import MOST_FIXTURES, TOO_MANY_FIXTURES, Fixture
from pivolet_show.show.group_aim import GroupAim
from pivolet_show.show.group_motion import PIP_WRAP, GroupMotion, sample_table, wrapped_pips
from pivolet_show.show.transform import Matrix, Transform

HOLDS_STILL = "{name} covers pips {first} to {last} only; outside them the output holds still"
NO_SUCH_FIXTURE = "the rig has fixtures 1 to {count}, not {number!r}"


class FixtureState(NamedTuple):
    """What a fixture plays at one reading: its own pip and its position there."""

    number: int
    pip: int
    position: Point


class FixtureFrame(NamedTuple):
    """What the fixtures numbered in `numbers` play at one reading, as arrays in that order."""

    numbers: tuple[int, ...]
    pips: np.ndarray       # int32: each fixture's own pip, wrapped like a signed 32-bit counter
    positions: np.ndarray  # float64, one row (x, y, z) per fixture
    aims: np.ndarray | None = None  # float64, one row (pan, tilt) in degrees per fixture, NaN for one that does not aim


class _Selection:
    """How a frame of the fixtures numbered in `numbers` is worked out: one GroupMotion per source
    they play, and where its rows go in the frame; for the fixtures that aim, their source's
    GroupAim, which of its heads they are and where they sit in the part."""

    def __init__(self, fixtures: Sequence[Fixture], numbers: Sequence[int], table: Callable[[Source], np.ndarray],
                 aims: Callable[[Source], tuple[GroupAim, dict[int, int]]]):
        self.numbers = tuple(numbers)
        chosen = [fixtures[number - 1] for number in self.numbers]
        self.wrapped_phases = np.array([fixture.phase % PIP_WRAP for fixture in chosen], dtype=np.int64)
        matrices: dict[Transform, Matrix | None] = {}
        by_source: dict[int, list[int]] = {}
        for k, fixture in enumerate(chosen):
            by_source.setdefault(id(fixture.source), []).append(k)
            if fixture.transform not in matrices:
                matrices[fixture.transform] = None if fixture.transform.is_identity else fixture.transform.matrix()
        self.parts: list[tuple[GroupMotion, slice | np.ndarray]] = []
        self.aimed: list[tuple[GroupMotion, GroupAim, np.ndarray, np.ndarray, np.ndarray]] = []
        for members in by_source.values():
            source = chosen[members[0]].source
            motion = GroupMotion(source, table(source), [chosen[k].phase for k in members],
                                 [matrices[chosen[k].transform] for k in members])
            contiguous = members == list(range(members[0], members[-1] + 1))
            self.parts.append((motion, slice(members[0], members[-1] + 1) if contiguous else np.array(members)))
            aiming = [(place, k) for place, k in enumerate(members) if chosen[k].aim is not None]
            if aiming:
                group_aim, heads = aims(source)
                # In the part, in the frame, and as heads of the group's aim.
                self.aimed.append((motion, group_aim, np.array([place for place, _ in aiming]),
                                   np.array([k for _, k in aiming]),
                                   np.array([heads[self.numbers[k]] for _, k in aiming])))


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
        # One table per source, shared by the fixtures that play it; the source is kept beside its
        # table so that its id is never reused by another source while the entry lives.
        self._tables: dict[int, tuple[Source, np.ndarray]] = {}
        # The selections worked out so far, by the numbers they choose (None: every fixture).
        self._selections: dict[tuple[int, ...] | None, _Selection] = {}
        # Per source that fixtures aim with, the aims of all of them and which head each fixture is.
        self._aims: dict[int, tuple[Source, GroupAim, dict[int, int]]] = {}
        self.fixtures = tuple(fixtures)

    def table(self, source: Source) -> np.ndarray:
        """The source's position at each pip of its loop (or recording), read once and shared."""
        key = id(source)
        if key not in self._tables:
            self._tables[key] = (source, sample_table(source))
        return self._tables[key][1]

    def _selection(self, numbers: Sequence[int] | None) -> _Selection:
        key = None if numbers is None else tuple(numbers)
        selection = self._selections.get(key)
        if selection is None:
            chosen = range(1, len(self.fixtures) + 1) if numbers is None else key
            selection = self._selections[key] = _Selection(self.fixtures, chosen, self.table,  # type: ignore[arg-type]
                                                           self.aims)
        return selection

    def aims(self, source: Source) -> tuple[GroupAim, dict[int, int]]:
        """The aims of every fixture that aims while playing `source`, at each pip of it, and
        which head of them each fixture (by number) is. Worked out once, when first asked for."""
        key = id(source)
        if key not in self._aims:
            aiming = [fixture for fixture in self.fixtures if fixture.source is source and fixture.aim is not None]
            matrices = [None if fixture.transform.is_identity else fixture.transform.matrix() for fixture in aiming]
            group_aim = GroupAim(self.table(source), matrices, [fixture.aim for fixture in aiming])  # type: ignore[misc]
            self._aims[key] = (source, group_aim, {fixture.number: head for head, fixture in enumerate(aiming)})
        return self._aims[key][1:]  # type: ignore[return-value]

    def set_source(self, numbers: Sequence[int], source: Source) -> None:
        """From the next reading on, the fixtures numbered in `numbers` play `source`, each at its
        own phase and through its own transform."""
        for number in numbers:
            if isinstance(number, bool) or not isinstance(number, int) or not 1 <= number <= len(self.fixtures):
                raise ValueError(NO_SUCH_FIXTURE.format(count=len(self.fixtures), number=number))
        fixtures = list(self.fixtures)
        for number in numbers:
            fixtures[number - 1] = dataclasses.replace(fixtures[number - 1], source=source)
        self.fixtures = tuple(fixtures)
        self._selections = {}
        self.version += 1
        playing = {id(fixture.source) for fixture in self.fixtures}
        self._tables = {key: entry for key, entry in self._tables.items() if key in playing}
        # Whose aims are worked out with whom has changed: they are worked out again when next asked for.
        self._aims = {}

    def frame(self, reading: PipReading, numbers: Sequence[int] | None = None) -> FixtureFrame:
        """What every fixture plays at `reading`, or only the fixtures numbered in `numbers`."""
        selection = self._selection(numbers)
        positions = np.empty((len(selection.numbers), 3), dtype=np.float64)
        for motion, where in selection.parts:
            positions[where] = motion.positions(reading.pip, reading.fraction, self.interpolate)
            if motion.outside:
                self._tell_once(motion.recording)  # type: ignore[arg-type]
        aims = None
        if selection.aimed:
            aims = np.full((len(selection.numbers), 2), np.nan)
            for motion, group_aim, in_part, in_frame, heads in selection.aimed:
                rows = motion.rows(reading.pip)[0][in_part]
                between = positions[in_frame] if self.interpolate and reading.fraction else None
                aims[in_frame] = group_aim.at(heads, rows, between)
        return FixtureFrame(selection.numbers, wrapped_pips(reading.pip, selection.wrapped_phases), positions, aims)

    def states(self, reading: PipReading, numbers: Sequence[int] | None = None) -> list[FixtureState]:
        """Every fixture's state at `reading` (or only those of the fixtures numbered in `numbers`),
        its pip whole rather than wrapped."""
        frame = self.frame(reading, numbers)
        return [FixtureState(number, reading.pip - self.fixtures[number - 1].phase, (x, y, z))
                for number, (x, y, z) in zip(frame.numbers, frame.positions.tolist())]

    def _tell_once(self, recording: RecordingSource) -> None:
        if recording.name not in self._told:
            self._told.add(recording.name)
            self._note(HOLDS_STILL.format(name=recording.name, first=recording.first_pip, last=recording.end_pip - 1))
