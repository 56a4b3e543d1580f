"""One built-in's positions as a small script that hands them to the gallery page.

Browsers refuse fetch() of local files, so each pattern travels as a script that calls the page's
loader. The positions are the module's own doubles, little-endian and base64-encoded, so the page
shows exactly what the module returns; components that never move are left out.
"""

from __future__ import annotations

import base64
import json
import struct

from pivolet_show.motion.axes import leading_axes
from pivolet_show.motion.loops import Loop

LOADER_CALL = "pivoletGallery.receive"


def encode(loop: Loop) -> dict[str, object]:
    components = leading_axes(loop.points)
    values = [value for point in loop.points for value in point[:components]]
    packed = struct.pack(f"<{len(values)}d", *values)
    return {
        "name": loop.name,
        "description": loop.description,
        "period_pips": loop.period_pips,
        "dimensions": loop.dimensions,
        "components": components,
        "samples": base64.b64encode(packed).decode("ascii"),
    }


def script(loop: Loop) -> str:
    return f"{LOADER_CALL}({json.dumps(encode(loop), ensure_ascii=True)});\n"


def file_name(name: str) -> str:
    # Names are lower-case letters, digits and underscores, so they are safe as file names.
    return f"{name}.js"
