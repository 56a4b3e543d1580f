"""The spatial path and rhythmic gesture families: stored loops keep the catalogue's invariants and
figures, and each member does what its name and its family's description promise."""

import math
from fractions import Fraction
from functools import lru_cache

import pytest

from generator import table
from generator.assemble import stored_block
from generator.checks import check_entry, check_peaks
from generator.families import arm, canon, echo, necklace, triplet
from generator.model import Entry
from generator.table import ENTRY_BY_NAME, FAMILIES

SPATIAL = ("tour", "scan", "reach", "surface", "braid", "arm", "dwell", "packet")
RHYTHMIC = ("canon", "echo", "ladder", "necklace", "accent_walk", "triplet", "dialogue", "burst")
BEAT = 64


@lru_cache(maxsize=None)
def stored_family(family):
    """name -> (entry, stored block, loop of (x, y, z)) for every member, as the store would hold them."""
    entries = table.entries_of(family)
    loops = FAMILIES[family].authored(entries)
    result = {}
    for entry, loop in zip(entries, loops):
        block = stored_block(entry, loop)
        samples = [tuple(block[3 * s:3 * s + 3]) for s in range(entry.period_pips)]
        result[entry.name] = (entry, block, samples)
    return result


def loop_of(name):
    return stored_family(ENTRY_BY_NAME[name].family)[name][2]


def names_of(family):
    return [entry.name for entry in table.entries_of(family)]


def gestures(loop, axes=(0, 1, 2), bridged=0):
    """The separate gestures of a loop on the given axes: (first pip, last pip, centre) of every run
    of samples that are non-zero on one of those axes, found around the loop. Runs apart by no more
    than `bridged` still samples count as one gesture (a path may pass through the centre)."""
    period = len(loop)
    moving = [any(loop[s][a] != 0.0 for a in axes) for s in range(period)]
    assert not all(moving), "no still sample: gestures cannot be told apart"
    origin = moving.index(False)
    runs = []
    start = None
    for offset in range(1, period + 1):
        s = (origin + offset) % period
        if moving[s] and start is None:
            start = origin + offset
        if not moving[s] and start is not None:
            last = origin + offset - 1
            runs.append((start % period, last % period, ((start + last) / 2) % period))
            start = None
    merged = []
    for run in sorted(runs, key=lambda run: (run[0] - runs[0][0]) % period):
        if merged and (run[0] - merged[-1][1] - 1) % period <= bridged:
            first, last = merged[-1][0], run[1]
            length = (last - first) % period
            merged[-1] = (first, last, (first + length / 2) % period)
        else:
            merged.append(run)
    if len(merged) > 1 and (merged[0][0] - merged[-1][1] - 1) % period <= bridged:
        first, last = merged[-1][0], merged.pop(0)[1]
        merged[-1] = (first, last, (first + ((last - first) % period) / 2) % period)
    return sorted(merged, key=lambda run: run[2])


def run_samples(loop, run):
    """The samples of one gesture, in order, also when it runs across the end of the loop."""
    first, last, _ = run
    end = last + 1 if last >= first else last + 1 + len(loop)
    return [loop[s % len(loop)] for s in range(first, end)]


def centres(loop, axes=(0, 1, 2)):
    return [centre for _, _, centre in gestures(loop, axes)]


def holds(loop, shortest):
    """Runs of at least `shortest` identical consecutive samples (around the loop): (first pip, length, sample)."""
    period = len(loop)
    origin = next(s for s in range(period) if loop[s] != loop[s - 1])
    runs = []
    s = 0
    while s < period:
        first = (origin + s) % period
        length = 1
        while s + length < period and loop[(origin + s + length) % period] == loop[first]:
            length += 1
        if length >= shortest:
            runs.append((first, length, loop[first]))
        s += length
    return runs


def winding(loop, centre=(0.0, 0.0)):
    """How many times the x-y projection of the loop turns around `centre`, counter-clockwise positive."""
    total = 0.0
    for s in range(len(loop)):
        ax, ay = loop[s - 1][0] - centre[0], loop[s - 1][1] - centre[1]
        bx, by = loop[s][0] - centre[0], loop[s][1] - centre[1]
        total += math.atan2(ax * by - ay * bx, ax * bx + ay * by)
    return round(total / (2 * math.pi))


# --- every family ------------------------------------------------------------------------------------


@pytest.mark.parametrize("family", SPATIAL + RHYTHMIC)
def test_every_member_keeps_the_store_invariants_and_the_family_reaches_its_figures(family):
    members = stored_family(family)
    assert [entry.name for entry, _, _ in members.values()] == names_of(family)
    for entry, block, _ in members.values():
        check_entry(entry, block)
    check_peaks(family, FAMILIES[family].peaks, [(entry, block) for entry, block, _ in members.values()])


