"""A frame of DMX: the fixtures' channel values laid into the slot data of their universes, as any
DMX-over-IP protocol sends them.

The universes are rows of one array of bytes, each row a protocol's whole packet or just its slots
(from `offset` on); the fixtures that share a channel profile are encoded together and written
into their slots with one indexed assignment, so a frame costs a few array operations per profile
rather than a call per fixture.
"""

from __future__ import annotations

from collections.abc import Sequence

import numpy as np

from pivolet_show.show.dmx.patch import CHANNELS_PER_UNIVERSE, Patch
from pivolet_show.show.dmx.profile import FULL_8_BIT, FULL_16_BIT, DmxProfile


class DmxFrameLayout:
    """Where each fixture's channels go: `universes` lists the universes the fixtures use, in order,
    and each fixture (in the order of the positions to come) writes its channels into its universe's
    slots from its start address."""

    def __init__(self, patches: Sequence[Patch], profiles: Sequence[DmxProfile]):
        self.universes = tuple(sorted({patch.universe for patch in patches}))
        index_of = {universe: index for index, universe in enumerate(self.universes)}
        members: dict[DmxProfile, list[int]] = {}
        for k, profile in enumerate(profiles):
            members.setdefault(profile, []).append(k)
        # Per profile: its fixtures, and each one's universe row and first slot (from 0).
        self._parts = [(profile, np.array(fixtures, dtype=np.intp),
                        np.array([index_of[patches[k].universe] for k in fixtures], dtype=np.intp),
                        np.array([patches[k].address - 1 for k in fixtures], dtype=np.intp))
                       for profile, fixtures in members.items()]
        self._targets: dict[tuple[int, int], list[np.ndarray]] = {}

    def _targets_for(self, row_length: int, offset: int) -> list[np.ndarray]:
        """Per profile, the index in the flattened rows of each of its fixtures' channels."""
        key = (row_length, offset)
        if key not in self._targets:
            self._targets[key] = [(rows * row_length + offset + first)[:, None] + np.arange(profile.channel_count)
                                  for profile, _, rows, first in self._parts]
        return self._targets[key]

    def highest_slots(self) -> list[int]:
        """The highest slot (from 1) a fixture takes in each universe, in the order of `universes`."""
        highest = [0] * len(self.universes)
        for profile, _, rows, first in self._parts:
            for row, start in zip(rows.tolist(), first.tolist()):
                highest[row] = max(highest[row], start + profile.channel_count)
        return highest

    def write(self, positions: np.ndarray, frames: np.ndarray, offset: int = 0, aims: np.ndarray | None = None,
              dark: bool = False) -> None:
        """Writes the fixtures' channels for `positions` (one row per fixture, and for the heads
        that aim one row of pan and tilt degrees each in `aims`) into `frames`, a C-contiguous uint8
        array with one row per universe in the order of `universes`, whose slot 1 is at `offset`,
        every dimmer at 0 when `dark`; slots no fixture takes are left as they are."""
        flat = frames.view()
        flat.shape = (-1,)  # refuses, rather than copies, rows that are not one block
        for (profile, fixtures, _, _), targets in zip(self._parts, self._targets_for(frames.shape[1], offset)):
            flat[targets] = channel_array(profile, positions[fixtures], None if aims is None else aims[fixtures],
                                           dark)

    def slot_data(self, positions: np.ndarray, aims: np.ndarray | None = None) -> np.ndarray:
        """The 512 slots of each universe for `positions`, one row per universe, unpatched slots at 0."""
        frames = np.zeros((len(self.universes), CHANNELS_PER_UNIVERSE), dtype=np.uint8)
        self.write(positions, frames, aims=aims)
        return frames


def channel_array(profile: DmxProfile, positions: np.ndarray, aims: np.ndarray | None = None,
                  dark: bool = False) -> np.ndarray:
    """The profile's `channel_values` for many positions at once (one row each, and for a head that
    aims one row of pan and tilt degrees each in `aims`), as one row of uint8 per position, the
    dimmer at 0 when `dark`. numpy's rint rounds halves to even as Python's round does, and every
    operation comes in the order of `sixteen_bit`, so the values are the same."""
    pan_coefficients, tilt_coefficients, indices = profile.encoding
    pan_values, tilt_values = positions[:, 0], positions[:, 1]
    if profile.aimed:
        assert aims is not None
        pan_values, tilt_values = profile.pan.on_travel(aims[:, 0]), profile.tilt.on_travel(aims[:, 1])
        pan_coefficients = (1.0, *pan_coefficients[1:])
        tilt_coefficients = (1.0, *tilt_coefficients[1:])
    columns = np.empty((len(positions), len(indices)), dtype=np.uint8)
    wanted = set(indices)
    if wanted & {0, 1}:
        pan = sixteen_bit_array(pan_values, *pan_coefficients)
        _put(columns, indices, 0, pan >> 8, pan & 0xFF)
    if wanted & {2, 3}:
        tilt = sixteen_bit_array(tilt_values, *tilt_coefficients)
        _put(columns, indices, 2, tilt >> 8, tilt & 0xFF)
    if wanted & {4, 5}:
        level = positions[:, 2] if isinstance(profile.dimmer, str) else np.full(len(positions), profile.dimmer * 2 - 1)
        level = np.full(len(positions), -1.0) if dark else np.minimum(np.maximum(level, -1.0), 1.0)
        if 5 in wanted:
            dimmer16 = np.rint((level + 1) / 2 * FULL_16_BIT).astype(np.int64)
            _put(columns, indices, 4, dimmer16 >> 8, dimmer16 & 0xFF)
        else:
            _put(columns, indices, 4, np.rint((level + 1) / 2 * FULL_8_BIT).astype(np.int64), None)
    for slot, index in enumerate(indices):
        if index is None:
            columns[:, slot] = profile.fixed_value(slot)
    return columns


def _put(columns: np.ndarray, indices: tuple[int | None, ...], coarse: int, high: np.ndarray,
         low: np.ndarray | None) -> None:
    """Writes a channel's coarse (and fine) values into the slots the layout gives them."""
    for index, values in ((coarse, high), (coarse + 1, low)):
        if values is not None and index in indices:
            columns[:, indices.index(index)] = values


def sixteen_bit_array(values: np.ndarray, scale: float, lowest: float, highest: float) -> np.ndarray:
    """`profile.sixteen_bit` of every value, as int64."""
    on_travel = np.minimum(np.maximum(values * scale, lowest), highest)
    return np.rint((on_travel + 1) / 2 * FULL_16_BIT).astype(np.int64)
