"""Everything `play` needs to know before it sends anything: tempo, frame rate, the fixtures with
their patches, and the outputs; and the opening of those outputs, which resolves hosts, checks the
patch and binds the sockets, so that a bad plan fails before a single packet leaves."""

from __future__ import annotations

import dataclasses
import socket
from collections.abc import Sequence
from fractions import Fraction

from pivolet_show.clock import NOT_A_TEMPO, Number, positive_fraction
from pivolet_show.dmx import DmxProfile, Patch, check_patch, patch_in_order
from pivolet_show.network import resolve
from pivolet_show.osc_output import OscOutput
from pivolet_show.osc_packing import DEFAULT_MAX_DATAGRAM, DEFAULT_PREFIX
from pivolet_show.player import Output
from pivolet_show.rig import Fixture
from pivolet_show.sacn_output import (
    DEFAULT_PRIORITY, DEFAULT_SOURCE_NAME, DEFAULT_SYNC_UNIVERSE, E131_PORT, MOST_FRAMES_PER_SECOND, SacnOutput,
)

DEFAULT_BPM = Fraction(120)
DEFAULT_FPS = Fraction(60)
MOST_FPS = 1000

NOT_A_FRAME_RATE = "the frame rate must be a finite positive number of frames a second, at most 1000, not {value!r}"
NOT_SECONDS = "the playing time must be a finite positive number of seconds, not {value!r}"
UNKNOWN_FIXTURE = "{what} names fixture {number}, but the rig has fixtures 1 to {count}"
SACN_TOO_FAST = "sACN sends at most 44 frames a second, not {fps}"


def frame_rate(value: Number) -> Fraction:
    fps = positive_fraction(value, NOT_A_FRAME_RATE)
    if fps > MOST_FPS:
        raise ValueError(NOT_A_FRAME_RATE.format(value=value))
    return fps


def playing_seconds(value: Number) -> Fraction:
    return positive_fraction(value, NOT_SECONDS)


def tempo(value: Number) -> Fraction:
    return positive_fraction(value, NOT_A_TEMPO)


@dataclasses.dataclass(frozen=True)
class OscPlan:
    host: str
    port: int
    prefix: str = DEFAULT_PREFIX
    max_datagram: int = DEFAULT_MAX_DATAGRAM
    fps: Fraction | None = None  # None: the show's frame rate
    fixtures: tuple[int, ...] | None = None  # None: every fixture
    source_port: int = 0


@dataclasses.dataclass(frozen=True)
class SacnPlan:
    host: str | None  # None: multicast, one group per universe
    port: int = E131_PORT
    priority: int = DEFAULT_PRIORITY
    source_name: str = DEFAULT_SOURCE_NAME
    fps: Fraction | None = None  # None: the show's frame rate, at most 44
    fixtures: tuple[int, ...] | None = None
    source_port: int = 0
    sync_universe: int = DEFAULT_SYNC_UNIVERSE


@dataclasses.dataclass(frozen=True)
class PatchRequest:
    """Where a fixture asked to be patched (None: after the fixture before it) and its channels."""

    universe: int | None = None
    address: int | None = None
    profile: DmxProfile = DmxProfile()


@dataclasses.dataclass(frozen=True)
class ShowPlan:
    fixtures: tuple[Fixture, ...]
    patch_requests: tuple[PatchRequest, ...]
    bpm: Fraction = DEFAULT_BPM
    fps: Fraction = DEFAULT_FPS
    start_pip: int = 0
    beats_per_bar: int = 4
    interpolate: bool = False
    seconds: Fraction | None = None
    osc: OscPlan | None = None
    sacn: SacnPlan | None = None
    first_universe: int = 1

    def chosen(self, numbers: tuple[int, ...] | None, what: str) -> tuple[int, ...]:
        if numbers is None:
            return tuple(range(1, len(self.fixtures) + 1))
        for number in numbers:
            if not 1 <= number <= len(self.fixtures):
                raise ValueError(UNKNOWN_FIXTURE.format(what=what, number=number, count=len(self.fixtures)))
        return numbers

    def patches(self, numbers: Sequence[int]) -> list[Patch]:
        """The patch of the fixtures numbered in `numbers`, laid out in that order and checked."""
        requests = [self.patch_requests[number - 1] for number in numbers]
        patches = patch_in_order([(number, request.universe, request.address, request.profile.channel_count)
                                  for number, request in zip(numbers, requests)], self.first_universe)
        check_patch([(number, patch, request.profile.channel_count)
                     for number, patch, request in zip(numbers, patches, requests)])
        return patches


def sacn_fps(plan: ShowPlan) -> Fraction:
    assert plan.sacn is not None
    if plan.sacn.fps is not None:
        if plan.sacn.fps > MOST_FRAMES_PER_SECOND:
            raise ValueError(SACN_TOO_FAST.format(fps=plan.sacn.fps))
        return plan.sacn.fps
    return min(plan.fps, Fraction(MOST_FRAMES_PER_SECOND))


def open_outputs(plan: ShowPlan) -> list[Output]:
    """The plan's outputs, ready to send: each output's fixtures checked, hosts resolved and
    sockets bound. On any failure the outputs opened so far are closed again and ValueError says
    what was wrong; nothing has been sent."""
    outputs: list[Output] = []
    try:
        if plan.osc is not None:
            osc = plan.osc
            numbers = plan.chosen(osc.fixtures, "the OSC output")
            family, address = resolve(osc.host, osc.port, "the OSC output")
            outputs.append(OscOutput(family, address, numbers, osc.fps or plan.fps, prefix=osc.prefix,
                                     max_datagram=osc.max_datagram, source_port=osc.source_port))
        if plan.sacn is not None:
            sacn = plan.sacn
            numbers = plan.chosen(sacn.fixtures, "the sACN output")
            patches = plan.patches(numbers)
            fps = sacn_fps(plan)
            host = None
            if sacn.host is not None:
                _, (host, _) = resolve(sacn.host, sacn.port, "the sACN output", socket.AF_INET)
            outputs.append(SacnOutput(host, numbers, patches,
                                      [plan.patch_requests[number - 1].profile for number in numbers], fps,
                                      port=sacn.port, source_port=sacn.source_port, priority=sacn.priority,
                                      source_name=sacn.source_name, sync_universe=sacn.sync_universe))
    except BaseException:
        for output in outputs:
            output.close()
        raise
    return outputs