@pytest.mark.parametrize("family", SPATIAL + RHYTHMIC)
def test_members_of_a_family_are_all_different(family):
    blocks = [bytes(block) for _, block, _ in stored_family(family).values()]
    assert len(set(blocks)) == len(blocks)


@pytest.mark.parametrize("family, member", [("necklace", "17"), ("dwell", "phrase_17"), ("arm", "coupled_00")])
def test_a_member_without_authored_parameters_is_refused(family, member):
    model = table.entries_of(family)[0]
    stranger = Entry(model.index, f"{family}_{member}", family, member, model.period_pips, model.dimensions,
                     model.description)
    with pytest.raises(ValueError, match=f"{family}_{member}"):
        FAMILIES[family].authored([stranger])


def test_a_dialogue_whose_period_disagrees_with_its_groups_is_refused():
    model = ENTRY_BY_NAME["dialogue_3_4_5"]
    wrong = Entry(model.index, model.name, model.family, model.member, 512, 3, model.description)
    with pytest.raises(ValueError, match="dialogue_3_4_5"):
        FAMILIES["dialogue"].authored([wrong])


# --- spatial paths -----------------------------------------------------------------------------------


@pytest.mark.parametrize("name", names_of("tour"))
def test_tour_dwells_at_n_vertices_visited_k_places_apart_with_alternating_dwells(name):
    n, k = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    dwells = holds(loop, shortest=8)
    assert len(dwells) == n
    # Around the outline (by angle) each next dwell lies k places further on, one way or the other.
    by_angle = sorted(range(n), key=lambda i: math.atan2(dwells[i][2][1], dwells[i][2][0]))
    place = {visit: position for position, visit in enumerate(by_angle)}
    steps = {(place[(i + 1) % n] - place[i]) % n for i in range(n)}
    assert steps in ({k}, {n - k})
    # Dwells alternate long and short in visiting order, starting with the long one at pip 0.
    in_order = sorted(dwells)
    long_dwells = [length for i, (_, length, _) in enumerate(in_order) if i % 2 == 0]
    short_dwells = [length for i, (_, length, _) in enumerate(in_order) if i % 2 == 1]
    assert min(long_dwells) > max(short_dwells)


