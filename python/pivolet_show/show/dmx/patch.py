"""Where fixtures sit in DMX: a universe and a start address each, laid out one after another where
no place is given, and checked so that no fixture passes channel 512 or shares a channel.

Universes are numbered by the protocol that carries them (sACN from 1 to 63999, for one), so the
numbering is handed in by that protocol rather than fixed here.
"""

from __future__ import annotations

import dataclasses
from collections.abc import Sequence

from pivolet_show.checks import whole_number

CHANNELS_PER_UNIVERSE = 512

NOT_A_UNIVERSE = "a universe is a whole number from {first} to {last}, not {{value!r}}"
NOT_AN_ADDRESS = "a start address is a whole number from 1 to 512, not {value!r}"
PAST_CHANNEL_512 = "fixture {number} starts at channel {address} of universe {universe} and takes {count} channels, past channel 512"
CHANNELS_OVERLAP = ("fixture {number} (universe {universe}, channels {first}-{last}) overlaps fixture {other} "
                    "(channels {other_first}-{other_last})")
PAST_LAST_UNIVERSE = "the patch runs past universe {last} at fixture {number}"
TOO_MANY_UNIVERSES = "an output sends at most {most} universes; fixture {number} would take one more"
NOT_CARRIED = "{carrier} carries universes {first} to {last}, not universe {universe} of fixture {number}"

# Each universe is a packet a frame: more than this, at 44 frames a second, is past what one
# output sends in time.
MOST_UNIVERSES = 1024


class PatchError(ValueError):
    """A patch refused because of the fixture numbered `number`."""

    def __init__(self, message: str, number: int):
        super().__init__(message)
        self.number = number


@dataclasses.dataclass(frozen=True)
class UniverseNumbering:
    """The universes a protocol numbers, from `first` to `last`; `carrier` names the protocol."""

    first: int
    last: int
    carrier: str = "an output"

    def check(self, value: object) -> int:
        return whole_number(value, self.first, self.last, NOT_A_UNIVERSE.format(first=self.first, last=self.last))

    def widest(self, other: UniverseNumbering) -> UniverseNumbering:
        return UniverseNumbering(min(self.first, other.first), max(self.last, other.last))


def start_address(value: object) -> int:
    return whole_number(value, 1, CHANNELS_PER_UNIVERSE, NOT_AN_ADDRESS)


@dataclasses.dataclass(frozen=True)
class Patch:
    universe: int
    address: int  # the fixture's first channel, from 1


def check_patch(patches: Sequence[tuple[int, Patch, int]]) -> None:
    """Refuses fixtures (number, patch, channel count) that pass channel 512 or share a channel."""
    taken: dict[int, list[tuple[int, int, int]]] = {}
    for number, patch, count in patches:
        last = patch.address + count - 1
        if last > CHANNELS_PER_UNIVERSE:
            raise PatchError(PAST_CHANNEL_512.format(number=number, address=patch.address,
                                                     universe=patch.universe, count=count), number)
        for other, other_first, other_last in taken.setdefault(patch.universe, []):
            if patch.address <= other_last and other_first <= last:
                raise PatchError(CHANNELS_OVERLAP.format(number=number, universe=patch.universe, first=patch.address,
                                                         last=last, other=other, other_first=other_first,
                                                         other_last=other_last), number)
        taken[patch.universe].append((number, patch.address, last))


def patch_in_order(counts: Sequence[tuple[int, int | None, int | None, int]], numbering: UniverseNumbering,
                   first_universe: int | None = None) -> list[Patch]:
    """Patches for fixtures (number, universe or None, address or None, channel count) in order.

    A fixture without an address follows the one before it (the first starts at channel 1 of
    `first_universe`, by default the numbering's first, or of its own universe); if it would pass
    channel 512 it starts the next universe instead. A fixture given an address keeps it, and
    `check_patch` judges it. Every universe is checked against `numbering` (which names the output
    that carries it in a refusal), and no more than
    MOST_UNIVERSES are taken.
    """
    patches = []
    universe, address = numbering.first if first_universe is None else first_universe, 1
    taken: set[int] = set()
    for number, own_universe, own_address, count in counts:
        if own_universe is not None and own_universe != universe:
            universe, address = own_universe, 1
        if not numbering.first <= universe <= numbering.last:
            raise PatchError(NOT_CARRIED.format(carrier=numbering.carrier, first=numbering.first, last=numbering.last,
                                                universe=universe, number=number), number)
        if own_address is not None:
            address = own_address
        elif address + count - 1 > CHANNELS_PER_UNIVERSE:
            universe, address = universe + 1, 1
            if universe > numbering.last:
                raise PatchError(PAST_LAST_UNIVERSE.format(last=numbering.last, number=number), number)
        if universe not in taken:
            if len(taken) == MOST_UNIVERSES:
                raise PatchError(TOO_MANY_UNIVERSES.format(most=MOST_UNIVERSES, number=number), number)
            taken.add(universe)
        patches.append(Patch(universe, address))
        address += count
    return patches
