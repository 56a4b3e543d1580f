"""Coverage of every member by an exact rule or an authored builder, the shape of what the builders
return, rounding, the worker pool and the command line."""

import dataclasses
import math

import pytest

from generator import assemble
from generator.__main__ import main
from generator.assemble import GenerationError
from generator.table import ENTRY_BY_NAME, FAMILIES, entries_of


def with_builders(prefix, exact=None, authored=None):
    """The family's record with other builders."""
    return dataclasses.replace(FAMILIES[prefix], exact=exact or {}, authored=authored)


def quiet_loops(entries):
    return [[(0.0, 0.0, 0.0)] * entry.period_pips for entry in entries]


def quiet_rule(entry):
    return [(0.0, 0.0, 0.0)] * entry.period_pips


def test_a_member_without_a_builder_is_named():
    with pytest.raises(GenerationError, match="^euclid_2_5: no exact rule or authored builder"):
        assemble.check_coverage([with_builders("euclid")])


def test_an_exact_rule_must_name_a_member():
    family = with_builders("lfo", exact={"nothing": quiet_rule}, authored=quiet_loops)
    with pytest.raises(GenerationError, match="^nothing: an exact rule of the family lfo names none of its members"):
        assemble.check_coverage([family])


def test_an_authored_builder_covers_the_members_without_an_exact_rule():
    rules = {entry.member: quiet_rule for entry in entries_of("lfo")[:3]}
    assemble.check_coverage([with_builders("lfo", rules, quiet_loops)])
    with pytest.raises(GenerationError, match="^lfo_double_pump: "):
        assemble.check_coverage([with_builders("lfo", rules)])


def test_exact_rules_take_their_members_out_of_the_authored_call():
    received = []

    def authored(entries):
        received.extend(entry.name for entry in entries)
        return quiet_loops(entries)

    rule = lambda entry: [(0.5, 0.0, 0.0)] * entry.period_pips  # noqa: E731
    blocks = dict(assemble.generate_family(with_builders("path", {"rose_4": rule}, authored)))
    assert "path_rose_4" not in received and len(received) == 7
    assert blocks[ENTRY_BY_NAME["path_rose_4"].index][0] == 0.5
    assert sorted(blocks) == [entry.index for entry in entries_of("path")]


@pytest.mark.parametrize("authored, message", [
    (lambda entries: quiet_loops(entries)[:-1], "^poly: its authored builder returned 15 loops for 16 entries"),
    (lambda entries: [loop[:-1] for loop in quiet_loops(entries)], "^poly_2_5: generated 511 samples"),
    (lambda entries: [[(0.0, 0.0)] * e.period_pips for e in entries], "^poly_2_5: sample of pip 0 has 2 values"),
    (lambda entries: 1 / 0, "^family poly: failed with ZeroDivisionError"),
], ids=["too_few_loops", "short_loop", "two_values", "raises"])
def test_malformed_builder_output_is_named(authored, message):
    with pytest.raises(GenerationError, match=message):
        assemble.generate_family(with_builders("poly", authored=authored))


def test_a_failing_exact_rule_is_named():
    def broken(entry):
        raise KeyError("lost")

    with pytest.raises(GenerationError, match="^wave_pinched: failed with KeyError"):
        assemble.generate_family(with_builders("wave", {"pinched": broken}, quiet_loops))


def test_stored_blocks_are_rounded_and_free_of_negative_zero():
    entry = ENTRY_BY_NAME["lfo_breathe"]
    loop = [(0.1234567890126, -1e-14, 0.0)] + [(0.0, 0.0, 0.0)] * (entry.period_pips - 1)
    block = assemble.stored_block(entry, loop)
    assert list(block[:3]) == [0.123456789013, 0.0, 0.0]
    assert math.copysign(1.0, block[1]) == 1.0


def test_selected_families_follow_table_order():
    assert assemble.selected_families(["meter", "lfo", "euclid"]) == ["lfo", "euclid", "meter"]
    assert len(assemble.selected_families(None)) == 44
    with pytest.raises(GenerationError, match="^blob: not a family"):
        assemble.selected_families(["blob"])


def test_results_do_not_depend_on_the_number_of_workers():
    families = ["euclid", "meter", "stick"]
    alone = assemble.generate_blocks(families, jobs=1)
    pooled = assemble.generate_blocks(families, jobs=2)
    assert sorted(alone) == sorted(pooled) == [e.index for f in families for e in entries_of(f)]
    assert all(alone[i].tobytes() == pooled[i].tobytes() for i in alone)


def test_command_line_checks_chosen_families_without_writing(tmp_path, capsys, monkeypatch):
    monkeypatch.chdir(tmp_path)
    assert main(["--only", "euclid,poly", "--jobs", "1"]) == 0
    assert "checked 32 entries" in capsys.readouterr().out
    assert list(tmp_path.iterdir()) == []


def test_command_line_names_the_failure(capsys):
    assert main(["--only", "blob"]) == 1
    assert "generator: error: blob: not a family" in capsys.readouterr().err


def test_command_line_needs_an_output_directory_for_a_full_run(capsys):
    with pytest.raises(SystemExit) as stop:
        main([])
    assert stop.value.code == 2
    assert "--out DIR is required" in capsys.readouterr().err


def test_a_failure_inside_a_worker_reaches_the_caller(monkeypatch):
    def broken(entries):
        raise ValueError("no shape")

    families = dict(FAMILIES, wave=with_builders("wave", authored=broken, exact=FAMILIES["wave"].exact))
    monkeypatch.setattr(assemble, "FAMILIES", families)
    with pytest.raises(GenerationError, match="^family wave: failed with ValueError: no shape"):
        assemble.generate_blocks(["wave", "euclid"], jobs=2)