@pytest.mark.parametrize("name", names_of("scan"))
def test_scan_sweeps_once_per_row_and_comes_back_to_its_start_from_outside(name):
    (rows,) = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    x0, y0, _ = loop[0]
    assert x0 < 0.0 < y0  # the scan starts at the upper left
    crossings = sum(1 for s in range(len(loop)) if (loop[s - 1][0] < 0.0) != (loop[s][0] < 0.0))
    # One crossing of x = 0 per row; ending on the right, the way back crosses once more over the top.
    assert crossings == rows + rows % 2
    start_distance = math.hypot(x0, y0)
    arrival = loop[-len(loop) // 40:]
    assert all(math.hypot(x, y) >= start_distance for x, y, _ in arrival)


@pytest.mark.parametrize("name", names_of("reach"))
def test_reach_leaves_and_settles_at_the_centre_once_per_reach(name):
    (n,) = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    rests = [run for run in holds(loop, shortest=2) if run[2] == (0.0, 0.0, 0.0)]
    assert len(rests) == n
    assert len(gestures(loop)) == n
    if "lift" in name:
        assert all(z >= 0.0 for _, _, z in loop) and max(z for _, _, z in loop) > 0.0


@pytest.mark.parametrize("name", names_of("surface"))
def test_surface_turns_round_its_axis_as_often_as_its_first_number(name):
    a, _ = ENTRY_BY_NAME[name].numbers()
    assert winding(loop_of(name)) == a


@pytest.mark.parametrize("low, wide", [(low, low.replace("_low", "_wide")) for low in names_of("surface") if low.endswith("_low")])
def test_wide_surface_paths_reach_further_in_depth_than_low_ones(low, wide):
    def depth_share(loop):
        return max(abs(z) for _, _, z in loop) / max(abs(x) for x, _, _ in loop)

    assert depth_share(loop_of(wide)) > depth_share(loop_of(low))


@pytest.mark.parametrize("name", names_of("braid"))
def test_braid_centreline_goes_round_as_often_as_its_first_number(name):
    a, _ = ENTRY_BY_NAME[name].numbers()
    assert winding(loop_of(name)) == a


@pytest.mark.parametrize("name", names_of("arm"))
def test_arm_follows_the_tip_of_two_links_driven_at_shoulder_and_elbow(name):
    entry = ENTRY_BY_NAME[name]
    drive = arm.ARM_DRIVES[entry.member]
    loop = loop_of(name)
    tips = []
    for s in range(entry.period_pips):
        angle = 2 * math.pi * s / entry.period_pips
        shoulder = drive.shoulder_mean + drive.shoulder_swing * math.sin(angle)
        elbow = drive.elbow_mean + drive.elbow_swing * math.sin(drive.elbow_rate * angle + drive.elbow_phase)
        tips.append((drive.upper * math.cos(shoulder) + drive.fore * math.cos(shoulder + elbow),
                     drive.upper * math.sin(shoulder) + drive.fore * math.sin(shoulder + elbow)))
    # The stored path is the tip path scaled on each axis; yawing members (in depth) turn x away.
    for axis in ((0, 1) if entry.dimensions == 2 else (1,)):
        widest = max(range(len(tips)), key=lambda s: abs(tips[s][axis]))
        factor = loop[widest][axis] / tips[widest][axis]
        assert factor > 0.0
        assert all(abs(loop[s][axis] - factor * tips[s][axis]) < 1e-9 for s in range(len(tips)))


@pytest.mark.parametrize("name", names_of("dwell"))
def test_dwell_holds_twice_for_unequal_whole_numbers_of_eighth_notes(name):
    loop = loop_of(name)
    held = [length for _, length, _ in holds(loop, shortest=16)]
    assert len(held) == 2
    assert held[0] != held[1]
    # A hold lasts a musical duration: whole eighth notes, give or take the pip where it begins and ends.
    assert all(abs(length - 32 * round(length / 32)) <= 1 for length in held)


@pytest.mark.parametrize("name", names_of("packet"))
def test_packet_members_are_separate_packets_of_their_kind(name):
    (n,) = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    packets = gestures(loop, bridged=2)
    assert len(packets) == n
    kind = ENTRY_BY_NAME[name].member.split("_")[0]
    if kind == "cascading":
        sizes = [max(abs(x) for x, _, _ in run_samples(loop, run)) for run in packets]
        assert sizes == sorted(sizes, reverse=True) and sizes[0] > sizes[-1]
    if kind == "crossing":
        for run in packets:
            sides = [y for _, y, _ in run_samples(loop, run)]
            assert min(sides) < 0.0 < max(sides)
    if kind in ("alternating", "depth"):
        sides = [sum(y for _, y, _ in run_samples(loop, run)) for run in packets]
        assert all(a * b < 0.0 for a, b in zip(sides, sides[1:]))
    assert any(z != 0.0 for _, _, z in loop) == (kind == "depth")


# --- rhythmic gesture studies -------------------------------------------------------------------------


@pytest.mark.parametrize("name", names_of("ladder"))
def test_ladder_regions_hold_as_many_gestures_as_their_numbers_with_accents_at_region_starts(name):
    counts = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    region = 2 * BEAT
    found = [0, 0, 0, 0]
    for centre in centres(loop):
        found[int((centre + 0.5) // region) % 4] += 1
    assert found == counts
    assert centres(loop, axes=(2,)) == [0.0, 128.0, 256.0, 384.0]


@pytest.mark.parametrize("name", names_of("necklace"))
def test_necklace_accents_go_one_side_their_complement_the_other_and_rising_accents_add_depth(name):
    word = necklace.NECKLACE_WORDS[ENTRY_BY_NAME[name].member]
    loop = loop_of(name)
    assert len(word) * 32 == len(loop)
    for step, letter in enumerate(word):
        x, _, z = loop[32 * step]
        assert (x > 0.0) == (letter == "1") and x != 0.0
        assert (z != 0.0) == (letter == "1" and word[step - 1] == "0")


def test_necklace_words_are_different_necklaces():
    turned = [min(word[i:] + word[:i] for i in range(len(word))) for word in necklace.NECKLACE_WORDS.values()]
    assert len(set(turned)) == len(turned) == 16


@pytest.mark.parametrize("name", names_of("accent_walk"))
def test_accent_walk_keeps_its_pulse_spacing_while_the_motif_moves_by_k_pulses_a_bar(name):
    n, k = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    spacing = len(loop) / (4 * n)
    pulses = centres(loop)
    assert len(pulses) == 4 * n
    assert all(abs(centre - i * spacing) <= 0.5 for i, centre in enumerate(pulses))
    accents = centres(loop, axes=(2,))
    expected = []
    for bar in range(4):
        first = (bar * k) % n
        expected += [(bar * n + first) * spacing, (bar * n + (first + 1) % n) * spacing]
    assert len(accents) == 8
    assert all(abs(a - b) <= 0.5 for a, b in zip(accents, sorted(expected)))


@pytest.mark.parametrize("name", names_of("triplet"))
def test_triplet_omissions_stay_silent_and_answers_fall_off_the_grid(name):
    number, manner = ENTRY_BY_NAME[name].member.split("_")
    word = triplet.TRIPLET_WORDS[number]
    halves = (word, word[-1] + word[:-1] if manner == "turnaround" else word)
    loop = loop_of(name)
    slot = BEAT / 3
    for half, letters in enumerate(halves):
        for place, letter in enumerate(letters):
            sample = loop[round((half * 12 + place) * slot)]
            assert (sample != (0.0, 0.0, 0.0)) == (letter == "1")
    off_grid = [c for c in centres(loop) if abs(c / slot - round(c / slot)) > 0.2]
    assert len(off_grid) == (word.count("0") * 2 if manner == "answer" else 0)


@pytest.mark.parametrize("name", names_of("dialogue"))
def test_dialogue_lasts_its_groups_and_hands_each_group_a_late_pickup_in_its_direction(name):
    lengths = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    assert len(loop) == 32 * sum(lengths)
    starts = [32 * sum(lengths[:g]) for g in range(len(lengths))]

    def direction(sample):
        x, _, z = sample
        return "depth" if abs(z) > abs(x) else ("right" if x > 0.0 else "left")

    for g, start in enumerate(starts):
        leading = direction(loop[start])
        assert direction(loop[start - 16]) == leading  # the pickup, a sixteenth early
        assert leading != direction(loop[starts[g - 1]])
    assert len(gestures(loop)) == sum(lengths) + len(lengths)


@pytest.mark.parametrize("name", names_of("burst"))
def test_burst_members_have_three_bursts_of_their_sizes_gaps_and_a_late_settling_accent(name):
    counts = ENTRY_BY_NAME[name].numbers()
    loop = loop_of(name)
    found = gestures(loop)
    assert len(found) == sum(counts) + 1
    sizes = []
    previous = None
    for first, last, _ in found[:-1]:
        if previous is None or first - previous > BEAT / 2:  # a gap of more than an eighth starts a burst
            sizes.append(0)
        sizes[-1] += 1
        previous = last
    assert sizes == counts
    settle_first, _, settle_centre = found[-1]
    assert settle_centre > 7 * BEAT and settle_first - found[-2][1] > BEAT
    deepest = max(range(len(loop)), key=lambda s: -loop[s][1])
    assert settle_first <= deepest


@pytest.mark.parametrize("name", names_of("echo"))
def test_echo_call_and_answer_repeat_the_same_fractional_spacing(name):
    entry = ENTRY_BY_NAME[name]
    kind = entry.member.split("_")[0]
    (count,) = entry.numbers()
    events = echo.echo_events(kind, count, entry.period_pips)
    call, answer = events[:count + 1], events[count + 1:]
    assert len(answer) == count + 1
    gaps = [b.beat - a.beat for a, b in zip(call, call[1:])]
    assert gaps == [b.beat - a.beat for a, b in zip(answer, answer[1:])]
    assert all(isinstance(gap, Fraction) for gap in gaps)
    if kind in ("regular", "crossed"):
        assert len(set(gaps)) == 1
    if kind == "shrinking":
        assert all(a > b for a, b in zip(gaps, gaps[1:]))
    if kind == "expanding":
        assert all(a < b for a, b in zip(gaps, gaps[1:]))
    if kind == "crossed":
        sides = [event.amplitude[0] > 0.0 for event in call]
        assert all(a != b for a, b in zip(sides, sides[1:]))
    # The loop sounds them: each half holds the call (or answer) and its echoes, getting softer.
    loop = loop_of(name)
    half = len(loop) // 2
    first_half = [run for run in gestures(loop) if run[2] < half]
    assert len(first_half) == count + 1
    loudness = [max(math.hypot(*sample) for sample in run_samples(loop, run)) for run in first_half]
    assert all(a > b for a, b in zip(loudness, loudness[1:]))
    # The answer leads with depth, the call with a lateral push.
    assert abs(loop[0][0]) > abs(loop[0][2]) and abs(loop[half][2]) > abs(loop[half][0])


@pytest.mark.parametrize("name", names_of("canon"))
def test_canon_depth_lane_enters_after_its_delay_and_the_second_half_response_is_inverted(name):
    number, entry_kind = ENTRY_BY_NAME[name].member.split("_")
    delay = canon.CANON_ENTRY_DELAYS[entry_kind]
    loop = loop_of(name)
    first_depth = next(s for s, (_, _, z) in enumerate(loop) if z != 0.0)
    assert BEAT * delay - canon.CANON_HALF_WIDTH < first_depth <= BEAT * delay
    assert (delay < 1) == (entry_kind == "close")
    for text, _, side in canon.CANON_MOTIFS[number]:
        at = Fraction(text)
        call = loop[round(BEAT * at)][0]
        response = loop[round(BEAT * (4 + delay + at))][0]
        assert call * side > 0.0 and response * side < 0.0
