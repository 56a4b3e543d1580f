"""The motion as MIDI automation: a Standard MIDI File of one track, a control-change lane per
moving axis.

Each pip lands on a whole tick (the ticks per beat are a multiple of 64) and a lane has an event at a
pip only where its value changes, the first pip always. An axis value v in [-1, 1] is sent as
value7 = round((v + 1) / 2 * 127) on its controller; in 14-bit mode value14 = round((v + 1) / 2 *
16383) goes out as its upper seven bits on controller n and its lower seven on n + 32. A receiver
clears the lower part when the upper part arrives, so the lower part follows every upper part sent,
and alone it goes out when only it changes. Python's round() is used: halves go to the even side.
"""

from __future__ import annotations

import dataclasses
import io
from typing import TYPE_CHECKING

import pivolet

if TYPE_CHECKING:
    from pivolet_show.export.timeline import Timeline

DEFAULT_TICKS_PER_BEAT = 960
DEFAULT_CHANNEL = 1
DEFAULT_CONTROLLERS = (1, 2, 3)
CHANNELS = range(1, 17)
# Controllers 120 to 127 are channel mode messages; in 14-bit mode the upper part takes 0 to 31 and
# the lower part the controller 32 above it.
CONTROLLERS_7_BIT = range(0, 120)
CONTROLLERS_14_BIT = range(0, 32)
LOWER_PART_OFFSET = 32
# A file header keeps the ticks per beat in 15 bits; a tempo is a 24-bit count of microseconds.
LARGEST_TICKS_PER_BEAT = 0x7FFF
MICROSECONDS_PER_MINUTE = 60_000_000
LARGEST_TEMPO = 0xFFFFFF

TICKS_NOT_A_MULTIPLE = (f"the ticks per beat must be a multiple of {pivolet.PIPS_PER_BEAT} "
                        f"from {pivolet.PIPS_PER_BEAT} to {LARGEST_TICKS_PER_BEAT}, not {{ticks}}")
CHANNEL_OUT_OF_RANGE = "the MIDI channel is 1 to 16, not {channel}"
CONTROLLER_OUT_OF_RANGE = "controller {controller} is not one of {first} to {last}{why}"
FOURTEEN_BIT_WHY = " (in 14-bit mode each takes the controller 32 above it too)"
CONTROLLERS_REPEATED = "the controllers for x, y and z must differ, not {controllers}"
TEMPO_OUT_OF_RANGE = "a MIDI file holds tempos of {slowest:.4g} to {fastest} BPM, not {bpm:g}"


@dataclasses.dataclass(frozen=True)
class MidiSettings:
    ticks_per_beat: int = DEFAULT_TICKS_PER_BEAT
    channel: int = DEFAULT_CHANNEL  # as players count them, from 1
    controllers: tuple[int, int, int] = DEFAULT_CONTROLLERS  # for x, y and z
    fourteen_bit: bool = False

    def check(self) -> None:
        """ValueError naming the first setting that a MIDI file cannot carry."""
        ticks = self.ticks_per_beat
        if ticks % pivolet.PIPS_PER_BEAT or not 0 < ticks <= LARGEST_TICKS_PER_BEAT:
            raise ValueError(TICKS_NOT_A_MULTIPLE.format(ticks=ticks))
        if self.channel not in CHANNELS:
            raise ValueError(CHANNEL_OUT_OF_RANGE.format(channel=self.channel))
        allowed = CONTROLLERS_14_BIT if self.fourteen_bit else CONTROLLERS_7_BIT
        for controller in self.controllers:
            if controller not in allowed:
                raise ValueError(CONTROLLER_OUT_OF_RANGE.format(
                    controller=controller, first=allowed[0], last=allowed[-1],
                    why=FOURTEEN_BIT_WHY if self.fourteen_bit else ""))
        if len(set(self.controllers)) != len(self.controllers):
            raise ValueError(CONTROLLERS_REPEATED.format(controllers=", ".join(map(str, self.controllers))))


def value7(v: float) -> int:
    return round((v + 1) / 2 * 127)


def value14(v: float) -> int:
    return round((v + 1) / 2 * 16383)


def tempo_microseconds(bpm: float) -> int:
    tempo = round(MICROSECONDS_PER_MINUTE / bpm)
    if not 0 < tempo <= LARGEST_TEMPO:
        raise ValueError(TEMPO_OUT_OF_RANGE.format(slowest=MICROSECONDS_PER_MINUTE / LARGEST_TEMPO,
                                                   fastest=MICROSECONDS_PER_MINUTE, bpm=bpm))
    return tempo


def _lane_events(values: list[int], controller: int, fourteen_bit: bool) -> list[tuple[int, int, int]]:
    """(pip index, controller, value) for one lane, only where the sent value changes."""
    events = []
    previous: int | None = None
    for index, value in enumerate(values):
        if value == previous:
            continue
        if not fourteen_bit:
            events.append((index, controller, value))
        else:
            upper, lower = value >> 7, value & 0x7F
            if previous is None or upper != previous >> 7:
                events.append((index, controller, upper))
            events.append((index, controller + LOWER_PART_OFFSET, lower))
        previous = value
    return events


def render(timeline: Timeline, settings: MidiSettings = MidiSettings()) -> bytes:
    settings.check()
    tempo = tempo_microseconds(timeline.bpm)
    ticks_per_pip = settings.ticks_per_beat // pivolet.PIPS_PER_BEAT
    to_value = value14 if settings.fourteen_bit else value7
    events: list[tuple[int, int, int, int]] = []  # (pip index, lane, controller, value): sorted, lanes interleave
    for lane in range(timeline.moving_axes):
        values = [to_value(position[lane]) for position in timeline.positions]
        controller = settings.controllers[lane]
        events += [(index, lane, number, value)
                   for index, number, value in _lane_events(values, controller, settings.fourteen_bit)]
    events.sort(key=lambda event: event[:2])  # stable: a lane's upper part stays before its lower part

    import mido  # only a MIDI export pays for it

    track = mido.MidiTrack()
    track.append(mido.MetaMessage("track_name", name=timeline.name, time=0))
    track.append(mido.MetaMessage("set_tempo", tempo=tempo, time=0))
    tick = 0
    for index, _, controller, value in events:
        track.append(mido.Message("control_change", channel=settings.channel - 1, control=controller, value=value,
                                  time=index * ticks_per_pip - tick))
        tick = index * ticks_per_pip
    # The track lasts to the end of the last exported pip, so a looped clip keeps its length.
    track.append(mido.MetaMessage("end_of_track", time=len(timeline.positions) * ticks_per_pip - tick))
    midi = mido.MidiFile(type=0, ticks_per_beat=settings.ticks_per_beat)
    midi.tracks.append(track)
    out = io.BytesIO()
    midi.save(file=out)
    return out.getvalue()
