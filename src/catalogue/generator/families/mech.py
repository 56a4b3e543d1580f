"""The `mech` family: points on simple linkages, cams and wheels, traced over one crank turn.

Four members follow exact rules of the crank angle; the others are authored mechanisms, each scaled
to peaks of its own.
"""

from __future__ import annotations

import math
from typing import Callable, Dict, Tuple

from ..builders.curves import angle_rule, normalised_rule
from ..builders.sampling import phase_loop
from ..family import Character, Family, by_member, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import TAU, Vector, scale_axes, smoothstep

MEMBERS = templated_members(
    (
        ("piston_short", "Short-rod piston"), ("piston_long", "Long-rod piston"),
        ("offset_crank", "Offset crank"), ("scotch_yoke", "Yoke with rocking linkage"),
        ("whitworth", "Quick-return linkage study"), ("elliptic_cam", "Elliptic cam follower"),
        ("two_lobe_cam", "Two-lobe cam follower"), ("three_lobe_cam", "Three-lobe cam follower"),
        ("escapement", "Soft escapement study"), ("paddle", "Paddle-wheel tip"),
        ("wobble_plate", "Wobble-plate trace"), ("rocking_beam", "Rocking beam"),
        ("coupled_cranks", "Coupled cranks"), ("crank_rocker", "Crank and rocker study"),
        ("piston_balance", "Piston and balance mass"), ("cam_return", "Cam rise and return"),
    ),
    period=512,
    dimensions=2,
    description="{label}; an original kinematic-style position study, not an engineering simulation.",
    other_dimensions=3,
    others=words("wobble_plate crank_rocker piston_balance"),
)

PEAKS = Peaks.of("0.171-0.82", "0.205-0.82", "0-0.41")


# ---------------------------------------------------------------------------------------------
# The exact rules.

def scotch_yoke(th: float) -> Vector:
    return (0.82 * math.cos(th), 0.287 * math.sin(th) + 0.1476 * math.sin(3 * th), 0.0)


def paddle(th: float) -> Vector:
    return (math.cos(th) + 0.23 * math.cos(4 * th), math.sin(th) + 0.23 * math.sin(4 * th), 0.0)


def wobble_plate(th: float) -> Vector:
    return (0.82 * math.cos(th), 0.287 * math.sin(th), 0.41 * math.sin(2 * th + 0.3))


def piston_balance(th: float) -> Vector:
    return (0.82 * math.cos(th), 0.41 * math.sin(2 * th), 0.205 * math.sin(th))


# ---------------------------------------------------------------------------------------------
# The authored mechanisms.

def centred(loop: Loop, axis: int) -> Loop:
    """Shifts one axis so that its largest and smallest values sit symmetrically about zero."""
    values = [sample[axis] for sample in loop]
    middle = (max(values) + min(values)) / 2.0
    shifted: Loop = []
    for sample in loop:
        point = list(sample)
        point[axis] = point[axis] - middle
        shifted.append((point[0], point[1], point[2]))
    return shifted


# Crank angle θ -> point of the mechanism, unscaled.
Mechanism = Callable[[float], Vector]


def piston(rod: float) -> Mechanism:
    """Slider position of a crank of radius 1 and a rod of length `rod`, and the rod midpoint's height."""

    def point(t: float) -> Vector:
        s = math.sin(t)
        return (math.cos(t) + math.sqrt(rod * rod - s * s) - rod, 0.5 * s, 0.0)

    return point


OFFSET_CRANK_ROD = 2.0
OFFSET_CRANK_OFFSET = 0.5  # the slider line sits half a crank radius above the crank centre


def offset_crank(t: float) -> Vector:
    lift = math.sin(t) - OFFSET_CRANK_OFFSET
    return (math.cos(t) + math.sqrt(OFFSET_CRANK_ROD * OFFSET_CRANK_ROD - lift * lift), math.sin(t), 0.0)


LEVER_PIVOT_DEPTH = 1.7
LEVER_LENGTH = 2.6


