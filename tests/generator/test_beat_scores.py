"""The drum scores behind the `beat` studies keep what their headlines and notes promise, and the
two bare-pulse studies follow their kick rule exactly."""

import dataclasses
import math
from fractions import Fraction

import pytest

from generator.assemble import generate_family
from generator.families.beat import study
from generator.families.beat.motions import MOTION_BY_KEY, MOTIONS, Drums, drums_of
from generator.families.beat.notation import BAR, STEP, grid, swing
from generator.families.beat.scores import SCORE_BY_STYLE, SCORES, Score
from generator.model import matches_figure
from generator.shaping import round12
from generator.table import ENTRY_BY_NAME, FAMILIES, entries_of

BEAT = 64
EIGHTH = 32


def score(style):
    return SCORE_BY_STYLE[style]


def bar_count(s):
    return s.period_pips // BAR


def positions(part, bar):
    """Sixteenth-note positions (0 to 15, fractions when off the grid) of the hits in one bar."""
    return [(h.time - bar * BAR) / STEP for h in part if bar * BAR <= h.time < (bar + 1) * BAR]


def main(part):
    return tuple(h for h in part if not h.ghost)


def on_grid(part):
    return all(h.time % STEP == 0 for h in part)


# --- The scores as a whole ----------------------------------------------------------------------


def test_one_score_per_style_in_style_order_with_the_style_period():
    assert len(SCORES) == len(SCORE_BY_STYLE) == 68
    assert (SCORES[0].style, SCORES[35].style, SCORES[36].style, SCORES[-1].style) == (
        "four_floor", "amapiano", "jersey_five", "dembow_push")
    periods = {s.style: s.period_pips for s in SCORES if s.period_pips != 2 * BAR}
    assert periods == {"four_floor": BAR, "techno_polymeter": 3 * BAR, "amen_four_bar": 4 * BAR,
                       "amen_no_ghosts": 4 * BAR, "jungle_switch": 4 * BAR}


def test_every_style_has_its_own_score():
    signatures = [tuple(s.parts()) for s in SCORES]
    assert len(set(signatures)) == len(SCORES)


@pytest.mark.parametrize("s", [s for s in SCORES if s.style != "four_floor"], ids=lambda s: s.style)
def test_every_genre_score_has_a_kick_and_a_backbeat_voice(s):
    assert s.kick and s.snare


@pytest.mark.parametrize("s", SCORES, ids=lambda s: s.style)
def test_velocities_are_levels_between_ghost_and_accent(s):
    for _, part in s.parts():
        assert all(0.0 < h.velocity <= 1.0 for h in part)


def test_a_score_refuses_a_hit_outside_its_loop():
    with pytest.raises(ValueError):
        Score("broken", "Broken / a hit after the loop", BAR, kick=grid("X", start=BAR))


def test_a_style_names_only_motions_of_the_motion_table():
    assert study(SCORES[0], MOTIONS[2]).dimensions == 2 and study(SCORES[1], MOTIONS[2]).dimensions == 3
    with pytest.raises(ValueError, match="four_floor hop"):
        study(dataclasses.replace(SCORES[0], two_dimensional_motions=("bounce", "hop")), MOTIONS[0])


def test_a_grid_refuses_a_bar_of_the_wrong_length():
    with pytest.raises(ValueError):
        grid("X...X...X...X..|X...X...X...X...")


# --- Four-on-the-floor foundations --------------------------------------------------------------


def test_four_floor_is_equal_quarter_note_kicks_only():
    s = score("four_floor")
    assert [h.time for h in s.kick] == [0, 64, 128, 192]
    assert len({h.velocity for h in s.kick}) == 1
    assert s.snare == s.hats == s.perc == s.bass == ()


QUARTER_KICK_STYLES = [
    "house_classic", "house_shuffle", "techno_drive", "techno_toms", "techno_polymeter", "ukg_four_four",
    "speed_garage", "bassline", "trance", "dembow", "disco", "amapiano", "afro_bell", "afro_cross",
    "reggae_steppers", "son_clave_32", "son_clave_23", "psy_rolling", "psy_offbeat", "hard_reverse",
    "italo_machine", "acid_percussion", "techno_rumble", "funky_toms", "amapiano_answer",
]


