"""The motion as a CSV table: a header, then one row per pip.

    pip,beat,seconds,x,y,z

Numbers are written as Python's shortest round-trip text, so reading them back gives the very same
doubles; beat is the pip's own beat (pip / 64), seconds count from the first row at the tempo.
"""

from __future__ import annotations

from typing import TYPE_CHECKING

import pivolet

from pivolet_show.motion.axes import AXES

if TYPE_CHECKING:
    from pivolet_show.export.timeline import Timeline

HEADER = ("pip", "beat", "seconds") + AXES


def render(timeline: Timeline) -> bytes:
    lines = [",".join(HEADER)]
    for pip, (x, y, z) in zip(timeline.pips, timeline.positions):
        numbers = (pip / pivolet.PIPS_PER_BEAT, timeline.seconds(pip), x, y, z)
        lines.append(",".join([str(pip), *map(repr, numbers)]))
    return ("\n".join(lines) + "\n").encode("ascii")
