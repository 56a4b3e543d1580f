"""How often a DMX output sends: at most 44 frames a second, DMX's own refresh ceiling for a
universe of 512 slots, whatever the protocol that carries it."""

from __future__ import annotations

from fractions import Fraction
from typing import Any

from pivolet_show.checks import frame_rate

MOST_FRAMES_PER_SECOND = 44

TOO_FAST = "{label} sends at most 44 frames a second, not {fps}"


def dmx_frame_rate(value: Any, label: str) -> Fraction:
    """A DMX output's own frame rate, as a show file gives it."""
    fps = frame_rate(value)
    if fps > MOST_FRAMES_PER_SECOND:
        raise ValueError(TOO_FAST.format(label=label, fps=value))
    return fps


def frames_per_second(own: Fraction | None, show: Fraction) -> Fraction:
    """The rate a DMX output sends at: its own, else the show's, at most 44."""
    return own if own is not None else min(show, Fraction(MOST_FRAMES_PER_SECOND))