@pytest.mark.parametrize("style", QUARTER_KICK_STYLES)
def test_four_on_the_floor_styles_kick_every_quarter_note(style):
    s = score(style)
    quarters = set(range(0, s.period_pips, BEAT))
    assert quarters <= {h.time for h in s.kick}


@pytest.mark.parametrize("style", ["techno_broken", "electro", "electro_robot", "gqom_space", "gqom_exchange", "ukg_two_step", "dnb_two_step"])
def test_broken_kick_styles_leave_out_quarter_notes_and_kick_between_them(style):
    kicks = {h.time for h in score(style).kick}
    assert any(q not in kicks for q in range(0, score(style).period_pips, BEAT))
    assert any(t % BEAT != 0 for t in kicks)


BACKBEAT_STYLES = [
    "house_classic", "house_shuffle", "techno_drive", "ukg_two_step", "ukg_four_four", "speed_garage", "bassline",
    "dnb_two_step", "electro", "trance", "disco", "italo_machine", "acid_percussion", "jersey_five", "baile_toms",
]


@pytest.mark.parametrize("style", BACKBEAT_STYLES)
def test_backbeat_styles_put_snare_or_clap_on_2_and_4_of_every_bar(style):
    s = score(style)
    for bar in range(bar_count(s)):
        assert {4, 12} <= set(positions(main(s.snare), bar))


def test_house_classic_hats_sit_on_the_offbeats_only():
    hats = score("house_classic").hats
    assert hats and all(h.time % BEAT == EIGHTH for h in hats)


@pytest.mark.parametrize("style", ["house_shuffle", "house_jack", "ukg_two_step", "ukg_skip", "ukg_four_four", "broken_shuffle"])
def test_shuffled_styles_play_hats_off_the_straight_grid(style):
    assert not on_grid(score(style).hats)


def test_house_jack_turns_around_with_ghost_kicks_and_ghost_claps():
    s = score("house_jack")
    last_bar = [h for h in s.kick if h.time >= BAR]
    assert len(last_bar) > 4
    assert any(h.ghost for h in last_bar if h.time >= BAR + 3 * BEAT)
    assert any(h.ghost for h in s.snare)


def test_techno_drive_is_straight_sixteenth_hats_on_the_grid():
    hats = score("techno_drive").hats
    assert [h.time for h in hats] == list(range(0, 512, STEP))


def test_techno_toms_is_a_conversation_of_high_and_low_toms():
    toms = score("techno_toms").perc
    for bar in range(2):
        pitches = {h.pitch for h in toms if bar * BAR <= h.time < (bar + 1) * BAR}
        assert len(pitches) >= 2


def test_techno_polymeter_cycles_three_sixteenths_and_closes_after_three_bars():
    s = score("techno_polymeter")
    cycle = 3 * STEP
    figure = [(h.time, h.velocity) for h in s.perc]
    moved = sorted(((t + cycle) % s.period_pips, v) for t, v in figure)
    assert moved == figure  # the figure repeats every three sixteenths...
    by_bar = [[(t - bar * BAR, v) for t, v in figure if bar * BAR <= t < (bar + 1) * BAR] for bar in range(3)]
    assert by_bar[0] != by_bar[1] and by_bar[1] != by_bar[2]  # ...so each bar meets it at a new point
    assert s.period_pips == 3 * BAR and s.period_pips % cycle == 0


# --- Garage, bassline, grime --------------------------------------------------------------------


def test_ukg_two_step_puts_its_second_kick_on_the_and_of_3():
    s = score("ukg_two_step")
    for bar in range(2):
        kicks = positions(s.kick, bar)
        assert kicks[0] == 0 and kicks[1] == 10
        assert 4 not in kicks and 8 not in kicks and 12 not in kicks


def test_ukg_skip_answers_bar_one_with_a_different_kick_figure():
    s = score("ukg_skip")
    assert positions(s.kick, 0) != positions(s.kick, 1)
    assert any(p % 4 != 0 for p in positions(s.kick, 1))


