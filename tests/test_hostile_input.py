"""Inputs that plain Python makes easy and no well-behaved caller sends: names changed by a later
argument, rows whose length changes, objects made by __new__ alone, errors raised mid-conversion,
names and descriptions that are not UTF-8, lengths that lie. Each must give a sound result."""

import pytest

import pivolet
from failure_helpers import raises_value_error
from hostile_objects import (
    FailingSequence, Index, IterableLyingSequence, LyingSequence, Number, Raised, failing_generator,
)

UNKNOWN = "Unknown pivolet rudiment: "
UNCONSTRUCTED = "Object made by __new__ without __init__: "
EMPTY_PATTERN = "Empty/moved-from pattern"
BAD_DESCRIPTION = "Pattern description must be valid UTF-8"
BUILTIN_COUNT = 1731

SAMPLERS = [pivolet.sample, lambda name, pip: pivolet.PatternLibrary().sample(name, pip)]
SAMPLER_IDS = ["module", "library"]


def pattern(name, samples=((0.5, 0.0, 0.0),), description="user pattern"):
    return pivolet.SampledPattern(name, description, list(samples))


class TestNameOutlivesTheRestOfTheCall:
    @pytest.mark.parametrize("sample", SAMPLERS, ids=SAMPLER_IDS)
    @pytest.mark.parametrize(
        "change",
        [lambda name: name.extend(b"x" * 100000), lambda name: name.clear(), lambda name: name.__setitem__(0, 0x41)],
        ids=["grown", "cleared", "rewritten"],
    )
    def test_bytearray_changed_by_the_pip(self, sample, change):
        name = bytearray(b"lfo_breathe")
        result = sample(name, Index(64, effect=lambda: change(name)))
        assert result.as_tuple() == pivolet.sample("lfo_breathe", 64).as_tuple()

    @pytest.mark.parametrize("sample", SAMPLERS, ids=SAMPLER_IDS)
    def test_unknown_bytearray_name_is_reported_as_it_was_passed(self, sample):
        name = bytearray(b"nope")
        raises_value_error(UNKNOWN + "nope", lambda: sample(name, Index(0, effect=lambda: name.extend(b"x" * 9999))))


class TestFixedRows:
    @pytest.mark.parametrize("lengths", [(3, 1, 2), (3,), (2**62,)])
    @pytest.mark.parametrize("items", [[0.0, 0.0], [0.0] * 4, []], ids=["two", "four", "none"])
    def test_a_row_not_holding_three_items_is_refused_whatever_its_length_says(self, items, lengths):
        with pytest.raises(TypeError):
            pivolet.SampledPattern("a", "d", [LyingSequence(items, lengths)])

    @pytest.mark.parametrize("row_type", [LyingSequence, IterableLyingSequence])
    @pytest.mark.parametrize("lengths", [(3, 1, 2), (2,), (4,), (0,), (2**62,)])
    def test_a_row_of_three_items_is_a_triple_whatever_its_length_says(self, row_type, lengths):
        built = pivolet.SampledPattern("a", "d", [row_type([0.25, -0.5, 0.0], lengths)])
        assert built.sample(0).as_tuple() == (0.25, -0.5, 0.0)
        assert pivolet.PatternLibrary([built]).catalogue()[-1]["dimensions"] == 2

    def test_a_row_emptied_while_converting_keeps_the_items_it_held(self):
        row = [None, 0.5, -0.5]
        row[0] = Number(0.25, effect=row.clear)
        assert pivolet.SampledPattern("a", "d", [row]).sample(0).as_tuple() == (0.25, 0.5, -0.5)

    def test_samples_emptied_while_converting_end_where_the_list_ends(self):
        samples = [(0.0, 0.0, 0.0), (0.0, 0.0, 0.0), (0.0, 0.0, 0.0)]
        samples[0] = (Number(0.5, effect=samples.clear), 0.0, 0.0)
        built = pivolet.SampledPattern("a", "d", samples)
        assert (built.period_pips, built.sample(7).as_tuple()) == (1, (0.5, 0.0, 0.0))


class Tagged(pivolet.SampledPattern):
    pass


MEMBERS = [
    (pivolet.Offset3, lambda o: o.x), (pivolet.Offset3, lambda o: o.y), (pivolet.Offset3, lambda o: o.z),
    (pivolet.Offset3, lambda o: o.as_tuple()),
    (pivolet.SampledPattern, lambda p: p.name), (pivolet.SampledPattern, lambda p: p.description),
    (pivolet.SampledPattern, lambda p: p.period_pips), (pivolet.SampledPattern, lambda p: p.sample(0)),
    (pivolet.PatternLibrary, lambda library: library.sample("bounce", 0)),
    (pivolet.PatternLibrary, lambda library: library.sample("unknown", 0)),
    (pivolet.PatternLibrary, lambda library: library.catalogue()),
    (pivolet.SampledRecording, lambda r: r.name), (pivolet.SampledRecording, lambda r: r.dimensions),
    (pivolet.SampledRecording, lambda r: r.sample_count), (pivolet.SampledRecording, lambda r: r.bpm),
    (pivolet.SampledRecording, lambda r: r.beat_zero_seconds), (pivolet.SampledRecording, lambda r: r.start_pip),
    (pivolet.SampledRecording, lambda r: r.sample(0)),
    (Tagged, lambda p: p.sample(0)),
]


