"""The `surface` family: a path over a sphere-like surface whose radius breathes, with coupled
longitude and latitude.

Every member is built at its natural size and the family is then fitted into its peak figures.
"""

from __future__ import annotations

import math

from ..builders.fitting import fitted_family
from ..family import Character, Family, templated_members, words
from ..model import Entry, Loop, Peaks
from ..shaping import Vector, theta

MEMBERS = templated_members(
    words(
        "1_2_low 1_3_low 1_4_low 1_5_low 2_3_low 2_5_low 3_4_low 3_5_low"
        " 1_2_wide 1_3_wide 1_4_wide 1_5_wide 2_3_wide 2_5_wide 3_4_wide 3_5_wide"
    ),
    period=1024,
    dimensions=3,
    description=(
        "A varying-radius surface path with coupled longitude and latitude; all three coordinates are"
        " retained."
    ),
)

PEAKS = Peaks.of("0.82", "0.629-0.785", "0.387-0.776")


# Latitude swing (radians) and radius variation for the two kinds of member.
SURFACE_LATITUDE = {"low": 0.42, "wide": 1.05}
SURFACE_RADIUS_SWELL = {"low": 0.12, "wide": 0.2}
SURFACE_LONGITUDE_COUPLING = 0.3  # how much the latitude rhythm hurries and holds back the longitude
SURFACE_FLATTENING = 0.78  # the surface is an oblate body, narrower on y


def surface_point(a: int, b: int, kind: str, angle: float) -> Vector:
    """a turns of longitude against b swings of latitude, on a surface whose radius swells (a + b) times."""
    latitude = SURFACE_LATITUDE[kind] * math.sin(b * angle)
    longitude = a * angle + SURFACE_LONGITUDE_COUPLING * math.sin(b * angle)
    radius = 1.0 + SURFACE_RADIUS_SWELL[kind] * math.cos((a + b) * angle)
    ring = radius * math.cos(latitude)
    return (ring * math.cos(longitude), SURFACE_FLATTENING * ring * math.sin(longitude), radius * math.sin(latitude))


def surface_loop(entry: Entry) -> Loop:
    a, b = entry.numbers()
    kind = entry.member.split("_")[-1]
    return [surface_point(a, b, kind, theta(s, entry.period_pips)) for s in range(entry.period_pips)]


CHARACTER = Character()

FAMILY = Family("surface", MEMBERS, PEAKS, authored=fitted_family(surface_loop, PEAKS), character=CHARACTER)
