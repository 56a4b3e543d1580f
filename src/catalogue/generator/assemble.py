"""Runs the families' builders over the table: each member's exact rule where it has one and its
family's authored builder for the others, optionally in a pool of worker processes, and rounds their
raw loops into stored blocks.

The work is split by family, and each family's blocks depend only on that family's code, so the
result is the same for any number of workers.
"""

from __future__ import annotations

import multiprocessing
import traceback
from array import array
from typing import Dict, Iterable, List, Optional, Sequence, Tuple

from .family import Family
from .model import Entry, Loop
from .shaping import round12
from .table import ENTRIES, FAMILIES, FAMILY_ORDER, entries_of

NOT_COVERED = "{name}: no exact rule or authored builder generates this entry"
UNKNOWN_RULE = "{key}: an exact rule of the family {family} names none of its members"
UNKNOWN_SELECTED_FAMILY = "{family}: not a family of the catalogue"
WRONG_LOOP_COUNT = "{family}: its authored builder returned {count} loops for {expected} entries"
WRONG_SAMPLE_COUNT = "{name}: generated {count} samples, not one for each of its {period} pips"
WRONG_SAMPLE_SIZE = "{name}: sample of pip {pip} has {count} values, not x, y and z"
GENERATOR_FAILED = "{name}: failed with {error}\n{trace}"


class GenerationError(RuntimeError):
    """A builder is missing, names no member, failed or returned a loop of the wrong shape."""


def check_coverage(families: Iterable[Family]) -> None:
    """Every exact rule names a member, and every member has an exact rule or an authored builder."""
    for family in families:
        members = {member.name for member in family.members}
        for key in family.exact:
            if key not in members:
                raise GenerationError(UNKNOWN_RULE.format(key=key, family=family.prefix))
        if family.authored is None:
            for entry in entries_of(family.prefix):
                if entry.member not in family.exact:
                    raise GenerationError(NOT_COVERED.format(name=entry.name))


def selected_families(only: Optional[Sequence[str]]) -> List[str]:
    """The chosen families in table order; all of them when none are named."""
    if not only:
        return list(FAMILY_ORDER)
    for family in only:
        if family not in FAMILY_ORDER:
            raise GenerationError(UNKNOWN_SELECTED_FAMILY.format(family=family))
    return [family for family in FAMILY_ORDER if family in only]


def stored_block(entry: Entry, loop: Loop) -> array:
    """A raw loop rounded to 12 decimals and flattened into the block the store holds."""
    if len(loop) != entry.period_pips:
        raise GenerationError(WRONG_SAMPLE_COUNT.format(name=entry.name, count=len(loop), period=entry.period_pips))
    block = array("d")
    for pip, sample in enumerate(loop):
        if len(sample) != 3:
            raise GenerationError(WRONG_SAMPLE_SIZE.format(name=entry.name, pip=pip, count=len(sample)))
        block.extend(round12(value) for value in sample)
    return block


def _failure(name: str, error: BaseException) -> GenerationError:
    return GenerationError(GENERATOR_FAILED.format(name=name, error=f"{type(error).__name__}: {error}", trace=traceback.format_exc()))


def generate_family(family: Family) -> List[Tuple[int, array]]:
    """The stored blocks of one family's entries, by table index."""
    check_coverage((family,))
    blocks: List[Tuple[int, array]] = []
    authored: List[Entry] = []
    for entry in entries_of(family.prefix):
        rule = family.exact.get(entry.member)
        if rule is None:
            authored.append(entry)
            continue
        try:
            loop = rule(entry)
        except Exception as error:  # a generator bug: report it with the entry's name
            raise _failure(entry.name, error) from error
        blocks.append((entry.index, stored_block(entry, loop)))
    if family.authored is not None and authored:
        try:
            loops = list(family.authored(authored))
        except Exception as error:
            raise _failure(f"family {family.prefix}", error) from error
        if len(loops) != len(authored):
            raise GenerationError(WRONG_LOOP_COUNT.format(family=family.prefix, count=len(loops), expected=len(authored)))
        blocks.extend((entry.index, stored_block(entry, loop)) for entry, loop in zip(authored, loops))
    return blocks


def _generate_by_prefix(prefix: str) -> List[Tuple[int, array]]:
    """What a worker process runs for one family: it finds the family in its own copy of the table."""
    return generate_family(FAMILIES[prefix])


def _sample_count(family: str) -> int:
    return sum(entry.period_pips for entry in entries_of(family))


def generate_blocks(families: Sequence[str], jobs: int) -> Dict[int, array]:
    """The stored blocks of every entry of the chosen families, by table index."""
    check_coverage(FAMILIES[prefix] for prefix in families)  # before any family starts
    blocks: Dict[int, array] = {}
    if jobs <= 1 or len(families) <= 1:
        for prefix in families:
            blocks.update(generate_family(FAMILIES[prefix]))
        return blocks
    # Largest families first, so that the long ones do not start last.
    ordered = sorted(families, key=_sample_count, reverse=True)
    with multiprocessing.get_context().Pool(processes=jobs) as pool:
        for family_blocks in pool.imap_unordered(_generate_by_prefix, ordered):
            blocks.update(family_blocks)
    return blocks


def chosen_entries(families: Sequence[str]) -> List[Entry]:
    """The entries of the chosen families in table order."""
    chosen = set(families)
    return [entry for entry in ENTRIES if entry.family in chosen]
