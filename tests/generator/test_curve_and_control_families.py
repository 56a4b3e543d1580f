"""Facts that the authored curve and control-shape families promise in their names and descriptions."""

from __future__ import annotations

import hashlib
import json
import math
from pathlib import Path
from typing import Dict, List

import pytest

from generator.assemble import chosen_entries, generate_blocks
from generator.checks import check_catalogue
from generator.families.gesture import GESTURES
from generator.families.groove import SIXTEENTH_PIPS, groove_gestures
from generator.families.noise import NOISE_MEMBERS
from generator.families.seq import segment_durations, seq_keys
from generator.families.spline import SPLINES
from generator.model import Entry, Loop
from generator.shaping import PIPS_PER_BEAT, round12
from generator.table import ENTRY_BY_NAME, FAMILIES, entries_of

SHAPE_FAMILIES = ("lfo", "ease", "akwf", "groove", "path", "wave", "env", "seq", "noise", "polar", "mech",
                  "gesture", "ribbon", "contour", "spline")
AKWF_FILE = Path(__file__).resolve().parents[2] / "src" / "catalogue" / "generator" / "data" / "akwf_waveforms.json"


def own_entries(family: str) -> List[Entry]:
    """The family's authored members, those without an exact rule."""
    return [entry for entry in entries_of(family) if entry.member not in FAMILIES[family].exact]


@pytest.fixture(scope="module")
def loops() -> Dict[str, Loop]:
    """Every member these families generate, rounded as the store keeps it."""
    stored: Dict[str, Loop] = {}
    for family in SHAPE_FAMILIES:
        entries = own_entries(family)
        for entry, loop in zip(entries, FAMILIES[family].authored(entries)):
            stored[entry.name] = [(round12(x), round12(y), round12(z)) for x, y, z in loop]
    return stored


def axis(loop: Loop, k: int) -> List[float]:
    return [sample[k] for sample in loop]


def local_maxima(values: List[float]) -> List[int]:
    """Pips where a periodic lane is higher than both neighbours (a flat top counts once, at its start)."""
    count = len(values)
    found = []
    for s in range(count):
        before, here = values[s - 1], values[s]
        ahead = next((values[(s + k) % count] for k in range(1, count) if values[(s + k) % count] != here), here)
        if here > before and here > ahead:
            found.append(s)
    return found


@pytest.mark.parametrize("family", SHAPE_FAMILIES)
def test_each_family_yields_one_loop_per_entry_and_the_store_checks_pass(family):
    entries = own_entries(family)
    raw = FAMILIES[family].authored(entries)
    assert [len(loop) for loop in raw] == [entry.period_pips for entry in entries]
    # together with the exact rule members of the same family: invariants, peak figures, distinct samples
    blocks = generate_blocks([family], jobs=1)
    check_catalogue(chosen_entries([family]), blocks, whole_store=False)


def test_an_unknown_member_is_refused():
    stray = Entry(0, "wave_made_up", "wave", "made_up", 512, 1, "none")
    with pytest.raises(KeyError, match="wave_made_up"):
        FAMILIES["wave"].authored([stray])


def test_envelopes_move_on_y_alone_and_rest_at_the_loop_boundary(loops):
    for entry in own_entries("env"):
        loop = loops[entry.name]
        assert all(x == 0.0 for x in axis(loop, 0)), entry.name
        assert any(y != 0.0 for y in axis(loop, 1)), entry.name
        assert loop[0][1] == 0.0 and loop[-1][1] == 0.0, entry.name


def test_double_pump_keeps_x_at_zero_and_pumps_twice_unequally(loops):
    loop = loops["lfo_double_pump"]
    assert all(x == 0.0 for x in axis(loop, 0))
    y = axis(loop, 1)
    crests = [y[s] for s in local_maxima(y)]
    assert len(crests) == 2 and crests[0] != crests[1]
    assert y[-64:] == [0.0] * 64  # the breathing space: the last beat is still


@pytest.mark.parametrize("name", ["lfo_surge", "lfo_soft_gate", "lfo_glide_stair", "lfo_pulse_hold"])
def test_single_axis_lfo_members_leave_y_and_z_at_zero(loops, name):
    loop = loops[name]
    assert all(y == 0.0 and z == 0.0 for _, y, z in loop)
    assert max(abs(x) for x in axis(loop, 0)) > 0.7


def test_glide_stair_climbs_five_held_steps(loops):
    x = axis(loops["lfo_glide_stair"], 0)
    levels = []
    for s in range(1, len(x)):
        if x[s] == x[s - 1] and (not levels or levels[-1] != x[s]):
            levels.append(x[s])
    rising = [b > a for a, b in zip(levels, levels[1:])]
    assert rising[:5] == [True] * 5 and len(levels) == 6