class TestObjectsMadeByNewAlone:
    @pytest.mark.parametrize("cls, use", MEMBERS)
    def test_every_member_raises_a_type_error_naming_the_class(self, cls, use):
        instance = cls.__new__(cls)
        for _ in range(200):
            with pytest.raises(TypeError) as raised:
                use(instance)
            # The class's own name, as the type shows it: qualified for the module's classes.
            shown = "Tagged" if cls is Tagged else f"pivolet.{cls.__name__}"
            assert str(raised.value) == UNCONSTRUCTED + shown

    def test_init_after_new_builds_a_working_pattern(self):
        built = pivolet.SampledPattern.__new__(pivolet.SampledPattern)
        with pytest.raises(TypeError):
            built.sample(0)
        built.__init__("late", "built later", [(0.5, 0.0, 0.0), (0.0, 0.0, -0.5)])
        assert (built.name, built.description, built.period_pips) == ("late", "built later", 2)
        assert built.sample(-1).as_tuple() == (0.0, 0.0, -0.5)

    def test_a_library_refuses_such_a_pattern_like_an_empty_one(self):
        unbuilt = pivolet.SampledPattern.__new__(pivolet.SampledPattern)
        raises_value_error(EMPTY_PATTERN, lambda: pivolet.PatternLibrary([pattern("mine"), unbuilt]))
        raises_value_error(EMPTY_PATTERN, lambda: pivolet.PatternLibrary((Tagged.__new__(Tagged),)))
        # The refusal takes its place in the library's order of checks.
        raises_value_error("Duplicate pattern name: mine",
                           lambda: pivolet.PatternLibrary([pattern("mine"), pattern("mine"), unbuilt]))
        raises_value_error("Too many patterns", lambda: pivolet.PatternLibrary([unbuilt] * 1025))

    def test_offset3_still_cannot_be_made(self):
        for make in (pivolet.Offset3, lambda: pivolet.Offset3.__new__(pivolet.Offset3).__init__()):
            with pytest.raises(TypeError) as raised:
                make()
            assert str(raised.value) == "pivolet.Offset3: No constructor defined!"


# Each builds from one argument whose items are given by `wrap`; the check says what was built.
ARGUMENTS = {
    "pattern_samples": (
        lambda wrap: pivolet.SampledPattern("a", "d", wrap([(0.5, 0.0, 0.0), (0.0, 0.25, 0.0), (0.0, 0.0, 1.0)])),
        lambda built: [built.sample(i).as_tuple() for i in range(built.period_pips)]
        == [(0.5, 0.0, 0.0), (0.0, 0.25, 0.0), (0.0, 0.0, 1.0)],
    ),
    "pattern_row": (
        lambda wrap: pivolet.SampledPattern("a", "d", [wrap([0.5, -0.25, 1.0])]),
        lambda built: built.sample(0).as_tuple() == (0.5, -0.25, 1.0),
    ),
    "recording_axes": (
        lambda wrap: pivolet.SampledRecording("take", wrap(["x", "y", "z"]), [[0.0, 0.5, 1.0]], 120),
        lambda built: built.dimensions == ["x", "y", "z"] and built.sample(0) == [0.0, 0.5, 1.0],
    ),
    "recording_rows": (
        lambda wrap: pivolet.SampledRecording("take", ["x"], wrap([[0.5], [0.25], [-1.0]]), 120),
        lambda built: [built.sample(i) for i in range(built.sample_count)] == [[0.5], [0.25], [-1.0]],
    ),
    "recording_row": (
        lambda wrap: pivolet.SampledRecording("take", ["x", "y", "z"], [wrap([0.5, 0.25, -1.0])], 120),
        lambda built: built.sample(0) == [0.5, 0.25, -1.0],
    ),
    "library_patterns": (
        lambda wrap: pivolet.PatternLibrary(wrap([pattern("one"), pattern("two"), pattern("three")])),
        lambda built: [row["name"] for row in built.catalogue()[BUILTIN_COUNT:]] == ["one", "two", "three"],
    ),
}


