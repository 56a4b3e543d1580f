"""When a change asked for takes effect: on the next boundary of the music, a whole number of pips
from pip 0 ("now": the next pip, "beat": 64 pips, "bar": 64 times the beats of a bar, or a number of
bars), and never on a pip that an output has sent already.

An output with a latency sends the pips of an instant that lies ahead, so a change asked for at
instant t can take effect no sooner than the first pip after the clock's reading at t plus the
largest latency of the show's outputs (`earliest_pip`); it then takes effect on the first boundary
at or after that pip (`boundary`). No frame already sent ever shows a pip the change could alter,
which is what lets a performance be replayed by its pips alone.
"""

from __future__ import annotations

import math
from typing import Any, Union

import pivolet

from pivolet_show.checks import suggestion
from pivolet_show.show.clock import Anchor

Launch = Union[str, int]  # "now", "beat", "bar", or a whole number of bars

LAUNCH_WORDS = ("now", "beat", "bar")
DEFAULT_LAUNCH = "bar"
MOST_BARS = 64

NOT_A_LAUNCH = "a launch is 'now', 'beat', 'bar' or a whole number of bars from 1 to 64, not {value!r}"


def launch(value: Any) -> Launch:
    """A launch as a show file writes it."""
    if isinstance(value, str) and value in LAUNCH_WORDS:
        return value
    if isinstance(value, int) and not isinstance(value, bool) and 1 <= value <= MOST_BARS:
        return value
    close = suggestion(value, LAUNCH_WORDS) if isinstance(value, str) else ""
    raise ValueError(NOT_A_LAUNCH.format(value=value) + close)


def launch_pips(chosen: Launch, beats_per_bar: int) -> int:
    """The pips from one boundary of `chosen` to the next: 1 for "now"."""
    bar = pivolet.PIPS_PER_BEAT * beats_per_bar
    return {"now": 1, "beat": pivolet.PIPS_PER_BEAT, "bar": bar}.get(chosen, bar * chosen)  # type: ignore[arg-type]


def earliest_pip(anchor: Anchor, at_ns: int, lookahead_ns: int) -> int:
    """The first pip that no output can have sent by `at_ns`, when the outputs send up to
    `lookahead_ns` ahead: the reading there rounded up, or one on from a whole pip that the clock
    has stood on (held, waiting or under its ceiling), which may have been sent any number of times."""
    ahead = at_ns + lookahead_ns
    exact = anchor.exact_pip_at(ahead)
    if exact.denominator != 1:
        return math.ceil(exact)
    return exact.numerator + 1 if anchor.exact_pip_at(ahead - 1) == exact else exact.numerator


def boundary(earliest: int, unit_pips: int) -> int:
    """The first multiple of `unit_pips` at or after `earliest`."""
    return -(-earliest // unit_pips) * unit_pips
