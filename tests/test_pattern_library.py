"""PatternLibrary: limits and their order, the exact-copy rule for built-in names, sampling and
listing over built-ins and user patterns together, and what the caller's objects keep."""

import decimal
import gc
import math
import os
import sys

import pytest

import pivolet
from failure_helpers import raises_value_error, resident_bytes

TOO_MANY = "Too many patterns"
TOO_LARGE = "Pattern pack is too large"
BUILTIN_COUNT = 1731
PACK_LIMIT = 2**20
BOUNCE_DESCRIPTION = "One-beat vertical bounce"
LOWEST_PIP = -(2**31)


def pattern(name, samples=((0.5, 0.0, 0.0),), description="user pattern"):
    return pivolet.SampledPattern(name, description, list(samples))


def builtin_copy(name, period=None, description=None):
    row = next(row for row in pivolet.catalogue() if row["name"] == name)
    period = row["period_pips"] if period is None else period
    description = row["description"] if description is None else description
    return pivolet.SampledPattern(name, description, [pivolet.sample(name, i).as_tuple() for i in range(period)])


def flat(name, count):
    return pivolet.SampledPattern(name, "", [(0.0, 0.0, 0.0)] * count)


def user_rows(library):
    return library.catalogue()[BUILTIN_COUNT:]


class TestEmptyLibrary:
    @pytest.mark.parametrize("build", [lambda: pivolet.PatternLibrary(), lambda: pivolet.PatternLibrary([]),
                                       lambda: pivolet.PatternLibrary(patterns=[]), lambda: pivolet.PatternLibrary(())])
    def test_behaves_like_the_builtins(self, build):
        library = build()
        assert library.catalogue() == pivolet.catalogue()
        for name in ("bounce", "helix", "tamsel_background", "five_stroke_roll", "lfo_breathe", "beat_dembow_push_ricochet"):
            for pip in (LOWEST_PIP, -1, 0, 23, 1000, 2**31 - 1):
                assert library.sample(name, pip).as_tuple() == pivolet.sample(name, pip).as_tuple()

    def test_catalogue_is_new_on_every_call(self):
        library = pivolet.PatternLibrary([pattern("mine")])
        first = library.catalogue()
        first[0]["name"] = "changed"
        del first[-1]
        second = library.catalogue()
        assert second[0]["name"] == "bounce" and second[-1]["name"] == "mine" and first is not second


class TestPatternCount:
    def test_1024_patterns_are_accepted(self):
        offered = [pattern(f"p{i}") for i in range(1024)]
        library = pivolet.PatternLibrary(offered)
        assert [row["name"] for row in user_rows(library)] == [f"p{i}" for i in range(1024)]

    @pytest.mark.parametrize(
        "first",
        [lambda: pattern("p_first"), lambda: builtin_copy("bounce", description="Altered"), lambda: pattern("p0")],
        ids=["plain", "altered_builtin", "duplicate"],
    )
    def test_1025_fail_before_any_pattern_is_looked_at(self, first):
        offered = [first()] + [pattern(f"p{i}") for i in range(1024)]
        raises_value_error(TOO_MANY, lambda: pivolet.PatternLibrary(offered))


class TestNames:
    def test_second_of_two_equal_names_is_refused(self):
        offered = [pattern("alpha"), pattern("beta"), pattern("alpha", [(0.0, 0.0, 0.0)] * 5)]
        raises_value_error("Duplicate pattern name: alpha", lambda: pivolet.PatternLibrary(offered))

    def test_duplicate_is_reported_before_the_pack_size(self):
        offered = [flat(f"big_{i}", 65535) for i in range(16)] + [flat("big_0", 17)]
        raises_value_error("Duplicate pattern name: big_0", lambda: pivolet.PatternLibrary(offered))

    def test_unknown_name(self):
        library = pivolet.PatternLibrary([pattern("mine")])
        for name in ("nope", "", "Mine", "mine ", "bounc"):
            raises_value_error("Unknown pivolet rudiment: " + name, lambda: library.sample(name, 0))


class TestPackSize:
    def test_exactly_the_limit_is_accepted_and_one_more_refused(self):
        full = [flat(f"big_{i}", 65535) for i in range(16)]
        assert 16 * 65535 + 16 == PACK_LIMIT
        library = pivolet.PatternLibrary(full + [flat("rest", 16)])
        assert sum(row["period_pips"] for row in user_rows(library)) == PACK_LIMIT
        raises_value_error(TOO_LARGE, lambda: pivolet.PatternLibrary(full + [flat("rest", 17)]))

    def test_a_pack_too_large_is_found_before_a_later_duplicate(self):
        offered = [flat(f"big_{i}", 65535) for i in range(16)] + [flat("rest", 17), flat("rest", 1)]
        raises_value_error(TOO_LARGE, lambda: pivolet.PatternLibrary(offered))


