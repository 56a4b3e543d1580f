"""Sixteen ways of turning a drum score into movement, and the motion table that names them.

Each motion maps a score to a raw loop of (x, y, z), one sample per pip of the score's loop. Raw
loops keep the proportions that the score gives them (a loud backbeat pushes further than a ghost);
the family then scales each axis into the figures of its motion. Every motion listens to all five
parts, if only faintly, so two scores that differ anywhere move differently.

Event gestures are sums of bumps; the orbital and path motions run on a phase that accumulates an
event-weighted speed, so that the figure hurries through busy passages and still closes after a
whole number of turns. Many motions let several parts take turns on alternating sides, onset by
onset, and hear a roll or a trill louder than a groove stroke: one stroke more or less then changes
how the rest of the loop swings, which is what tells two scores of the same kind apart.
"""

from __future__ import annotations

import math
from dataclasses import dataclass
from types import MappingProxyType
from typing import Callable, Mapping, Optional, Tuple

from ...model import Loop, Peaks
from .notation import BAR
from .scores import Score
from .signals import (
    Cues,
    Signal,
    add_bumps,
    add_rings,
    alternating,
    bumps,
    by_velocity,
    combined,
    cues_of,
    delayed,
    grouped,
    louder,
    merged,
    offset,
    rolls,
    rolls_louder,
    scaled,
    sides,
    swing_phase,
    uniform_phase,
    weighted_phase,
    zeros,
)


