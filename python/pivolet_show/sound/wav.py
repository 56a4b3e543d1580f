"""A simple synth that follows one pattern's motion, written as a 16-bit stereo WAV."""

from __future__ import annotations

import array
import math
import sys
import wave
from typing import BinaryIO

import pivolet

from pivolet_show.checks import tempo
from pivolet_show.motion.interpolation import between
from pivolet_show.motion.loops import Loop
from pivolet_show.sound import synth_mapping

SAMPLE_RATE_HZ = 22050
LOOPS_PLAYED = 4
# Filter, level and pan are recomputed every block of frames; the oscillator runs per frame.
CONTROL_BLOCK_FRAMES = 32
EDGE_FADE_SECONDS = 0.005  # no click from a sudden start or stop of the tone
FULL_SCALE = 32767


def duration_seconds(loop: Loop, bpm: float, loops: int = LOOPS_PLAYED) -> float:
    return loops * loop.period_pips / pivolet.PIPS_PER_BEAT * 60.0 / bpm


def _position(loop: Loop, pip_position: float) -> tuple[float, float, float]:
    """The position between two pips, linearly interpolated so the control signals do not step."""
    pip = math.floor(pip_position)
    fraction = pip_position - pip
    return between(loop.at(pip), loop.at(pip + 1), fraction)


def _lowpass_coefficients(cutoff_hz: float, rate: int) -> tuple[float, float, float, float, float]:
    # The usual biquad low-pass (as in the Audio EQ Cookbook), normalised by a0.
    w0 = 2.0 * math.pi * min(cutoff_hz, rate * 0.45) / rate
    alpha = math.sin(w0) / (2.0 * synth_mapping.FILTER_Q)
    cos_w0 = math.cos(w0)
    a0 = 1.0 + alpha
    b0 = (1.0 - cos_w0) / 2.0 / a0
    return b0, 2.0 * b0, b0, -2.0 * cos_w0 / a0, (1.0 - alpha) / a0


def _blep(phase: float, step: float) -> float:
    # Smooths the saw's reset so the oscillator does not alias audibly.
    if phase < step:
        t = phase / step
        return t + t - t * t - 1.0
    if phase > 1.0 - step:
        t = (phase - 1.0) / step
        return t * t + t + t + 1.0
    return 0.0


def _click(frequency_hz: float, rate: int) -> list[float]:
    length = int(synth_mapping.CLICK_LENGTH_SECONDS * rate)
    return [
        synth_mapping.CLICK_LEVEL
        * math.exp(-(n / rate) / synth_mapping.CLICK_DECAY_SECONDS)
        * math.sin(2.0 * math.pi * frequency_hz * n / rate)
        for n in range(length)
    ]


def _voice(loop: Loop, bpm: float, frame_count: int, rate: int) -> tuple[list[float], list[float]]:
    pips_per_frame = bpm / 60.0 * pivolet.PIPS_PER_BEAT / rate
    left = [0.0] * frame_count
    right = [0.0] * frame_count
    phase = 0.0
    x1 = x2 = y1 = y2 = 0.0  # filter memory
    for block_start in range(0, frame_count, CONTROL_BLOCK_FRAMES):
        x, y, z = _position(loop, block_start * pips_per_frame)
        step = synth_mapping.frequency(y) / rate
        b0, b1, b2, a1, a2 = _lowpass_coefficients(synth_mapping.cutoff(z), rate)
        level = synth_mapping.level(z)
        gain_left, gain_right = synth_mapping.pan_gains(x)
        gain_left *= level
        gain_right *= level
        for n in range(block_start, min(block_start + CONTROL_BLOCK_FRAMES, frame_count)):
            saw = 2.0 * phase - 1.0 - _blep(phase, step)
            phase += step
            if phase >= 1.0:
                phase -= 1.0
            filtered = b0 * saw + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
            x2, x1 = x1, saw
            y2, y1 = y1, filtered
            left[n] = filtered * gain_left
            right[n] = filtered * gain_right
    return left, right


def _fade_edges(channels: tuple[list[float], ...], rate: int) -> None:
    frames = len(channels[0])
    fade = min(int(EDGE_FADE_SECONDS * rate), frames // 2)
    for n in range(fade):
        gain = n / fade
        for channel in channels:
            channel[n] *= gain
            channel[frames - 1 - n] *= gain


def _add_beat_clicks(loop: Loop, bpm: float, channels: tuple[list[float], ...], rate: int) -> None:
    frames = len(channels[0])
    beat_click = _click(synth_mapping.CLICK_FREQUENCY_HZ, rate)
    loop_click = _click(synth_mapping.CLICK_LOOP_START_FREQUENCY_HZ, rate)
    # A centred click: the same equal-power gain on both sides.
    centre = math.sqrt(0.5)
    beat = 0
    while True:
        start = round(beat * 60.0 / bpm * rate)
        if start >= frames:
            break
        on_loop_start = (beat * pivolet.PIPS_PER_BEAT) % loop.period_pips == 0
        click = loop_click if on_loop_start else beat_click
        for offset, value in enumerate(click[: frames - start]):
            for channel in channels:
                channel[start + offset] += value * centre
        beat += 1


def render(loop: Loop, bpm: float, loops: int = LOOPS_PLAYED, rate: int = SAMPLE_RATE_HZ) -> tuple[list[float], list[float]]:
    """Left and right channels, in [-1, 1] before clipping, of `loops` loops at `bpm`."""
    tempo(bpm)
    frame_count = round(duration_seconds(loop, bpm, loops) * rate)
    left, right = _voice(loop, bpm, frame_count, rate)
    _fade_edges((left, right), rate)
    _add_beat_clicks(loop, bpm, (left, right), rate)
    return left, right


def _to_pcm(left: list[float], right: list[float]) -> bytes:
    interleaved = array.array("h", bytes(4 * len(left)))
    for n, (a, b) in enumerate(zip(left, right)):
        interleaved[2 * n] = round(max(-1.0, min(1.0, a)) * FULL_SCALE)
        interleaved[2 * n + 1] = round(max(-1.0, min(1.0, b)) * FULL_SCALE)
    if sys.byteorder != "little":
        interleaved.byteswap()
    return interleaved.tobytes()


def write_wav(loop: Loop, bpm: float, file: BinaryIO, loops: int = LOOPS_PLAYED, rate: int = SAMPLE_RATE_HZ) -> None:
    left, right = render(loop, bpm, loops, rate)
    with wave.open(file, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(_to_pcm(left, right))
