"""Seeded, bounded fuzzing of show files: structures, types, sizes and nesting that a mistaken or
hostile file may hold, in TOML and in JSON, whole or cut and spliced. Every file either plays (for a
twentieth of a second, its outputs aimed at receivers of the test's own on the loopback) or is
refused with exit status 2 and exactly one error line, and never with a traceback.

Nothing a file says can send elsewhere: hosts and targets come from a list of the receivers' own
addresses and of texts refused before any lookup, and multicast is never turned on."""

import json
import math
import socket

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from show_commands import run_show

FUZZ = settings(max_examples=100, derandomize=True, deadline=None, database=None,
                suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])

SOURCES = ["bounce", "circle", "beat_house_classic_surge", "euclid_2_5", "nosuch", "bounse", "missing.csv", ""]
PLACEHOLDER_OSC, PLACEHOLDER_SACN = "<osc>", "<sacn port>"


def hostile(depth=3):
    """Any value a parser may hand over: scalars of every kind, long text, and nesting to a depth."""
    scalars = st.one_of(st.none(), st.booleans(), st.integers(min_value=-2**70, max_value=2**70),
                        st.sampled_from([0, 1, -1, 8, 65535, 65536, 2**31, 2**63]),
                        st.floats(allow_nan=True, allow_infinity=True),
                        st.text(st.characters(blacklist_categories=("Cs",)), max_size=20),
                        st.text("xy", min_size=400, max_size=3000))
    return st.recursive(scalars, lambda inner: st.one_of(st.lists(inner, max_size=4),
                                                         st.dictionaries(st.text(max_size=6), inner, max_size=4)),
                        max_leaves=12) if depth else scalars


def nested(leaf):
    """`leaf` inside lists (or tables) some levels deep, past the nesting limit at times."""
    return st.tuples(st.integers(0, 48), st.booleans(), leaf).map(
        lambda shape: _wrap(shape[2], shape[0], shape[1]))


def _wrap(value, depth, tables):
    for _ in range(depth):
        value = {"a": value} if tables else [value]
    return value


FIXTURE = st.fixed_dictionaries({}, optional={
    "address": st.integers(1, 512), "universe": st.integers(1, 4), "invert": st.sampled_from(["x", "yz"]),
    "scale": st.floats(-3, 3), "phase": st.integers(-1000, 1000), "dimmer": st.sampled_from([0.5, "z"]),
    "layout": st.sampled_from([["pan", "tilt"], ["tilt", "tilt_fine", "pan", "pan_fine", "dimmer"]]),
})
GROUP = st.fixed_dictionaries({"source": st.sampled_from(SOURCES[:4] * 3 + ["wave"])}, optional={
    "fixtures": st.one_of(st.sampled_from([1, 2, 8, 130, 600]), st.lists(FIXTURE, min_size=1, max_size=4)),
    "order": st.sampled_from(["in_step", "spread", "mirror"]), "spread": st.one_of(st.integers(-64, 64), st.just("even")),
    "universe": st.integers(1, 3), "address": st.integers(1, 512), "rotate": st.floats(-720, 720),
    "pan_range": st.floats(1, 540), "tilt_limits": st.just([-60, 60]),
})
OSC = st.fixed_dictionaries({"target": st.just(PLACEHOLDER_OSC)}, optional={
    "fixtures": st.lists(st.one_of(st.integers(1, 3), st.just("1-3")), min_size=1, max_size=3),
    "max_datagram": st.integers(64, 2000), "fps": st.integers(1, 300), "prefix": st.just("/stage")})
SACN = st.fixed_dictionaries({"host": st.just("127.0.0.1"), "port": st.just(PLACEHOLDER_SACN)}, optional={
    "fps": st.integers(1, 44), "priority": st.integers(0, 200), "sync_universe": st.integers(1, 63999)})
