"""GDTF fixture types (`.gdtf`: a zip holding `description.xml`), read with pygdtf.

A DMX mode lists DMX channels; a channel of several bytes is one channel with several offsets
(`Offset="1,2"`, coarse first). A channel is known by its attribute (`Pan`, `Tilt`, `Dimmer`,
`Shutter1`, `ColorAdd_R`, ...), or by its geometry and attribute (`Head1_Dimmer`) where a mode has
the attribute more than once. A channel starts at the default of its initial function (older
files: the channel's own default, else its first function's). A default is written at a byte
count of its own (`128/1` on a 16-bit channel), and widens by repeating its last byte, as GDTF
says (`128/1` is 32896 on 16 bits). Pan and tilt take their degrees from the physical range of
their Pan and Tilt functions, and their top speed from that range over its `RealFade`, the
seconds the head takes to cross it, where the file gives one.
"""

from __future__ import annotations

import collections
import io
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path
from typing import Any

from pivolet_show.show.fixture_types.model import Channel, FixtureType, HeadAxis

DESCRIPTION = "description.xml"
AXIS_ATTRIBUTES = {"pan": "Pan", "tilt": "Tilt"}
DIMMER_ATTRIBUTE = "Dimmer"
BROKEN_XML_NAME = "Original File Had Broken XML"  # pygdtf's stand-in for a file it could not parse
NO_FEATURE = "NoFeature"  # what pygdtf fills a gap between offsets with

NOT_A_ZIP = "not a GDTF file: a GDTF file is a zip archive holding description.xml"
NO_DESCRIPTION = "not a GDTF file: the archive holds no description.xml"
BROKEN_DESCRIPTION = "its description.xml is not well-formed XML ({reason})"
DESCRIPTION_TOO_LARGE = "its description.xml unpacks to {size} bytes, more than the {most} read"
NOT_READ = "pygdtf cannot read it ({reason})"
SEVERAL_BREAKS = "mode {mode!r} spans {count} DMX breaks; a fixture here takes one run of channels"


def description_root(data: bytes, most_bytes: int) -> ElementTree.Element:
    """The parsed description.xml of the archive `data`; ValueError if it is not a GDTF archive."""
    try:
        archive = zipfile.ZipFile(io.BytesIO(data))
    except zipfile.BadZipFile:
        raise ValueError(NOT_A_ZIP) from None
    with archive:
        try:
            info = archive.getinfo(DESCRIPTION)
        except KeyError:
            raise ValueError(NO_DESCRIPTION) from None
        if info.file_size > most_bytes:
            raise ValueError(DESCRIPTION_TOO_LARGE.format(size=info.file_size, most=most_bytes))
        try:
            text = archive.read(info)
        except (zipfile.BadZipFile, OSError, EOFError, RuntimeError) as error:
            raise ValueError(NOT_READ.format(reason=error)) from None
    try:
        return ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        raise ValueError(BROKEN_DESCRIPTION.format(reason=error)) from None


def fixture_type(data: bytes) -> Any:
    """pygdtf's reading of the archive `data` (already checked by `description_root`)."""
    import pygdtf  # only a GDTF file pays for it

    try:
        read = pygdtf.FixtureType(io.BytesIO(data))
    # pygdtf raises whatever its parsing runs into on a file it does not expect.
    except Exception as error:  # noqa: BLE001
        raise ValueError(NOT_READ.format(reason=f"{type(error).__name__}: {error}")) from None
    if read.name == BROKEN_XML_NAME:
        raise ValueError(NOT_READ.format(reason=BROKEN_XML_NAME.lower()))
    return read


def mode_names(read: Any) -> list[str]:
    return [str(mode.name) for mode in read.dmx_modes]


def widened(value: int, byte_count: int, width: int) -> int:
    """A DMX value written at `byte_count` bytes, on a channel `width` bytes wide: longer values
    drop their low bytes, shorter ones repeat their last byte (0x80 on two bytes is 0x8080)."""
    if byte_count > width:
        return value >> (8 * (byte_count - width))
    last = value & 0xFF
    for _ in range(width - byte_count):
        value = value << 8 | last
    return value


def _functions(channel: Any) -> list[Any]:
    return [function for logical in channel.logical_channels for function in logical.channel_functions]


def _starting_value(channel: Any) -> Any:
    """The DMX value the channel starts at: pygdtf fills `default` from the initial function or the
    channel's own (GDTF 1.0) default, and leaves a placeholder when neither is given."""
    if channel.initial_function or getattr(channel, "_has_default_attr", False):
        return channel.default
    functions = _functions(channel)
    return functions[0].default if functions else channel.default


def _head_axis(channel: Any, attribute: str, offsets: tuple[int, ...]) -> HeadAxis:
    function = next((each for each in _functions(channel) if str(each.attribute) == attribute), None)
    degrees = speed = None
    # pygdtf reads a missing physical range as 0 to 1; only a range the file gives is the head's.
    given = getattr(function, "_attr_keys", {"PhysicalFrom", "PhysicalTo"})
    if function is not None and {"PhysicalFrom", "PhysicalTo"} & set(given):
        low, high = float(function.physical_from.value), float(function.physical_to.value)
        if low != high:
            degrees = (low, high)
            if function.real_fade > 0:
                speed = abs(high - low) / float(function.real_fade)
    return HeadAxis(offsets, degrees, speed)


def read_mode(path: Path, read: Any, mode_name: str) -> FixtureType:
    """The mode `mode_name` (one of `mode_names(read)`) of pygdtf's reading `read` of `path`."""
    mode = next(mode for mode in read.dmx_modes if str(mode.name) == mode_name)
    real = [channel for channel in mode.dmx_channels if channel.offset and str(channel.attribute) != NO_FEATURE]
    breaks = {channel.dmx_break for channel in real}
    if len(breaks) > 1:
        raise ValueError(SEVERAL_BREAKS.format(mode=mode_name, count=len(breaks)))
    attributes = collections.Counter(str(channel.attribute) for channel in real)
    channels = []
    axes: dict[str, HeadAxis] = {}
    dimmer = None
    for channel in real:
        attribute = str(channel.attribute)
        offsets = tuple(offset - 1 for offset in channel.offset)
        start = _starting_value(channel)
        name = attribute if attributes[attribute] == 1 else f"{channel.geometry}_{attribute}"
        channels.append(Channel(name, offsets, widened(int(start.value), int(start.byte_count), len(offsets))))
        for role, wanted in AXIS_ATTRIBUTES.items():
            if attribute == wanted and role not in axes:
                axes[role] = _head_axis(channel, wanted, offsets[:2])
        if attribute == DIMMER_ATTRIBUTE and dimmer is None:
            dimmer = offsets[:2]
    footprint = 1 + max((offset for channel in channels for offset in channel.offsets), default=-1)
    name = " ".join(str(part) for part in (read.manufacturer, read.name) if part)
    return FixtureType(str(path), name, mode_name, footprint, tuple(channels),
                       pan=axes.get("pan"), tilt=axes.get("tilt"), dimmer=dimmer)