def slotted_lever(t: float) -> Vector:
    # the crank pin slides in a lever pivoted below the crank: slow stroke over the top, quick one under
    dx = math.cos(t)
    dy = math.sin(t) + LEVER_PIVOT_DEPTH
    length = math.sqrt(dx * dx + dy * dy)
    return (LEVER_LENGTH * dx / length, LEVER_LENGTH * dy / length - LEVER_PIVOT_DEPTH, 0.0)


def flat_follower(lift: Callable[[float], float], slope: Callable[[float], float]) -> Mechanism:
    """Contact point on a flat-faced follower: it rides at the cam's lift and slides sideways by the lift's slope."""
    return lambda t: (slope(t), lift(t), 0.0)


ELLIPSE_MAJOR = 1.0
ELLIPSE_MINOR = 0.62


def _ellipse_lift(t: float) -> float:
    c, s = math.cos(t), math.sin(t)
    return math.sqrt(ELLIPSE_MAJOR * ELLIPSE_MAJOR * c * c + ELLIPSE_MINOR * ELLIPSE_MINOR * s * s)


def _ellipse_slope(t: float) -> float:
    c, s = math.cos(t), math.sin(t)
    return (ELLIPSE_MINOR * ELLIPSE_MINOR - ELLIPSE_MAJOR * ELLIPSE_MAJOR) * s * c / _ellipse_lift(t)


ESCAPEMENT_TEETH = 8
ESCAPEMENT_REST = 0.6  # share of each tooth spent locked
ESCAPEMENT_TICK = 0.08


def escapement(t: float) -> Vector:
    # the wheel is locked for most of each tooth, then advances one tooth; the pallet's tick shows
    # radially, softened to leave and return at rest
    position = ESCAPEMENT_TEETH * t / TAU
    tooth = math.floor(position)
    within = position - tooth
    advance = smoothstep((within - ESCAPEMENT_REST) / (1.0 - ESCAPEMENT_REST)) if within > ESCAPEMENT_REST else 0.0
    angle = TAU * (tooth + advance) / ESCAPEMENT_TEETH
    tick = math.sin(math.pi * within / 0.15) ** 2 if within < 0.15 else 0.0
    radius = 1.0 + ESCAPEMENT_TICK * tick
    return (radius * math.cos(angle), radius * math.sin(angle), 0.0)


def rocking_beam(t: float) -> Vector:
    tilt = 0.5 * math.sin(t) + 0.12 * math.sin(2.0 * t)
    return (math.cos(tilt), math.sin(tilt), 0.0)


def coupled_cranks(t: float) -> Vector:
    # a second crank geared three to one and turning the other way, joined at the midpoint
    return (math.cos(t) + 0.45 * math.cos(3.0 * t + 0.4), math.sin(t) - 0.45 * math.sin(3.0 * t + 0.4), 0.0)


# four-bar lengths: crank, coupler, rocker, ground; the crank is the shortest, so it turns fully
FOUR_BAR = (1.0, 3.2, 2.4, 3.4)
COUPLER_POINT_OFFSET = 0.7


def crank_rocker(t: float) -> Vector:
    crank, coupler, rocker, ground = FOUR_BAR
    bx, by = crank * math.cos(t), crank * math.sin(t)
    ex, ey = ground - bx, -by
    e = math.sqrt(ex * ex + ey * ey)
    along = (coupler * coupler - rocker * rocker + e * e) / (2.0 * e)
    across = math.sqrt(coupler * coupler - along * along)
    cx = bx + along * ex / e - across * ey / e
    cy = by + along * ey / e + across * ex / e
    # a point beside the coupler's middle traces the coupler curve; depth shows the rocker's swing
    ux, uy = (cx - bx) / coupler, (cy - by) / coupler
    px = (bx + cx) / 2.0 - COUPLER_POINT_OFFSET * uy
    py = (by + cy) / 2.0 + COUPLER_POINT_OFFSET * ux
    return (px, py, cy / rocker)


