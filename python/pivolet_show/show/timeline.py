"""What each group of a show plays at every pip, as the cues, group changes, holds and blackouts
launched so far make it: a function of the pip alone, which a frame of any output, however far
ahead, reads without changing it.

Each group keeps its stages in the order they were asked for. A stage takes effect from its pip
(its launch's boundary) on, with a segment: a source (or the centre, for a group gone home), each
fixture's phase behind the group's own pip, a size, and the group's own pip as an exact function
of the show's pip, `own = floor(base + (pip - anchor) * ratio)`. At a pip the group plays the
newest stage whose pip it has reached (after a jump of the clock back, an older one may be the
newest reached); a stage that fades starts from the motion it replaced, still advancing, and blends
towards its own, `a + (b - a) * w` per axis with `w = (pip - start) / fade_pips`. A stage launched
during a fade fades from that blend, so the blend is a chain, each link a segment and a weight.

A launch removes the group's stages that have not taken effect before its boundary (a cue also
removes those of the cue it replaces on every group); a size or speed change derives a stage from
the one it changes, keeping the group's own pip continuous and any fade in progress. A hold is a
switch: from its pip the group shows what it showed there; a blackout is a switch of the whole show.
"""

from __future__ import annotations

import dataclasses
import math
from collections.abc import Callable, Sequence
from fractions import Fraction

from pivolet_show.motion.sources import Source
from pivolet_show.show.cues import Cue, GroupCue
from pivolet_show.show.fixtures import FixtureOrder, phase_offsets

# The stages and switches a group keeps: a jump of the clock back before the oldest of them plays
# the oldest one kept.
MOST_STAGES = 16
MOST_SWITCHES = 16
MOST_LAUNCHES = 16
# Fades running at once within one group; a launch beyond them cuts the oldest one short.
MOST_FADING = 8


@dataclasses.dataclass(frozen=True, eq=False)
class Segment:
    """A group playing `source` (None: resting at the centre), each fixture `phases[k]` of its own
    pips behind the group's own pip, scaled by `size` about the centre; the group's own pip at the
    show's pip p is floor(base + (p - anchor) * ratio)."""

    source: Source | None
    phases: tuple[int, ...]
    size: float
    ratio: Fraction
    anchor: int
    base: Fraction

    def own_exact(self, pip: int) -> Fraction:
        return self.base + (pip - self.anchor) * self.ratio

    def own_pip(self, pip: int) -> int:
        if self.ratio == 1 and self.base.denominator == 1:
            return self.base.numerator + pip - self.anchor
        return math.floor(self.own_exact(pip))

    def moved(self, pip: int, *, size: float | None = None, ratio: Fraction | None = None) -> Segment:
        """The same motion from `pip` on, at another size or speed, its own pip going on from
        exactly where it is at `pip`."""
        return dataclasses.replace(self, size=self.size if size is None else size,
                                   ratio=self.ratio if ratio is None else ratio, anchor=pip, base=self.own_exact(pip))


@dataclasses.dataclass(frozen=True, eq=False)
class Stage:
    """A segment in effect from `pip` on; with `fade_from`, it blends from that stage's motion to
    its own over `fade_pips` from `fade_start`. `request` is the number of the request that made
    it, `cue` the index of the cue that launched it (if one did), and what it was asked: a launch's
    `asked`, or the size or speed `change` it makes to the stage before it."""

    pip: int
    segment: Segment
    request: int
    fade_from: Stage | None = None
    fade_start: int = 0
    fade_pips: int = 0
    cue: int | None = None
    asked: GroupCue | None = None
    change: tuple[str, float | Fraction] | None = None

    def fading_at(self, pip: int) -> bool:
        return self.fade_from is not None and pip < self.fade_start + self.fade_pips

    def layers(self, pip: int) -> list[tuple[Segment, float]]:
        """The blend at `pip`, from the innermost motion (weight 1.0) outwards: each later layer
        moves the value so far towards its segment by its weight."""
        chain = []
        stage = self
        while stage.fading_at(pip):
            chain.append((stage.segment, max(0, pip - stage.fade_start) / stage.fade_pips))
            stage = stage.fade_from  # type: ignore[assignment]
        chain.append((stage.segment, 1.0))
        chain.reverse()
        return chain

    def settled(self, pip: int, depth: int = 0) -> Stage:
        """This stage as it plays from `pip` on: fades over by then dropped, and the oldest of more
        than MOST_FADING fades running cut short."""
        if not self.fading_at(pip) or depth >= MOST_FADING:
            return self if self.fade_from is None else dataclasses.replace(self, fade_from=None)
        outgoing = self.fade_from.settled(pip, depth + 1)  # type: ignore[union-attr]
        return self if outgoing is self.fade_from else dataclasses.replace(self, fade_from=outgoing)


