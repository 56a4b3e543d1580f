"""Argument types and defaults that several commands share."""

from __future__ import annotations

import argparse
import math
from pathlib import Path

from pivolet_show.wav_render import NON_POSITIVE_TEMPO

DEFAULT_OUT = Path("demo-out")


def positive_bpm(text: str) -> float:
    """A tempo in beats per minute: a finite number above zero."""
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(NON_POSITIVE_TEMPO) from None
    if not (value > 0.0 and math.isfinite(value)):
        raise argparse.ArgumentTypeError(NON_POSITIVE_TEMPO)
    return value