@pytest.mark.parametrize("style", ["speed_garage", "trance", "psy_offbeat"])
def test_offbeat_bass_styles_play_bass_in_the_second_half_of_the_beat_mostly_on_the_and(style):
    bass = score(style).bass
    assert bass and all(h.time % BEAT >= EIGHTH for h in bass)
    on_the_and = [h for h in bass if h.time % BEAT == EIGHTH]
    assert len(on_the_and) * 2 > len(bass)


def test_bassline_hooks_jump_octaves_on_syncopated_sixteenths():
    bass = score("bassline").bass
    assert max(h.pitch for h in bass) - min(h.pitch for h in bass) >= 12
    assert any(h.time % EIGHTH == STEP for h in bass)


@pytest.mark.parametrize("style", ["grime_sparse", "grime_half", "dnb_half", "dubstep_half", "drill_tresillo", "trap_trills"])
def test_half_time_styles_put_the_snare_on_beat_3_only(style):
    s = score(style)
    for bar in range(bar_count(s)):
        assert positions(main(s.snare), bar) == [8]


def test_grime_sparse_is_square_cut_and_sparse():
    s = score("grime_sparse")
    assert all(on_grid(part) for _, part in s.parts())
    assert len(s.kick) <= 4


def test_grime_syncopated_moves_its_snare_off_the_beat():
    s = score("grime_syncopated")
    assert positions(main(s.snare), 0) != positions(main(s.snare), 1)
    assert any(p % 4 != 0 for bar in range(2) for p in positions(s.snare, bar))


def test_grime_half_leaves_the_most_space():
    counts = {s.style: sum(len(part) for _, part in s.parts()) for s in SCORES if s.style != "four_floor"}
    assert counts["grime_half"] == min(counts.values())


# --- Drill --------------------------------------------------------------------------------------


def test_drill_tresillo_groups_hats_three_three_two_on_a_straight_grid():
    hats = score("drill_tresillo").hats
    assert on_grid(hats)
    for bar in range(2):
        assert positions(hats, bar) == [0, 3, 6, 8, 11, 14]


def test_drill_displaced_snare_is_beat_3_then_beat_4():
    assert [h.time for h in score("drill_displaced").snare] == [2 * BEAT, BAR + 3 * BEAT]


def test_drill_rolls_adds_a_true_triplet_fill_to_the_grouped_hats():
    hats = score("drill_rolls").hats
    assert positions(hats, 0) == [0, 3, 6, 8, 11, 14]
    times = [h.time for h in hats]
    fill = [t for t in times if t >= BAR + 3 * BEAT]
    assert len(fill) == 6
    assert {b - a for a, b in zip(fill, fill[1:])} == {Fraction(BEAT, 6)}
    assert any(t % STEP != 0 for t in times)


# --- Amen, jungle, drum & bass ------------------------------------------------------------------


def test_amen_is_a_four_bar_structure_not_a_repeated_loop():
    s = score("amen_four_bar")
    kick_bars = [positions(s.kick, bar) for bar in range(4)]
    snare_bars = [positions(s.snare, bar) for bar in range(4)]
    assert kick_bars[0] == kick_bars[1] and snare_bars[0] == snare_bars[1]
    assert kick_bars[2] != kick_bars[0] and kick_bars[3] != kick_bars[0]
    assert snare_bars[2] != snare_bars[0] and snare_bars[3] != snare_bars[2]
    assert any(h.ghost for h in s.snare)


def test_amen_no_ghosts_removes_only_the_quiet_snares():
    full, bare = score("amen_four_bar"), score("amen_no_ghosts")
    assert bare.snare == tuple(h for h in full.snare if not h.ghost)
    assert len(bare.snare) < len(full.snare)
    assert (bare.kick, bare.hats, bare.perc, bare.bass) == (full.kick, full.hats, full.perc, full.bass)


