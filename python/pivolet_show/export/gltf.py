"""The motion as a glTF 2.0 animation: one node, marked by a small octahedron, whose translation
follows the motion with a key at every pip, at its time in seconds, interpolated linearly.

x, y and z are glTF's own axes: x to the right, y up, z towards the viewer, in metres, so the motion
fills a cube two metres wide. A pattern's animation ends with one more key, at the end of its last
loop, back at the start: played on repeat it loops seamlessly and keeps the length of its loops. A
`.gltf` file carries its buffer within it as a data URI; a `.glb` file is the binary container.
"""

from __future__ import annotations

import base64
import itertools
import struct
from collections.abc import Sequence

import pygltflib

from pivolet_show.export.timeline import Timeline

MARKER_RADIUS = 0.04
GENERATOR = "pivolet_show"
DATA_URI_PREFIX = "data:application/octet-stream;base64,"
TRANSLATION = "translation"

KEY_TIMES_DO_NOT_GROW = ("the export is too long for glTF: from pip {pip} on, key times as 32-bit floats "
                         "no longer grow from pip to pip")


def float32(value: float) -> float:
    """`value` rounded to the nearest 32-bit float, as glTF stores it."""
    result: float = struct.unpack("<f", struct.pack("<f", value))[0]
    return result


def _floats(values: Sequence[float]) -> bytes:
    return struct.pack(f"<{len(values)}f", *values)


def _marker() -> tuple[list[float], list[int]]:
    """An octahedron round the origin: its six corners and the corners of its eight faces, each face
    wound counter-clockwise as seen from outside."""
    corners = []
    for axis in range(3):
        for sign in (1.0, -1.0):
            corner = [0.0, 0.0, 0.0]
            corner[axis] = sign * MARKER_RADIUS
            corners += corner
    faces = []
    for signs in itertools.product((0, 1), repeat=3):  # 0 for the + corner of an axis, 1 for the -
        face = [2 * axis + sign for axis, sign in enumerate(signs)]
        if sum(signs) % 2:
            face[1], face[2] = face[2], face[1]
        faces += face
    return corners, faces


class _Buffer:
    """One binary buffer built view by view; every view starts on a four-byte boundary."""

    def __init__(self, gltf: pygltflib.GLTF2) -> None:
        self.gltf = gltf
        self.data = bytearray()

    def accessor(self, payload: bytes, count: int, kind: str, component: int,
                 minimum: list[float] | None = None, maximum: list[float] | None = None, target: int | None = None) -> int:
        self.data += b"\0" * (-len(self.data) % 4)
        self.gltf.bufferViews.append(pygltflib.BufferView(buffer=0, byteOffset=len(self.data),
                                                          byteLength=len(payload), target=target))
        self.data += payload
        self.gltf.accessors.append(pygltflib.Accessor(
            bufferView=len(self.gltf.bufferViews) - 1, componentType=component, count=count, type=kind,
            min=minimum, max=maximum))
        return len(self.gltf.accessors) - 1


def _bounds(points: Sequence[Sequence[float]]) -> tuple[list[float], list[float]]:
    return [min(column) for column in zip(*points)], [max(column) for column in zip(*points)]


def _keys(timeline: Timeline) -> tuple[list[float], list[tuple[float, float, float]]]:
    """Key times and translations, both as the 32-bit floats the file will hold."""
    pips = list(timeline.pips)
    positions = list(timeline.positions)
    if timeline.repeats:
        pips.append(timeline.end_pip)
        positions.append(positions[0])
    times = [float32(timeline.seconds(pip)) for pip in pips]
    for pip, earlier, later in zip(pips[1:], times, times[1:]):
        if not later > earlier:
            raise ValueError(KEY_TIMES_DO_NOT_GROW.format(pip=pip))
    translations = [(float32(x), float32(y), float32(z)) for x, y, z in positions]
    return times, translations


def build(timeline: Timeline) -> pygltflib.GLTF2:
    times, translations = _keys(timeline)
    gltf = pygltflib.GLTF2(asset=pygltflib.Asset(version="2.0", generator=GENERATOR))
    buffer = _Buffer(gltf)
    key_times = buffer.accessor(_floats(times), len(times), pygltflib.SCALAR, pygltflib.FLOAT, [times[0]], [times[-1]])
    low, high = _bounds(translations)
    key_values = buffer.accessor(_floats([value for point in translations for value in point]), len(translations),
                                 pygltflib.VEC3, pygltflib.FLOAT, low, high)
    corners, faces = _marker()
    corner_points = [corners[index:index + 3] for index in range(0, len(corners), 3)]
    low, high = _bounds([[float32(value) for value in point] for point in corner_points])
    positions = buffer.accessor(_floats(corners), len(corner_points), pygltflib.VEC3, pygltflib.FLOAT, low, high,
                                pygltflib.ARRAY_BUFFER)
    indices = buffer.accessor(struct.pack(f"<{len(faces)}H", *faces), len(faces), pygltflib.SCALAR,
                              pygltflib.UNSIGNED_SHORT, target=pygltflib.ELEMENT_ARRAY_BUFFER)

    gltf.meshes.append(pygltflib.Mesh(name=f"{timeline.name} marker", primitives=[
        pygltflib.Primitive(attributes=pygltflib.Attributes(POSITION=positions), indices=indices)]))
    first = translations[0]
    gltf.nodes.append(pygltflib.Node(name=timeline.name, mesh=0, translation=list(first)))
    gltf.scenes.append(pygltflib.Scene(name=timeline.name, nodes=[0]))
    gltf.scene = 0
    gltf.animations.append(pygltflib.Animation(
        name=timeline.name,
        samplers=[pygltflib.AnimationSampler(input=key_times, output=key_values, interpolation=pygltflib.ANIM_LINEAR)],
        channels=[pygltflib.AnimationChannel(sampler=0, target=pygltflib.AnimationChannelTarget(
            node=0, path=TRANSLATION))]))
    gltf.buffers.append(pygltflib.Buffer(byteLength=len(buffer.data)))
    gltf.set_binary_blob(bytes(buffer.data))
    return gltf


def render_gltf(timeline: Timeline) -> bytes:
    """A `.gltf` file: JSON text with the buffer embedded as a data URI."""
    gltf = build(timeline)
    blob = gltf.binary_blob()
    gltf.buffers[0].uri = DATA_URI_PREFIX + base64.b64encode(blob).decode("ascii")
    gltf.destroy_binary_blob()
    text: str = gltf.gltf_to_json()
    return text.encode("utf-8")


def render_glb(timeline: Timeline) -> bytes:
    """A `.glb` file: the binary container, the buffer in its own chunk."""
    return b"".join(build(timeline).save_to_bytes())