@dataclasses.dataclass(frozen=True)
class Switch:
    pip: int
    on: bool
    request: int


@dataclasses.dataclass(frozen=True)
class Hold(Switch):
    """A hold, with what the group shows while it holds: its layers at the hold's pip as they
    stood when the hold was asked for."""

    layers: tuple[tuple[Segment, float], ...] = ()


def switch_at(switches: Sequence[Switch], pip: int) -> Switch | None:
    """The newest switch, in the order asked for, whose pip `pip` has reached."""
    for switch in reversed(switches):
        if switch.pip <= pip:
            return switch
    return None


@dataclasses.dataclass(frozen=True)
class CueLaunch:
    number: int  # from 1
    name: str
    pip: int
    request: int


@dataclasses.dataclass(frozen=True)
class GroupState:
    """A group as it plays once every change asked for has taken effect."""

    name: str
    source: str  # the source's name, or "home"
    size: float
    speed: Fraction
    held: bool


@dataclasses.dataclass(frozen=True)
class ShowState:
    """The cues and groups of a show after the latest change: one immutable value, replaced whole,
    so another thread reads one state or the next, never half of each."""

    cue_names: tuple[str, ...]
    launches: tuple[CueLaunch, ...]  # the latest cue launches, in the order asked for
    groups: tuple[GroupState, ...]
    blackout: bool
    version: int = 0

    def playing(self, pip: int) -> CueLaunch | None:
        """The cue playing at `pip`: the newest launch whose boundary it has reached."""
        return next((launch for launch in reversed(self.launches) if launch.pip <= pip), None)

    def waiting(self, pip: int) -> CueLaunch | None:
        """The cue waiting for its boundary at `pip`, if the newest launch is one."""
        latest = self.launches[-1] if self.launches else None
        return latest if latest is not None and latest.pip > pip else None


class GroupTimeline:
    """One group's stages and holds. `own_phases` are the phases its fixtures were given one by
    one in the show file (None where the order and spread decide); `spread` and `order` are the
    group's own, which a cue's launch uses unless it gives its own."""

    def __init__(self, name: str, own_phases: Sequence[int | None], spread: int | str, order: FixtureOrder,
                 first: Stage):
        self.name = name
        self.count = len(own_phases)
        self.own_phases = tuple(own_phases)
        self.spread = spread
        self.order = order
        self.stages: list[Stage] = [first]
        self.holds: list[Hold] = []

    def phases(self, source: Source | None, spread: int | str | None, order: FixtureOrder | None) -> tuple[int, ...]:
        if source is None:
            return (0,) * self.count
        offsets = phase_offsets(self.order if order is None else order, self.count,
                                self.spread if spread is None else spread, source)
        return tuple(offset if own is None else own for own, offset in zip(self.own_phases, offsets))

    def stage_at(self, pip: int) -> Stage:
        for stage in reversed(self.stages):
            if stage.pip <= pip:
                return stage
        return self.stages[0]

    def look(self, pip: int) -> tuple[list[tuple[Segment, float]], int]:
        """What the group shows at `pip`: its layers, and the pip to read them at (a held group's
        is the pip where it was held)."""
        hold = switch_at(self.holds, pip)
        if hold is not None and hold.on:
            return list(hold.layers), hold.pip  # type: ignore[attr-defined]
        return self.stage_at(pip).layers(pip), pip

    def launched(self, asked: GroupCue, pip: int, request: int, cue: int | None) -> Stage:
        """The stage a launch at `pip` makes, fading from what the group plays there."""
        outgoing = self.stage_at(pip)
        playing = outgoing.segment
        source = None if asked.home else asked.source if asked.source is not None else playing.source
        ratio = playing.ratio if asked.speed is None else asked.speed
        segment = Segment(source, self.phases(source, asked.spread, asked.order),
                          playing.size if asked.size is None else asked.size, ratio, pip,
                          Fraction(0) if asked.restart else pip * ratio)
        if not asked.fade_pips:
            return Stage(pip, segment, request, cue=cue, asked=asked)
        return Stage(pip, segment, request, outgoing.settled(pip), pip, asked.fade_pips, cue, asked)

    def derived(self, change: tuple[str, float | Fraction], pip: int, request: int) -> Stage:
        """The stage a size or speed change at `pip` makes from the stage playing there, with the
        rest of that stage's fade, if one is running."""
        base = self.stage_at(pip)
        kind, value = change
        segment = base.segment.moved(pip, **{kind: value})  # type: ignore[arg-type]
        if not base.fading_at(pip):
            return Stage(pip, segment, request, change=change)
        return Stage(pip, segment, request, base.fade_from, base.fade_start, base.fade_pips, change=change)

    def replace_from(self, pip: int, removed: Callable[[Stage], bool]) -> None:
        """Removes the stages from `pip` on that `removed` picks, and makes the others from `pip` on
        again, in their order, from what then plays before them."""
        later = [stage for stage in self.stages[1:] if stage.pip >= pip]
        if not any(removed(stage) for stage in later):
            return
        self.stages = [stage for stage in self.stages if stage is self.stages[0] or stage.pip < pip]
        for stage in later:
            if removed(stage):
                continue
            if stage.change is not None:
                self.add(self.derived(stage.change, stage.pip, stage.request))
            else:
                self.add(self.launched(stage.asked, stage.pip, stage.request, stage.cue))  # type: ignore[arg-type]

    def add(self, stage: Stage) -> None:
        self.stages.append(stage)
        if len(self.stages) > MOST_STAGES:
            del self.stages[0]

    def hold(self, on: bool, pip: int, request: int) -> None:
        self.holds.append(Hold(pip, on, request, tuple(self.stage_at(pip).layers(pip))))
        del self.holds[:-MOST_SWITCHES]

    def state(self) -> GroupState:
        segment = self.stages[-1].segment
        held = bool(self.holds) and self.holds[-1].on
        source = "home" if segment.source is None else segment.source.name
        return GroupState(self.name, source, segment.size, segment.ratio, held)


