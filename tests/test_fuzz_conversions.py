"""Property-based fuzzing of the module's conversions: constructors and sampling fed hostile
sequences, numbers and names, each compared with a model of what a sound conversion gives.
Seeded and bounded, so every run tries the same examples."""

import math

from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import pivolet
from hostile_objects import FailingSequence, Index, IterableLyingSequence, LyingSequence, Number, Raised, failing_generator

FUZZ = settings(max_examples=300, derandomize=True, deadline=None, database=None,
                suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])

UNKNOWN = "Unknown pivolet rudiment: "
BUILTIN_NAMES = [row["name"] for row in pivolet.catalogue()]
REFUSED = object()  # a conversion the module must refuse with TypeError


class RaisingNumber:
    def __float__(self):
        raise Raised("float")

    def __repr__(self):
        return "RaisingNumber()"


class Container:
    """Items in a container of some kind, made afresh for each call since generators run once."""

    def __init__(self, kind, items, lengths=(2**62,), fail_at=0):
        self.kind, self.items, self.lengths, self.fail_at = kind, list(items), tuple(lengths), fail_at

    def make(self):
        made_items = [made(item) for item in self.items]
        return {
            "list": lambda: made_items,
            "tuple": lambda: tuple(made_items),
            "generator": lambda: (item for item in made_items),
            "lying": lambda: LyingSequence(made_items, self.lengths),
            "lying_iterable": lambda: IterableLyingSequence(made_items, self.lengths),
            "raising_len": lambda: LyingSequence(made_items, (0,), raise_on_len=range(1, 1000)),
            "failing": lambda: FailingSequence(made_items, self.fail_at),
            "failing_generator": lambda: failing_generator(made_items, self.fail_at),
        }[self.kind]()

    def fails(self):
        # A failing sequence is also asked for the index one past its items, to find its end.
        if self.kind == "failing":
            return self.fail_at <= len(self.items)
        return self.kind == "failing_generator" and self.fail_at < len(self.items)

    def __repr__(self):
        return f"Container({self.kind!r}, {self.items!r}, {self.lengths!r}, {self.fail_at!r})"


def made(argument):
    return argument.make() if isinstance(argument, Container) else argument


SOUND_KINDS = ["list", "tuple", "generator", "lying", "lying_iterable", "raising_len"]


def containers(items, kinds=SOUND_KINDS + ["failing", "failing_generator"]):
    return st.builds(Container, st.sampled_from(kinds), items,
                     st.lists(st.integers(0, 2**62), min_size=1, max_size=3), st.integers(0, 5))


NUMBERS = st.one_of(
    st.floats(-1.0, 1.0), st.floats(allow_nan=True, allow_infinity=True), st.integers(-2, 2),
    st.integers(-(2**1100), 2**1100), st.booleans(), st.decimals(allow_nan=True, allow_infinity=True),
    st.fractions(max_denominator=10), st.builds(Number, st.floats(-1.0, 1.0)), st.builds(Index, st.integers(-1, 1)),
    st.just(RaisingNumber()), st.sampled_from(["0.5", b"0.5", None, 0.5j]),
)
# Numbers that convert, of every kind that converts.
GOOD_NUMBERS = st.one_of(st.floats(-1.0, 1.0), st.integers(-1, 1), st.booleans(),
                         st.fractions(-1, 1, max_denominator=10), st.builds(Number, st.floats(-1.0, 1.0)),
                         st.builds(Index, st.integers(-1, 1)))
GOOD_ROWS = containers(st.lists(GOOD_NUMBERS, min_size=3, max_size=3), kinds=SOUND_KINDS)
ROWS = st.one_of(containers(st.lists(NUMBERS, min_size=2, max_size=4)), st.sampled_from(["abc", None, 0.5]))
SAMPLES = st.one_of(containers(st.lists(GOOD_ROWS, min_size=1, max_size=4)),
                    containers(st.lists(st.one_of(GOOD_ROWS, ROWS), max_size=4)),
                    st.sampled_from(["abc", b"abc", None, 3]))
TEXT = st.one_of(st.text(max_size=12), st.binary(max_size=12), st.binary(max_size=12).map(bytearray),
                 st.sampled_from(["loop", "take_2", "caf\u00e9", "loop\udcff", "Loop"]))