@pytest.mark.parametrize("entry", own_entries("seq"), ids=lambda e: e.member)
def test_seq_durations_are_even_or_lilting_and_every_position_is_held(loops, entry):
    durations = segment_durations(entry.member, entry.period_pips)
    assert sum(durations) == entry.period_pips
    if entry.member.endswith("_even"):
        assert len(set(durations)) == 1
    else:
        assert len(set(durations)) > 1 and durations[0] > durations[1]
    loop = loops[entry.name]
    keys = seq_keys(entry.member, entry.period_pips)
    for hold_start, hold_end in zip(keys[0::2], keys[1::2]):
        held = [loop[s] for s in range(math.ceil(hold_start.time), math.floor(hold_end.time) + 1)]
        assert len(held) > 8 and len(set(held)) == 1, (entry.name, hold_start.time)


def held_runs(lane: List[float]) -> List[tuple]:
    """(value, length) of every run of at least eight equal samples."""
    runs, start = [], 0
    for s in range(1, len(lane) + 1):
        if s == len(lane) or lane[s] != lane[start]:
            if s - start >= 8:
                runs.append((lane[start], s - start))
            start = s
    return runs


def test_even_and_lilt_sequences_hold_the_same_positions_for_different_times(loops):
    even = held_runs(axis(loops["seq_octave_even"], 0))
    lilt = held_runs(axis(loops["seq_octave_lilt"], 0))
    assert [value for value, _ in even] == [value for value, _ in lilt]
    assert len({length for _, length in even}) == 1
    assert len({length for _, length in lilt}) == 2


def centred_hashes(name: str, lane: str, count: int) -> List[float]:
    """The control values recomputed from SHA-256 here, independently of the generator's code."""
    values = []
    for i in range(count):
        digest = hashlib.sha256(f"{name}/{lane}/{i}".encode("ascii")).digest()
        values.append((int.from_bytes(digest[:8], "big") >> 12) / 2.0 ** 51 - 1.0)
    mean = sum(values) / count
    return [value - mean for value in values]


SEEDED_LANES = [
    (f"noise_{member}", lanes)
    for member, (kind, count, _) in NOISE_MEMBERS.items()
    if kind in ("drift", "depth")
    for lanes in [[("x", count), ("y", count)] + ([("z", count)] if kind == "depth" else [])]
] + [("lfo_seeded_drift", [("x", 8), ("y", 11)])]


