"""The catalogue table: the families in table order, and the entries assembled from their members.

Each family lives in a module of `families/` named after its prefix, which declares the family's
members and how they are made (see family.py). The table takes every family's members in their own
order, in the runs listed below: the first 52 entries interleave seven families, `lfo` and
`rhythm` in two runs each; from there on every family stands whole. Everything here is immutable
and built once at import.
"""

from __future__ import annotations

import importlib
from dataclasses import dataclass
from types import MappingProxyType
from typing import Dict, List, Mapping, Optional, Tuple

from .family import Family
from .model import Entry

FAMILY_PACKAGE = f"{__package__}.families"

NOT_A_FAMILY_RECORD = "{module}: FAMILY is not the record of the family {family}"
RUN_TOO_LONG = "{family}: a run of {count} members starts at member {start} of {total}"
MEMBERS_LEFT_OUT = "{family}: members from {name} on are in no run of the table"
DUPLICATE_NAME = "{name}: two entries of the table share this name"


@dataclass(frozen=True)
class Run:
    """The next `count` members of a family in the table, or all it has left when `count` is None."""

    family: str
    count: Optional[int] = None


TABLE_RUNS: Tuple[Run, ...] = (
    Run("lfo", 8),
    Run("rhythm", 4),
    Run("rudiment"),
    Run("ease"),
    Run("akwf"),
    Run("groove"),
    Run("lfo"),
    Run("path"),
    Run("rhythm"),
    Run("wave"),
    Run("env"),
    Run("seq"),
    Run("noise"),
    Run("orbit"),
    Run("weave"),
    Run("polar"),
    Run("spiro"),
    Run("space"),
    Run("mech"),
    Run("euclid"),
    Run("poly"),
    Run("meter"),
    Run("swing"),
    Run("stick"),
    Run("gesture"),
    Run("ribbon"),
    Run("contour"),
    Run("silhouette"),
    Run("spline"),
    Run("tour"),
    Run("scan"),
    Run("reach"),
    Run("surface"),
    Run("braid"),
    Run("arm"),
    Run("dwell"),
    Run("packet"),
    Run("canon"),
    Run("echo"),
    Run("ladder"),
    Run("necklace"),
    Run("accent_walk"),
    Run("triplet"),
    Run("dialogue"),
    Run("burst"),
    Run("beat"),
)

# Every family prefix in the order of its first entry in the table.
FAMILY_ORDER: Tuple[str, ...] = tuple(dict.fromkeys(run.family for run in TABLE_RUNS))


def load_family(prefix: str) -> Family:
    """The record that the family's module declares."""
    module_name = f"{FAMILY_PACKAGE}.{prefix}"
    family = importlib.import_module(module_name).FAMILY
    if not isinstance(family, Family) or family.prefix != prefix:
        raise ValueError(NOT_A_FAMILY_RECORD.format(module=module_name, family=prefix))
    return family


FAMILIES: Mapping[str, Family] = MappingProxyType({prefix: load_family(prefix) for prefix in FAMILY_ORDER})


def assemble(runs: Tuple[Run, ...], families: Mapping[str, Family]) -> Tuple[Entry, ...]:
    """The entries of the runs in order, each family's members taken in the family's own order."""
    taken: Dict[str, int] = {prefix: 0 for prefix in families}
    entries: List[Entry] = []
    for run in runs:
        members = families[run.family].members
        start = taken[run.family]
        count = len(members) - start if run.count is None else run.count
        if start + count > len(members):
            raise ValueError(RUN_TOO_LONG.format(family=run.family, count=count, start=start, total=len(members)))
        for member in members[start:start + count]:
            entries.append(Entry(len(entries), f"{run.family}_{member.name}", run.family, member.name,
                                 member.period_pips, member.dimensions, member.description))
        taken[run.family] = start + count
    for prefix, family in families.items():
        if taken[prefix] < len(family.members):
            raise ValueError(MEMBERS_LEFT_OUT.format(family=prefix, name=family.members[taken[prefix]].name))
    seen = set()
    for entry in entries:
        if entry.name in seen:
            raise ValueError(DUPLICATE_NAME.format(name=entry.name))
        seen.add(entry.name)
    return tuple(entries)


ENTRIES: Tuple[Entry, ...] = assemble(TABLE_RUNS, FAMILIES)
ENTRY_BY_NAME: Mapping[str, Entry] = MappingProxyType({entry.name: entry for entry in ENTRIES})


def entries_of(prefix: str) -> List[Entry]:
    """The entries of one family, in table order."""
    return [entry for entry in ENTRIES if entry.family == prefix]
