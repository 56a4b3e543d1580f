"""Sampled control signals that the motions are built from.

A signal is one float per pip of the loop. Event signals add one bump (or one ringing response) per
event, and each event only visits the pips inside its own window rather than testing every event at
every pip. Every window is shorter than the loop, so an event's window wraps around the loop end at
most once and its gesture never meets itself.
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from typing import List, Sequence, Tuple

from ...shaping import TAU, asymmetric_bump
from .notation import Part

Signal = List[float]

WINDOW_TOO_LONG = "an event window must be shorter than the loop: "


@dataclass(frozen=True)
class Cue:
    """A hit as the motions see it: floats, with a sign chosen by the motion (alternating sides and so on)."""

    time: float
    velocity: float
    length: float = 0.0
    pitch: float = 0.0


Cues = Tuple[Cue, ...]


def cues_of(part: Part) -> Cues:
    return tuple(Cue(float(h.time), h.velocity, float(h.length), float(h.pitch)) for h in part)


def merged(*parts: Cues) -> Cues:
    """Cues of several parts in time order; a tie keeps the order of the parts given."""
    order = sorted(((e.time, p, i) for p, part in enumerate(parts) for i, e in enumerate(part)))
    return tuple(parts[p][i] for _, p, i in order)


def grouped(*parts: Cues) -> Tuple[Tuple[float, float], ...]:
    """Onsets of several parts, strokes at the same time taken as one onset: (time, loudest velocity)."""
    onsets: List[Tuple[float, float]] = []
    for event in merged(*parts):
        if onsets and onsets[-1][0] == event.time:
            onsets[-1] = (event.time, max(onsets[-1][1], event.velocity))
        else:
            onsets.append((event.time, event.velocity))
    return tuple(onsets)


def zeros(period: int) -> Signal:
    return [0.0] * period


def add_bumps(signal: Signal, weighted_times: Sequence[Tuple[float, float]], rise: float, fall: float) -> Signal:
    """Adds weight times an asymmetric bump (rise pips before the time, fall pips after) for each (time, weight)."""
    period = len(signal)
    if rise + fall >= period:
        raise ValueError(WINDOW_TOO_LONG + f"{rise} + {fall} in {period}")
    for time, weight in weighted_times:
        if weight == 0.0:
            continue
        first = math.floor(time - rise) + 1
        last = math.ceil(time + fall) - 1
        for s in range(first, last + 1):
            b = asymmetric_bump(s - time, rise, fall)
            if b != 0.0:
                signal[s % period] += weight * b
    return signal


def bumps(period: int, weighted_times: Sequence[Tuple[float, float]], rise: float, fall: float) -> Signal:
    return add_bumps(zeros(period), weighted_times, rise, fall)


def by_velocity(events: Cues, scale: float = 1.0) -> List[Tuple[float, float]]:
    return [(e.time, scale * e.velocity) for e in events]


def alternating(events: Cues, scale: float = 1.0) -> List[Tuple[float, float]]:
    """Velocity weights whose sign alternates +, -, + ... in event order: left and right hands, or sides."""
    return [(e.time, scale * e.velocity * (1.0 if i % 2 == 0 else -1.0)) for i, e in enumerate(events)]


def delayed(weighted_times: Sequence[Tuple[float, float]], delay: float, period: int) -> List[Tuple[float, float]]:
    return [((t + delay) % period, w) for t, w in weighted_times]


def ring(d: float, cycle: float, decay: float) -> float:
    """A response that starts at rest at d = 0, rings with the given cycle and dies away to exactly 0 at d = decay."""
    fade = 1.0 - d / decay
    return math.sin(TAU * d / cycle) * (fade * fade * fade)


def add_rings(signal: Signal, weighted_times: Sequence[Tuple[float, float]], cycle: float, decay: float) -> Signal:
    """Adds a causal ringing response per event: nothing before the event, silence again `decay` pips after it."""
    period = len(signal)
    if decay >= period:
        raise ValueError(WINDOW_TOO_LONG + f"{decay} in {period}")
    for time, weight in weighted_times:
        first = math.ceil(time)
        for s in range(first, first + math.ceil(decay) + 1):
            d = s - time
            if d < decay:
                signal[s % period] += weight * ring(d, cycle, decay)
    return signal


def add_tremors(signal: Signal, weighted_times: Sequence[Tuple[float, float]], cycle: float, half_width: float) -> Signal:
    """Adds a short shiver per event: a fast sine under a symmetric bump, centred on the event."""
    period = len(signal)
    if 2 * half_width >= period:
        raise ValueError(WINDOW_TOO_LONG + f"2 * {half_width} in {period}")
    for time, weight in weighted_times:
        first = math.floor(time - half_width) + 1
        last = math.ceil(time + half_width) - 1
        for s in range(first, last + 1):
            d = s - time
            b = asymmetric_bump(d, half_width, half_width)
            if b != 0.0:
                signal[s % period] += weight * b * math.sin(TAU * d / cycle)
    return signal


def offset(signal: Signal, constant: float) -> Signal:
    return [constant + value for value in signal]


def scaled(signal: Signal, factor: float) -> Signal:
    return [factor * value for value in signal]


def weighted_phase(weight: Signal, turns: int) -> Signal:
    """A phase that runs `turns` full circles over the loop, faster where the weight is larger.

    Sample s gets the share of the weight accumulated before it, so the phase is 0 at the loop start
    and would be exactly turns * 2π one pip after the loop end: the path closes on itself.
    """
    total = 0.0
    for value in weight:
        total += value
    phase: Signal = []
    accumulated = 0.0
    for value in weight:
        phase.append(TAU * turns * (accumulated / total))
        accumulated += value
    return phase


def uniform_phase(period: int, turns: int) -> Signal:
    return [TAU * turns * s / period for s in range(period)]
