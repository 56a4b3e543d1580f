"""Sampled control signals that the motions are built from.

A signal is one float per pip of the loop. Event signals add one bump (or one ringing response) per
event, and each event only visits the pips inside its own window rather than testing every event at
every pip. Every window is shorter than the loop, so an event's window wraps around the loop end at
most once and its gesture never meets itself.
"""

from __future__ import annotations

import bisect
import math
from dataclasses import dataclass, replace
from typing import List, Sequence, Tuple

from ...shaping import TAU, asymmetric_bump, smoothstep
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


def combined(*parts: Cues) -> Tuple[Tuple[float, float, int], ...]:
    """Onsets of several parts, strokes at the same time taken as one: (time, loudest velocity,
    number of strokes)."""
    onsets: List[Tuple[float, float, int]] = []
    for event in merged(*parts):
        if onsets and onsets[-1][0] == event.time:
            time, loudest, strokes = onsets[-1]
            onsets[-1] = (time, max(loudest, event.velocity), strokes + 1)
        else:
            onsets.append((event.time, event.velocity, 1))
    return tuple(onsets)


def grouped(*parts: Cues) -> Tuple[Tuple[float, float], ...]:
    """Onsets of several parts, strokes at the same time taken as one onset: (time, loudest velocity)."""
    return tuple((time, loudest) for time, loudest, _ in combined(*parts))


def louder(part: Cues, factor: float) -> Cues:
    """The cues of a part with every velocity multiplied by `factor`: how much the part weighs in a mix."""
    return tuple(replace(e, velocity=factor * e.velocity) for e in part)


def sides(*parts: Cues) -> List[Tuple[float, float]]:
    """Onsets of several parts, strokes at the same time taken as one at the loudest, on alternating
    sides: (time, ±velocity), + for the first onset. Every onset of any part moves the ones after it to
    the other side, so two scores that differ in one stroke swing differently from there on."""
    return [(t, v * (1.0 if i % 2 == 0 else -1.0)) for i, (t, v) in enumerate(grouped(*parts))]


ROLL_GAP = 16.0  # strokes closer together than a sixteenth note run into one another


def rolls(part: Cues, period: int) -> Cues:
    """The strokes of a part that belong to a roll or a trill: runs of at least three strokes, each less
    than a sixteenth note after the one before, counted around the loop end as well."""
    count = len(part)
    if count < 3:
        return ()
    close = [((part[(i + 1) % count].time - part[i].time) % period or period) < ROLL_GAP for i in range(count)]
    if all(close):
        return part
    in_roll = [False] * count
    start = close.index(False) + 1  # the first stroke after a gap, so that no run is cut at index 0
    run: List[int] = []
    for k in range(count):
        i = (start + k) % count
        run.append(i)
        if not close[i]:  # the last stroke visited is the one before `start`, which always ends a run
            if len(run) >= 3:
                for j in run:
                    in_roll[j] = True
            run = []
    return tuple(e for e, rolled in zip(part, in_roll) if rolled)


def rolls_louder(part: Cues, period: int, factor: float) -> Cues:
    """The cues of a part with the strokes of its rolls and trills `factor` times as loud."""
    rolled = set(rolls(part, period))
    return tuple(replace(e, velocity=factor * e.velocity) if e in rolled else e for e in part)


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


def swing_phase(times: Sequence[float], period: int) -> Signal:
    """A phase that advances half a turn from each onset to the next, easing out of one and into the
    next, so that a point on cos(phase) arrives at a side on every onset and sweeps across between
    them. An odd number of onsets would end the loop on the wrong side: the longest gap then sweeps a
    whole turn. Without onsets the phase turns once, evenly."""
    onsets = sorted(set(t % period for t in times))
    if not onsets:
        return uniform_phase(period, 1)
    count = len(onsets)
    gaps = [((onsets[(i + 1) % count] - onsets[i]) % period) or float(period) for i in range(count)]
    turns = [math.pi] * count
    if count % 2 == 1:
        turns[max(range(count), key=lambda i: gaps[i])] = TAU
    starts = [0.0] * count
    for i in range(1, count):
        starts[i] = starts[i - 1] + turns[i - 1]
    phase: Signal = []
    for s in range(period):
        k = bisect.bisect_right(onsets, s) - 1  # the latest onset at or before s...
        if k < 0:
            k = count - 1  # ...or, before the first one, the last, around the loop end
        w = ((s - onsets[k]) % period) / gaps[k]
        phase.append(starts[k] + turns[k] * smoothstep(w))
    return phase


def uniform_phase(period: int, turns: int) -> Signal:
    return [TAU * turns * s / period for s in range(period)]