class TestBuiltinNames:
    @pytest.mark.parametrize("name", ["bounce", "helix", "step_touch", "lfo_breathe"])
    def test_exact_copy_is_accepted_and_not_listed_again(self, name):
        library = pivolet.PatternLibrary([pattern("before"), builtin_copy(name), pattern("after")])
        rows = library.catalogue()
        assert len(rows) == BUILTIN_COUNT + 2
        assert [row["name"] for row in rows].count(name) == 1
        assert [row["name"] for row in rows[BUILTIN_COUNT:]] == ["before", "after"]
        assert library.sample(name, 77).as_tuple() == pivolet.sample(name, 77).as_tuple()

    def test_exact_copy_counts_towards_duplicates(self):
        raises_value_error("Duplicate pattern name: bounce",
                           lambda: pivolet.PatternLibrary([builtin_copy("bounce"), builtin_copy("bounce")]))

    def test_exact_copy_counts_towards_the_pack_size(self):
        lfo_period = builtin_copy("lfo_breathe").period_pips
        full = [flat(f"big_{i}", 65535) for i in range(15)]
        fits = PACK_LIMIT - 15 * 65535 - lfo_period
        pivolet.PatternLibrary(full + [builtin_copy("lfo_breathe"), flat("rest", fits)])
        raises_value_error(TOO_LARGE, lambda: pivolet.PatternLibrary(full + [builtin_copy("lfo_breathe"), flat("rest", fits + 1)]))

    @pytest.mark.parametrize(
        "altered",
        [
            lambda: builtin_copy("bounce", description="One-beat vertical bounce "),
            lambda: builtin_copy("bounce", description=""),
            lambda: builtin_copy("bounce", period=63),
            lambda: builtin_copy("bounce", period=128),  # two exact loops, but not the built-in's period
            lambda: builtin_copy("bounce", period=1),
        ],
        ids=["trailing_space", "empty_description", "short", "two_loops", "one_sample"],
    )
    def test_other_description_or_period_is_refused(self, altered):
        raises_value_error("Cannot override default pattern: bounce", lambda: pivolet.PatternLibrary([altered()]))

    @pytest.mark.parametrize("pip", [0, 31, 32, 63])
    @pytest.mark.parametrize("axis", [0, 1, 2])
    def test_one_changed_sample_is_refused(self, pip, axis):
        points = [list(pivolet.sample("bounce", i).as_tuple()) for i in range(64)]
        value = points[pip][axis]
        points[pip][axis] = math.nextafter(value, 0.0 if value > 0.0 else 1.0)
        altered = pivolet.SampledPattern("bounce", BOUNCE_DESCRIPTION, points)
        raises_value_error("Cannot override default pattern: bounce", lambda: pivolet.PatternLibrary([altered]))

    def test_refusal_comes_after_the_earlier_checks_of_the_same_pattern(self):
        offered = [flat(f"big_{i}", 65535) for i in range(16)] + [builtin_copy("bounce", description="Altered")]
        raises_value_error(TOO_LARGE, lambda: pivolet.PatternLibrary(offered))

    def test_a_builtin_name_in_other_case_is_a_user_name(self):
        library = pivolet.PatternLibrary([pattern("bounce2"), pattern("bounce_", [(0.0, 0.0, 0.5)])])
        assert library.sample("bounce_", 0).as_tuple() == (0.0, 0.0, 0.5)
        assert library.sample("bounce", 32).as_tuple() == pivolet.sample("bounce", 32).as_tuple()


