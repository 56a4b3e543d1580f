"""Per-call figures: every call the module offers, as a multiple of the floor's call.

Each case times its subject and its references together (interleave.measure), over the same pips,
negative ones included, and reports the median ratio of the rounds.
"""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Callable, Mapping, Optional

import inputs
import plain_python
from figures import (
    PLAIN_CALL_LIMIT,
    RATIO_UNIT,
    SAMPLE_BY_NAME_LIMIT,
    Figure,
    Target,
    rudiment_target,
)
from interleave import Contender, Rounds, measure, per_call_contender

SECTION = "per call"
PIPS = list(range(-512, 512))
NANOSECONDS = 1e9

FLOOR = "floor(pip)"
NAMED_FLOOR = "floor(name, pip)"
RAISING_FLOOR = "floor raising(name, pip)"
METHOD_FLOOR = "floor method(pip)"
NAMED_METHOD_FLOOR = "floor method(name, pip)"
SUBJECT = "subject"
RUDIMENT = "rudiment"

RECORDING_AXIS_COUNTS = (3, 64)
CORRESPONDING_SAMPLE_PATTERN_ROWS = 1024


@dataclass(frozen=True)
class Case:
    """A subject, the references timed beside it, and how its ratio is formed from one round."""

    label: str
    contenders: list[Contender]
    ratio: Callable[[Mapping[str, float]], float]
    reference_label: str
    reference_cost: Callable[[Mapping[str, float]], float]
    target: Optional[Target] = None
    note: str = ""
    # Further ratios shown beside the main one, by the label of their reference.
    secondary: Mapping[str, Callable[[Mapping[str, float]], float]] = field(default_factory=dict)


def over_floor(round_values: Mapping[str, float]) -> float:
    return round_values[FLOOR]


def over_named_floor(round_values: Mapping[str, float]) -> float:
    return round_values[NAMED_FLOOR]


def over_raising_floor(round_values: Mapping[str, float]) -> float:
    return round_values[RAISING_FLOOR]


def over_method_floor(round_values: Mapping[str, float]) -> float:
    return round_values[METHOD_FLOOR]


def over_named_method_floor(round_values: Mapping[str, float]) -> float:
    return round_values[NAMED_METHOD_FLOOR]


def named_floor_plus_rudiment(round_values: Mapping[str, float]) -> float:
    """What sampling a rudiment by name may cost: the named floor plus the rudiment's own work."""
    return round_values[NAMED_FLOOR] + round_values[RUDIMENT] - round_values[FLOOR]


def ratio_to(reference_cost: Callable[[Mapping[str, float]], float]) -> Callable[[Mapping[str, float]], float]:
    return lambda round_values: round_values[SUBJECT] / reference_cost(round_values)


class Floors:
    """Fresh contenders for the floor's calls, one set per case."""

    def __init__(self, floor_module):
        self.module = floor_module

    def plain(self) -> Contender:
        return per_call_contender(FLOOR, "floor(p)", {"floor": self.module.triple_of}, PIPS)

    def named(self, name: str) -> Contender:
        return per_call_contender(NAMED_FLOOR, "floor(name, p)", {"floor": self.module.named_triple_of, "name": name}, PIPS)

    def method(self) -> Contender:
        names = {"source": self.module.TripleSource()}
        return per_call_contender(METHOD_FLOOR, "source.triple_of(p)", names, PIPS)

    def named_method(self, name: str) -> Contender:
        names = {"source": self.module.TripleSource(), "name": name}
        return per_call_contender(NAMED_METHOD_FLOOR, "source.named_triple_of(name, p)", names, PIPS)

    def raising(self, name: str) -> Contender:
        statement = """
            try:
                floor(name, p)
            except ValueError:
                pass
        """
        names = {"floor": self.module.named_triple_or_raise, "name": name}
        return per_call_contender(RAISING_FLOOR, statement, names, PIPS)


def subject(statement: str, names: Mapping[str, object], pips=PIPS) -> Contender:
    return per_call_contender(SUBJECT, statement, names, pips)


