"""The `packet` family: smooth-edged oscillation packets around a closed phrase, with shaped side
motion.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

import math

from ..builders.fitting import fitted_family
from ..family import Character, Family, member_names, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import PI, TAU, Vector

MEMBERS = templated_members(
    words(
        "alternating_2 cascading_2 crossing_2 depth_2 alternating_3 cascading_3 crossing_3 depth_3"
        " alternating_4 cascading_4 crossing_4 depth_4 alternating_5 cascading_5 crossing_5 depth_5"
    ),
    period=512,
    dimensions=2,
    description="Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.",
    other_dimensions=3,
    others=words("depth_2 depth_3 depth_4 depth_5"),
)

PEAKS = Peaks.of("0.82", "0.275-0.276", "0-0.347")


PACKET_SHARE = 0.85  # of each packet's slot; the rest of the slot is still
# Carrier cycles in one packet, by the number of packets: the shorter the packets, the fewer their
# cycles, so that no carrier swings faster than a smooth motion may.
PACKET_CYCLES = {2: 3.0, 3: 2.5, 4: 1.75, 5: 1.5}
CASCADE_QUICKEN = 0.5  # how many more cycles the last packet of a cascade carries than the first, as a share
PACKET_SIDE = 0.35  # side motion against the carrier's swing
PACKET_DEPTH = 0.55
CASCADE_FADE = 0.45  # how much smaller the last packet of a cascade is than the first
CASCADE_DROP = 1.6  # how far the side level falls from the first packet of a cascade to the last


def packet_shape(kind: str, j: int, n: int, u: float) -> Vector:
    """Packet j of n at local time u: a carrier on x under a smooth window, and the kind's side motion.

    The window sin²(πu) brings every packet in and out at rest.
    """
    window = math.sin(PI * u) ** 2
    alternate = 1.0 if j % 2 == 0 else -1.0
    if kind == "cascading":
        # Each packet is smaller, quicker, and sits lower than the one before, from high on one
        # side to not quite as low on the other, so that no packet rides the centre line.
        step = j / (n - 1)
        size = 1.0 - CASCADE_FADE * step
        carrier = math.sin(TAU * PACKET_CYCLES[n] * (1.0 + CASCADE_QUICKEN * step) * u)
        return (size * window * carrier, PACKET_SIDE * window * (1.0 - CASCADE_DROP * step), 0.0)
    cycles = PACKET_CYCLES[n]
    carrier = math.sin(TAU * cycles * u)
    if kind == "crossing":
        # The side motion crosses from one side to the other within each packet, alternately.
        return (window * carrier, alternate * PACKET_SIDE * math.sin(TAU * u) * math.sin(PI * u), 0.0)
    if kind == "depth":
        # The carrier turns in the x-z plane: each packet is a small spiral out of and back to the centre.
        depth = PACKET_DEPTH * window * math.cos(TAU * cycles * u)
        return (window * carrier, alternate * PACKET_SIDE * window, depth)
    return (window * carrier, alternate * PACKET_SIDE * window, 0.0)


def packet_point(kind: str, n: int, s: int, period: int) -> Vector:
    slot = period / n
    j = int(s // slot)
    lead = slot * (1.0 - PACKET_SHARE) * 0.5
    u = (s - j * slot - lead) / (slot * PACKET_SHARE)
    if u <= 0.0 or u >= 1.0:
        return (0.0, 0.0, 0.0)
    return packet_shape(kind, j, n, u)


def packet_loop(entry: Entry) -> Loop:
    kind = entry.member.split("_")[0]
    (n,) = entry.numbers()
    return [packet_point(kind, n, s, entry.period_pips) for s in range(entry.period_pips)]


# Every member's description promises smooth motion.
CHARACTER = Character(smooth=member_names(MEMBERS))

FAMILY = Family("packet", MEMBERS, PEAKS, authored=fitted_family(packet_loop, PEAKS), character=CHARACTER)