@dataclass(frozen=True)
class Drums:
    """A score's parts as cues, with the loop length they live in."""

    period: int
    kick: Cues
    snare: Cues
    hats: Cues
    perc: Cues
    bass: Cues

    @property
    def bars(self) -> int:
        return self.period // BAR

    @property
    def phrases(self) -> int:
        """Two-bar phrases in the loop, at least one."""
        return max(1, self.period // (2 * BAR))

    def low_end(self) -> Cues:
        """The bass line, or the kick where a score has no bass."""
        return self.bass if self.bass else self.kick


def drums_of(score: Score) -> Drums:
    return Drums(score.period_pips, cues_of(score.kick), cues_of(score.snare), cues_of(score.hats), cues_of(score.perc), cues_of(score.bass))


def _loop(x: Signal, y: Signal, z: Signal) -> Loop:
    return list(zip(x, y, z))


# How much a stroke of each part weighs in how busy a score sounds: kick, snare, hats, percussion, bass.
DENSITY_SHARES = (1.0, 0.9, 0.35, 0.6, 0.5)
# The same for the paths that hurry through a passage: they hear its percussion and bass the most.
PATH_SHARES = (1.0, 0.9, 0.5, 1.5, 0.8)


def _density(d: Drums, half_width: float, shares: Tuple[float, ...] = DENSITY_SHARES) -> Signal:
    """How busy the score is around each pip: every stroke of every part as a soft bump, weighted by
    its part's share, a roll's strokes counting three times."""
    signal = zeros(d.period)
    hats = rolls_louder(d.hats, d.period, 3.0)
    for part, share in zip((d.kick, d.snare, hats, d.perc, d.bass), shares):
        add_bumps(signal, by_velocity(part, share), half_width, half_width)
    return signal


def _bass_excursions(d: Drums, scale: float, lift_by_pitch: bool) -> Signal:
    """A broad bump per bass note, as long as the note; higher notes lift further when asked."""
    signal = zeros(d.period)
    for e in d.low_end():
        rise = 12.0
        fall = min(d.period / 2, max(28.0, e.length + 16.0))
        weight = scale * e.velocity * ((0.55 + e.pitch / 12.0) if lift_by_pitch else 1.0)
        add_bumps(signal, [(e.time, weight)], rise, fall)
    return signal


# --- The motions ------------------------------------------------------------------------------


def bounce(d: Drums) -> Loop:
    """Kick-led bounce: every kick lifts the point with a quick rise and a longer fall and bass notes
    deepen the stroke. The backbeat, the percussion, the bass and any hat roll take turns as side
    accents, so each score swings its own way; the hats tap in depth and a roll hops on the lift."""
    p = d.period
    y = bumps(p, by_velocity(d.kick, 0.55), 6.4, 29.44)
    add_bumps(y, by_velocity(d.bass, 0.12), 8.0, 40.0)
    add_bumps(y, by_velocity(d.snare, 0.08), 4.0, 20.0)
    add_bumps(y, by_velocity(rolls(d.hats, p), 0.25), 2.0, 6.0)
    accents = sides(louder(d.snare, 0.3), louder(d.perc, 0.22), louder(d.bass, 0.14), louder(rolls(d.hats, p), 0.3))
    x = bumps(p, accents, 4.0, 24.0)
    add_bumps(x, alternating(d.kick, 0.04), 6.4, 29.44)
    z = bumps(p, alternating(d.hats, 0.05), 2.0, 10.0)
    add_bumps(z, by_velocity(d.perc, 0.03), 3.0, 12.0)
    add_bumps(z, by_velocity(d.kick, 0.015), 6.4, 29.44)
    return _loop(x, y, z)


def step(d: Drums) -> Loop:
    """Snare side-step: kick and snare onsets take turns to step left and right; kicks sink, snares
    lean into depth. Percussion strokes and hat rolls hop the point up between the steps, bass notes
    sink it by pitch and the hats colour the steps."""
    p = d.period
    x = zeros(p)
    y = zeros(p)
    z = zeros(p)
    for i, (t, v) in enumerate(grouped(d.kick, d.snare)):
        side = 1.0 if i % 2 == 0 else -1.0
        kick = any(e.time == t for e in d.kick)
        snare = any(e.time == t for e in d.snare)
        rise, fall = (6.4, 29.44) if kick else (4.0, 36.0)
        add_bumps(x, [(t, side * v * (0.42 if kick else 0.5))], rise, fall)
        add_bumps(y, [(t, -v * (0.22 if kick else 0.12))], rise, fall)
        add_bumps(z, [(t, v * (0.15 if snare else -0.03))], rise, fall)
    add_bumps(y, by_velocity(d.hats, -0.05), 2.0, 10.0)
    add_bumps(x, alternating(rolls_louder(d.hats, p, 2.5), 0.13), 2.0, 8.0)
    add_bumps(y, by_velocity(d.perc, 0.36), 3.0, 16.0)
    add_bumps(y, by_velocity(rolls(d.hats, p), 0.3), 2.0, 6.0)
    add_bumps(y, [(e.time, -0.1 * e.velocity * (1.0 + e.pitch / 12.0)) for e in d.bass], 8.0, 32.0)
    for e in d.bass:  # the weight leans toward the bass: right for high notes, left for low ones
        add_bumps(x, [(e.time, 0.2 * e.velocity * (e.pitch - 5.0) / 7.0)], 8.0, max(24.0, float(e.length) + 8.0))
    add_bumps(z, alternating(d.perc, 0.05), 3.0, 16.0)
    return _loop(x, y, z)


def orbit(d: Drums) -> Loop:
    """Percussion orbit: one turn per bar whose speed follows the hats and percussion (a roll races),
    whose radius swells at kicks, snares, percussion and bass notes and whose depth answers the
    percussion and the backbeat."""
    p = d.period
    speed = offset(bumps(p, by_velocity(rolls_louder(d.hats, p, 2.0), 1.0), 2.0, 14.0), 0.1)
    add_bumps(speed, by_velocity(d.perc, 1.5), 2.0, 14.0)
    add_bumps(speed, by_velocity(d.kick, 0.4), 6.0, 30.0)
    add_bumps(speed, by_velocity(d.bass, 0.6), 3.0, 20.0)
    phase = weighted_phase(speed, d.bars)
    radius = offset(bumps(p, by_velocity(d.kick, 0.3), 6.0, 40.0), 0.6)
    add_bumps(radius, by_velocity(d.snare, 0.25), 4.0, 30.0)
    add_bumps(radius, by_velocity(d.perc, 0.4), 3.0, 24.0)
    add_bumps(radius, [(e.time, 0.15 * e.velocity * (1.0 + e.pitch / 12.0)) for e in d.bass], 8.0, 40.0)
    depth = bumps(p, sides(louder(d.snare, 0.35), louder(d.perc, 0.5), louder(d.bass, 0.3)), 4.0, 28.0)
    add_bumps(depth, by_velocity(d.kick, -0.15), 6.0, 36.0)
    x = [r * math.cos(a) for r, a in zip(radius, phase)]
    y = [r * math.sin(a) for r, a in zip(radius, phase)]
    return _loop(x, y, depth)


def glide(d: Drums) -> Loop:
    """Bass-and-phrase glide: one unhurried figure per loop that speeds up where the score is busy,
    with an excursion per bass note, upward for high notes and toward the viewer for long ones, and a
    broad sway from side to side that the percussion strokes take in turn."""
    phase = weighted_phase(offset(_density(d, 48.0), 0.8), 1)
    lift = _bass_excursions(d, 0.35, lift_by_pitch=True)
    reach = _bass_excursions(d, 0.25, lift_by_pitch=False)
    sway = bumps(d.period, sides(d.perc, louder(d.bass, 0.6)), 12.0, 32.0)
    x = [0.6 * math.sin(a) + 0.2 * math.sin(2.0 * a) + 0.4 * w for a, w in zip(phase, sway)]
    add_bumps(lift, by_velocity(d.snare, 0.08), 4.0, 28.0)
    add_bumps(lift, by_velocity(d.perc, 0.2), 12.0, 32.0)
    add_bumps(lift, by_velocity(rolls(d.hats, d.period), 0.11), 12.0, 32.0)  # a trill soars
    y = [0.3 * math.sin(2.0 * a) + l for a, l in zip(phase, lift)]
    z = [0.35 * math.cos(a) + r for a, r in zip(phase, reach)]
    return _loop(x, y, z)


def surge(d: Drums) -> Loop:
    """Forward surge: kicks thrust the point through depth, the bass carries the thrust on, snares
    lift it, and hats and percussion take turns to flick it sideways (a roll flicks hardest)."""
    p = d.period
    z = bumps(p, by_velocity(d.kick, 0.6), 3.0, 40.0)
    add_bumps(z, by_velocity(d.bass, 0.2), 6.0, 40.0)
    add_bumps(z, by_velocity(d.snare, -0.1), 4.0, 24.0)
    y = bumps(p, by_velocity(d.snare, 0.35), 4.0, 30.0)
    add_bumps(y, by_velocity(d.kick, -0.08), 3.0, 40.0)
    flicks = sides(louder(rolls_louder(d.hats, p, 2.0), 0.15), louder(d.perc, 0.25))
    x = bumps(p, flicks, 2.0, 10.0)
    add_bumps(x, alternating(d.kick, 0.03), 3.0, 20.0)
    return _loop(x, y, z)


def recoil(d: Drums) -> Loop:
    """Backbeat recoil: each snare pushes to one side, each kick presses down, and an eighth note
    later a softer echo draws the point back in depth and toward the middle. Percussion strokes and
    hat rolls push too, in turn with the snares, so they decide which way each snare goes."""
    p = d.period
    push = sides(louder(d.snare, 0.6), louder(d.perc, 0.3), louder(rolls_louder(d.hats, p, 4.0), 0.075))
    x = bumps(p, push, 3.0, 28.0)
    add_bumps(x, delayed([(t, -0.3 * w) for t, w in push], 32.0, p), 12.0, 36.0)
    add_bumps(x, alternating(d.kick, 0.05), 4.0, 32.0)
    y = bumps(p, by_velocity(d.kick, -0.3), 4.0, 32.0)
    add_bumps(y, by_velocity(d.snare, -0.05), 3.0, 28.0)
    add_bumps(y, alternating(d.hats, 0.05), 2.0, 8.0)
    z = bumps(p, delayed(by_velocity(d.snare, -0.25), 48.0, p), 12.0, 36.0)
    add_bumps(z, delayed(by_velocity(d.kick, -0.1), 32.0, p), 12.0, 36.0)
    add_bumps(z, by_velocity(d.bass, 0.12), 8.0, 32.0)
    return _loop(x, y, z)


def flutter(d: Drums) -> Loop:
    """Upper-percussion flutter: a wide arc from side to side that arrives at a side on every kick
    and snare onset and sweeps across between them, widened by loud hits and by the bass. Every hat
    and shaker stroke sets off a quick shiver (a trill shivers hardest) and the other percussion a
    slower one with a lift; a shiver starts at its stroke and dies away."""
    p = d.period
    phase = swing_phase([t for t, _ in grouped(d.kick, d.snare)], p)
    width = offset(bumps(p, by_velocity(merged(d.kick, d.snare), 0.1), 8.0, 40.0), 0.5)
    add_bumps(width, by_velocity(d.bass, 0.25), 8.0, 40.0)
    hats = rolls_louder(d.hats, p, 2.5)
    shiver_y = add_rings(zeros(p), alternating(hats, 0.2), 8.0, 16.0)
    add_rings(shiver_y, alternating(d.perc, 0.3), 12.0, 24.0)
    add_bumps(shiver_y, by_velocity(d.perc, 0.12), 4.0, 20.0)
    shiver_z = add_rings(zeros(p), by_velocity(hats, 0.2), 6.0, 12.0)
    add_rings(shiver_z, by_velocity(d.perc, 0.25), 10.0, 20.0)
    x = [w * math.cos(a) for w, a in zip(width, phase)]
    y = [-0.25 * math.cos(2.0 * a) + s for a, s in zip(phase, shiver_y)]
    z = [0.12 * math.cos(a) + s for a, s in zip(phase, shiver_z)]
    return _loop(x, y, z)


def dive(d: Drums) -> Loop:
    """Bass-led dive: each bass note plunges the point back in depth for as long as it sounds, while
    the onsets of kick, snare and percussion swing it from side to side in turn as a counterweight
    and hat rolls shake it."""
    p = d.period
    z = scaled(_bass_excursions(d, 0.7, lift_by_pitch=False), -1.0)
    add_bumps(z, by_velocity(d.kick, -0.15), 16.0, 64.0)
    counterweight = bumps(p, sides(d.kick, d.snare, louder(d.perc, 0.8)), 6.0, 30.0)
    add_bumps(counterweight, alternating(rolls(d.hats, p), 1.2), 2.0, 8.0)  # a roll shakes it
    x = scaled(counterweight, 0.3)
    y = bumps(p, by_velocity(d.snare, 0.1), 4.0, 28.0)
    add_bumps(y, by_velocity(d.kick, -0.05), 6.0, 30.0)
    add_bumps(y, alternating(d.hats, 0.02), 2.0, 8.0)
    return _loop(x, y, z)


def pendulum(d: Drums) -> Loop:
    """Weighted pendulum: a bob on a string swings once per bar; kicks and snares widen its swing and
    hurry it, the bass, the percussion and the hats hurry it too, and the hats and percussion take
    turns to shake the plane of the swing."""
    p = d.period
    hits = merged(d.kick, d.snare)
    speed = offset(bumps(p, by_velocity(hits, 0.8), 8.0, 40.0), 0.4)
    add_bumps(speed, by_velocity(d.bass, 0.4), 8.0, 40.0)
    add_bumps(speed, by_velocity(d.perc, 0.5), 4.0, 20.0)
    add_bumps(speed, by_velocity(rolls_louder(d.hats, p, 3.0), 0.25), 2.0, 12.0)
    phase = weighted_phase(speed, d.bars)
    swing_width = offset(bumps(p, by_velocity(hits, 0.25), 16.0, 64.0), 0.7)
    add_bumps(swing_width, by_velocity(d.bass, 0.15), 16.0, 64.0)
    plane = bumps(p, sides(louder(d.hats, 0.12), louder(d.perc, 0.3)), 3.0, 16.0)
    # The loop starts at a turning point, where a push on a swing goes in; the downbeat is the push.
    angles = [w * math.cos(a) for w, a in zip(swing_width, phase)]
    x = [math.sin(angle) for angle in angles]
    y = [1.0 - math.cos(angle) for angle in angles]
    z = [0.2 * w * math.sin(a) + q for w, a, q in zip(swing_width, phase, plane)]
    return _loop(x, y, z)


def figure8(d: Drums) -> Loop:
    """Woven figure eight: one eight per bar that hurries through the busy passages, its lobes
    swelling at kicks, percussion and bass notes; the path passes over itself in depth at the
    crossing, snares lift the crossing and the percussion and hats take turns to weave it in depth."""
    p = d.period
    phase = weighted_phase(offset(_density(d, 16.0, PATH_SHARES), 0.2), d.bars)
    size = offset(bumps(p, by_velocity(d.kick, 0.35), 6.0, 48.0), 1.0)
    add_bumps(size, by_velocity(d.bass, 0.08), 8.0, 40.0)
    add_bumps(size, by_velocity(d.perc, 0.5), 4.0, 32.0)
    lift = bumps(p, by_velocity(d.snare, 0.3), 4.0, 28.0)
    weave = bumps(p, by_velocity(d.snare, 0.2), 4.0, 28.0)
    add_bumps(weave, sides(louder(d.perc, 0.25), louder(d.hats, 0.06)), 3.0, 16.0)
    x = [r * math.sin(a) for r, a in zip(size, phase)]
    y = [r * math.sin(a) * math.cos(a) + l for r, a, l in zip(size, phase, lift)]
    z = [0.3 * math.cos(a) + w for a, w in zip(phase, weave)]
    return _loop(x, y, z)


def box(d: Drums) -> Loop:
    """Rounded corner tour: a phase that runs fast at onsets and dwells between them carries the
    point around a square with softened corners; kicks and snares rock it in depth, the percussion
    and the bass take turns to tilt it forward and back and the hats shimmer it."""
    p = d.period
    pace = offset(bumps(p, by_velocity(merged(d.kick, d.snare, d.bass), 1.0), 3.0, 24.0), 0.15)
    add_bumps(pace, by_velocity(d.perc, 1.5), 3.0, 24.0)
    add_bumps(pace, by_velocity(rolls_louder(d.hats, p, 3.0), 0.3), 2.0, 12.0)
    phase = weighted_phase(pace, d.phrases)
    x: Signal = []
    y: Signal = []
    for a in phase:
        c = math.cos(a)
        s = math.sin(a)
        squareness = math.sqrt(math.sqrt(c * c * c * c + s * s * s * s))  # |x|^4 + |y|^4 = 1
        x.append(c / squareness)
        y.append(s / squareness)
    z = bumps(p, by_velocity(d.kick, 0.3), 6.0, 40.0)
    add_bumps(z, by_velocity(d.snare, -0.3), 4.0, 32.0)
    add_bumps(z, sides(louder(d.perc, 0.45), louder(d.bass, 0.2)), 6.0, 24.0)
    add_bumps(z, alternating(d.hats, 0.1), 3.0, 12.0)
    return _loop(x, y, z)


def corkscrew(d: Drums) -> Loop:
    """Closed corkscrew: two turns around the axis while one depth wave carries the point forward
    and back; the hats and percussion widen the turns and hurry them, kicks and bass notes hurry
    them too, the wave surges with the bass, and snares and percussion push it in turn."""
    p = d.period
    pace = offset(bumps(p, by_velocity(d.kick, 0.4), 6.0, 40.0), 0.3)
    add_bumps(pace, by_velocity(d.bass, 0.4), 8.0, 40.0)
    add_bumps(pace, by_velocity(d.perc, 0.2), 3.0, 20.0)
    add_bumps(pace, by_velocity(rolls_louder(d.hats, p, 3.0), 0.6), 2.0, 12.0)
    phase = weighted_phase(pace, 2)
    radius = offset(bumps(p, by_velocity(rolls_louder(d.hats, p, 2.0), 0.1), 3.0, 20.0), 0.8)
    add_bumps(radius, by_velocity(d.perc, 0.6), 3.0, 24.0)
    add_bumps(radius, by_velocity(d.kick, 0.1), 6.0, 40.0)
    add_bumps(radius, by_velocity(d.snare, 0.1), 4.0, 28.0)
    depth = weighted_phase(offset(bumps(p, by_velocity(d.low_end(), 1.0), 12.0, 48.0), 0.5), 1)
    push = bumps(p, sides(louder(d.snare, 0.25), louder(d.perc, 0.3), louder(d.hats, 0.04)), 4.0, 28.0)
    x = [r * math.cos(a) for r, a in zip(radius, phase)]
    y = [r * math.sin(a) for r, a in zip(radius, phase)]
    z = [math.sin(w) + q for w, q in zip(depth, push)]
    return _loop(x, y, z)


def spiral(d: Drums) -> Loop:
    """Breathing spiral: two turns whose radius closes in toward the loop seam and opens out at its
    middle, so both ends meet; the turns hurry through the busy passages, kicks, snares, bass notes
    and percussion make it breathe, and the percussion and the bass take turns to tilt it."""
    p = d.period
    phase = weighted_phase(offset(_density(d, 24.0, PATH_SHARES), 0.25), 2)
    loop_angle = uniform_phase(p, 1)
    breath = bumps(p, by_velocity(d.kick, 0.15), 8.0, 40.0)
    add_bumps(breath, by_velocity(d.snare, 0.25), 8.0, 40.0)
    add_bumps(breath, by_velocity(d.perc, 0.3), 8.0, 32.0)
    add_bumps(breath, by_velocity(d.bass, 0.1), 8.0, 40.0)
    radius = [0.35 + 0.65 * (0.5 - 0.5 * math.cos(w)) + b for w, b in zip(loop_angle, breath)]
    tilt = bumps(p, sides(louder(d.perc, 0.4), louder(d.bass, 0.3), louder(d.hats, 0.05)), 8.0, 24.0)
    x = [r * math.cos(a) for r, a in zip(radius, phase)]
    y = [r * math.sin(a) for r, a in zip(radius, phase)]
    z = [0.3 * math.sin(w) + t for w, t in zip(loop_angle, tilt)]
    return _loop(x, y, z)


def slalom(d: Drums) -> Loop:
    """Drum slalom: one S of lateral travel per bar, hurried by kicks, bass notes, percussion and hat
    rolls; kicks lift the point, snares cut back against the direction of travel, and depth swings
    the opposite way to the turns while the percussion, the bass and the hats take turns to rock it."""
    p = d.period
    pace = offset(bumps(p, by_velocity(d.kick, 0.6), 6.0, 30.0), 0.5)
    add_bumps(pace, by_velocity(d.bass, 0.35), 8.0, 40.0)
    add_bumps(pace, by_velocity(d.perc, 0.6), 3.0, 20.0)
    add_bumps(pace, by_velocity(rolls(d.hats, p), 1.0), 2.0, 12.0)
    phase = weighted_phase(pace, d.bars)
    cutbacks = []
    for e in d.snare:
        heading = math.cos(phase[int(e.time) % p])  # the sign of the lateral velocity at the stroke
        cutbacks.append((e.time, -0.3 * e.velocity * (1.0 if heading >= 0.0 else -1.0)))
    cut = bumps(p, cutbacks, 3.0, 28.0)
    lift = bumps(p, by_velocity(d.kick, 0.4), 4.0, 32.0)
    add_bumps(lift, by_velocity(d.hats, 0.06), 2.0, 8.0)
    counter = bumps(p, by_velocity(d.kick, -0.2), 4.0, 32.0)
    add_bumps(counter, sides(louder(d.perc, 0.4), louder(d.bass, 0.2), louder(d.hats, 0.2)), 3.0, 16.0)
    x = [math.sin(a) + c for a, c in zip(phase, cut)]
    y = [0.1 * math.cos(2.0 * a) + l for a, l in zip(phase, lift)]
    z = [-0.4 * math.sin(2.0 * a) + c for a, c in zip(phase, counter)]
    return _loop(x, y, z)


def spring(d: Drums) -> Loop:
    """Causal spring: every event starts a ringing response from rest that dies away completely:
    kicks ring downward, snares sideways, hats and percussion in depth (a roll rings hardest), bass
    notes slow and deep, the higher ones deeper."""
    p = d.period
    y = add_rings(zeros(p), by_velocity(d.kick, -0.5), 24.0, 96.0)
    add_rings(y, [(e.time, -0.25 * e.velocity * (0.6 + e.pitch / 12.0)) for e in d.bass], 40.0, 120.0)
    x = add_rings(zeros(p), alternating(d.snare, 0.5), 20.0, 80.0)
    add_rings(x, alternating(d.perc, 0.2), 14.0, 48.0)
    add_rings(x, alternating(d.kick, 0.08), 24.0, 96.0)
    z = add_rings(zeros(p), alternating(rolls_louder(d.hats, p, 2.0), 0.15), 10.0, 32.0)
    add_rings(z, by_velocity(d.perc, 0.15), 14.0, 48.0)
    add_rings(z, by_velocity(d.bass, 0.2), 40.0, 120.0)
    add_rings(z, by_velocity(d.kick, 0.1), 24.0, 96.0)
    return _loop(x, y, z)


# Directions that successive ricochet onsets head for, in turn.
RICOCHET_TARGETS: Tuple[Tuple[float, float, float], ...] = (
    (0.9, 0.5, 0.2),
    (-0.6, 0.9, -0.4),
    (-0.8, -0.6, 0.5),
    (0.4, -0.9, -0.3),
    (0.2, 0.7, 0.6),
)


# A ricochet excursion rises over this share of the time to the next onset and falls back over the rest.
RICOCHET_RISE_SHARE = 0.35
# The longest excursion, in pips; an excursion that has less time than this reaches less far.
RICOCHET_FULL_REACH = 48.0


def ricochet(d: Drums) -> Loop:
    """Directional ricochet: each onset of kick, snare, percussion, bass or a hat roll sends the point
    on a smooth excursion toward a target of a five-point cycle, out and back before the following
    onset. Every stroke moves the cycle on by one target, so strokes that land together skip ahead.
    An excursion that has little time reaches less far, so the point never jumps; the other hats add
    a faint depth chatter."""
    p = d.period
    x = zeros(p)
    y = zeros(p)
    z = zeros(p)
    onsets = combined(d.kick, d.snare, d.perc, d.bass, rolls(d.hats, p))
    snare_times = {e.time for e in d.snare}
    target = -1
    for i, (t, v, strokes) in enumerate(onsets):
        target += strokes
        following = onsets[(i + 1) % len(onsets)][0]
        span = min(RICOCHET_FULL_REACH, (following - t) % p or float(p))
        if t in snare_times:
            v = 1.25 * v  # a snare throws harder than the stroke it lands with
        reach = v * span / RICOCHET_FULL_REACH
        rise = RICOCHET_RISE_SHARE * span
        tx, ty, tz = RICOCHET_TARGETS[target % len(RICOCHET_TARGETS)]
        add_bumps(x, [(t + rise, tx * reach)], rise, span - rise)
        add_bumps(y, [(t + rise, ty * reach)], rise, span - rise)
        add_bumps(z, [(t + rise, tz * reach)], rise, span - rise)
    add_bumps(z, alternating(d.hats, 0.05), 4.0, 12.0)
    return _loop(x, y, z)


# ---------------------------------------------------------------------------------------------
# The motion table, in motion order.


@dataclass(frozen=True)
class Motion:
    """A way of turning a style's events into movement, the second half of a `beat` study: the
    subtitle and closing sentence it gives the study's description and the figures its studies reach."""

    key: str
    move: Callable[[Drums], Loop]  # the raw loop of a score's drums
    subtitle: str
    closing: str  # for the note-led motions, the sentence used by styles without a note
    peaks: Peaks
    note_led: bool = False  # styles with a note close the description with it instead
    late_subtitle: Optional[str] = None  # subtitle for the styles without a note, where it differs

    def subtitle_for(self, style: Score) -> str:
        if style.note is None and self.late_subtitle is not None:
            return self.late_subtitle
        return self.subtitle

    def closing_for(self, style: Score) -> str:
        if self.note_led and style.note is not None:
            return style.note
        return self.closing


MOTIONS: Tuple[Motion, ...] = (
    Motion(
        "bounce", bounce, "Kick-led bounce",
        "Original Brevak 05 kick-led downstroke and side accents.",
        Peaks.of("0-0.297", "0.396-0.683", "0-0.068"), note_led=True,
    ),
    Motion(
        "step", step, "Snare side-step",
        "Original Brevak 05 alternating lateral kick and snare gestures.",
        Peaks.of("0.311-0.746", "0.146-0.361", "0-0.181"), note_led=True,
    ),
    Motion(
        "orbit", orbit, "Percussion orbit",
        "Original Brevak 05 event-weighted orbital speed, radius and depth.",
        Peaks.of("0.43-0.62", "0.49-0.614", "0-0.216"), note_led=True,
    ),
    Motion(
        "glide", glide, "Bass-and-phrase glide",
        "Original Brevak 05 continuous phrase path with bass excursions.",
        Peaks.of("0.388-0.7", "0.26-0.493", "0.326-0.485"), note_led=True, late_subtitle="Bass / phrase glide",
    ),
    Motion(
        "surge", surge, "Forward surge",
        "Kick thrust through depth with contrasting snare lift and hat detail.",
        Peaks.of("0.122-0.212", "0.118-0.362", "0.365-0.679"),
    ),
    Motion(
        "recoil", recoil, "Backbeat recoil",
        "Snare pushes sideways; kick counters downward; delayed echo draws back.",
        Peaks.of("0.106-0.641", "0.196-0.312", "0.061-0.263"),
    ),
    Motion(
        "flutter", flutter, "Upper-percussion flutter",
        "Hat and shaker tremors over a wider kick/snare arc.",
        Peaks.of("0.26-0.541", "0.149-0.35", "0.17-0.294"),
    ),
    Motion(
        "dive", dive, "Bass-led dive",
        "Bass drives a broad depth plunge with alternating drum counterweight.",
        Peaks.of("0.165-0.488", "0.052-0.187", "0.221-0.92"),
    ),
    Motion(
        "pendulum", pendulum, "Weighted pendulum",
        "A hanging arc whose amplitude and angular speed respond to the score.",
        Peaks.of("0.458-0.556", "0.193-0.2", "0.147-0.264"),
    ),
    Motion(
        "figure8", figure8, "Woven figure eight",
        "Two crossing lobes expand at kicks with a lifted snare crossing.",
        Peaks.of("0.55-0.645", "0.38-0.44", "0.122-0.204"),
    ),
    Motion(
        "box", box, "Rounded corner tour",
        "Rhythm-weighted phase travels around four softened corners.",
        Peaks.of("0.475-0.52", "0.459-0.501", "0.087-0.29"),
    ),
    Motion(
        "corkscrew", corkscrew, "Closed corkscrew",
        "Two orbital turns ride a depth wave with percussion-driven radius.",
        Peaks.of("0.504-0.596", "0.43-0.58", "0.422-0.602"),
    ),
    Motion(
        "spiral", spiral, "Breathing spiral",
        "A contracting and expanding double-turn path with a continuous seam.",
        Peaks.of("0.59-0.684", "0.543-0.641", "0.19-0.337"),
    ),
    Motion(
        "slalom", slalom, "Drum slalom",
        "S-shaped travel with kick lift, snare cutbacks and depth counter-motion.",
        Peaks.of("0.58-0.656", "0.272-0.41", "0.256-0.403"),
    ),
    Motion(
        "spring", spring, "Causal spring",
        "An event starts at rest, then drives a damped ringing excursion.",
        Peaks.of("0.154-0.67", "0.061-0.372", "0.114-0.601"),
    ),
    Motion(
        "ricochet", ricochet, "Directional ricochet",
        "Successive onsets send smooth excursions toward a cyclic series of targets.",
        Peaks.of("0.191-0.856", "0.242-0.92", "0.126-0.477"),
    ),
)

MOTION_BY_KEY: Mapping[str, Motion] = MappingProxyType({motion.key: motion for motion in MOTIONS})


def study_loop(motion: Motion, drums: Drums, dimensions: int) -> Loop:
    """The raw loop of a study: the motion of a score's drums, flattened into the plane for a
    two-dimensional study."""
    loop = motion.move(drums)
    if dimensions == 2:
        return [(x, y, 0.0) for x, y, _ in loop]
    return loop
