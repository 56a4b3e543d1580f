"""A rig: fixtures numbered from 1 in groups, each group playing what its timeline says at the pip
(a source, a blend of sources while it fades, the centre, or what it held), every fixture some pips
behind the group's own pip and bending the motion by its own transform after the blend. The rig
answers, for a clock reading, every chosen fixture's pip and position, each group's fixtures worked
out together (`group_motion`), each source's table read once and shared. The pip a fixture reports
is the show's pip behind its phase in the show file, whatever its group plays, so receivers keep one
time line. A fixture placed in the room may aim at the point its motion gives. The rig's `version`
is its timeline's: every change bumps it, so a frame worked out before it is known to be stale."""

from __future__ import annotations

import math
from collections.abc import Callable, Sequence
from fractions import Fraction
from typing import TYPE_CHECKING, NamedTuple

import numpy as np

from pivolet_show.motion.axes import Point
from pivolet_show.motion.sources import RecordingSource, Source
from pivolet_show.show.clock import PipReading
from pivolet_show.show.fixtures import MOST_FIXTURES, TOO_MANY_FIXTURES, Fixture
from pivolet_show.show.group_aim import GroupAim
from pivolet_show.show.group_motion import PIP_WRAP, GroupMotion, GroupTransforms, sample_table, wrapped_pips
from pivolet_show.show.plan import GroupPlan
from pivolet_show.show.timeline import GroupTimeline, Segment, Stage, Timeline

if TYPE_CHECKING:
    from pivolet_show.show.cues import Cue
    from pivolet_show.show.plan import ShowPlan

HOLDS_STILL = "{name} covers pips {first} to {last} only; outside them the output holds still"

# The motions a group's part keeps before it drops those of segments its group no longer plays.
MOST_MOTIONS = 64


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
    dark: bool = False     # blacked out: every dimmer at 0
    reading: PipReading = PipReading(0, 0.0)  # the clock's reading the frame is of
    bpm: Fraction = Fraction(0)               # and its tempo there


def default_groups(fixtures: Sequence[Fixture]) -> tuple[GroupPlan, ...]:
    """Each run of fixtures that play one source, as a group named by its place from "1"."""
    groups: list[GroupPlan] = []
    for fixture in fixtures:
        last = groups[-1] if groups else None
        if last is not None and fixtures[last.first_number + last.count - 2].source is fixture.source:
            groups[-1] = GroupPlan(last.name, last.first_number, last.count + 1,
                                   own_phases=last.own_phases + (fixture.phase,))
        else:
            groups.append(GroupPlan(str(len(groups) + 1), fixture.number, 1, own_phases=(fixture.phase,)))
    return tuple(groups)


class _Aiming(NamedTuple):
    """The chosen fixtures of a group that aim: their places in the group's part and in the frame,
    and their numbers."""

    in_part: np.ndarray
    in_frame: np.ndarray
    numbers: tuple[int, ...]


class _Part:
    """The chosen fixtures of one group: which of the group's they are, where their rows go in the
    frame, their transforms, those of them that aim, and a GroupMotion for each segment the group
    has played them in."""

    def __init__(self, group: GroupTimeline, members: list[int], where: slice | np.ndarray,
                 transforms: GroupTransforms, aiming: _Aiming | None):
        self.group = group
        self.members = members
        self.where = where
        self.transforms = transforms
        self.aiming = aiming
        # By the segment's id, the segment (kept so that its id is not reused) and its motion.
        self.motions: dict[int, tuple[Segment, GroupMotion]] = {}


class _Selection:
    """How a frame of the fixtures numbered in `numbers` is worked out: a part per group."""

    def __init__(self, rig: Rig, numbers: Sequence[int]):
        self.numbers = tuple(numbers)
        self.version = rig.version
        chosen = [rig.fixtures[number - 1] for number in self.numbers]
        self.wrapped_phases = np.array([fixture.phase % PIP_WRAP for fixture in chosen], dtype=np.int64)
        # Per group (by its index), the places in the frame of its chosen fixtures.
        chosen_of: dict[int, list[int]] = {}
        for k, number in enumerate(self.numbers):
            chosen_of.setdefault(rig.group_of[number - 1], []).append(k)
        self.parts: list[_Part] = []
        groups = list(rig.timeline.groups.values())
        for index, places in sorted(chosen_of.items()):
            plan = rig.groups[index]
            members = [self.numbers[k] - plan.first_number for k in places]
            contiguous = places == list(range(places[0], places[-1] + 1))
            where = slice(places[0], places[-1] + 1) if contiguous else np.array(places)
            aiming = [(place, k) for place, k in enumerate(places) if chosen[k].aim is not None]
            self.parts.append(_Part(groups[index], members, where,
                                    GroupTransforms([rig.matrices[self.numbers[k] - 1] for k in places]),
                                    _Aiming(np.array([place for place, _ in aiming]), np.array([k for _, k in aiming]),
                                            tuple(self.numbers[k] for _, k in aiming)) if aiming else None))
        self.aims = any(part.aiming is not None for part in self.parts)


