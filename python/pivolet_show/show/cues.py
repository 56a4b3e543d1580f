"""Cues: what a show asks of some of its groups at once, and how (`GroupCue`), with the checks of
each setting beside its message. A cue is launched by its number (from 1) or its name; the groups
it does not name keep what they play.

A group's `speed` is a ratio of the show's pips (a number, or a fraction written as text such as
"1/2"), kept exact; its `size` scales the motion about the centre; a `fade` lasts a number of beats
that is a whole number of pips; `restart` starts the incoming source at its own pip 0 (else it
plays in phase with the show's pip, times the speed); `home` sends the group to the centre.
"""

from __future__ import annotations

import dataclasses
import math
from fractions import Fraction
from typing import Any

import pivolet

from pivolet_show.checks import exact_fraction, is_number, suggestion
from pivolet_show.motion.sources import Source
from pivolet_show.show.fixtures import FixtureOrder

LOWEST_SPEED = Fraction(1, 64)
HIGHEST_SPEED = Fraction(64)
MOST_SIZE = 4.0
MOST_FADE_BEATS = 1024
MOST_NAME_LENGTH = 64
# What a name that also serves in OSC addresses may not hold: the characters OSC reserves there,
# the slash that parts an address, and space.
NOT_IN_ADDRESS_NAMES = set(" #*,?[]{}/")

NOT_A_SPEED = "a speed is a ratio from 1/64 to 64, as a number or as text such as '1/2', not {value!r}"
NOT_A_SIZE = "a size is a number from 0 to 4, not {value!r}"
NOT_A_FADE = "a fade lasts a number of beats from 0 to 1024 that is a whole number of pips (64 to the beat), not {value!r}"
NOT_A_NAME = "a name is text of 1 to 64 printable characters, not {value!r}"
NOT_AN_ADDRESS_NAME = ("a group's name is 1 to 64 printable ASCII characters without space / # * , ? [ ] {{ }}, "
                       "as it goes into OSC addresses, not {value!r}")
NO_SUCH_CUE = "no cue {cue!r}: the cues are 1 to {count}{names}"
NO_CUES = "no cue {cue!r}: the show has no cues"
HOME_AND_SOURCE = "a group goes home or plays a source, not both"


def speed(value: Any) -> Fraction:
    """A speed as a show file or a control message writes it: 2, 0.5, '1/2'."""
    try:
        ratio = exact_fraction(value) if is_number(value) or isinstance(value, str) else None
    except (ValueError, ZeroDivisionError):
        ratio = None
    if ratio is None or not LOWEST_SPEED <= ratio <= HIGHEST_SPEED:
        raise ValueError(NOT_A_SPEED.format(value=value))
    return ratio


def size(value: Any) -> float:
    if not is_number(value) or not 0.0 <= value <= MOST_SIZE:
        raise ValueError(NOT_A_SIZE.format(value=value))
    return float(value)


def fade_pips(value: Any) -> int:
    """A fade in beats, as the whole number of pips it lasts."""
    try:
        beats = exact_fraction(value) if is_number(value) else None
    except ValueError:
        beats = None
    if beats is None or not 0 <= beats <= MOST_FADE_BEATS or (beats * pivolet.PIPS_PER_BEAT).denominator != 1:
        raise ValueError(NOT_A_FADE.format(value=value))
    return int(beats * pivolet.PIPS_PER_BEAT)


def name(value: Any) -> str:
    if not isinstance(value, str) or not 1 <= len(value) <= MOST_NAME_LENGTH or not value.isprintable():
        raise ValueError(NOT_A_NAME.format(value=value))
    return value


def address_name(value: Any) -> str:
    """A name that goes into OSC addresses, such as a group's (`/pivolet/group/<name>/size`)."""
    if (not isinstance(value, str) or not 1 <= len(value) <= MOST_NAME_LENGTH or not value.isascii()
            or not value.isprintable() or NOT_IN_ADDRESS_NAMES & set(value)):
        raise ValueError(NOT_AN_ADDRESS_NAME.format(value=value))
    return value


@dataclasses.dataclass(frozen=True)
class GroupCue:
    """What a launch asks of one group; None leaves a setting as the group plays it (the source)
    or as the group was given it in the show file (spread and order)."""

    source: Source | None = None
    size: float | None = 1.0  # None: the group's size as it plays
    speed: Fraction | None = Fraction(1)  # None: the group's speed as it plays
    spread: int | str | None = None
    order: FixtureOrder | None = None
    fade_pips: int = 0
    restart: bool = True
    home: bool = False

    def __post_init__(self) -> None:
        if self.home and self.source is not None:
            raise ValueError(HOME_AND_SOURCE)


@dataclasses.dataclass(frozen=True)
class Cue:
    name: str
    groups: tuple[tuple[str, GroupCue], ...]  # (group name, what it asks of the group), in file order


def find_cue(cues: tuple[Cue, ...], asked: int | str) -> int:
    """The index of the cue asked for by its number from 1 or by its name; ValueError otherwise."""
    if not cues:
        raise ValueError(NO_CUES.format(cue=asked))
    if isinstance(asked, int) and 1 <= asked <= len(cues):
        return asked - 1
    names = [cue.name for cue in cues]
    if isinstance(asked, str) and asked in names:
        return names.index(asked)
    listed = f" ({', '.join(names)})" if len(names) <= 16 else ""
    close = suggestion(asked, names) if isinstance(asked, str) else ""
    raise ValueError(NO_SUCH_CUE.format(cue=asked, count=len(cues), names=listed) + close)


def whole_cue_number(value: Any) -> int | str:
    """A cue as a control message names it: a name, or a number (a float with no fraction, as
    faders and buttons send, is taken as that number)."""
    if isinstance(value, float) and math.isfinite(value) and value == int(value):
        return int(value)
    return value  # type: ignore[no-any-return]
