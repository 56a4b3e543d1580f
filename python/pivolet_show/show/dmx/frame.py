"""A frame of DMX: the fixtures' channel values laid into the slot data of their universes, as any
DMX-over-IP protocol sends them."""

from __future__ import annotations

from collections.abc import Sequence

from pivolet_show.show.dmx.patch import CHANNELS_PER_UNIVERSE, Patch
from pivolet_show.show.dmx.profile import DmxProfile
from pivolet_show.show.rig import FixtureState


class DmxFrameLayout:
    """Where each fixture's channels go: `universes` lists the universes the fixtures use, in order,
    and each fixture (in the order of the states to come) writes its channels into its universe's
    slots from its start address."""

    def __init__(self, patches: Sequence[Patch], profiles: Sequence[DmxProfile]):
        self.universes = tuple(sorted({patch.universe for patch in patches}))
        index_of = {universe: index for index, universe in enumerate(self.universes)}
        # Per fixture: its universe's index, the index of its first channel there, and its writer.
        self._slots = [(index_of[patch.universe], patch.address - 1, profile.writer())
                       for patch, profile in zip(patches, profiles)]

    def write(self, states: Sequence[FixtureState], frames: Sequence[bytearray], offset: int = 0) -> None:
        """Writes the fixtures' channels for `states` into `frames`, one buffer per universe in the
        order of `universes`, whose slot 1 is at `offset`; slots no fixture takes are left as they are."""
        for (index, start, write), state in zip(self._slots, states):
            write(frames[index], offset + start, state.position)

    def slot_data(self, states: Sequence[FixtureState]) -> list[bytearray]:
        """The 512 slots of each universe for `states`, unpatched slots at 0."""
        frames = [bytearray(CHANNELS_PER_UNIVERSE) for _ in self.universes]
        self.write(states, frames)
        return frames