# cam timing as shares of a turn: rise, dwell high, return, dwell low
CAM_RISE = (0.05, 0.35)
CAM_RETURN = (0.5, 0.8)


def _cycloidal(w: float) -> float:
    return w - math.sin(TAU * w) / TAU


def cam_return(t: float) -> Vector:
    u = t / TAU
    if CAM_RISE[0] <= u < CAM_RISE[1]:
        w = (u - CAM_RISE[0]) / (CAM_RISE[1] - CAM_RISE[0])
        return (1.0 - math.cos(TAU * w), _cycloidal(w), 0.0)
    if CAM_RISE[1] <= u < CAM_RETURN[0]:
        return (0.0, 1.0, 0.0)
    if CAM_RETURN[0] <= u < CAM_RETURN[1]:
        w = (u - CAM_RETURN[0]) / (CAM_RETURN[1] - CAM_RETURN[0])
        return (-(1.0 - math.cos(TAU * w)), 1.0 - _cycloidal(w), 0.0)
    return (0.0, 0.0, 0.0)


# member -> (mechanism, start angle of the crank, axes to centre, peaks x, y, z)
MECHANISMS: Dict[str, Tuple[Mechanism, float, Tuple[int, ...], Vector]] = {
    "piston_short": (piston(1.8), 0.6, (), (0.82, 0.42, 0.0)),
    "piston_long": (piston(4.5), 0.6, (), (0.82, 0.205, 0.0)),
    "offset_crank": (offset_crank, 0.6, (0,), (0.8, 0.5, 0.0)),
    "whitworth": (slotted_lever, 0.6, (1,), (0.82, 0.36, 0.0)),
    "elliptic_cam": (flat_follower(_ellipse_lift, _ellipse_slope), 0.4, (1,), (0.55, 0.82, 0.0)),
    "two_lobe_cam": (
        flat_follower(
            lambda t: 1.0 + 0.28 * math.cos(2.0 * t) + 0.06 * math.cos(4.0 * t),
            lambda t: -0.56 * math.sin(2.0 * t) - 0.24 * math.sin(4.0 * t),
        ),
        0.4,
        (1,),
        (0.45, 0.78, 0.0),
    ),
    "three_lobe_cam": (
        flat_follower(
            lambda t: 1.0 + 0.22 * math.cos(3.0 * t) - 0.05 * math.sin(6.0 * t),
            lambda t: -0.66 * math.sin(3.0 * t) - 0.3 * math.cos(6.0 * t),
        ),
        0.4,
        (1,),
        (0.4, 0.74, 0.0),
    ),
    "escapement": (escapement, 0.0, (), (0.7, 0.7, 0.0)),
    "rocking_beam": (rocking_beam, 0.6, (0,), (0.171, 0.68, 0.0)),
    "coupled_cranks": (coupled_cranks, 0.6, (), (0.74, 0.82, 0.0)),
    "crank_rocker": (crank_rocker, 0.6, (0, 1, 2), (0.6, 0.46, 0.36)),
    "cam_return": (cam_return, 0.0, (1,), (0.25, 0.76, 0.0)),
}


def _mech_member(entry: Entry) -> Loop:
    mechanism, start, centred_axes, peaks = MECHANISMS[entry.member]
    # cranks start part way round so that the loop boundary is not the fastest point of the stroke
    loop = phase_loop(entry.period_pips, lambda u: mechanism(TAU * u + start))
    for axis in centred_axes:
        loop = centred(loop, axis)
    return scale_axes(loop, peaks)


# The soft escapement promises softened ticks.
CHARACTER = Character(smooth=frozenset(("escapement",)))

FAMILY = Family(
    "mech",
    MEMBERS,
    PEAKS,
    exact={
        "scotch_yoke": angle_rule(scotch_yoke),
        "paddle": normalised_rule(paddle),
        "wobble_plate": angle_rule(wobble_plate),
        "piston_balance": angle_rule(piston_balance),
    },
    authored=by_member({member: _mech_member for member in MECHANISMS}),
    character=CHARACTER,
)