REFERENCE_COSTS = {
    FLOOR: over_floor,
    NAMED_FLOOR: over_named_floor,
    METHOD_FLOOR: over_method_floor,
    NAMED_METHOD_FLOOR: over_named_method_floor,
}


def simple_case(label, statement, names, floor: Contender, target=None, note="", beside=()) -> Case:
    """A subject against one floor, with the ratios to the floors `beside` it shown too."""
    return Case(
        label,
        [subject(statement, names), floor, *beside],
        ratio_to(REFERENCE_COSTS[floor.label]),
        floor.label,
        REFERENCE_COSTS[floor.label],
        target,
        note,
        {other.label: ratio_to(REFERENCE_COSTS[other.label]) for other in beside},
    )


def method_floor_cases(floors: Floors, name: str) -> list[Case]:
    """What pybind11 adds by itself when the call goes through a method of a bound instance."""
    return [
        Case(
            "floor method(pip)",
            [per_call_contender(SUBJECT, "source.triple_of(p)", {"source": floors.module.TripleSource()}, PIPS), floors.plain()],
            ratio_to(over_floor),
            FLOOR,
            over_floor,
            note="the floor's function as a method of a bound class",
        ),
        Case(
            "floor method(name, pip)",
            [
                per_call_contender(
                    SUBJECT,
                    "source.named_triple_of(name, p)",
                    {"source": floors.module.TripleSource(), "name": name},
                    PIPS,
                ),
                floors.named(name),
            ],
            ratio_to(over_named_floor),
            NAMED_FLOOR,
            over_named_floor,
            note="the named floor as a method of a bound class",
        ),
    ]


def rudiment_cases(module, floors: Floors, names: inputs.BuiltinNames) -> list[Case]:
    return [
        simple_case(f"{name}(pip)", "f(p)", {"f": getattr(module, name)}, floors.plain(), rudiment_target(name))
        for name in names.rudiments
    ]


def plain_python_cases(module, floors: Floors, names: inputs.BuiltinNames) -> list[Case]:
    cases = [
        simple_case(f"plain Python {name}(pip)", "f(p)", {"f": function}, floors.plain(), note="closed formula, tuple")
        for name, function in plain_python.PLAIN_RUDIMENTS.items()
    ]
    last = names.catalogue_last_in_index_order
    loop = inputs.builtin_loop(module, last, names.periods[last])
    cases.append(
        simple_case(
            "plain Python loop[pip % period]",
            "loop[p % period]",
            {"loop": loop, "period": len(loop)},
            floors.plain(),
            note=f"inline read of {last}'s loop, a list of tuples",
        )
    )
    by_name = plain_python.sample_from_loops({last: loop})
    cases.append(
        simple_case(
            "plain Python sample(name, pip)",
            "f(name, p)",
            {"f": by_name, "name": last},
            floors.named(last),
            note="dict of lists of tuples",
        )
    )
    return cases


def sample_by_name_cases(module, floors: Floors, names: inputs.BuiltinNames) -> list[Case]:
    cases = []
    for rudiment in ("helix", names.rudiments[-1]):
        cases.append(
            Case(
                f'sample("{rudiment}", pip)',
                [
                    subject("sample(name, p)", {"sample": module.sample, "name": rudiment}),
                    floors.named(rudiment),
                    per_call_contender(RUDIMENT, "f(p)", {"f": getattr(module, rudiment)}, PIPS),
                    floors.plain(),
                ],
                ratio_to(named_floor_plus_rudiment),
                f"{NAMED_FLOOR} + ({rudiment}(pip) - {FLOOR})",
                named_floor_plus_rudiment,
                Target(SAMPLE_BY_NAME_LIMIT),
                "beyond the rudiment's own cost",
            )
        )
    for position, name in (("first", names.catalogue_first_in_index_order), ("last", names.catalogue_last_in_index_order)):
        cases.append(
            simple_case(
                f'sample("{name}", pip)',
                "sample(name, p)",
                {"sample": module.sample, "name": name},
                floors.named(name),
                Target(SAMPLE_BY_NAME_LIMIT),
                f"{position} catalogue name in index order",
            )
        )
    unknown = "no_such_pattern_anywhere"
    failing = """
        try:
            sample(name, p)
        except ValueError:
            pass
    """
    cases.append(
        Case(
            f'sample("{unknown}", pip)',
            [subject(failing, {"sample": module.sample, "name": unknown}), floors.raising(unknown)],
            ratio_to(over_raising_floor),
            f"{RAISING_FLOOR}, both caught",
            over_raising_floor,
            note="the error path, inside try/except, against a floor that raises ValueError too",
        )
    )
    return cases