PATTERN_NAMES = st.one_of(st.sampled_from(["loop", b"loop"]), st.just(b"take_2").map(bytearray), TEXT)
DESCRIPTIONS = st.one_of(st.text(max_size=12), TEXT)
NAMES = st.one_of(TEXT, st.sampled_from(BUILTIN_NAMES), st.sampled_from(BUILTIN_NAMES).map(str.encode),
                  st.sampled_from(BUILTIN_NAMES).map(lambda name: bytearray(name.encode())))


def number_value(number):
    if isinstance(number, (str, bytes, complex, type(None))):
        return REFUSED
    try:
        return float(number)
    except (Raised, ValueError, OverflowError):
        return REFUSED


def text_bytes(text):
    """The bytes a text argument stands for, or REFUSED."""
    if isinstance(text, (bytes, bytearray)):
        return bytes(text)
    try:
        return text.encode("utf-8")
    except UnicodeEncodeError:
        return REFUSED


def read(argument):
    """The items of a sequence argument, Raised when reading them fails, or REFUSED."""
    if not isinstance(argument, Container):
        return REFUSED
    return Raised if argument.fails() else argument.items


def row_point(row):
    items = read(row)
    if items is Raised or items is REFUSED or len(items) != 3:
        return items if items is Raised else REFUSED
    values = tuple(number_value(item) for item in items)
    return REFUSED if REFUSED in values else values


def is_identifier(name):
    return (1 <= len(name) <= 128 and b"a"[0] <= name[0] <= b"z"[0]
            and all(byte in b"abcdefghijklmnopqrstuvwxyz0123456789_" for byte in name))


def decodes(data):
    try:
        data.decode("utf-8")
    except UnicodeDecodeError:
        return False
    return True


def expected_pattern(name, description, samples):
    """The points of the pattern that must be built, or the exception it must fail with."""
    name_bytes, description_bytes = text_bytes(name), text_bytes(description)
    if REFUSED in (name_bytes, description_bytes):
        return TypeError
    rows = read(samples)
    if rows is Raised or rows is REFUSED:
        return Raised if rows is Raised else TypeError
    points = []
    for row in rows:
        point = row_point(row)
        if point is Raised or point is REFUSED:
            return Raised if point is Raised else TypeError
        points.append(point)
    if not is_identifier(name_bytes):
        return "Invalid pattern name"
    if not decodes(description_bytes):
        return "Pattern description must be valid UTF-8"
    if not 1 <= len(points) <= 65535:
        return "A pattern requires 1..65535 samples (one per pip)"
    if not all(math.isfinite(v) and -1.0 <= v <= 1.0 for point in points for v in point):
        return "Pattern samples must be finite and within [-1, 1]"
    return points


@FUZZ
@given(name=PATTERN_NAMES, description=DESCRIPTIONS, samples=SAMPLES)
def test_sampled_pattern_construction(name, description, samples):
    expected = expected_pattern(name, description, samples)
    try:
        built = pivolet.SampledPattern(name, description, made(samples))
    except (TypeError, Raised) as error:
        assert type(error) is expected
        return
    except ValueError as error:
        assert str(error) == expected
        return
    assert [built.sample(pip).as_tuple() for pip in range(built.period_pips)] == expected
    assert built.name == text_bytes(name).decode() and built.description == text_bytes(description).decode()


def visible(name):
    """The name as an unknown-name message must show it: whole, readable, never cut."""
    try:
        text = name.decode("utf-8")
        if "\0" not in text:
            return text
    except UnicodeDecodeError:
        pass
    return name.replace(b"\\", b"\\\\").decode("utf-8", "backslashreplace").replace("\0", "\\x00")


def user_library():
    return pivolet.PatternLibrary([pivolet.SampledPattern("mine", "", [(0.5, 0.0, 0.0), (0.0, -0.5, 0.25)])])


PIPS = st.one_of(st.integers(-(2**31), 2**31 - 1), st.integers(-(2**40), 2**40), st.booleans(),
                 st.builds(Index, st.integers(-(2**32), 2**32)), st.sampled_from([1.0, "3", None]))