class Timeline:
    """The groups of a show (in order) with their stages, its cues, and its blackouts. The first
    cue, if there is one, plays from `start_pip`, each group it names starting there (with no fade:
    there is nothing to fade from). Every change bumps `version` and replaces `state` whole."""

    def __init__(self, groups: Sequence[GroupTimeline], cues: Sequence[Cue] = (), start_pip: int = 0):
        self.groups = {group.name: group for group in groups}
        self.cues = tuple(cues)
        self.launches: list[CueLaunch] = []
        self.blackouts: list[Switch] = []
        if self.cues:
            for name, asked in self.cues[0].groups:
                group = self.groups[name]
                group.stages[0] = group.launched(dataclasses.replace(asked, fade_pips=0), start_pip, 0, 0)
            self.launches.append(CueLaunch(1, self.cues[0].name, start_pip, 0))
        self.version = 0
        self.state = self._state()

    def _changed(self) -> None:
        self.version += 1
        self.state = self._state()

    def _state(self) -> ShowState:
        return ShowState(tuple(cue.name for cue in self.cues), tuple(self.launches),
                         tuple(group.state() for group in self.groups.values()),
                         bool(self.blackouts) and self.blackouts[-1].on, self.version)

    def _all_or_nothing(self, change: Callable[[], None]) -> None:
        """Makes `change`; if it is refused halfway (a spread that cannot lay out a source), the
        stages are as they were."""
        stages = {name: list(group.stages) for name, group in self.groups.items()}
        try:
            change()
        except ValueError:
            for name, kept in stages.items():
                self.groups[name].stages = kept
            raise
        self._changed()

    def launch_cue(self, index: int, pip: int, request: int) -> None:
        """Cue `index` takes effect at `pip`, replacing a cue that has not taken effect by then."""
        cue = self.cues[index]
        named = dict(cue.groups)

        def change() -> None:
            for group in self.groups.values():
                if group.name in named:
                    group.replace_from(pip, lambda stage: True)
                    group.add(group.launched(named[group.name], pip, request, index))
                else:
                    group.replace_from(pip, lambda stage: stage.cue is not None)
            self.launches = [launch for launch in self.launches if launch.pip < pip]
            self.launches.append(CueLaunch(index + 1, cue.name, pip, request))
            del self.launches[:-MOST_LAUNCHES]
        self._all_or_nothing(change)

    def launch(self, group: str, asked: GroupCue, pip: int, request: int) -> None:
        """One group plays what `asked` says from `pip` on, replacing its launches from then on."""
        timeline = self.groups[group]

        def change() -> None:
            timeline.replace_from(pip, lambda stage: True)
            timeline.add(timeline.launched(asked, pip, request, None))
        self._all_or_nothing(change)

    def change(self, group: str, kind: str, value: float | Fraction, pip: int, request: int) -> None:
        """The group's `kind` ("size" or "ratio") becomes `value` from `pip` on."""
        timeline = self.groups[group]
        # A fader sends many changes before one boundary: the latest of a kind replaces the others.
        timeline.replace_from(pip, lambda stage: stage.change is not None and stage.change[0] == kind)
        timeline.add(timeline.derived((kind, value), pip, request))
        self._changed()

    def hold(self, groups: Sequence[str], on: bool, pip: int, request: int) -> None:
        for group in groups:
            self.groups[group].hold(on, pip, request)
        self._changed()

    def blackout(self, on: bool, pip: int, request: int) -> None:
        self.blackouts.append(Switch(pip, on, request))
        del self.blackouts[:-MOST_SWITCHES]
        self._changed()

    def blacked_out(self, pip: int) -> bool:
        switch = switch_at(self.blackouts, pip)
        return switch is not None and switch.on
