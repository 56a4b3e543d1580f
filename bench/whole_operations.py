"""Whole-operation figures: listings and constructions, beside the plain Python that does the least
of the same job (building the same dicts from prebuilt tuples, converting the same lists to floats).
"""

from __future__ import annotations

from dataclasses import dataclass
from typing import Callable, Iterator, Optional

import inputs
import plain_python
from figures import CATALOGUE_LISTING_LIMIT, CONSTRUCTION_LIMIT, RATIO_UNIT, Figure, Target
from interleave import measure, operation_contender

SECTION = "whole operation"
MILLISECONDS = 1e3
SUBJECT = "subject"
REFERENCE = "reference"

LISTING_REFERENCE = "plain Python dicts from prebuilt tuples"
CONVERSION_REFERENCE = "plain Python conversion of the same lists to floats"


@dataclass(frozen=True)
class Operation:
    label: str
    subject: Callable[[], object]
    reference: Callable[[], object]
    reference_label: str
    target: Optional[Target]
    heavy: bool = False
    note: str = ""


def listing_rows(module) -> list[plain_python.ListingRow]:
    return [(row["name"], row["description"], row["period_pips"], row["dimensions"]) for row in module.catalogue()]


def check_listing_matches(module, rows) -> None:
    if plain_python.listing_as_dicts(rows) != module.catalogue():
        raise AssertionError("the plain listing differs from catalogue()")


def build_patterns(module, pattern_inputs: list[inputs.PatternInput]) -> list:
    return [module.SampledPattern(item.name, item.description, item.rows) for item in pattern_inputs]


def build_library(module, pattern_inputs: list[inputs.PatternInput]):
    return module.PatternLibrary(build_patterns(module, pattern_inputs))


def operations(module, pattern_inputs: list[inputs.PatternInput]) -> Iterator[Operation]:
    """The operations in turn; the large inputs of each are built only when it comes up."""
    rows = listing_rows(module)
    check_listing_matches(module, rows)
    empty_library = module.PatternLibrary()

    user_rows = [item.rows for item in pattern_inputs]
    prebuilt_patterns = build_patterns(module, pattern_inputs)
    user_samples = sum(len(item) for item in user_rows)

    names = inputs.builtin_names(module)
    copied = names.longest_catalogue_entry
    copied_period = names.periods[copied]
    description = next(row[1] for row in rows if row[0] == copied)
    copied_rows = inputs.builtin_loop(module, copied, copied_period)
    copy_input = [inputs.PatternInput(copied, description, copied_rows)]
    if module.PatternLibrary(build_patterns(module, copy_input)).catalogue() != module.catalogue():
        raise AssertionError(f"an exact copy of {copied} was stored or refused")

    yield from [
        Operation(
            "catalogue()",
            module.catalogue,
            lambda: plain_python.listing_as_dicts(rows),
            LISTING_REFERENCE,
            Target(CATALOGUE_LISTING_LIMIT),
            note=f"{len(rows)} dicts",
        ),
        Operation(
            "PatternLibrary().catalogue()",
            empty_library.catalogue,
            lambda: plain_python.listing_as_dicts(rows),
            LISTING_REFERENCE,
            Target(CATALOGUE_LISTING_LIMIT),
            note="an empty library lists the built-ins",
        ),
        Operation(
            f"PatternLibrary copying {copied} exactly",
            lambda: build_library(module, copy_input),
            lambda: plain_python.triples_as_floats(copied_rows),
            CONVERSION_REFERENCE,
            Target(CONSTRUCTION_LIMIT),
            note=f"{copied_period} samples, each compared with the built-in",
        ),
        Operation(
            f"PatternLibrary of {len(pattern_inputs)} x {inputs.USER_PATTERN_SAMPLES} samples",
            lambda: build_library(module, pattern_inputs),
            lambda: plain_python.patterns_as_floats(user_rows),
            CONVERSION_REFERENCE,
            Target(CONSTRUCTION_LIMIT),
            heavy=True,
            note=f"SampledPattern objects and the library, {user_samples} samples from lists of tuples",
        ),
        Operation(
            f"PatternLibrary(patterns) of {len(pattern_inputs)} prebuilt patterns",
            lambda: module.PatternLibrary(prebuilt_patterns),
            lambda: plain_python.patterns_as_floats(user_rows),
            CONVERSION_REFERENCE,
            None,
            heavy=True,
            note="the library's share of the line above: copying and checking the patterns",
        ),
    ]
    for axis_count in inputs.RECORDING_AXIS_COUNTS:
        yield recording_operation(module, axis_count)


def recording_operation(module, axis_count: int) -> Operation:
    axes = inputs.recording_axes(axis_count)
    rows = inputs.recording_rows(axis_count, inputs.RECORDING_VALUES // axis_count)
    return Operation(
        f"SampledRecording of {inputs.RECORDING_VALUES} values, {axis_count} axes",
        lambda: module.SampledRecording("bench_take", axes, rows, inputs.TEMPO_BPM),
        lambda: plain_python.rows_as_floats(rows),
        CONVERSION_REFERENCE,
        Target(CONSTRUCTION_LIMIT),
        heavy=True,
        note=f"{len(rows)} rows",
    )


def figure_of(operation: Operation, repeats: int) -> Figure:
    rounds = measure(
        [operation_contender(SUBJECT, operation.subject), operation_contender(REFERENCE, operation.reference)],
        repeats,
    )
    return Figure(
        section=SECTION,
        label=operation.label,
        value=rounds.median_ratio(lambda values: values[SUBJECT] / values[REFERENCE]),
        unit=RATIO_UNIT,
        reference_label=operation.reference_label,
        subject=rounds.median(SUBJECT) * MILLISECONDS,
        reference=rounds.median(REFERENCE) * MILLISECONDS,
        measured_unit="ms",
        target=operation.target,
        note=operation.note,
    )


def run(module, pattern_inputs, repeats: int, heavy_repeats: int, progress=print) -> list[Figure]:
    figures = []
    for operation in operations(module, pattern_inputs):
        figures.append(figure_of(operation, heavy_repeats if operation.heavy else repeats))
        progress(f"  {operation.label}")
        del operation  # lets the inputs go before the next operation builds its own
    return figures