class TestLengthsAreNeverTrusted:
    @pytest.mark.parametrize("argument", ARGUMENTS)
    @pytest.mark.parametrize(
        "wrap",
        [
            lambda items: LyingSequence(items, (2**62,)),
            lambda items: LyingSequence(items, (2**31 - 1, 1, 2**40)),
            lambda items: IterableLyingSequence(items, (2**62,)),
            lambda items: LyingSequence(items, (1,)),
            lambda items: LyingSequence(items, (0,)),
            lambda items: LyingSequence(items, (len(items),), raise_on_len=range(1, 10)),
        ],
        ids=["huge", "changing", "huge_with_iterator", "short", "zero", "raising"],
    )
    def test_the_items_there_are_are_read(self, argument, wrap):
        build, check = ARGUMENTS[argument]
        assert check(build(wrap))

    def test_a_row_whose_third_length_raises_is_read_by_its_items(self):
        row = LyingSequence([0.5, 0.0, 0.0], (3,), raise_on_len={3})
        assert pivolet.SampledPattern("a", "d", [row]).sample(0).as_tuple() == (0.5, 0.0, 0.0)


class TestItemsMadeWhileReading:
    @pytest.mark.parametrize(
        "offer",
        [lambda make, names: (make(name) for name in names), lambda make, names: map(make, names)],
        ids=["generator", "map"],
    )
    def test_patterns_that_only_the_argument_holds_are_kept_until_copied(self, offer):
        def make(name):
            return pivolet.SampledPattern(name, "made while read " * 8, [(0.5, 0.0, 0.0), (0.0, 0.5, 0.0)])

        library = pivolet.PatternLibrary(offer(make, ["one", "two", "three"]))
        assert [tuple(row.values()) for row in library.catalogue()[BUILTIN_COUNT:]] == [
            (name, "made while read " * 8, 2, 2) for name in ["one", "two", "three"]]


class TestErrorsOfTheCallersObjectsComeBack:
    @pytest.mark.parametrize("argument", ARGUMENTS)
    @pytest.mark.parametrize(
        "wrap",
        [lambda items: FailingSequence(items, 1), lambda items: failing_generator(items, 2)],
        ids=["sequence", "generator"],
    )
    def test_as_themselves(self, argument, wrap):
        build, _ = ARGUMENTS[argument]
        with pytest.raises(Raised):
            build(wrap)


class TestUnknownNamesAreShownWhole:
    @pytest.mark.parametrize("sample", SAMPLERS, ids=SAMPLER_IDS)
    @pytest.mark.parametrize(
        "name, shown",
        [
            ("bo\x00unce", "bo\\x00unce"), (b"\xff", "\\xff"), (b"\x00", "\\x00"), ("\x00" * 3, "\\x00" * 3),
            (b"caf\xe9", "caf\\xe9"), (bytearray(b"\xc3\xa9\xc3"), "\u00e9\\xc3"), (b"\xed\xa0\x80", "\\xed\\xa0\\x80"),
            (b"a\\b\x00", "a\\\\b\\x00"),
            # UTF-8 without NUL stays exactly as passed, backslashes and control characters included.
            ("", ""), ("Bounce", "Bounce"), ("bounce ", "bounce "), ("caf\u00e9", "caf\u00e9"),
            ("line\nbreak\\x00", "line\nbreak\\x00"), (b"flams", "flams"),
        ],
    )
    def test_message_carries_the_whole_name(self, sample, name, shown):
        raises_value_error(UNKNOWN + shown, lambda: sample(name, 0))


class TestDescriptionsAreUtf8:
    @pytest.mark.parametrize(
        "description",
        [b"\x80", b"caf\xe9", b"\xff\xfe", b"\xed\xa0\x80", b"\xc0\xaf", b"\xf4\x90\x80\x80", b"ok\xe2\x82",
         bytearray(b"\x80")],
        ids=["continuation", "latin1", "bom16", "surrogate", "overlong", "beyond_unicode", "cut_short", "bytearray"],
    )
    def test_refused_when_the_pattern_is_built(self, description):
        raises_value_error(BAD_DESCRIPTION, lambda: pivolet.SampledPattern("a", description, [(0, 0, 0)]))

    def test_checked_after_the_name_and_before_the_samples(self):
        raises_value_error("Invalid pattern name", lambda: pivolet.SampledPattern("Bad", b"\x80", []))
        raises_value_error(BAD_DESCRIPTION, lambda: pivolet.SampledPattern("a", b"\x80", []))
        raises_value_error(BAD_DESCRIPTION, lambda: pivolet.SampledPattern("a", b"\x80", [(2.0, 0.0, 0.0)]))

    @pytest.mark.parametrize(
        "description, text",
        [(b"caf\xc3\xa9", "caf\u00e9"), (b"\xf4\x8f\xbf\xbf", "\U0010ffff"), (b"", ""),
         ("a NUL \x00 is text \u2014 ", "a NUL \x00 is text \u2014 ")],
    )
    def test_utf8_is_kept_and_listed(self, description, text):
        built = pivolet.SampledPattern("a", description, [(0, 0, 0)])
        assert built.description == text
        assert pivolet.PatternLibrary([built]).catalogue()[-1]["description"] == text