# A show that is valid but for where it collides with itself (overlapping patches, a selection
# past the rig's end, a spread that is even across a recording).
SHOW = st.fixed_dictionaries({"groups": st.lists(GROUP, min_size=1, max_size=3)}, optional={
    "bpm": st.floats(0.001, 1000), "fps": st.integers(1, 120), "start_pip": st.integers(-2**31, 2**31 - 1),
    "interpolate": st.booleans(), "beats_per_bar": st.integers(1, 64),
    "sources": st.dictionaries(st.sampled_from(["wave", "spin"]), st.one_of(
        st.sampled_from(SOURCES[:4]), st.fixed_dictionaries({"source": st.sampled_from(SOURCES[:4])})), max_size=2),
    "osc": OSC, "sacn": SACN,
})
# What a mistake or an attack puts in place of a value, or beside it under a key of its own:
# anything, nested at times past the limit, and values that no address check lets through.
WRONG = st.one_of(hostile(), nested(hostile(0)), st.sampled_from(
    SOURCES[4:] + ["nohost", "127.0.0.1:0", "[::1]", ":9", "::1", 0, 70000, "x", "1-0", "sideways", "q"]))
MUTATIONS = st.lists(st.tuples(st.integers(0, 1000), st.booleans(), st.text(max_size=6), WRONG), max_size=3)


def slots(value):
    """Every table in `value`, nested ones included."""
    if isinstance(value, dict):
        yield value
    for item in (value.values() if isinstance(value, dict) else value if isinstance(value, list) else ()):
        yield from slots(item)


def mutated(show, mutations):
    """`show` with each mutation's value put in place of one of its values, or beside them under a new key."""
    for where, replace, key, value in mutations:
        tables = list(slots(show))
        table = tables[where % len(tables)]
        keys = sorted(table)
        if replace and keys:
            key = keys[where % len(keys)]
        if key not in ("multicast", "host", "target", "port"):  # nothing a file says may send elsewhere
            table[key] = value
    return show


def toml_value(value):
    """`value` as TOML, every table inline; TOML has no null, so a None is left out."""
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, float):
        return ("-" if value < 0 else "") + "inf" if math.isinf(value) else "nan" if math.isnan(value) else repr(value)
    if isinstance(value, (int, str)):
        return json.dumps(value, ensure_ascii=False)
    if isinstance(value, list):
        return "[" + ", ".join(toml_value(item) for item in value if item is not None) + "]"
    return "{" + ", ".join(f"{json.dumps(key, ensure_ascii=False)} = {toml_value(item)}"
                           for key, item in value.items() if item is not None) + "}"


def toml_text(show):
    return "".join(f"{json.dumps(key)} = {toml_value(value)}\n" for key, value in show.items() if value is not None)


FILES = st.tuples(st.builds(mutated, SHOW, MUTATIONS), st.sampled_from(["toml", "json"]),
                  st.one_of(st.none(), st.none(), st.tuples(st.integers(0, 10_000), st.integers(0, 40), st.text(max_size=8))))


@pytest.fixture(scope="module")
def receivers():
    sockets = [socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2)]
    for udp in sockets:
        udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
        udp.bind(("127.0.0.1", 0))
    yield [udp.getsockname()[1] for udp in sockets]
    for udp in sockets:
        udp.close()


@FUZZ
@given(case=FILES)
def test_a_show_file_plays_or_is_refused_with_one_line(receivers, tmp_path_factory, case):
    show, kind, splice = case
    osc_port, sacn_port = receivers
    text = (toml_text(show) if kind == "toml" else json.dumps(show, ensure_ascii=False))
    text = text.replace(json.dumps(PLACEHOLDER_OSC), json.dumps(f"127.0.0.1:{osc_port}"))
    text = text.replace(json.dumps(PLACEHOLDER_SACN), str(sacn_port))
    if splice is not None:  # cut the text somewhere, and put something else there
        at, cut, inserted = splice
        at = at % (len(text) + 1)
        text = text[:at] + inserted + text[at + cut:]
    path = tmp_path_factory.mktemp("fuzz") / f"rig.{kind}"
    path.write_text(text, encoding="utf-8")
    finished = run_show("play", "--rig", path, "--seconds", "0.05", "--quiet")
    assert "Traceback" not in finished.err
    errors = [line for line in finished.err.splitlines() if ": error: " in line]
    if finished.status == 0:
        assert errors == []
    else:
        assert finished.status == 2 and len(errors) == 1, finished.err[-2000:]
        assert errors[0].startswith(f"python -m pivolet_show play: error: {path}")
