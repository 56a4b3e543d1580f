"""Interleaved timing: a subject and its references measured in the same rounds of one process.

Machine noise (another process, a frequency change, a cache flush) lasts longer than one batch, so
measuring every contender once per round, in an order that rotates from round to round, lets the
noise of a round hit all of them alike. A figure is then the median over the rounds, and a ratio the
median of the ratios taken round by round.

Batches are timed on the thread's CPU clock: on a machine shared with other work, the time during
which the thread was not running at all would otherwise land on whichever batch it interrupted.
"""

from __future__ import annotations

import gc
import statistics
import textwrap
import time
from dataclasses import dataclass
from typing import Callable, Mapping, Sequence

# A batch long enough that the clock's resolution and the batch's own overhead do not matter, short
# enough that a round of several contenders stays within one stretch of machine noise.
DEFAULT_BATCH_SECONDS = 0.002

# Every call of a per-call loop is written this many times in the loop body, so that the cost of
# the loop itself is shared among the calls instead of added to each of them.
UNROLL = 4


@dataclass(frozen=True)
class Contender:
    """One thing to time: `run(times)` does `times` units of work (calls or operations)."""

    label: str
    run: Callable[[int], None]
    units_per_run: int = 1


def call_loop(statement: str, names: Mapping[str, object], pips: Sequence[int]) -> Callable[[int], None]:
    """A function that executes `statement` UNROLL times per pip of `pips`, `passes` times over.

    The names the statement uses are bound as default arguments, so they are local variables of the
    loop: the statement costs what it would cost inside a user's own function. Within the
    statement, `p` is the current pip.
    """
    parameters = "".join(f", {name}={name}" for name in names)
    body = textwrap.indent("\n".join([textwrap.dedent(statement).strip()] * UNROLL), " " * 16)
    source = (
        f"def make({', '.join(names)}):\n"
        f"    def loop(passes, pips=pips{parameters}):\n"
        f"        for _ in range(passes):\n"
        f"            for p in pips:\n"
        f"{body}\n"
        f"    return loop\n"
    )
    scope: dict[str, object] = {"pips": list(pips)}
    exec(compile(source, f"<loop: {statement.strip()}>", "exec"), scope)
    return scope["make"](**names)


def per_call_contender(label: str, statement: str, names: Mapping[str, object], pips: Sequence[int]) -> Contender:
    loop = call_loop(statement, names, pips)
    return Contender(label, loop, units_per_run=len(pips) * UNROLL)


def operation_contender(label: str, operation: Callable[[], object]) -> Contender:
    def run(times: int) -> None:
        for _ in range(times):
            operation()

    return Contender(label, run)


def _time_run(contender: Contender, times: int) -> float:
    """CPU seconds of this thread for `times` runs, with the cyclic collector held off as timeit does."""
    collecting = gc.isenabled()
    gc.disable()
    try:
        start = time.thread_time_ns()
        contender.run(times)
        elapsed = time.thread_time_ns() - start
    finally:
        if collecting:
            gc.enable()
    return elapsed * 1e-9


def runs_per_batch(contender: Contender, batch_seconds: float) -> int:
    """How many runs make one batch of about `batch_seconds` (at least one)."""
    _time_run(contender, 1)  # warms caches and lazily built data before anything is counted
    times = 1
    while True:
        elapsed = _time_run(contender, times)
        if elapsed >= batch_seconds / 4 or times >= 1 << 20:
            break
        times *= 4
    return max(1, round(times * batch_seconds / max(elapsed, 1e-9)))


@dataclass(frozen=True)
class Rounds:
    """Seconds per unit of work of every contender, one value per round."""

    per_unit: Mapping[str, list[float]]

    def median(self, label: str) -> float:
        return statistics.median(self.per_unit[label])

    def median_ratio(self, ratio: Callable[[Mapping[str, float]], float]) -> float:
        """The median over the rounds of `ratio` applied to that round's values."""
        labels = list(self.per_unit)
        count = len(self.per_unit[labels[0]])
        return statistics.median(
            ratio({label: self.per_unit[label][index] for label in labels}) for index in range(count)
        )


def measure(contenders: Sequence[Contender], repeats: int, batch_seconds: float = DEFAULT_BATCH_SECONDS) -> Rounds:
    """Times every contender once per round for `repeats` rounds, rotating the order each round."""
    batches = [runs_per_batch(contender, batch_seconds) for contender in contenders]
    per_unit: dict[str, list[float]] = {contender.label: [] for contender in contenders}
    for round_index in range(repeats):
        shift = round_index % len(contenders)
        order = list(range(len(contenders)))[shift:] + list(range(len(contenders)))[:shift]
        for position in order:
            contender = contenders[position]
            elapsed = _time_run(contender, batches[position])
            per_unit[contender.label].append(elapsed / (batches[position] * contender.units_per_run))
    return Rounds(per_unit)