@FUZZ
@given(name=st.one_of(NAMES, st.sampled_from(["mine", b"mine"]), st.just(b"mine").map(bytearray)), pip=PIPS,
       in_library=st.booleans(), grow_name=st.booleans())
def test_sample_by_name(name, pip, in_library, grow_name):
    library = user_library()
    sample = library.sample if in_library else pivolet.sample
    name_bytes = text_bytes(name)
    pip_value = pip.value if isinstance(pip, Index) else pip
    if isinstance(name, bytearray) and grow_name:
        # Converting the pip changes the name it comes after: the name passed is the one sampled.
        pip = Index(int(pip_value) if isinstance(pip_value, int) else 0, effect=lambda: name.extend(b"x" * 5000))
        pip_value = pip.value
    refused = (name_bytes is REFUSED or type(pip_value) not in (int, bool)
               or not -(2**31) <= pip_value < 2**31)
    try:
        result = sample(name, pip).as_tuple()
    except TypeError:
        assert refused
        return
    except ValueError as error:
        assert not refused
        known = BUILTIN_NAMES + (["mine"] if in_library else [])
        assert name_bytes.decode("utf-8", "replace") not in known or not decodes(name_bytes)
        assert str(error) == UNKNOWN + visible(name_bytes)
        return
    assert not refused
    reference = library.sample(name_bytes.decode(), int(pip_value)) if in_library else \
        pivolet.sample(name_bytes.decode(), int(pip_value))
    assert result == reference.as_tuple()


def outcome(build, summarise):
    """What a construction gives, comparable across arguments: a summary, or the failure (a
    TypeError's message names the arguments, so only its type is kept)."""
    try:
        return summarise(build())
    except TypeError:
        return TypeError
    except (ValueError, Raised) as error:
        return type(error), str(error)


AXES = st.lists(st.sampled_from(["x", "y", "z", "Bad", "", "x"]), max_size=4)
RECORDING_ROWS = st.lists(st.lists(st.one_of(st.floats(-1.0, 1.0), st.sampled_from([2.0, math.nan, "0.5"])),
                                   max_size=4), max_size=4)


@FUZZ
@given(axes=AXES, rows=RECORDING_ROWS, axes_kind=st.sampled_from(SOUND_KINDS),
       rows_kind=st.sampled_from(SOUND_KINDS), row_kinds=st.lists(st.sampled_from(SOUND_KINDS), min_size=4, max_size=4),
       lengths=st.lists(st.integers(0, 2**62), min_size=1, max_size=3))
def test_recording_reads_any_container_as_a_list_of_its_items(axes, rows, axes_kind, rows_kind, row_kinds, lengths):
    def summarise(recording):
        return recording.dimensions, [recording.sample(pip) for pip in range(recording.sample_count)]

    plain = outcome(lambda: pivolet.SampledRecording("take", list(axes), [list(row) for row in rows], 120), summarise)
    hostile_rows = Container(rows_kind, [Container(kind, row, lengths) for kind, row in zip(row_kinds, rows)], lengths)
    hostile = outcome(lambda: pivolet.SampledRecording("take", Container(axes_kind, axes, lengths).make(),
                                                       hostile_rows.make(), 120), summarise)
    assert hostile == plain


OFFERED = st.lists(st.one_of(st.sampled_from(["one", "two", "bounce"]).map(
    lambda name: pivolet.SampledPattern(name, "user pattern", [(0.5, 0.0, 0.0)])),
    st.just(pivolet.SampledPattern.__new__(pivolet.SampledPattern)), st.just(None)), max_size=4)


@FUZZ
@given(patterns=OFFERED, kind=st.sampled_from(SOUND_KINDS), lengths=st.lists(st.integers(0, 2**62), min_size=1))
def test_library_reads_any_container_as_a_list_of_its_patterns(patterns, kind, lengths):
    def summarise(library):
        return library.catalogue()[len(BUILTIN_NAMES):]

    assert outcome(lambda: pivolet.PatternLibrary(Container(kind, patterns, lengths).make()), summarise) == \
        outcome(lambda: pivolet.PatternLibrary(list(patterns)), summarise)
