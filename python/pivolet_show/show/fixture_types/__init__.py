"""Fixture types read from the profile files lighting tools share: GDTF (`.gdtf`) and the QLC+
fixture library's definitions (`.qxf`). `load_fixture_type` reads one mode of one file into a
`FixtureType`; any problem is one ValueError naming the file and what is wrong with it."""

from __future__ import annotations

from pathlib import Path

from pivolet_show.show.fixture_types.model import Channel, FixtureType, HeadAxis

# The largest profile read, and the largest description.xml a GDTF archive may unpack to: real
# files stay far below, and a bigger one is taken for a mistake rather than read into memory.
MOST_PROFILE_BYTES = 64 * 1024 * 1024
SUFFIXES = (".gdtf", ".qxf")

PROBLEM_IN_FILE = "{path}: {problem}"
UNKNOWN_SUFFIX = "a fixture type is a .gdtf or .qxf file"
UNREADABLE = "cannot read the fixture type ({reason})"
TOO_LARGE = "the file holds more than {most} bytes, more than any fixture type"
NO_SUCH_MODE = "no mode named {mode!r} (modes: {modes})"
CHOOSE_A_MODE = "the fixture type has {count} modes; choose one (modes: {modes})"
NO_MODES = "the fixture type has no DMX mode"

__all__ = ["Channel", "FixtureType", "HeadAxis", "load_fixture_type"]


def _read_bytes(path: Path) -> bytes:
    try:
        with open(path, "rb") as file:
            data = file.read(MOST_PROFILE_BYTES + 1)
    except OSError as error:
        raise ValueError(UNREADABLE.format(reason=error.strerror or error)) from None
    if len(data) > MOST_PROFILE_BYTES:
        raise ValueError(TOO_LARGE.format(most=MOST_PROFILE_BYTES))
    return data


def _chosen_mode(names: list[str], mode: str | None) -> str:
    """The mode asked for, or the only one when none is; ValueError listing the modes otherwise."""
    listed = ", ".join(map(repr, names))
    if not names:
        raise ValueError(NO_MODES)
    if mode is None:
        if len(names) > 1:
            raise ValueError(CHOOSE_A_MODE.format(count=len(names), modes=listed))
        return names[0]
    if mode not in names:
        raise ValueError(NO_SUCH_MODE.format(mode=mode, modes=listed))
    return mode


def _load(path: Path, mode: str | None) -> FixtureType:
    suffix = path.suffix.lower()
    if suffix not in SUFFIXES:
        raise ValueError(UNKNOWN_SUFFIX)
    data = _read_bytes(path)
    if suffix == ".qxf":
        from pivolet_show.show.fixture_types import qxf

        root = qxf.parse(data)
        return qxf.read_mode(path, root, _chosen_mode(qxf.mode_names(root), mode))
    from pivolet_show.show.fixture_types import gdtf

    gdtf.description_root(data, MOST_PROFILE_BYTES)
    read = gdtf.fixture_type(data)
    return gdtf.read_mode(path, read, _chosen_mode(gdtf.mode_names(read), mode))


def load_fixture_type(path: Path, mode: str | None = None) -> FixtureType:
    """The mode `mode` of the fixture type in the file `path` (None: its only mode); ValueError
    whose message names the file and what is wrong."""
    try:
        return _load(path, mode)
    except ValueError as error:
        raise ValueError(PROBLEM_IN_FILE.format(path=path, problem=error)) from None
