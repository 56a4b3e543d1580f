"""Where a head that aims hangs and what it aims at: its group's stage box (metres, z up), its
position in the room and its yaw, as a show file gives them, and the pan and tilt it may take.
Nothing here computes, so a rig can be described without loading what aiming needs."""

from __future__ import annotations

import dataclasses

from pivolet_show.checks import finite_number

NOT_A_STAGE = ("a stage is [[x0, x1], [y0, y1], [z0, z1]] in metres, each pair finite numbers, the lower "
               "first, not {value!r}")
NOT_A_POSITION = "a position is [x, y, z] in metres, finite numbers, not {value!r}"
NOT_A_YAW = "a yaw is a finite number of degrees, not {value!r}"


def _finite_numbers(values: object, count: int) -> tuple[float, ...] | None:
    if not isinstance(values, (list, tuple)) or len(values) != count:
        return None
    numbers = tuple(finite_number(value) for value in values)
    return None if any(number is None for number in numbers) else numbers  # type: ignore[return-value]


@dataclasses.dataclass(frozen=True)
class Stage:
    """The box of the room that the motion's [-1, 1] cube maps onto: the low and high metres of x,
    y and z. A pair may be one value (a floor at one height, say)."""

    box: tuple[tuple[float, float], tuple[float, float], tuple[float, float]]

    @classmethod
    def from_lists(cls, value: object) -> Stage:
        pairs = [_finite_numbers(pair, 2) for pair in value] if isinstance(value, (list, tuple)) else []
        if len(pairs) != 3 or any(pair is None or pair[0] > pair[1] for pair in pairs):
            raise ValueError(NOT_A_STAGE.format(value=value))
        return cls(tuple(pairs))  # type: ignore[arg-type]


def position(value: object) -> tuple[float, float, float]:
    numbers = _finite_numbers(value, 3)
    if numbers is None:
        raise ValueError(NOT_A_POSITION.format(value=value))
    return numbers  # type: ignore[return-value]


def yaw(value: object) -> float:
    degrees = finite_number(value)
    if degrees is None:
        raise ValueError(NOT_A_YAW.format(value=value))
    return degrees


@dataclasses.dataclass(frozen=True)
class Placement:
    """Where a head hangs and what it aims at: the stage box of its group, its position in metres,
    its yaw in degrees, and the pan and tilt it may take (lowest and highest, its own degrees)."""

    stage: Stage
    position: tuple[float, float, float]
    yaw: float
    pan_reach: tuple[float, float]
    tilt_reach: tuple[float, float]
