"""Everything `play` needs to know before it sends anything: tempo, frame rate, the fixtures with
their patches, and the plans of its outputs and inputs, each the plan of the protocol that opens it."""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence
from fractions import Fraction
from pathlib import Path
from typing import TYPE_CHECKING, Any

from pivolet_show.checks import DEFAULT_BEATS_PER_BAR, DEFAULT_BPM, nanoseconds_of_ms
from pivolet_show.show.dmx.patch import Patch, PatchError, UniverseNumbering, check_patch, patch_in_order
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.cues import Cue
from pivolet_show.show.file_table import problem_at
from pivolet_show.show.fixtures import Fixture, FixtureOrder
from pivolet_show.show.launch import DEFAULT_LAUNCH, Launch

if TYPE_CHECKING:
    from pivolet_show.motion.sources import Source

DEFAULT_FPS = Fraction(60)

UNKNOWN_FIXTURE = "{what} names fixture {number}, but the rig has fixtures 1 to {count}"


@dataclasses.dataclass(frozen=True)
class PatchRequest:
    """Where a fixture asked to be patched (None: after the fixture before it) and its channels."""

    universe: int | None = None
    address: int | None = None
    profile: DmxProfile = DmxProfile()
    where: str = ""  # its place in the show file, if it comes from one
    head: str = ""  # the fixture type and mode it was patched as, if any
    top_speeds: tuple[float | None, float | None] = (None, None)  # pan and tilt, degrees a second


@dataclasses.dataclass(frozen=True)
class GroupPlan:
    """A group of the show's fixtures, numbered from `first_number` on: its name (in OSC addresses
    and cues), and the spread and order a launch on it uses unless it gives its own; `own_phases`
    are the phases its fixtures were given one by one (None where the spread and order decide)."""

    name: str
    first_number: int
    count: int
    spread: int | str = 0
    order: FixtureOrder = FixtureOrder.IN_STEP
    own_phases: tuple[int | None, ...] = ()

    @property
    def numbers(self) -> range:
        return range(self.first_number, self.first_number + self.count)


@dataclasses.dataclass(frozen=True)
class ShowPlan:
    fixtures: tuple[Fixture, ...]
    patch_requests: tuple[PatchRequest, ...]
    bpm: Fraction = Fraction(DEFAULT_BPM)
    fps: Fraction = DEFAULT_FPS
    start_pip: int = 0
    beats_per_bar: int = DEFAULT_BEATS_PER_BAR
    interpolate: bool = False
    seconds: Fraction | None = None
    # How far ahead of its send instant each frame's pips are, unless an output says otherwise.
    latency_ms: Fraction = Fraction(0)
    # The plans of the outputs and the inputs, in the order of their protocols' registries.
    outputs: tuple[Any, ...] = ()
    inputs: tuple[Any, ...] = ()
    first_universe: int | None = None  # None: the first universe that every DMX output of the show carries
    groups: tuple[GroupPlan, ...] = ()  # none: the runs of fixtures that play one source, each a group
    cues: tuple[Cue, ...] = ()
    launch: Launch = DEFAULT_LAUNCH
    path: Path | None = None  # the show file the plan was read from, if any
    sources: tuple[tuple[str, Source], ...] = ()  # its [sources], by name

    def latency_ns(self, own_ms: Fraction | None) -> int:
        """An output's latency in nanoseconds: its own, else the show's."""
        return nanoseconds_of_ms(self.latency_ms if own_ms is None else own_ms)

    def _refusal(self, where: str, problem: str) -> ValueError:
        """A problem found once the plan is put to use, at its place in the show file if there is one."""
        return ValueError(problem) if self.path is None or not where else problem_at(self.path, where, problem)

    def chosen(self, numbers: tuple[int, ...] | None, what: str, where: str = "") -> tuple[int, ...]:
        """The fixtures an output sends (every one if `numbers` is None); `where` is the place of
        its choice in the show file."""
        if numbers is None:
            return tuple(range(1, len(self.fixtures) + 1))
        for number in numbers:
            if not 1 <= number <= len(self.fixtures):
                raise self._refusal(where, UNKNOWN_FIXTURE.format(what=what, number=number, count=len(self.fixtures)))
        return numbers

    def patches(self, numbers: Sequence[int], numbering: UniverseNumbering) -> list[Patch]:
        """The patch of the fixtures numbered in `numbers`, laid out in that order within the
        universes of `numbering`, and checked; a refusal names the place of the fixture at fault."""
        requests = [self.patch_requests[number - 1] for number in numbers]
        try:
            patches = patch_in_order([(number, request.universe, request.address, request.profile.channel_count)
                                      for number, request in zip(numbers, requests)], numbering, self.first_universe)
            check_patch([(number, patch, request.profile.channel_count)
                         for number, patch, request in zip(numbers, patches, requests)])
        except PatchError as error:
            raise self._refusal(self.patch_requests[error.number - 1].where, str(error)) from None
        return patches

    def profiles(self, numbers: Sequence[int]) -> list[DmxProfile]:
        return [self.patch_requests[number - 1].profile for number in numbers]