class Rig:
    """The fixtures of a show in their groups, with the timeline of what the groups play, ready to
    be read many times a second."""

    def __init__(self, fixtures: Sequence[Fixture], *, groups: Sequence[GroupPlan] = (), cues: Sequence[Cue] = (),
                 start_pip: int = 0, interpolate: bool = False, note: Callable[[str], None] = lambda text: None):
        if len(fixtures) > MOST_FIXTURES:
            raise ValueError(TOO_MANY_FIXTURES.format(most=MOST_FIXTURES, count=len(fixtures)))
        self.interpolate = interpolate
        self._note = note
        self._told: set[str] = set()
        self.fixtures = tuple(fixtures)
        self.groups = tuple(groups) or default_groups(self.fixtures)
        self.timeline = Timeline([self._group_timeline(group) for group in self.groups], cues, start_pip)
        self.matrices = [None if fixture.transform.is_identity else fixture.transform.matrix()
                         for fixture in self.fixtures]
        self.group_of = [index for index, group in enumerate(self.groups) for _ in range(group.count)]
        # One table per source, shared by the groups that play it; the source is kept beside its
        # table so that its id is never reused by another source while the entry lives.
        self._tables: dict[int, tuple[Source, np.ndarray]] = {}
        # The selections worked out so far, by the numbers they choose (None: every fixture).
        self._selections: dict[tuple[int, ...] | None, _Selection] = {}
        # Per source, the aims at each pip of it of the fixtures that aim while playing it, and
        # which head of them each fixture (by number) is.
        self._aims: dict[int, tuple[Source, GroupAim, dict[int, int]]] = {}
        self._aim_ahead(cues)

    @classmethod
    def of_plan(cls, plan: ShowPlan, note: Callable[[str], None] = lambda text: None) -> Rig:
        return cls(plan.fixtures, groups=plan.groups, cues=plan.cues, start_pip=plan.start_pip,
                   interpolate=plan.interpolate, note=note)

    @property
    def version(self) -> int:
        return self.timeline.version

    def _group_timeline(self, group: GroupPlan) -> GroupTimeline:
        """A group playing its fixtures' source in phase with the show, each fixture at its phase."""
        members = self.fixtures[group.first_number - 1:group.first_number - 1 + group.count]
        phases = tuple(fixture.phase for fixture in members)
        first = Stage(0, Segment(members[0].source, phases, 1.0, Fraction(1), 0, Fraction(0)), 0)
        own_phases = group.own_phases or (None,) * group.count
        return GroupTimeline(group.name, own_phases, group.spread, group.order, first)

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
            selection = self._selections[key] = _Selection(self, chosen)  # type: ignore[arg-type]
        elif selection.version != self.version:
            # What the groups play has changed: once a part has gathered many motions, those of the
            # segments its group no longer plays go.
            for part in selection.parts:
                if len(part.motions) > MOST_MOTIONS:
                    group = part.group
                    playing = {id(segment) for stage in group.stages for segment, _ in stage.layers(stage.pip)}
                    playing.update(id(segment) for hold in group.holds for segment, _ in hold.layers)
                    part.motions = {key: entry for key, entry in part.motions.items() if key in playing}
            selection.version = self.version
        return selection

    def _motion(self, part: _Part, segment: Segment) -> GroupMotion:
        entry = part.motions.get(id(segment))
        if entry is None:
            source = segment.source
            entry = part.motions[id(segment)] = (segment, GroupMotion(
                source, self.table(source), [segment.phases[k] for k in part.members]))  # type: ignore[arg-type]
        return entry[1]

    def aims(self, source: Source, numbers: Sequence[int] | None = None) -> tuple[GroupAim, dict[int, int]]:
        """The aims of the fixtures numbered in `numbers` (by default every fixture that aims and
        plays `source` from the start) while they play `source`, at each pip of it, and which head
        of them each fixture (by number) is. Worked out once for every fixture asked for so far: a
        head's aims are its own, whoever it is worked out with, so those of more heads serve fewer."""
        if numbers is None:
            numbers = [fixture.number for fixture in self.fixtures if fixture.source is source and fixture.aim is not None]
        entry = self._aims.get(id(source))
        if entry is None or not entry[2].keys() >= set(numbers):
            together = sorted(set(numbers) | (set() if entry is None else entry[2].keys()))
            aiming = [self.fixtures[number - 1] for number in together]
            group_aim = GroupAim(self.table(source), [self.matrices[fixture.number - 1] for fixture in aiming],
                                 [fixture.aim for fixture in aiming])  # type: ignore[misc]
            entry = self._aims[id(source)] = (source, group_aim, {number: head for head, number in enumerate(together)})
        return entry[1], entry[2]

    def _aim_ahead(self, cues: Sequence[Cue]) -> None:
        """Works out, once for each source, the aims of every fixture that aims and may play it:
        from the start, or as a cue gives it to the fixture's group, so that neither the first frame
        nor a launch waits for them."""
        wanted: dict[int, tuple[Source, set[int]]] = {}
        for fixture in self.fixtures:
            if fixture.aim is not None:
                wanted.setdefault(id(fixture.source), (fixture.source, set()))[1].add(fixture.number)
        named = {group.name: group for group in self.groups}
        for cue in cues:
            for name, asked in cue.groups:
                group = named.get(name)
                if group is None or asked.source is None:
                    continue
                numbers = [number for number in group.numbers if self.fixtures[number - 1].aim is not None]
                if numbers:
                    wanted.setdefault(id(asked.source), (asked.source, set()))[1].update(numbers)
        for source, numbers in wanted.values():
            self.aims(source, sorted(numbers))

    def _own(self, segment: Segment, pip: int, fraction: float) -> tuple[int, float]:
        """The group's own pip in `segment` at the show's `pip` (and `fraction`), and the fraction
        of the way to the next of its own pips, at its own speed."""
        if not self.interpolate:
            return segment.own_pip(pip), 0.0
        own = segment.own_exact(pip)
        own_fraction = float(own - math.floor(own)) + fraction * float(segment.ratio)
        carried = math.floor(own_fraction)
        return math.floor(own) + carried, own_fraction - carried

    def _segment(self, part: _Part, segment: Segment, pip: int, fraction: float) -> np.ndarray:
        """The chosen fixtures' positions in `segment` at the show's `pip` (and `fraction`), scaled."""
        if segment.source is None:
            return np.zeros((len(part.members), 3))
        own_pip, own_fraction = self._own(segment, pip, fraction)
        motion = self._motion(part, segment)
        points = motion.positions(own_pip, own_fraction, self.interpolate)
        if motion.outside:
            self._tell_once(motion.recording)  # type: ignore[arg-type]
        if segment.size != 1.0:
            points *= segment.size
            if segment.size > 1.0:
                np.clip(points, -1.0, 1.0, out=points)
        return points

    def _blend(self, part: _Part, layers: list[tuple[Segment, float]], pip: int, fraction: float) -> np.ndarray:
        (first, _), *rest = layers
        value = self._segment(part, first, pip, fraction)
        for segment, weight in rest:
            value += (self._segment(part, segment, pip, fraction) - value) * weight
        part.transforms.apply(value)
        return value

    def _aim(self, part: _Part, layers: list[tuple[Segment, float]], pip: int, fraction: float,
             points: np.ndarray) -> np.ndarray:
        """The pan and tilt of the part's heads that aim, through their `points`. A head playing one
        source at its own size takes its aim at its own pip from the source's table, as it would
        played alone; through a blend, a size or the centre, it takes the aim through its point
        nearest the table's aim of the first source it plays (or its home), so that its aim is
        still the pip's alone."""
        aiming = part.aiming
        assert aiming is not None
        lead = next((segment for segment, _ in layers if segment.source is not None), None)
        source = self.fixtures[aiming.numbers[0] - 1].source if lead is None else lead.source
        group_aim, columns = self.aims(source, aiming.numbers)  # type: ignore[arg-type]
        heads = np.array([columns[number] for number in aiming.numbers])
        if lead is None:
            return group_aim.from_home(heads, points)
        own_pip, own_fraction = self._own(lead, pip, fraction)
        rows = self._motion(part, lead).rows(own_pip)[0][aiming.in_part]
        exact = len(layers) == 1 and lead.size == 1.0 and not own_fraction
        return group_aim.at(heads, rows, None if exact else points)

    def frame(self, reading: PipReading, numbers: Sequence[int] | None = None, bpm: Fraction = Fraction(0)) -> FixtureFrame:
        """What every fixture plays at `reading` (at the tempo `bpm`), or only the fixtures numbered
        in `numbers`."""
        selection = self._selection(numbers)
        positions = np.empty((len(selection.numbers), 3), dtype=np.float64)
        aims = np.full((len(selection.numbers), 2), np.nan) if selection.aims else None
        for part in selection.parts:
            layers, pip = part.group.look(reading.pip)
            fraction = reading.fraction if pip == reading.pip else 0.0
            positions[part.where] = self._blend(part, layers, pip, fraction)
            if part.aiming is not None:
                in_frame = part.aiming.in_frame
                aims[in_frame] = self._aim(part, layers, pip, fraction, positions[in_frame])  # type: ignore[index]
        return FixtureFrame(selection.numbers, wrapped_pips(reading.pip, selection.wrapped_phases), positions,
                            aims, self.timeline.blacked_out(reading.pip), reading, bpm)

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