class TestUserPatterns:
    def test_rows_follow_the_builtins_in_offered_order(self):
        offered = [
            pattern("zeta", [(0.5, 0.0, 0.0), (0.25, 0.0, 0.0)], "only x"),
            pattern("alpha", [(0.0, 0.5, 0.0)] * 3, "x and y"),
            pattern("mid_depth", [(0.0, 0.0, 0.0)] * 4 + [(0.0, 0.0, -0.25)], "depth \u2014 somewhere "),
            pattern("negative_zero", [(0.1, -0.0, -0.0)], ""),
        ]
        rows = user_rows(pivolet.PatternLibrary(offered))
        assert rows == [
            {"name": "zeta", "description": "only x", "period_pips": 2, "dimensions": 1},
            {"name": "alpha", "description": "x and y", "period_pips": 3, "dimensions": 2},
            {"name": "mid_depth", "description": "depth \u2014 somewhere ", "period_pips": 5, "dimensions": 3},
            {"name": "negative_zero", "description": "", "period_pips": 1, "dimensions": 1},
        ]
        assert list(rows[0]) == ["name", "description", "period_pips", "dimensions"]

    def test_sampling_wraps_by_the_pattern_period(self):
        points = [(i / 10, -i / 10, 0.0) for i in range(7)]
        library = pivolet.PatternLibrary([pattern("other"), pattern("ramp", points)])
        for pip in (0, 6, 7, -1, -7, -8, LOWEST_PIP, 2**31 - 1):
            assert library.sample("ramp", pip).as_tuple() == points[pip % 7]
        assert library.sample("ramp", -1).as_tuple() == points[-1]

    def test_name_and_pip_by_keyword_in_either_order_and_bytes_name(self):
        library = pivolet.PatternLibrary(patterns=[pattern("mine", [(0.0, 0.0, 0.0), (0.25, 0.0, 0.0)])])
        assert library.sample(pip_count=1, name="mine").as_tuple() == (0.25, 0.0, 0.0)
        assert library.sample(name="bounce", pip_count=32).as_tuple() == pivolet.sample("bounce", 32).as_tuple()
        assert library.sample(b"mine", 3).as_tuple() == (0.25, 0.0, 0.0)
        assert library.sample(bytearray(b"mine"), 2).as_tuple() == (0.0, 0.0, 0.0)

    def test_callers_patterns_are_unchanged(self):
        points = [(0.5, 0.25, 0.0), (-0.5, 0.0, 0.125)]
        mine = pattern("mine", points, "described")
        copy = builtin_copy("bounce")
        library = pivolet.PatternLibrary([mine, copy])
        assert (mine.name, mine.description, mine.period_pips) == ("mine", "described", 2)
        assert [mine.sample(i).as_tuple() for i in range(2)] == points
        assert (copy.name, copy.description, copy.period_pips) == ("bounce", BOUNCE_DESCRIPTION, 64)
        assert copy.sample(32).as_tuple() == pivolet.sample("bounce", 32).as_tuple()
        # The same objects can build another library, and a failed one leaves them alone too.
        again = pivolet.PatternLibrary([mine, copy])
        assert again.catalogue() == library.catalogue()
        raises_value_error("Duplicate pattern name: mine", lambda: pivolet.PatternLibrary([mine, mine]))
        assert [mine.sample(i).as_tuple() for i in range(2)] == points


class TestConversion:
    @pytest.mark.parametrize("pip", [decimal.Decimal(3), 3.0, "3", None, 2**31])
    def test_strict_pip_count(self, pip):
        library = pivolet.PatternLibrary([pattern("mine")])
        for name in ("mine", "bounce"):
            with pytest.raises(TypeError):
                library.sample(name, pip)

    def test_module_sample_converts_what_the_library_refuses(self):
        assert pivolet.sample("bounce", decimal.Decimal(3)).as_tuple() == pivolet.bounce(3).as_tuple()

    @pytest.mark.parametrize("patterns", [None, [None], [pattern("mine"), None], ["bounce"], pattern("mine"), "mine"])
    def test_patterns_must_be_a_sequence_of_patterns(self, patterns):
        with pytest.raises(TypeError):
            pivolet.PatternLibrary(patterns)

    @pytest.mark.parametrize(
        "offered",
        [lambda ps: tuple(ps), lambda ps: (p for p in ps), lambda ps: set(ps), lambda ps: frozenset(ps),
         lambda ps: {p.name: p for p in ps}.values()],
        ids=["tuple", "generator", "set", "frozenset", "dict_values"],
    )
    def test_any_sequence_of_patterns(self, offered):
        ps = [pattern("one"), pattern("two"), pattern("three")]
        names = {row["name"] for row in user_rows(pivolet.PatternLibrary(offered(ps)))}
        assert names == {"one", "two", "three"}

    def test_subclass_instances_are_patterns(self):
        class Tagged(pivolet.SampledPattern):
            pass

        library = pivolet.PatternLibrary([Tagged("tagged", "", [(0.0, 0.75, 0.0)])])
        assert user_rows(library)[0]["dimensions"] == 2

    def test_nothing_else_on_the_class(self):
        library = pivolet.PatternLibrary()
        for attribute in ("patterns", "__len__", "__contains__", "__iter__", "__dict__"):
            assert not hasattr(library, attribute)
        with pytest.raises(AttributeError):
            library.extra = 1


@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="needs /proc")
def test_failed_constructions_leave_nothing_behind():
    big = [flat(f"big_{i}", 8192) for i in range(4)]
    altered = builtin_copy("lfo_breathe", description="Altered")
    attempts = [
        (lambda: pivolet.PatternLibrary(big + [altered]), "Cannot override default pattern: lfo_breathe"),
        (lambda: pivolet.PatternLibrary(big + [big[2]]), "Duplicate pattern name: big_2"),
        (lambda: pivolet.PatternLibrary([altered] * 1025), TOO_MANY),
    ]
    for attempt, message in attempts:  # warm the allocator up
        for _ in range(20):
            raises_value_error(message, attempt)
    gc.collect()
    references = [sys.getrefcount(p) for p in big + [altered]]
    before = resident_bytes()
    for _ in range(300):
        for attempt, message in attempts:
            raises_value_error(message, attempt)
    gc.collect()
    grown = resident_bytes() - before
    # Each round copies about 8 MB of samples; keeping them would grow by over 2 GB.
    assert grown < 32 * 2**20
    assert [sys.getrefcount(p) for p in big + [altered]] == references