@pytest.mark.parametrize("name, lanes", SEEDED_LANES, ids=[name for name, _ in SEEDED_LANES])
def test_seeded_lanes_pass_through_their_sha256_control_points(loops, name, lanes):
    loop = loops[name]
    period = len(loop)
    for k, (lane, count) in enumerate(lanes):
        expected = centred_hashes(name, lane, count)
        at_knots = [loop[(i * period) // count][k] for i in range(count)]
        # one common factor scales the whole lane, so each knot is its hashed value times that factor
        factor = at_knots[0] / expected[0]
        assert factor > 0.0
        for got, want in zip(at_knots, expected):
            assert got == pytest.approx(want * factor, rel=1e-10, abs=1e-11), (name, lane)


def test_the_two_drift_lanes_are_seeded_apart(loops):
    loop = loops["lfo_seeded_drift"]
    x, y = axis(loop, 0), axis(loop, 1)
    assert x != y and len(local_maxima(x)) != len(local_maxima(y))


@pytest.mark.parametrize("member, key", [
    ("round_saw", "AKWF_R_asym_saw_05_256"),
    ("quick_return", "AKWF_R_asym_saw_15_256"),
    ("multi_lobe", "AKWF_0001_256"),
    ("plateau", "AKWF_0010_256"),
])
def test_akwf_loops_are_the_data_cycles_scaled_to_the_peak(loops, member, key):
    cycle = json.loads(AKWF_FILE.read_text(encoding="utf-8"))["waveforms"][key]
    loop = loops[f"akwf_{member}"]
    largest = max(abs(value) for value in cycle)
    assert axis(loop, 0) == [round12(value * (0.85 / largest)) for value in cycle]
    assert max(abs(x) for x in axis(loop, 0)) == 0.85
    assert all(y == 0.0 and z == 0.0 for _, y, z in loop)


@pytest.mark.parametrize("excerpt", ["a", "b"])
def test_groove_grid_hits_sit_on_sixteenths_and_played_hits_do_not(excerpt):
    played = groove_gestures(f"{excerpt}_played", 512)
    grid = groove_gestures(f"{excerpt}_grid", 512)
    assert len(played) == len(grid) > 30
    for hit_played, hit_grid in zip(played, grid):
        assert hit_grid.time % SIXTEENTH_PIPS == 0.0
        assert hit_played.time % SIXTEENTH_PIPS != 0.0
        offset = (hit_played.time - hit_grid.time + 256.0) % 512.0 - 256.0
        assert 0.0 < abs(offset) < 3.0  # slightly early or late, never a different sixteenth
        assert hit_played.amplitude == hit_grid.amplitude


def test_only_the_b_excerpts_reach_the_bound(loops):
    reaching = sorted(name for name, loop in loops.items() if any(abs(v) == 1.0 for sample in loop for v in sample))
    assert reaching == ["groove_b_grid", "groove_b_played"]
    assert all(abs(x) < 1.0 for x in axis(loops["groove_a_played"], 0))


def test_elastic_is_a_decaying_windowed_oscillation_peaking_at_point_eight(loops):
    x = axis(loops["ease_elastic"], 0)
    assert max(abs(v) for v in x) == 0.8
    assert x[0] == 0.0 and abs(x[-1]) < 0.01
    crests = [x[s] for s in local_maxima(x)]
    largest = crests.index(max(crests))
    assert len(crests) >= 5
    assert all(a > b for a, b in zip(crests[largest:], crests[largest + 1:]))


def test_orbit_dwell_stops_at_the_boundary_and_is_fastest_opposite(loops):
    loop = loops["path_orbit_dwell"]
    x_peak, y_peak = max(abs(x) for x in axis(loop, 0)), max(abs(y) for y in axis(loop, 1))
    # the phase round the ellipse, read back from the samples
    phase = [math.atan2(y / y_peak, x / x_peak) for x, y, _ in loop]
    speeds = [abs(math.remainder(phase[(s + 1) % len(loop)] - phase[s], math.tau)) for s in range(len(loop))]
    assert speeds[0] < 0.001 * max(speeds) and speeds[-1] < 0.001 * max(speeds)
    assert abs(speeds.index(max(speeds)) - len(loop) // 2) <= 2
    assert loop[len(loop) // 2][0] < 0.0  # the fast passage is on the opposite side of the ellipse
    assert sum(speeds) == pytest.approx(math.tau)  # one full turn per loop


def test_scallops_never_cross_the_centre(loops):
    for entry in own_entries("polar"):
        assert entry.member.startswith("scallop_")
        closest = min(math.hypot(x, y) for x, y, _ in loops[entry.name])
        assert closest > 0.25, entry.name


@pytest.mark.parametrize("member, crests, floor", [
    ("folded", 2, 0.5), ("notched", 2, 0.5), ("unequal_peaks", 2, 0.3), ("double_fold", 3, 0.5),
    ("soft_teeth", 3, 0.5), ("soft_rectifier", 2, 0.5),
])
def test_wave_crest_counts_follow_their_labels(loops, member, crests, floor):
    x = axis(loops[f"wave_{member}"], 0)
    found = [x[s] for s in local_maxima(x) if x[s] > floor]
    assert len(found) == crests
    if member == "unequal_peaks":
        assert abs(found[0] - found[1]) > 0.2


def test_rounded_square_dwells_near_its_peaks(loops):
    x = axis(loops["wave_rounded_square"], 0)
    assert sum(1 for v in x if abs(v) > 0.75) > len(x) // 2


@pytest.mark.parametrize("member", ["cam_return", "escapement"])
def test_cams_and_escapements_hold_still_between_moves(loops, member):
    loop = loops[f"mech_{member}"]
    still = sum(1 for s in range(len(loop)) if loop[s] == loop[s - 1])
    assert still > len(loop) // 4


@pytest.mark.parametrize("table, family", [(GESTURES, "gesture"), (SPLINES, "spline")])
def test_pose_curves_pass_through_their_keys(loops, table, family):
    for member, (poses, _) in table.items():
        loop = loops[f"{family}_{member}"]
        dimensions = ENTRY_BY_NAME[f"{family}_{member}"].dimensions
        for k in range(dimensions):
            whole = [(round(PIPS_PER_BEAT * beat), pose[k]) for beat, pose in poses
                     if PIPS_PER_BEAT * beat == round(PIPS_PER_BEAT * beat) and pose[k] != 0.0]
            factors = {round(loop[s][k] / value, 9) for s, value in whole}
            assert len(factors) <= 1 and all(f > 0.0 for f in factors), (member, k)


def test_spline_controls_have_unequal_segment_times():
    for member, (poses, _) in SPLINES.items():
        beats = [beat for beat, _ in poses] + [8.0]
        spans = {round(b - a, 9) for a, b in zip(beats, beats[1:])}
        assert len(spans) > 1, member


def test_contour_bow_makes_top_and_bottom_unequal(loops):
    for entry in own_entries("contour"):
        y = axis(loops[entry.name], 1)
        assert abs(max(y) + min(y)) > 0.02, entry.name
