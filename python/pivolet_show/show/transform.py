"""How one fixture bends the motion it plays: axis swap, inversion, scale, rotation about z and an
offset, applied in that order, and the result held within [-1, 1] on every axis."""

from __future__ import annotations

import dataclasses
import math

from pivolet_show.checks import finite_number
from pivolet_show.motion.axes import AXES, Point

QUARTER_TURN_DEGREES = 90

# Three rows (a, b, c, d), one per output axis: axis' = a * x + b * y + c * z + d.
Matrix = tuple[tuple[float, ...], ...]

NOT_AN_AXIS_PAIR = "an axis swap names two different axes of x, y, z (such as 'xy'), not {value!r}"
NOT_AXES = "an inversion names axes of x, y, z (such as 'x' or 'xy'), not {value!r}"
NOT_A_FINITE_NUMBER = "{what} must be a finite number, not {value!r}"


def _finite(value: float, what: str) -> float:
    finite = finite_number(value)
    if finite is None:
        raise ValueError(NOT_A_FINITE_NUMBER.format(what=what, value=value))
    return finite


def _cos_sin(degrees: float) -> tuple[float, float]:
    """Cosine and sine of an angle in degrees, exact for whole quarter turns, so that a rotation by
    90 degrees moves x onto y without a stray 6e-17."""
    turns, rest = divmod(degrees, QUARTER_TURN_DEGREES)
    if rest == 0:
        return ((1.0, 0.0), (0.0, 1.0), (-1.0, 0.0), (0.0, -1.0))[int(turns) % 4]
    radians = math.radians(degrees)
    return math.cos(radians), math.sin(radians)


@dataclasses.dataclass(frozen=True)
class Transform:
    """The steps, in the order they apply: `swap` exchanges two axes ('' for none), `invert` negates
    the axes it names, `scale` multiplies each axis, `rotate` turns x towards y by that many degrees
    about z, and `offset` is added last."""

    swap: str = ""
    invert: str = ""
    scale: tuple[float, float, float] = (1.0, 1.0, 1.0)
    rotate: float = 0.0
    offset: tuple[float, float, float] = (0.0, 0.0, 0.0)

    def __post_init__(self) -> None:
        if self.swap and (len(self.swap) != 2 or self.swap[0] == self.swap[1]
                          or any(axis not in AXES for axis in self.swap)):
            raise ValueError(NOT_AN_AXIS_PAIR.format(value=self.swap))
        if any(axis not in AXES for axis in self.invert) or len(set(self.invert)) != len(self.invert):
            raise ValueError(NOT_AXES.format(value=self.invert))
        for axis, factor in zip(AXES, self.scale):
            _finite(factor, f"the scale of {axis}")
        _finite(self.rotate, "the rotation")
        for axis, shift in zip(AXES, self.offset):
            _finite(shift, f"the offset of {axis}")

    @property
    def is_identity(self) -> bool:
        return self == Transform()

    def matrix(self) -> Matrix:
        """The whole chain as one affine map: three rows (a, b, c, d) with
        axis' = a * x + b * y + c * z + d, before the result is held within [-1, 1]."""
        # Which source axis each output axis reads after the swap, and its sign after the inversion.
        reads = list(range(3))
        if self.swap:
            first, second = AXES.index(self.swap[0]), AXES.index(self.swap[1])
            reads[first], reads[second] = reads[second], reads[first]
        rows = []
        for axis in range(3):
            row = [0.0, 0.0, 0.0]
            row[reads[axis]] = (-1.0 if AXES[axis] in self.invert else 1.0) * self.scale[axis]
            rows.append(row)
        cos, sin = _cos_sin(self.rotate)
        x_row, y_row = rows[0], rows[1]
        rotated_x = [cos * a - sin * b for a, b in zip(x_row, y_row)]
        rotated_y = [sin * a + cos * b for a, b in zip(x_row, y_row)]
        return tuple(tuple(row) + (shift,) for row, shift in zip((rotated_x, rotated_y, rows[2]), self.offset))

    def apply(self, point: Point) -> Point:
        return affine(self.matrix(), point)


def affine(matrix: Matrix, point: Point) -> Point:
    """The affine map of `Transform.matrix` applied to a point, each axis held within [-1, 1]."""
    x, y, z = point
    (a, b, c, d), (e, f, g, h), (i, j, k, m) = matrix
    return (min(1.0, max(-1.0, a * x + b * y + c * z + d)),
            min(1.0, max(-1.0, e * x + f * y + g * z + h)),
            min(1.0, max(-1.0, i * x + j * y + k * z + m)))
