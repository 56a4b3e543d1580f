"""The `akwf` family: actual CC0 single-cycle audio waveforms, one value per pip, slowed to a
four-beat position loop on x."""

from __future__ import annotations

import json
from pathlib import Path
from typing import Dict, List

from ..builders.sampling import on_x
from ..family import Character, Family, Member, by_member
from ..model import Entry, Loop, Peaks
from ..shaping import scale_axes

AKWF_FILE = Path(__file__).resolve().parent.parent / "data" / "akwf_waveforms.json"
AKWF_WRONG_LENGTH = "an audio cycle must hold one value per pip of its entry: "

# member -> the waveform's key in the data file, which each description names
AKWF_KEYS = {
    "round_saw": "AKWF_R_asym_saw_05_256",
    "quick_return": "AKWF_R_asym_saw_15_256",
    "multi_lobe": "AKWF_0001_256",
    "plateau": "AKWF_0010_256",
}

MEMBERS = tuple(
    Member(member, 256, 1, f"{key}.h: an actual CC0 waveform slowed to a four-beat position loop.")
    for member, key in AKWF_KEYS.items()
)

PEAKS = Peaks.of("0.85", "0", "0")


def akwf_cycles() -> Dict[str, List[int]]:
    with AKWF_FILE.open(encoding="utf-8") as handle:
        return json.load(handle)["waveforms"]


def _akwf_member(entry: Entry) -> Loop:
    cycle = akwf_cycles()[AKWF_KEYS[entry.member]]
    if len(cycle) != entry.period_pips:
        raise ValueError(AKWF_WRONG_LENGTH + entry.name)
    return scale_axes([on_x(float(value)) for value in cycle], (PEAKS.x.highest(), 0.0, 0.0))


CHARACTER = Character()

FAMILY = Family(
    "akwf", MEMBERS, PEAKS, authored=by_member({member: _akwf_member for member in AKWF_KEYS}), character=CHARACTER
)
