"""The checks that several parts of the show tool share, each beside the message it fails with:
numbers as a person writes them, tempo, frame rate, playing time, beats per bar, whole numbers in a
range, the 32-bit pip range, latency, and close suggestions for a name that is not known."""

from __future__ import annotations

import argparse
import math
from collections.abc import Callable, Iterable
from fractions import Fraction
from typing import Any, Union

Number = Union[int, float, str, Fraction]

DEFAULT_BPM = 120
DEFAULT_BEATS_PER_BAR = 4
MOST_BEATS_PER_BAR = 64
MOST_FPS = 1000
# The pips the module takes: its signed 32-bit range, which OSC also carries.
INT32 = range(-2**31, 2**31)
MOST_SUGGESTIONS = 3
MOST_LATENCY_MS = 1000

NOT_A_TEMPO = "the tempo must be a finite positive number of beats per minute, not {value!r}"
NOT_A_FRAME_RATE = "the frame rate must be a finite positive number of frames a second, at most 1000, not {value!r}"
NOT_SECONDS = "the playing time must be a finite positive number of seconds, not {value!r}"
NOT_A_BAR = "a bar holds a whole number of beats from 1 to 64, not {value!r}"
NOT_A_LATENCY = "a latency is a number of milliseconds from 0 to 1000, not {value!r}"
SUGGESTION = " (did you mean: {names}?)"


def is_number(value: object) -> bool:
    """An int or a float, and not a bool (which Python counts as an int)."""
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def finite_number(value: object) -> float | None:
    """`value` as a float if it is a finite int or float (not a bool), else None."""
    if not is_number(value) or not math.isfinite(value):  # type: ignore[arg-type]
        return None
    return float(value)  # type: ignore[arg-type]


def whole_number(value: object, low: int, high: int, message: str) -> int:
    """`value` if it is an int (not a bool) from `low` to `high`; ValueError with `message` otherwise."""
    if isinstance(value, bool) or not isinstance(value, int) or not low <= value <= high:
        raise ValueError(message.format(value=value))
    return value


def exact_fraction(value: Number) -> Fraction:
    """The number a person wrote, as an exact fraction: 127.3 is 1273/10, not the nearest double.

    A float is read through its shortest decimal form, which is what was typed to make it."""
    if isinstance(value, float):
        if not math.isfinite(value):
            raise ValueError(value)
        return Fraction(repr(value))
    return Fraction(value)


def positive_fraction(value: Number, message: str) -> Fraction:
    """`value` as an exact fraction above zero; ValueError carrying `message` otherwise."""
    try:
        exact = exact_fraction(value)
    except (ValueError, ZeroDivisionError, TypeError):
        raise ValueError(message.format(value=value)) from None
    if exact <= 0:
        raise ValueError(message.format(value=value))
    return exact


def tempo(value: Number) -> Fraction:
    """A tempo in beats per minute: finite and above zero, exactly as written."""
    return positive_fraction(value, NOT_A_TEMPO)


def frame_rate(value: Number) -> Fraction:
    fps = positive_fraction(value, NOT_A_FRAME_RATE)
    if fps > MOST_FPS:
        raise ValueError(NOT_A_FRAME_RATE.format(value=value))
    return fps


def playing_seconds(value: Number) -> Fraction:
    return positive_fraction(value, NOT_SECONDS)


def beats_per_bar(value: object) -> int:
    return whole_number(value, 1, MOST_BEATS_PER_BAR, NOT_A_BAR)


def latency_ms(value: Number) -> Fraction:
    """A latency in milliseconds, exactly as written: from 0 to 1000."""
    try:
        exact = exact_fraction(value) if not isinstance(value, bool) else None
    except (ValueError, ZeroDivisionError, TypeError):
        exact = None
    if exact is None or not 0 <= exact <= MOST_LATENCY_MS:
        raise ValueError(NOT_A_LATENCY.format(value=value))
    return exact


def nanoseconds_of_ms(milliseconds: Fraction) -> int:
    return int(milliseconds * 1_000_000)


def suggestion(name: str, known: Iterable[str]) -> str:
    """Up to three known names close to `name`, as text to append to a message about it ('' if none)."""
    import difflib  # only a refusal pays for it

    close = difflib.get_close_matches(name, list(known), MOST_SUGGESTIONS)
    return SUGGESTION.format(names=", ".join(close)) if close else ""


def argument_type(convert: Callable[[str], Any]) -> Callable[[str], Any]:
    """An argparse type that converts with `convert` and reports its ValueError's own message."""
    def converted(text: str) -> Any:
        try:
            return convert(text)
        except ValueError as error:
            raise argparse.ArgumentTypeError(str(error)) from None
    converted.__name__ = convert.__name__
    return converted
