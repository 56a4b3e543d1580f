"""The `[[cues]]` of a show file and the names of its groups, read and checked:

    [[groups]]
    name = "wash"             # default: the group's place, "1", "2", ...

    [[cues]]
    name = "verse"
    groups.wash = { source = "circle", size = 0.6 }

    [[cues]]
    name = "drop"
    groups.wash = { source = "path_lissajous_2_3", fade = 2, speed = 2, restart = false }

A cue's entry for a group may give `source` (a name from [sources] or any source the command line
could name; left out, the group's source as it plays), `size`, `speed`, `spread`, `order`, `fade`,
`restart` and `home`. Each problem is reported at its place (`cues[2].groups.wash.speed`).
"""

from __future__ import annotations

from collections.abc import Callable, Sequence

from pivolet_show.checks import suggestion
from pivolet_show.motion.sources import Source
from pivolet_show.show import cues
from pivolet_show.show.cues import Cue, GroupCue
from pivolet_show.show.file_table import Table, flag, text
from pivolet_show.show.fixtures import EVEN_SPREAD, NOT_A_SPREAD, FixtureOrder

CUE_KEYS = ("name", "groups")
GROUP_CUE_KEYS = ("source", "size", "speed", "spread", "order", "fade", "restart", "home")
MOST_CUES = 1024

REPEATED_NAME = "the name {name!r} is taken by {other}"
UNKNOWN_GROUP = "no group named {name!r} (groups: {known})"
NO_GROUPS = "a cue names at least one group"
TOO_MANY_CUES = "a show file holds at most {most} cues, not {count}"


def group_names(groups: Sequence[Table]) -> list[str]:
    """Each group's name, by default its place from "1"; names are unique."""
    found: dict[str, str] = {}
    for index, group in enumerate(groups, start=1):
        named = group.get("name", cues.address_name, str(index))
        if named in found:
            raise group.fail("name", REPEATED_NAME.format(name=named, other=found[named]))
        found[named] = group.where
    return list(found)


def spread(value: object) -> int | str:
    if value == EVEN_SPREAD or (isinstance(value, int) and not isinstance(value, bool)):
        return value  # type: ignore[return-value]
    raise ValueError(NOT_A_SPREAD.format(value=value))


def read_cues(top: Table, names: Sequence[str], source: Callable[[str, str], Source]) -> tuple[Cue, ...]:
    """The cues of the show file's top table, in order; `source(name, where)` finds a source a cue
    names."""
    tables = top.tables("cues", CUE_KEYS)
    if len(tables) > MOST_CUES:
        raise top.fail("cues", TOO_MANY_CUES.format(most=MOST_CUES, count=len(tables)))
    found: dict[str, str] = {}
    read = []
    for table in tables:
        named = table.required("name", "text", cues.name)
        if named in found:
            raise table.fail("name", REPEATED_NAME.format(name=named, other=found[named]))
        found[named] = table.where
        entries = table.table("groups", None)
        if entries is None or not entries.data:
            raise table.fail("groups", NO_GROUPS)
        asked = []
        for group in entries.data:
            if group not in names:
                raise entries.fail(group, UNKNOWN_GROUP.format(name=group, known=", ".join(names))
                                   + suggestion(group, names))
            asked.append((group, _group_cue(entries.table(group, GROUP_CUE_KEYS), source)))  # type: ignore[arg-type]
        read.append(Cue(named, tuple(asked)))
    return tuple(read)


def _group_cue(entry: Table, source: Callable[[str, str], Source]) -> GroupCue:
    named = entry.get("source", text)
    home = entry.get("home", flag, False)
    if home and named is not None:
        raise entry.fail("home", cues.HOME_AND_SOURCE)
    return GroupCue(
        source=None if named is None else source(named, entry.place("source")),
        size=entry.get("size", cues.size, 1.0),
        speed=entry.get("speed", cues.speed, GroupCue.speed),
        spread=entry.get("spread", spread),
        order=entry.get("order", lambda value: FixtureOrder.named(text(value))),
        fade_pips=entry.get("fade", cues.fade_pips, 0),
        restart=entry.get("restart", flag, True),
        home=home,
    )