def test_jungle_chops_rearranges_fragments_of_the_break():
    amen, chops = score("amen_four_bar"), score("jungle_chops")
    strokes = {(h.time % BEAT, h.velocity) for h in amen.snare}
    assert all((h.time % BEAT, h.velocity) in strokes for h in chops.snare)
    first_two_bars = tuple(h for h in amen.snare if h.time < 2 * BAR)
    assert chops.snare != first_two_bars


def test_jungle_ghosts_builds_a_swelling_snare_roll():
    snare = score("jungle_ghosts").snare
    run = [h for h in snare if h.time >= BAR + 13 * STEP]
    assert len(run) >= 4
    assert {b.time - a.time for a, b in zip(run, run[1:])} == {Fraction(8)}
    assert all(a.velocity < b.velocity for a, b in zip(run, run[1:]))
    assert sum(h.ghost for h in snare) >= 4


def test_jungle_switch_uses_fewer_main_snares_in_its_final_half():
    s = score("jungle_switch")
    first = [h for h in main(s.snare) if h.time < 2 * BAR]
    final = [h for h in main(s.snare) if h.time >= 2 * BAR]
    assert len(final) < len(first)
    assert positions(main(s.snare), 2) == positions(main(s.snare), 3) == [8]


def test_jungle_switchback_answers_bar_one_with_its_halves_switched():
    s = score("jungle_switchback")
    for part in (s.kick, s.snare):
        first_half = [t for t in positions(part, 0) if t < 8]
        assert [t - 8 for t in positions(part, 1) if t >= 8] == first_half
        assert [t + 8 for t in positions(part, 1) if t < 8] == [t for t in positions(part, 0) if t >= 8]


def test_dnb_two_step_kicks_on_1_and_the_and_of_3_under_a_2_and_4_snare():
    s = score("dnb_two_step")
    for bar in range(2):
        assert {0, 10} <= set(positions(s.kick, bar))
        assert positions(s.snare, bar) == [4, 12]


@pytest.mark.parametrize("style", ["dnb_rolling", "jungle_ghosts", "rave_breaks", "dnb_push"])
def test_rolling_styles_carry_ghost_snares_between_the_backbeats(style):
    ghosts = [h for h in score(style).snare if h.ghost]
    assert len(ghosts) >= 3
    assert all(h.time % BEAT != 0 for h in ghosts)


def test_dnb_push_picks_up_into_each_bar_with_a_last_sixteenth_kick():
    kicks = {h.time for h in score("dnb_push").kick}
    assert {BAR - STEP, 2 * BAR - STEP} <= kicks


# --- Dubstep, trap ------------------------------------------------------------------------------


def test_dubstep_half_anchors_one_kick_per_bar_on_beat_1():
    assert [h.time for h in score("dubstep_half").kick] == [0, BAR]


def test_trap_trills_roll_hats_in_thirty_seconds_and_triplets():
    times = [h.time for h in score("trap_trills").hats]
    gaps = {b - a for a, b in zip(times, times[1:])}
    assert Fraction(8) in gaps and Fraction(32, 3) in gaps


# --- Rave, electro and offshoots ----------------------------------------------------------------


def test_rave_breaks_lays_a_break_over_the_four_floor_kick():
    kicks = {h.time for h in score("rave_breaks").kick}
    assert set(range(0, 512, BEAT)) < kicks
    assert any(t % BEAT != 0 for t in kicks)


def test_psy_rolling_bass_fills_every_sixteenth_the_kick_leaves_free():
    s = score("psy_rolling")
    kicks = {h.time for h in s.kick}
    assert [h.time for h in s.bass] == [t for t in range(0, 512, STEP) if t not in kicks]


