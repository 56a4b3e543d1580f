"""Fixture definitions of the QLC+ fixture library (`.qxf`, XML), read with the standard library.

A definition lists its channels by name, then its modes, each the channels it uses in slot order.
Pan, tilt and the dimmer are found two ways, as the library marks them: by a channel's preset
(`Preset="PositionPan"`, `"PositionPanFine"`, ...) or, in older files, by its group and byte
(`<Group Byte="0">Pan</Group>`, byte 1 the fine half). A mode may mix both, and a group-marked
pan is sometimes a continuous-rotation channel beside the real one, so preset-marked channels win:
group-marked ones fill only a coarse or fine half no preset marks. The first in slot order wins.
`<Focus PanMax="540" TiltMax="270"/>` gives the whole travel in degrees (a mode's own `<Physical>`
overrides the fixture's; 0 means the file does not know), taken centred on 0. The files carry no
top speed.
"""

from __future__ import annotations

import xml.etree.ElementTree as ElementTree
from pathlib import Path

from pivolet_show.show.fixture_types.model import Channel, FixtureType, HeadAxis

NAMESPACE = "{http://www.qlcplus.org/FixtureDefinition}"
ROOT = NAMESPACE + "FixtureDefinition"
# role and byte (0 coarse, 1 fine) of each preset that marks pan, tilt or the dimmer
PRESET_ROLES = {
    "PositionPan": ("pan", 0), "PositionPanFine": ("pan", 1),
    "PositionTilt": ("tilt", 0), "PositionTiltFine": ("tilt", 1),
    "IntensityMasterDimmer": ("dimmer", 0), "IntensityMasterDimmerFine": ("dimmer", 1),
    "IntensityDimmer": ("dimmer", 0), "IntensityDimmerFine": ("dimmer", 1),
}
GROUP_ROLES = {"Pan": "pan", "Tilt": "tilt", "Intensity": "dimmer"}
HIGHEST_DEFAULT = 255

NOT_A_DEFINITION = "not a QLC+ fixture definition ({reason})"
WRONG_ROOT = "its root element is <{tag}>, not a QLC+ <FixtureDefinition>"
UNDEFINED_CHANNEL = "mode {mode!r} uses the channel {channel!r}, which the file does not define"
BAD_SLOT = "mode {mode!r} numbers its channels {numbers}, not 0 to {last} once each"
BAD_DEFAULT = "the channel {channel!r} starts at {value!r}, not a whole number from 0 to 255"
BAD_FOCUS = "the {what} of mode {mode!r} is {value!r}, not a number of degrees"


def _role(channel: ElementTree.Element) -> tuple[str, int, bool] | None:
    """(role, byte, marked by a preset) of a channel definition, or None if it plays no role."""
    preset = PRESET_ROLES.get(channel.get("Preset", ""))
    if preset is not None:
        return preset[0], preset[1], True
    group = channel.find(NAMESPACE + "Group")
    if group is None or group.text not in GROUP_ROLES:
        return None
    # An intensity group with a colour is a colour mixing channel, not the dimmer.
    if group.text == "Intensity" and channel.find(NAMESPACE + "Colour") is not None:
        return None
    byte = group.get("Byte", "0")
    return (GROUP_ROLES[group.text], int(byte), False) if byte in ("0", "1") else None


def _default(channel: ElementTree.Element) -> int:
    text = channel.get("Default", "0")
    try:
        value = int(text)
    except ValueError:
        value = -1
    if not 0 <= value <= HIGHEST_DEFAULT:
        raise ValueError(BAD_DEFAULT.format(channel=channel.get("Name"), value=text))
    return value


def _travel(root: ElementTree.Element, mode: ElementTree.Element, name: str, what: str) -> tuple[float, float] | None:
    focus = mode.find(f"{NAMESPACE}Physical/{NAMESPACE}Focus")
    if focus is None:
        focus = root.find(f"{NAMESPACE}Physical/{NAMESPACE}Focus")
    text = None if focus is None else focus.get(name)
    if text is None:
        return None
    try:
        degrees = float(text)
    except ValueError:
        raise ValueError(BAD_FOCUS.format(what=what, mode=mode.get("Name"), value=text)) from None
    return (-degrees / 2, degrees / 2) if degrees > 0 else None


def mode_names(root: ElementTree.Element) -> list[str]:
    return [mode.get("Name", "") for mode in root.findall(NAMESPACE + "Mode")]


def parse(data: bytes) -> ElementTree.Element:
    """The definition's root element; ValueError if the bytes are not one."""
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        raise ValueError(NOT_A_DEFINITION.format(reason=error)) from None
    if root.tag != ROOT:
        raise ValueError(WRONG_ROOT.format(tag=root.tag.replace(NAMESPACE, "")))
    return root


def read_mode(path: Path, root: ElementTree.Element, mode_name: str) -> FixtureType:
    """The mode `mode_name` (one of `mode_names(root)`) of the definition `root` read from `path`."""
    mode = next(mode for mode in root.findall(NAMESPACE + "Mode") if mode.get("Name", "") == mode_name)
    definitions = {channel.get("Name"): channel for channel in root.findall(NAMESPACE + "Channel")}
    used = mode.findall(NAMESPACE + "Channel")
    numbers = [int(written) if (written := slot.get("Number", "")).isdigit() else -1 for slot in used]
    if sorted(numbers) != list(range(len(used))):
        raise ValueError(BAD_SLOT.format(mode=mode_name, numbers=numbers, last=len(used) - 1))
    channels = []
    found: list[tuple[int, str, int, bool]] = []  # (slot, role, byte, marked by a preset)
    for number, slot in sorted(zip(numbers, used), key=lambda pair: pair[0]):
        definition = definitions.get(slot.text)
        if definition is None:
            raise ValueError(UNDEFINED_CHANNEL.format(mode=mode_name, channel=slot.text))
        channels.append(Channel(slot.text or "", (number,), _default(definition)))
        role = _role(definition)
        if role is not None:
            found.append((number, *role))
    # role -> [coarse slot, fine slot]: presets fill them first, groups only what is left
    halves: dict[str, list[int | None]] = {}
    for by_preset in (True, False):
        for number, name, byte, marked_by_preset in found:
            pair = halves.setdefault(name, [None, None])
            if marked_by_preset == by_preset and pair[byte] is None:
                pair[byte] = number
    roles = {name: (coarse,) if fine is None else (coarse, fine)
             for name, (coarse, fine) in halves.items() if coarse is not None}
    maker = root.findtext(NAMESPACE + "Manufacturer", "")
    model = root.findtext(NAMESPACE + "Model", "")
    pan = None if "pan" not in roles else HeadAxis(roles["pan"], _travel(root, mode, "PanMax", "pan travel"))
    tilt = None if "tilt" not in roles else HeadAxis(roles["tilt"], _travel(root, mode, "TiltMax", "tilt travel"))
    return FixtureType(str(path), f"{maker} {model}".strip(), mode_name, len(channels), tuple(channels),
                       pan=pan, tilt=tilt, dimmer=roles.get("dimmer"))