def user_source_cases(module, floors: Floors, names: inputs.BuiltinNames, library) -> list[Case]:
    rows = inputs.pattern_rows(0, CORRESPONDING_SAMPLE_PATTERN_ROWS)
    pattern = module.SampledPattern("bench_pattern", "", rows)
    cases = [
        simple_case(
            "SampledPattern.sample(pip)",
            "pattern.sample(p)",
            {"pattern": pattern},
            floors.plain(),
            Target(PLAIN_CALL_LIMIT),
            f"{CORRESPONDING_SAMPLE_PATTERN_ROWS} samples",
            beside=[floors.method()],
        )
    ]
    last_builtin = names.catalogue_last_in_index_order
    library_names = (
        (last_builtin, f"built-in name, after {inputs.USER_PATTERN_COUNT} user names"),
        (inputs.user_pattern_name(0), f"first of {inputs.USER_PATTERN_COUNT} user patterns"),
        (inputs.user_pattern_name(inputs.USER_PATTERN_COUNT - 1), f"last of {inputs.USER_PATTERN_COUNT} user patterns"),
    )
    for name, note in library_names:
        cases.append(
            simple_case(
                f'PatternLibrary.sample("{name}", pip)',
                "library.sample(name, p)",
                {"library": library, "name": name},
                floors.named(name),
                note=note,
                beside=[floors.named_method(name)],
            )
        )
    for axis_count in RECORDING_AXIS_COUNTS:
        recording = module.SampledRecording(
            "bench_take",
            inputs.recording_axes(axis_count),
            inputs.recording_rows(axis_count, len(PIPS)),
            inputs.TEMPO_BPM,
            start_pip=PIPS[0],
        )
        cases.append(
            simple_case(
                f"SampledRecording.sample(pip), {axis_count} axes",
                "recording.sample(p)",
                {"recording": recording},
                floors.plain(),
                note="a new list of floats",
            )
        )
    cases.append(
        simple_case(
            "Offset3.as_tuple()",
            "offset.as_tuple()",
            {"offset": module.helix(1)},
            floors.plain(),
            note="a new tuple of three floats",
        )
    )
    return cases


def all_cases(module, floor_module, library) -> list[Case]:
    floors = Floors(floor_module)
    names = inputs.builtin_names(module)
    plain_python.check_plain_matches(module, PIPS)
    return (
        rudiment_cases(module, floors, names)
        + sample_by_name_cases(module, floors, names)
        + user_source_cases(module, floors, names, library)
        + method_floor_cases(floors, names.catalogue_last_in_index_order)
        + plain_python_cases(module, floors, names)
    )


def figure_of(case: Case, rounds: Rounds) -> Figure:
    medians = {label: rounds.median(label) for label in rounds.per_unit}
    secondary = {label: rounds.median_ratio(ratio) for label, ratio in case.secondary.items()}
    beside = "; ".join(f"{value:.3f}x {label}" for label, value in secondary.items())
    return Figure(
        section=SECTION,
        label=case.label,
        value=rounds.median_ratio(case.ratio),
        unit=RATIO_UNIT,
        reference_label=case.reference_label,
        subject=medians[SUBJECT] * NANOSECONDS,
        reference=case.reference_cost(medians) * NANOSECONDS,
        measured_unit="ns",
        target=case.target,
        note="; ".join(part for part in (case.note, beside) if part),
        extra={
            "medians_ns": {label: value * NANOSECONDS for label, value in medians.items()},
            "ratios_beside": secondary,
        },
    )


def run(module, floor_module, library, repeats: int, progress=print) -> list[Figure]:
    figures = []
    for case in all_cases(module, floor_module, library):
        figures.append(figure_of(case, measure(case.contenders, repeats)))
        progress(f"  {case.label}")
    return figures