def test_hard_reverse_bass_enters_after_each_kick_and_swells_to_the_next():
    s = score("hard_reverse")
    for note in s.bass:
        assert note.time % BEAT == STEP
        assert note.time + note.length == (note.time // BEAT + 1) * BEAT


def test_techno_rumble_answers_each_kick_late_and_softer_in_the_low_end():
    s = score("techno_rumble")
    for kick in s.kick:
        answers = [h for h in s.bass if 0 < h.time - kick.time < BEAT]
        assert answers and all(h.velocity < kick.velocity for h in answers)
    assert all(h.time % BEAT != 0 for h in s.bass)


def test_acid_line_accents_some_sixteenths_of_a_pitched_line():
    bass = score("acid_percussion").bass
    assert {h.velocity for h in bass} == {0.55, 1.0}
    assert len({h.pitch for h in bass}) >= 4


def test_disco_accents_the_offbeat_open_hat_and_plays_octave_bass():
    s = score("disco")
    offbeat = [h.velocity for h in s.hats if h.time % BEAT == EIGHTH]
    other = [h.velocity for h in s.hats if h.time % BEAT != EIGHTH]
    assert min(offbeat) > max(other)
    assert {0, 12} <= {h.pitch for h in s.bass[:4]}


# --- Reggaeton and dancehall ---------------------------------------------------------------------


@pytest.mark.parametrize("style", ["dembow", "dembow_push"])
def test_dembow_styles_carry_the_dembow_figure_over_quarter_kicks(style):
    s = score(style)
    for bar in range(2):
        assert {3, 6, 11, 14} <= set(positions(s.snare, bar))
        assert {0, 4, 8, 12} <= set(positions(s.kick, bar))


def test_dembow_push_adds_a_pickup_answer_that_plain_dembow_lacks():
    plain, push = score("dembow"), score("dembow_push")
    assert len(push.snare) > len(plain.snare)
    assert any(h.time >= 2 * BAR - 3 * STEP for h in push.kick + push.snare if h.time % BEAT != 0)


def test_dancehall_space_replies_on_offbeats_only():
    assert all(h.time % BEAT == EIGHTH for h in score("dancehall_space").snare)


# --- Reggae and dub ------------------------------------------------------------------------------


def test_reggae_one_drop_drops_the_kick_on_beat_1_for_kick_and_rim_on_beat_3():
    s = score("reggae_one_drop")
    for bar in range(2):
        assert positions(s.kick, bar) == [8]
        assert 8 in positions(s.snare, bar)
    assert all(h.time % BAR != 0 for h in s.kick)


def test_reggae_steppers_kicks_every_beat_under_a_beat_3_rim():
    s = score("reggae_steppers")
    for bar in range(2):
        assert positions(s.kick, bar) == [0, 4, 8, 12]
        assert positions(s.snare, bar) == [8]


@pytest.mark.parametrize("style", ["reggae_one_drop", "reggae_steppers"])
def test_reggae_hats_swing_their_offbeat_eighths_onto_the_triplet(style):
    hats = score(style).hats
    offbeats = {h.time % BEAT for h in hats if h.time % BEAT != 0}
    assert offbeats == {Fraction(2 * BEAT, 3)}


def test_reggae_rockers_kicks_on_one_and_three():
    s = score("reggae_rockers")
    for bar in range(2):
        assert positions(s.kick, bar) == [0, 8]


# --- Latin clave, Afro house, gqom, baile funk ---------------------------------------------------


@pytest.mark.parametrize("style, three_side_first", [("son_clave_32", True), ("son_clave_23", False)])
def test_son_clave_styles_play_the_clave_in_their_direction(style, three_side_first):
    clave = score(style).perc
    three, two = [0, 6, 12], [4, 8]
    expected = (three, two) if three_side_first else (two, three)
    assert (positions(clave, 0), positions(clave, 1)) == expected


def test_afro_bell_weaves_a_bell_of_several_pitches_around_the_kick():
    s = score("afro_bell")
    kicks = {h.time for h in s.kick}
    assert len({h.pitch for h in s.perc}) == 3
    assert any(h.time not in kicks for h in s.perc) and any(h.time in kicks for h in s.perc)


def test_afro_cross_sets_three_accents_against_four_beats():
    s = score("afro_cross")
    accents = [h.time for h in s.perc if h.velocity == max(p.velocity for p in s.perc)]
    assert accents == [Fraction(BAR * k, 3) for k in range(6)]


def test_gqom_exchange_staggers_kick_and_toms_without_collisions():
    s = score("gqom_exchange")
    assert not {h.time for h in s.kick} & {h.time for h in s.perc}
    assert positions(s.kick, 0) != positions(s.kick, 1)


def test_baile_toms_kick_groups_three_three_four_three_three():
    s = score("baile_toms")
    for bar in range(2):
        kicks = positions(s.kick, bar)
        assert [b - a for a, b in zip(kicks, kicks[1:] + [16])] == [3, 3, 4, 3, 3]
    assert {h.pitch for h in s.perc} == {0, -7}


# --- Footwork, Jersey club, UK funky, broken beat -------------------------------------------------


def test_jersey_five_kicks_five_times_a_bar():
    s = score("jersey_five")
    assert [len(positions(s.kick, bar)) for bar in range(2)] == [5, 5]


def test_jersey_call_turns_around_with_a_kick_run_in_bar_two():
    s = score("jersey_call")
    assert len(positions(s.kick, 1)) > len(positions(s.kick, 0))


def test_footwork_triplet_replies_in_quarter_note_triplets_of_bass():
    bass = [h for h in score("footwork_triplet").bass if h.time >= BAR]
    assert len(bass) == 6
    assert {b.time - a.time for a, b in zip(bass, bass[1:])} == {Fraction(2 * BEAT, 3)}


def test_footwork_sparse_interrupts_its_triplet_hats():
    times = [h.time for h in score("footwork_sparse").hats]
    gaps = [b - a for a, b in zip(times, times[1:])]
    assert max(gaps) >= 2 * BEAT and min(gaps) == Fraction(BEAT, 3)


def test_funky_toms_lead_with_swung_toms_of_three_pitches():
    toms = score("funky_toms").perc
    assert len({h.pitch for h in toms}) == 3 and not on_grid(toms)


def test_broken_push_plays_backbeats_both_early_and_late():
    snares = score("broken_push").snare
    offsets = [h.time - round(h.time / BEAT) * BEAT for h in snares]
    assert any(o < 0 for o in offsets) and any(o > 0 for o in offsets)


def test_broken_shuffle_rims_circle_the_bar_every_three_sixteenths_swung():
    rims = score("broken_shuffle").perc
    straight = grid(".o..o..o..o..o..|.o..o..o..o..o.o")
    assert rims == swing(straight, Fraction(16, 3))
    assert positions(straight, 0) == [1, 4, 7, 10, 13]


@pytest.mark.parametrize("style", ["amapiano", "amapiano_answer"])
def test_amapiano_log_drum_bass_is_pitched_and_held_under_sixteenth_shakers(style):
    s = score(style)
    assert len({h.pitch for h in s.bass}) >= 3 and any(h.length > STEP for h in s.bass)
    assert [h.time for h in s.hats] == list(range(0, 512, STEP))


def test_amapiano_answer_log_notes_answer_just_after_kicks():
    s = score("amapiano_answer")
    kicks = {h.time for h in s.kick}
    assert all(h.time not in kicks for h in s.bass)


# --- The motions read every part -----------------------------------------------------------------


PART_NAMES = ("kick", "snare", "hats", "perc", "bass")


@pytest.mark.parametrize("motion", MOTIONS, ids=lambda motion: motion.key)
def test_every_motion_listens_to_every_part(motion):
    base = score("house_classic")
    reference = motion.move(drums_of(base))
    for name in PART_NAMES:
        quieter = dataclasses.replace(base, **{name: getattr(base, name)[1:]})
        assert motion.move(drums_of(quieter)) != reference, name


def single_kick(time, period=512):
    from generator.families.beat.signals import Cue

    return Drums(period, (Cue(float(time), 1.0),), (), (), (), ())


def test_spring_starts_at_rest_and_dies_away_before_the_loop_comes_round():
    kick_time = 100
    loop = MOTION_BY_KEY["spring"].move(single_kick(kick_time))
    moving = [s for s, sample in enumerate(loop) if any(v != 0.0 for v in sample)]
    assert moving[0] > kick_time - 1 and loop[kick_time] == (0.0, 0.0, 0.0)
    assert moving[-1] < kick_time + 100
    assert min(v for _, v, _ in loop) < 0 < max(v for _, v, _ in loop)  # it rings through rest


def test_spring_rings_across_the_loop_end_but_never_before_its_event():
    loop = MOTION_BY_KEY["spring"].move(single_kick(480))
    assert any(v != 0.0 for v in loop[10])  # still ringing after the wrap
    assert all(v == 0.0 for sample in loop[100:480] for v in sample)


# --- The family's output ---------------------------------------------------------------------------


@pytest.fixture(scope="module")
def studies():
    """Every study as the store holds it: exact or fitted, rounded to 12 decimals."""
    blocks = dict(generate_family(FAMILIES["beat"]))
    return {entry.name: [tuple(blocks[entry.index][3 * s:3 * s + 3]) for s in range(entry.period_pips)]
            for entry in entries_of("beat")}


def kick_rule(amplitudes):
    """The bare-pulse rule written out: an asymmetric bump (rise 6.4, fall 29.44) per kick, summed."""
    loop = []
    for s in range(256):
        total = [0.0, 0.0, 0.0]
        for time, amplitude in zip((0, 64, 128, 192), amplitudes):
            d = s - time
            if d > 128:
                d -= 256
            elif d < -128:
                d += 256
            if -6.4 < d <= 0:
                b = 0.5 * (1.0 + math.cos(math.pi * d / 6.4))
            elif 0 < d < 29.44:
                b = 0.5 * (1.0 + math.cos(math.pi * d / 29.44))
            else:
                b = 0.0
            if b != 0.0:
                for k in range(3):
                    total[k] += amplitude[k] * b
        loop.append(tuple(total))
    return loop


@pytest.mark.parametrize(
    "name, amplitudes",
    [
        ("beat_four_floor_bounce", [(0.0, 0.55, 0.0)] * 4),
        ("beat_four_floor_step", [(0.42, -0.22, 0.0), (-0.42, -0.22, 0.0), (0.42, -0.22, 0.0), (-0.42, -0.22, 0.0)]),
    ],
)
def test_bare_pulse_studies_follow_the_kick_rule_unscaled(studies, name, amplitudes):
    loop = studies[name]
    expected = kick_rule(amplitudes)
    assert [tuple(round12(v) for v in s) for s in loop] == [tuple(round12(v) for v in s) for s in expected]
    assert loop[0] == pytest.approx(amplitudes[0]) and loop[64] == pytest.approx(amplitudes[1])


def test_bare_pulse_bounce_moves_on_y_alone(studies):
    loop = studies["beat_four_floor_bounce"]
    assert all(x == 0.0 and z == 0.0 for x, _, z in loop)
    assert max(y for _, y, _ in loop) == pytest.approx(0.55)


def test_each_motion_spans_its_peak_figures_on_every_axis(studies):
    for motion in MOTIONS:
        names = [f"beat_{s.style}_{motion.key}" for s in SCORES]
        for axis in range(3):
            peaks = [max(abs(round12(sample[axis])) for sample in studies[n]) for n in names]
            figure = motion.peaks.axis(axis)
            assert matches_figure(min(peaks), figure.low), (motion.key, axis)
            assert matches_figure(max(peaks), figure.high), (motion.key, axis)


def test_two_dimensional_studies_stay_flat_and_the_others_move_in_depth(studies):
    for name, loop in studies.items():
        flat = all(z == 0.0 for _, _, z in loop)
        assert flat == (ENTRY_BY_NAME[name].dimensions == 2), name


def test_no_two_studies_are_alike(studies):
    rounded = {tuple(tuple(round12(v) for v in s) for s in loop) for loop in studies.values()}
    assert len(rounded) == len(studies)


@pytest.mark.parametrize("motion", ["orbit", "glide", "figure8", "box", "corkscrew", "spiral", "slalom", "pendulum"])
def test_path_motions_close_their_loop_without_a_jump(studies, motion):
    for s in SCORES:
        loop = studies[f"beat_{s.style}_{motion}"]
        largest_step = max(math.dist(a, b) for a, b in zip(loop, loop[1:]))
        assert math.dist(loop[-1], loop[0]) <= largest_step
