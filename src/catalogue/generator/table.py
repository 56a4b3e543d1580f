"""The catalogue table: every entry's name, period, dimension count and description in table order,
and the peak figures that each family (and each `beat` motion) reaches.

The table is written as data: the 52 head entries row by row, the 36 families of sixteen as member
lists with a description template, and the `beat` studies as a style table crossed with a motion
table. Everything here is immutable and built once at import.
"""

from __future__ import annotations

from dataclasses import dataclass
from types import MappingProxyType
from typing import Callable, Dict, List, Mapping, Optional, Sequence, Tuple, Union

from .model import Entry, Peaks

EIGHTH_NOTE_PIPS = 32
EM_DASH = "\N{EM DASH}"
EN_DASH = "\N{EN DASH}"

# Families whose prefix is more than one underscore-separated word.
MULTI_WORD_FAMILIES = ("accent_walk",)


def words(text: str) -> Tuple[str, ...]:
    """Splits a member list written on one line."""
    return tuple(text.split())


def numbered(stem: str, count: int) -> Tuple[str, ...]:
    """`stem_01` to `stem_<count>`, two digits with a leading zero."""
    return tuple(f"{stem}_{n:02d}" for n in range(1, count + 1))


def family_of(name: str) -> str:
    """The family prefix of an entry name."""
    for family in MULTI_WORD_FAMILIES:
        if name.startswith(family + "_"):
            return family
    return name.split("_", 1)[0]


# ---------------------------------------------------------------------------------------------
# Indexes 0 to 51: entries with descriptions of their own, interleaving seven families.

HEAD_ENTRIES: Tuple[Tuple[str, int, int, str], ...] = (
    ("lfo_breathe", 256, 1, "A four-beat, single-axis sine. The quiet reference for judging busier shapes."),
    ("lfo_surge", 256, 1, "A long rounded sweep and short recovery; an independently authored smooth-reset shape."),
    ("lfo_soft_gate", 256, 1, "Short smooth transitions separated by long stationary dwells. No square-wave teleport."),
    ("lfo_double_pump", 256, 2, "Two unequal pumps and a breathing space within four beats."),
    ("lfo_ratchet", 256, 2, "A four-hit decaying burst, then a rest. Every event is peak-aligned."),
    ("lfo_glide_stair", 256, 1, "Five rounded steps traverse the field, then a smooth return."),
    ("lfo_morph", 512, 2, "An eight-beat blend between a sine and skewed triangle; movement changes within the phrase."),
    ("lfo_flower", 512, 2, "Related rotations form an original three-lobed XY loop over eight beats."),
    ("rhythm_euclid_3_8", 256, 2, "3 evenly distributed onsets on a 8-step grid. Alternating lateral gestures."),
    ("rhythm_euclid_5_12", 256, 2, "5 evenly distributed onsets on a 12-step grid. Alternating lateral gestures."),
    ("rhythm_three_two", 256, 2, "Three horizontal gestures interlock with two vertical gestures in one four-beat cycle."),
    ("rhythm_half_time", 256, 2, "A strong downbeat, snare-like accent on beat three, and smaller offbeat shuffles."),
    ("rudiment_double_paradiddle", 256, 2, "Visual sticking study RLRLRR LRLRLL; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation."),
    ("rudiment_paradiddle_diddle", 256, 2, "Visual sticking study RLRRLL LRLLRR; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation."),
    ("rudiment_six_stroke", 256, 2, "Visual sticking study RLLRRL LRRLLR; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation."),
    ("rudiment_flam_accent", 256, 2, "Opposite-hand grace gestures lead accented groups of three; deliberately expanded for visible motion."),
    ("ease_rebound", 256, 1, "An attributed D3 easing curve, assembled into a closed outward-and-return loop."),
    ("ease_anticipate", 256, 1, "An attributed D3 easing curve, assembled into a closed outward-and-return loop."),
    ("ease_overshoot", 256, 1, "An attributed D3 easing curve, assembled into a closed outward-and-return loop."),
    ("ease_elastic", 256, 1, "Original windowed, decaying oscillation; not a copied D3 curve. Peak scaled to .8."),
    ("akwf_round_saw", 256, 1, "AKWF_R_asym_saw_05_256.h: an actual CC0 waveform slowed to a four-beat position loop."),
    ("akwf_quick_return", 256, 1, "AKWF_R_asym_saw_15_256.h: an actual CC0 waveform slowed to a four-beat position loop."),
    ("akwf_multi_lobe", 256, 1, "AKWF_0001_256.h: an actual CC0 waveform slowed to a four-beat position loop."),
    ("akwf_plateau", 256, 1, "AKWF_0010_256.h: an actual CC0 waveform slowed to a four-beat position loop."),
    ("groove_a_played", 512, 2, f"Two-bar funk excerpt A (4{EN_DASH}12 source beats), performed microtiming."),
    ("groove_a_grid", 512, 2, f"Two-bar funk excerpt A (4{EN_DASH}12 source beats), same hits quantised to sixteenths."),
    ("groove_b_played", 512, 2, f"Two-bar funk excerpt B (36{EN_DASH}44 source beats), performed microtiming."),
    ("groove_b_grid", 512, 2, f"Two-bar funk excerpt B (36{EN_DASH}44 source beats), same hits quantised to sixteenths."),
    ("lfo_twin_swell", 512, 2, "Two broad swells of unequal depth, with a gentle lateral answer. Eight beats."),
    ("lfo_pulse_hold", 256, 1, "A smooth outward pulse, sustained plateau, smaller opposite recoil, and rest."),
    ("lfo_sweep_ratchet", 512, 2, "A slow lateral sweep followed by three decaying vertical ratchets; no reset jump."),
    ("lfo_triplet_wobble", 512, 2, "Three rounded oscillations per two beats, breathing in depth over an eight-beat phrase."),
    ("lfo_breathing_orbit", 512, 2, "A closed ellipse expands and contracts twice during its eight-beat revolution."),
    ("lfo_seeded_drift", 1024, 2, "Two independently seeded smooth random lanes; irregular-looking but exactly periodic and seekable."),
    ("lfo_pendulum_dwell", 512, 2, "Rounded saturation slows the pendulum near either side; a shallow arc connects the turns."),
    ("lfo_reverse_swell", 512, 2, "A long anticipatory rise, quick softened return, and two diminishing aftershocks."),
    ("path_lissajous_2_3", 512, 2, "Two horizontal cycles cross three vertical cycles in a closed eight-beat Lissajous path."),
    ("path_rose_4", 512, 2, "A signed radial oscillation draws four petals, passing through the centre between them."),
    ("path_rose_5", 512, 2, "Five petals in one complete eight-beat traversal; the odd-petal parameter runs through pi, not two pi."),
    ("path_bowed_diamond", 512, 2, "An astroid-shaped loop with inward-curved edges and naturally slow corners."),
    ("path_orbit_dwell", 512, 2, "An ellipse whose phase slows to zero speed at the loop boundary and accelerates through the opposite side."),
    ("path_torus_knot", 1024, 3, "Two turns around the axis and three through the tube. XYZ is retained; the demo projects depth."),
    ("path_woven_3d", 1024, 3, "Independent two-, three-, and five-cycle XYZ oscillations close after sixteen beats."),
    ("path_crank_slider", 256, 2, "Horizontal slider-crank travel with rod length three and crank radius one; vertical motion follows the crank tip."),
    ("rhythm_five_four", 512, 2, "5 lateral hits against four vertical hits per four beats; two bars preserve alternating directions."),
    ("rhythm_seven_four", 512, 2, "7 lateral hits against four vertical hits per four beats; two bars preserve alternating directions."),
    ("rhythm_euclid_7_16", 512, 2, "7 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats."),
    ("rhythm_euclid_5_16", 512, 2, "5 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats."),
    ("rhythm_swung_answer", 256, 2, "A two-to-one swung call on the right, answered on the left; four beats and eight peak-aligned gestures."),
    ("rhythm_group_332", 512, 2, "Groups of three, three, and two eighth notes. Six alternating accents make an eight-beat loop."),
    ("rhythm_group_223", 448, 2, "Two 7/8 bars grouped as 2+2+3 eighth notes: a seven-quarter-note loop, not forced into four beats."),
    ("rhythm_three_four_five", 512, 3, "Three X, four Y, and five Z gestures share an eight-beat phrase, with exact rational peak times."),
)

# Peaks (x, y, z) of the seven families of the head entries. The rudiment strokes reach "about"
# 0.42 downward: the flam grace strokes overlap their accents and add to them, up to 0.426.
HEAD_FAMILY_PEAKS: Mapping[str, Tuple[str, str, str]] = MappingProxyType({
    "lfo": ("0-0.84", "0-0.85", "0"),
    "rhythm": ("0.7-0.85", "0.3-0.85", "0-0.55"),
    "rudiment": ("0.82", "0.42-0.426", "0"),
    "ease": ("0.65-0.8", "0", "0"),
    "akwf": ("0.85", "0", "0"),
    "groove": ("0.649-1", "0.412-0.486", "0"),
    "path": ("0.72-0.82", "0.3-0.82", "0-0.48"),
})


# ---------------------------------------------------------------------------------------------
# Indexes 52 to 627: thirty-six families of sixteen members.

def eighths_of_step_count(numbers: Sequence[int]) -> int:
    """An `euclid_k_n` loop lasts its n steps of one eighth note."""
    return EIGHTH_NOTE_PIPS * numbers[1]


def eighths_of_group_sum(numbers: Sequence[int]) -> int:
    """A loop named by group lengths lasts as many eighth notes as the groups add up to."""
    return EIGHTH_NOTE_PIPS * sum(numbers)


PeriodRule = Union[int, Callable[[Sequence[int]], int]]
# A description template is formatted with the member's `label`, its `first` and `last` words and
# its numbers `a` and `b`; a mapping chooses the template by the member's first word.
DescriptionTemplate = Union[str, Mapping[str, str]]


@dataclass(frozen=True)
class SixteenFamily:
    """One family of sixteen members: its shared facts and its member list in table order."""

    family: str
    period: PeriodRule
    dimensions: int
    peaks: Tuple[str, str, str]
    description: DescriptionTemplate
    members: Tuple[str, ...]
    labels: Tuple[str, ...] = ()  # one per member, where the description names the member's label
    other_dimensions: int = 0  # the dimension count of the members listed in `others`
    others: Tuple[str, ...] = ()

    def period_of(self, member: str) -> int:
        if isinstance(self.period, int):
            return self.period
        return self.period([int(word) for word in member.split("_") if word.isdigit()])

    def dimensions_of(self, member: str) -> int:
        return self.other_dimensions if member in self.others else self.dimensions

    def description_of(self, position: int) -> str:
        member = self.members[position]
        template = self.description
        member_words = member.split("_")
        if not isinstance(template, str):
            template = template[member_words[0]]
        numbers = [word for word in member_words if word.isdigit()]
        return template.format(
            label=self.labels[position] if self.labels else "",
            first=member_words[0],
            last=member_words[-1],
            a=numbers[0] if numbers else "",
            b=numbers[1] if len(numbers) > 1 else "",
        )


def labelled(*pairs: Tuple[str, str]) -> Dict[str, Tuple[str, ...]]:
    """Keyword arguments `members` and `labels` from (member, label) pairs."""
    return {"members": tuple(m for m, _ in pairs), "labels": tuple(label for _, label in pairs)}


SIXTEEN_FAMILIES: Tuple[SixteenFamily, ...] = (
    SixteenFamily(
        "wave", 512, 1, ("0.82", "0", "0"),
        "{label}; a continuous shaped control wave, mapped to horizontal displacement.",
        **labelled(
            ("pinched", "Pinched sine"), ("shouldered", "Shouldered sine"), ("folded", "Folded sine"),
            ("double_fold", "Double-fold wave"), ("rounded_square", "Rounded square"),
            ("soft_rectifier", "Soft rectified swell"), ("skew_warp", "Phase-skew sweep"),
            ("scoop_warp", "Scooped return"), ("shelf_wave", "Shelf and scoop"), ("notched", "Notched crest"),
            ("bottle", "Bottle-neck swell"), ("reed", "Reed flutter"), ("unequal_peaks", "Unequal double crest"),
            ("ripple_return", "Rippled recovery"), ("soft_teeth", "Soft triple teeth"),
            ("warped_fold", "Warped wave fold"),
        ),
    ),
    SixteenFamily(
        "env", 512, 2, ("0", "0.7-0.82", "0"),
        "{label} over an eight-beat phrase; smooth, resting joins.",
        **labelled(
            ("lift_hold_drop", "Lift, hold, settle"), ("inhale_exhale", "Long inhale, short exhale"),
            ("triple_swell", "Three unequal swells"), ("rising_echo", "Rising echo ladder"),
            ("falling_echo", "Falling echo ladder"), ("anticipation", "Backward anticipation"),
            ("plateau_scoop", "Plateau then scoop"), ("hesitant", "Hesitant reach"),
            ("double_hold", "Two-height hold"), ("swell_recoil", "Deep swell and recoil"),
            ("late_release", "Late release"), ("split_attack", "Split attack"),
            ("suspended", "Suspended answer"), ("valley_peaks", "Valley between peaks"),
            ("four_breaths", "Four breathing accents"), ("return_stair", "Stepped soft recovery"),
        ),
    ),
    SixteenFamily(
        "seq", 512, 2, ("0.82", "0.249-0.287", "0"),
        "A programmed position sequence with {last} segment durations and softened transitions.",
        words(
            "up_down_even up_down_lilt pendulum_even pendulum_lilt octave_even octave_lilt unequal_even"
            " unequal_lilt question_even question_lilt answer_even answer_lilt ratchet_even ratchet_lilt"
            " stairs_even stairs_lilt"
        ),
    ),
    SixteenFamily(
        "noise", 1024, 2, ("0.58-0.82", "0.652-0.82", "0-0.516"),
        "Indexed SHA-256 control points in a closed {first} path. No mutable random state.",
        words(
            "drift_5 drift_7 drift_9 drift_11 orbit_6 orbit_8 orbit_10 orbit_12"
            " ripple_5 ripple_7 ripple_9 ripple_11 depth_6 depth_8 depth_10 depth_12"
        ),
        other_dimensions=3, others=words("depth_6 depth_8 depth_10 depth_12"),
    ),
    SixteenFamily(
        "orbit", 512, 2, ("0.82", "0.555-0.655", "0"),
        "An ellipse combined with unequal horizontal and vertical harmonic ripples.",
        numbered("harmonic", 16),
    ),
    SixteenFamily(
        "weave", 1024, 2, ("0.82", "0.666", "0"),
        "{a} horizontal and {b} vertical cycles; a phase-offset, closed 16-beat traversal.",
        words("1_3 1_4 1_5 2_5 2_7 3_4 3_5 3_7 3_8 4_5 4_7 4_9 5_6 5_7 5_8 5_9"),
    ),
    SixteenFamily(
        "polar", 1024, 2, ("0.82", "0.441-0.82", "0"),
        MappingProxyType({
            "rose": "A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.",
            "scallop": "A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.",
        }),
        words(
            "rose_3 rose_6 rose_7 rose_8 rose_9 rose_10 rose_11 rose_12"
            " scallop_2 scallop_3 scallop_4 scallop_5 scallop_6 scallop_7 scallop_8 scallop_9"
        ),
    ),
    SixteenFamily(
        "spiro", 1024, 2, ("0.82", "0.726-0.82", "0"),
        "A closed {first}-rolling circle trace, with pen radius smaller than the rolling radius.",
        words(
            "inside_3_1 inside_4_1 inside_5_2 inside_5_1 inside_7_2 inside_7_3 inside_8_3 inside_9_4"
            " outside_3_1 outside_4_1 outside_5_2 outside_5_1 outside_7_2 outside_7_3 outside_8_3 outside_9_4"
        ),
    ),
    SixteenFamily(
        "space", 1024, 3, ("0.82", "0.656-0.82", "0.442-0.574"),
        MappingProxyType({
            "torus": "A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.",
            "weave": "Three coprime-frequency coordinate lanes with distinct phase offsets.",
        }),
        words(
            "torus_2_5 torus_2_7 torus_3_4 torus_3_5 torus_3_7 torus_4_5 torus_4_7 torus_5_6"
            " weave_1_2_3 weave_1_3_4 weave_2_3_4 weave_2_3_7 weave_2_5_7 weave_3_4_5 weave_3_5_7 weave_4_5_7"
        ),
    ),
    SixteenFamily(
        "mech", 512, 2, ("0.171-0.82", "0.205-0.82", "0-0.41"),
        "{label}; an original kinematic-style position study, not an engineering simulation.",
        **labelled(
            ("piston_short", "Short-rod piston"), ("piston_long", "Long-rod piston"),
            ("offset_crank", "Offset crank"), ("scotch_yoke", "Yoke with rocking linkage"),
            ("whitworth", "Quick-return linkage study"), ("elliptic_cam", "Elliptic cam follower"),
            ("two_lobe_cam", "Two-lobe cam follower"), ("three_lobe_cam", "Three-lobe cam follower"),
            ("escapement", "Soft escapement study"), ("paddle", "Paddle-wheel tip"),
            ("wobble_plate", "Wobble-plate trace"), ("rocking_beam", "Rocking beam"),
            ("coupled_cranks", "Coupled cranks"), ("crank_rocker", "Crank and rocker study"),
            ("piston_balance", "Piston and balance mass"), ("cam_return", "Cam rise and return"),
        ),
        other_dimensions=3, others=words("wobble_plate crank_rocker piston_balance"),
    ),
    SixteenFamily(
        "euclid", eighths_of_step_count, 2, ("0.75", "0.32", "0"),
        "Evenly distributed accents with alternating sides; first onset is the phrase accent.",
        words("2_5 3_7 3_10 4_9 4_11 5_9 5_11 5_13 5_14 6_13 7_12 7_15 7_17 8_19 9_20 11_24"),
    ),
    SixteenFamily(
        "poly", 512, 3, ("0.403", "0.52", "0.22"),
        "Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.",
        words("2_5 2_7 2_9 3_5 3_7 3_8 3_10 4_5 4_7 4_9 5_6 5_7 5_8 5_9 6_7 7_8"),
    ),
    SixteenFamily(
        "meter", eighths_of_group_sum, 3, ("0.72", "0.33", "0.05"),
        "Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.",
        words(
            "2_3 3_2 3_2_2 2_3_2 3_4 4_3 2_2_2_3 2_3_2_2 3_2_3_2 3_3_2_3 2_2_3_2_3 3_3_3_2 4_3_3 3_4_4"
            " 2_3_3_2_3 3_3_3_4"
        ),
    ),
    SixteenFamily(
        "swing", 512, 3, ("0.585", "0.216", "0-0.09"),
        "Eight-beat {first} score with offbeats at {a}/{b} of each beat; peaks follow the score.",
        words(
            "push_3_5 answer_3_5 skip_3_5 shuffle_3_5 push_2_3 answer_2_3 skip_2_3 shuffle_2_3"
            " push_5_7 answer_5_7 skip_5_7 shuffle_5_7 push_3_4 answer_3_4 skip_3_4 shuffle_3_4"
        ),
        other_dimensions=2, others=words("answer_3_5 answer_2_3 answer_5_7 answer_3_4"),
    ),
    SixteenFamily(
        "stick", 512, 2, ("0.74", "0.34", "0"),
        "Original R/L movement study with accented group leads, followed by its hand-swapped answer."
        " Not an official rudiment transcription.",
        numbered("study", 16),
    ),
    SixteenFamily(
        "gesture", 512, 2, ("0.512-0.82", "0.205-0.82", "0-0.82"),
        "An original single-point {label} gesture. Abstract motion, not a full-body dance or biomechanical recording.",
        **labelled(
            ("side_reach", "side reach"), ("cross_reach", "cross and reach"), ("low_scoop", "low scoop"),
            ("high_arc", "high arc"), ("corner_taps", "corner taps"), ("diagonal_touch", "diagonal touch"),
            ("box_return", "box and centre"), ("zigzag_lift", "zigzag lift"), ("duck_sway", "duck and sway"),
            ("push_pull", "push and pull"), ("reach_depth", "reach through depth"), ("bow_turn", "bow and turn"),
            ("heel_toe", "heel-toe abstract"), ("hop_answer", "hop and answer"),
            ("spiral_reach", "spiral reach"), ("diamond_depth", "depth diamond"),
        ),
        other_dimensions=3, others=words("push_pull reach_depth bow_turn spiral_reach diamond_depth"),
    ),
    SixteenFamily(
        "ribbon", 1024, 3, ("0.82", "0.368-0.764", "0.057-0.258"),
        "A curved elliptical spine with variable radial width and linked depth deflection.",
        words(
            "1_2_slim 1_3_slim 1_4_slim 1_5_slim 2_3_slim 2_5_slim 3_4_slim 3_5_slim"
            " 1_2_deep 1_3_deep 1_4_deep 1_5_deep 2_3_deep 2_5_deep 3_4_deep 3_5_deep"
        ),
    ),
    SixteenFamily(
        "contour", 1024, 2, ("0.82", "0.54-0.603", "0-0.148"),
        "Signed-power oval edges with local ripples and an asymmetric bow.",
        numbered("shaped", 16),
        other_dimensions=3, others=numbered("shaped", 16)[8:],
    ),
    SixteenFamily(
        "silhouette", 1024, 3, ("0.82", "0.586-0.698", "0.064-0.081"),
        "Three unequal harmonic components, with cross-axis phases and a small linked depth term.",
        numbered("harmonic", 16),
    ),
    SixteenFamily(
        "spline", 512, 2, ("0.695-0.82", "0.712-0.82", "0-0.728"),
        "Periodic cubic tangents connect asymmetrical controls with unequal segment times.",
        words(
            "kite hourglass hook crown bow crooked_cross asymmetric_star scoop"
            " rising_kite twisted_bow cup bridge double_bay slanted_loop fork folded_crown"
        ),
        other_dimensions=3,
        others=words("rising_kite twisted_bow cup bridge double_bay slanted_loop fork folded_crown"),
    ),
    SixteenFamily(
        "tour", 1024, 2, ("0.82", "0.38-0.524", "0-0.191"),
        "A noncircular vertex tour with eased corners and alternating dwell lengths.",
        words("5_2 7_2 7_3 8_3 9_2 9_4 10_3 11_2 11_3 11_4 12_5 13_2 13_3 13_4 13_5 14_3"),
        other_dimensions=3, others=words("11_3 11_4 12_5 13_2 13_3 13_4 13_5 14_3"),
    ),
    SixteenFamily(
        "scan", 1024, 2, ("0.82", "0.82", "0-0.31"),
        "An eased serpentine scan and an explicit outer return to the starting point.",
        words(
            "flat_3 bowed_3 tilted_3 depth_3 flat_4 bowed_4 tilted_4 depth_4"
            " flat_5 bowed_5 tilted_5 depth_5 flat_6 bowed_6 tilted_6 depth_6"
        ),
        other_dimensions=3, others=words("depth_3 depth_4 depth_5 depth_6"),
    ),
    SixteenFamily(
        "reach", 1024, 2, ("0.82", "0.577-0.741", "0-0.393"),
        "Separate shaped reaches depart from and settle at a shared centre, without reset jumps.",
        words(
            "scoop_3 hook_3 lift_3 recoil_3 scoop_4 hook_4 lift_4 recoil_4"
            " scoop_5 hook_5 lift_5 recoil_5 scoop_7 hook_7 lift_7 recoil_7"
        ),
        other_dimensions=3, others=words("lift_3 lift_4 lift_5 lift_7"),
    ),
    SixteenFamily(
        "surface", 1024, 3, ("0.82", "0.629-0.785", "0.387-0.776"),
        "A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.",
        words(
            "1_2_low 1_3_low 1_4_low 1_5_low 2_3_low 2_5_low 3_4_low 3_5_low"
            " 1_2_wide 1_3_wide 1_4_wide 1_5_wide 2_3_wide 2_5_wide 3_4_wide 3_5_wide"
        ),
    ),
    SixteenFamily(
        "braid", 1024, 3, ("0.82", "0.521-0.813", "0.312-0.422"),
        "An offset tube centreline and a rolling cross-section with a second depth ripple.",
        words("1_2 1_3 1_4 1_5 2_3 2_5 3_4 3_5 1_6 2_7 3_7 4_5 4_7 5_6 5_7 5_8"),
    ),
    SixteenFamily(
        "arm", 1024, 2, ("0.583-0.82", "0.817-0.82", "0-0.177"),
        "Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.",
        numbered("coupled", 16),
        other_dimensions=3, others=numbered("coupled", 16)[8:],
    ),
    SixteenFamily(
        "dwell", 1024, 3, ("0.769-0.82", "0.761-0.82", "0.41-0.512"),
        "Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.",
        numbered("phrase", 16),
    ),
    SixteenFamily(
        "packet", 512, 2, ("0.82", "0.275-0.276", "0-0.347"),
        "Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.",
        words(
            "alternating_2 cascading_2 crossing_2 depth_2 alternating_3 cascading_3 crossing_3 depth_3"
            " alternating_4 cascading_4 crossing_4 depth_4 alternating_5 cascading_5 crossing_5 depth_5"
        ),
        other_dimensions=3, others=words("depth_2 depth_3 depth_4 depth_5"),
    ),
    SixteenFamily(
        "canon", 512, 3, ("0.278-0.279", "0.175-0.311", "0.192-0.258"),
        "A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.",
        tuple(f"{n:02d}_{entry}" for n in range(1, 9) for entry in ("close", "late")),
    ),
    SixteenFamily(
        "echo", 512, 3, ("0.213-0.31", "0.24-0.266", "0.191-0.22"),
        "An original decaying call and a differently directed answer; echo spacing is preserved as fractions.",
        tuple(f"{kind}_{count}" for count in (3, 4, 5, 6) for kind in ("regular", "shrinking", "expanding", "crossed")),
    ),
    SixteenFamily(
        "ladder", 512, 3, ("0.31", "0.32", "0.32"),
        "Four two-beat regions change subdivision density while accents mark region starts.",
        words(
            "2_3_4_6 3_5_4_2 2_5_3_7 4_3_6_5 2_4_7_3 3_6_2_5 5_3_7_4 6_4_3_2"
            " 2_7_4_5 7_3_5_2 4_7_3_6 5_2_6_3 3_4_5_7 6_5_4_3 7_5_3_4 4_6_7_5"
        ),
    ),
    SixteenFamily(
        "necklace", 512, 3, ("0.248", "0.096", "0.159"),
        "A hand-authored binary accent word; its complement moves the other side and rising accents add depth.",
        tuple(f"{n:02d}" for n in range(1, 17)),
    ),
    SixteenFamily(
        "accent_walk", 1024, 3, ("0.256-0.314", "0.09-0.118", "0.154"),
        "A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.",
        words("5_1 5_2 7_1 7_2 7_3 8_1 8_3 9_1 9_2 9_4 10_3 11_2 11_3 12_5 13_3 13_5"),
    ),
    SixteenFamily(
        "triplet", 512, 3, ("0.294", "0.114-0.192", "0.207"),
        "Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.",
        tuple(f"{n:02d}_{kind}" for n in range(1, 9) for kind in ("answer", "turnaround")),
    ),
    SixteenFamily(
        "dialogue", eighths_of_group_sum, 3, ("0.31", "0.32", "0.12-0.32"),
        "Different eighth-note group lengths pass a phrase between directions, with late pickup responses.",
        words(
            "3_4_5 5_3_4 3_5_2 2_5_4 4_3_2 3_2_4_5 5_2_3_4 2_3_5_3"
            " 3_4_3_5 5_4_2_3 2_4_5_2 4_5_3_2 3_5_4_3 5_3_2_5 2_5_3_5 4_3_5_4"
        ),
    ),
    SixteenFamily(
        "burst", 512, 3, ("0.279", "0.288", "0.133-0.189"),
        "Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.",
        words("3_5_2 4_3_6 5_2_4 2_7_3 3_4_5 5_3_7 6_2_5 4_7_2 7_3_4 2_5_6 5_7_3 3_6_4 4_5_7 6_3_5 7_4_3 5_6_2"),
    ),
)


# ---------------------------------------------------------------------------------------------
# Indexes 628 to 1715: the `beat` studies, every style crossed with every motion.

@dataclass(frozen=True)
class Style:
    """A drum pattern of a dance-music genre, the first half of a `beat` study."""

    key: str
    headline: str
    period_pips: int
    two_dimensional_motions: Tuple[str, ...]
    note: Optional[str]  # "" for an empty note; None for the styles that carry no note at all


@dataclass(frozen=True)
class Motion:
    """A way of turning a style's events into movement, the second half of a `beat` study."""

    key: str
    subtitle: str
    closing: str  # for the note-led motions, the sentence used by styles without a note
    peaks: Tuple[str, str, str]
    note_led: bool = False  # styles with a note close the description with it instead
    late_subtitle: Optional[str] = None  # subtitle for the styles without a note, where it differs

    def subtitle_for(self, style: Style) -> str:
        if style.note is None and self.late_subtitle is not None:
            return self.late_subtitle
        return self.subtitle

    def closing_for(self, style: Style) -> str:
        if self.note_led and style.note is not None:
            return style.note
        return self.closing


STYLES: Tuple[Style, ...] = (
    Style("four_floor", "Four to the floor / bare pulse", 256, ("bounce", "step", "orbit"), "Equal quarter-note kicks only. This shared foundation is not itself a complete genre."),
    Style("house_classic", "House / kick-clap-offbeat hat", 512, ("bounce", "step"), ""),
    Style("house_shuffle", "House / shuffled hats", 512, ("bounce", "step"), ""),
    Style("house_jack", "Jackin house / ghost-kick turnaround", 512, ("bounce", "step"), "Original swung variant: extra ghost kicks and claps; not a transcription of a named track."),
    Style("techno_drive", "Techno / straight driving pulse", 512, ("bounce", "step"), ""),
    Style("techno_toms", "Techno / tom conversation", 512, ("bounce", "step"), ""),
    Style("techno_broken", "Techno / broken kick study", 512, ("bounce", "step"), "A deliberately broken alternative; not all techno uses a quarter-note kick."),
    Style("techno_polymeter", "Techno / three-step percussion cycle", 768, ("bounce", "step"), "Original three-sixteenth percussion cycle over 4/4: both layers close after three bars."),
    Style("ukg_two_step", "UK garage / two-step foundation", 512, ("bounce", "step"), "Backbeats on 2/4; the second kick sits on the & of 3. Off-grid hats supply shuffle."),
    Style("ukg_skip", "UK garage / skipping answer", 512, ("bounce", "step"), ""),
    Style("ukg_four_four", "UK garage / four-four shuffle", 512, ("bounce", "step"), "Garage also has a four-to-the-floor branch; it is not all two-step."),
    Style("speed_garage", "Speed garage / offbeat bass answers", 512, (), "Bass onsets are included as movement cues. Audio uses a simple synth, not a sampled Reese patch."),
    Style("bassline", "Bassline / syncopated low-end hooks", 512, (), ""),
    Style("grime_sparse", "Grime / sparse square-cut backbeat", 512, ("bounce", "step"), ""),
    Style("grime_syncopated", "Grime / displaced snare conversation", 512, ("bounce", "step"), "A 140 BPM syncopated study; grime has no single mandatory snare pattern."),
    Style("grime_half", "Grime / half-time negative space", 512, (), ""),
    Style("drill_tresillo", "UK drill / grouped hats", 512, (), "3+3+2 sixteenth grouping is not a tuplet: the grid here remains straight."),
    Style("drill_displaced", "UK drill / moving second-bar snare", 512, (), "Snare: beat 3 in bar one, beat 4 in bar two. This is one common design, not a rule for all drill."),
    Style("drill_rolls", "UK drill / true triplet hat fill", 512, (), "The added hat fill uses rational tuplets; grouped hats and triplet rolls remain distinct concepts."),
    Style("amen_four_bar", "Amen / four-bar structural study", 1024, (), "Vaskorin / The Pellimars, Amen, Brother. Four bars, not a generic 2-bar loop. Timing/velocity are approximations; no original recording or measured human microtiming."),
    Style("amen_no_ghosts", "Amen / remove the ghost snares", 1024, (), "A/B study: only quiet snares removed. This deliberately simplified version is not the complete Amen."),
    Style("jungle_chops", "Jungle / rearranged break fragments", 512, ("bounce", "step"), "Original chopped-break-style arrangement, not the original Amen sequence."),
    Style("jungle_ghosts", "Jungle / ghosts and snare rolls", 512, ("bounce", "step"), ""),
    Style("jungle_switch", "Jungle / full-time to half-time answer", 1024, ("bounce", "step"), "Four-bar original phrase: the final half uses fewer main snares, not a tempo change."),
    Style("dnb_two_step", "Drum & bass / two-step foundation", 512, ("bounce", "step"), ""),
    Style("dnb_rolling", "Drum & bass / rolling ghosts", 512, ("bounce", "step"), ""),
    Style("dnb_half", "Drum & bass / half-time space", 512, (), ""),
    Style("dubstep_half", "Dubstep / half-step anchor", 512, (), ""),
    Style("dubstep_skip", "Dubstep / skippy half-step", 512, (), ""),
    Style("trap_trills", "Trap / half-time and hat trills", 512, (), ""),
    Style("electro", "Electro / broken machine groove", 512, ("bounce", "step"), ""),
    Style("trance", "Trance / offbeat lift", 512, (), "Offbeat bass/pulse is included. A rhythmic sketch cannot supply trance harmony, timbre or arrangement."),
    Style("rave_breaks", "Rave / four-floor plus break layer", 512, ("bounce", "step"), ""),
    Style("dembow", "Reggaeton / dembow answer", 512, ("bounce", "step"), "Quarter-note kick version with offbeat snare answers; one useful dembow foundation, not every dancehall rhythm."),
    Style("disco", "Disco / lively hat accents", 512, ("bounce", "step"), ""),
    Style("amapiano", "Amapiano / shaker and bass-percussion study", 512, (), "An original percussion and log-drum-style bass rhythm. Pitched bass is a cue lane, not a downloaded sample."),
    Style("jersey_five", "Jersey / five-kick foundation", 512, ("bounce", "step"), None),
    Style("jersey_call", "Jersey / call and turnaround", 512, (), None),
    Style("footwork_triplet", "Footwork / triplet bass reply", 512, (), None),
    Style("footwork_sparse", "Footwork / interrupted half-time", 512, (), None),
    Style("funky_toms", "UK funky / tom-led skips", 512, (), None),
    Style("funky_syncopated", "UK funky / broken response", 512, (), None),
    Style("broken_push", "Broken beat / early-and-late answers", 512, (), None),
    Style("broken_shuffle", "Broken beat / shuffled rim circuit", 512, (), None),
    Style("afro_bell", "Afro house / bell and kick weave", 512, (), None),
    Style("afro_cross", "Afro house / three-over-four percussion", 512, (), None),
    Style("gqom_space", "Gqom / broken-kick space study", 512, (), None),
    Style("gqom_exchange", "Gqom / staggered drum exchange", 512, (), None),
    Style("baile_toms", "Baile funk / low-drum conversation", 512, ("bounce", "step"), None),
    Style("baile_response", "Baile funk / syncopated answer", 512, (), None),
    Style("reggae_one_drop", "Reggae / one-drop foundation", 512, (), None),
    Style("reggae_steppers", "Dub / steppers foundation", 512, (), None),
    Style("reggae_rockers", "Reggae / kick-on-one-and-three study", 512, (), None),
    Style("son_clave_32", "Latin club / 3-2 son clave", 512, (), None),
    Style("son_clave_23", "Latin club / 2-3 son clave", 512, (), None),
    Style("psy_rolling", "Psy / straight rolling bass gaps", 512, (), None),
    Style("psy_offbeat", "Trance / offbeat bass exchange", 512, (), None),
    Style("hard_reverse", "Hard dance / delayed bass swell cues", 512, (), None),
    Style("italo_machine", "Italo / machine rim conversation", 512, (), None),
    Style("electro_robot", "Electro / asymmetric machine break", 512, (), None),
    Style("acid_percussion", "Acid house / syncopated machine accents", 512, (), None),
    Style("techno_rumble", "Techno / delayed low-end answer", 512, (), None),
    Style("ukg_rim_shuffle", "Garage / rim-led skipping pocket", 512, (), None),
    Style("dnb_push", "DnB / kick pickup and ghost reply", 512, (), None),
    Style("jungle_switchback", "Jungle / two-bar switchback", 512, (), None),
    Style("amapiano_answer", "Amapiano / log-like bass answer", 512, (), None),
    Style("dancehall_space", "Dancehall / spacious offbeat replies", 512, (), None),
    Style("dembow_push", "Reggaeton / dembow with pickup answer", 512, (), None),
)

MOTIONS: Tuple[Motion, ...] = (
    Motion("bounce", "Kick-led bounce", "Original Brevak 05 kick-led downstroke and side accents.",
           ("0-0.297", "0.396-0.683", "0-0.068"), note_led=True),
    Motion("step", "Snare side-step", "Original Brevak 05 alternating lateral kick and snare gestures.",
           ("0.311-0.746", "0.146-0.361", "0-0.181"), note_led=True),
    Motion("orbit", "Percussion orbit", "Original Brevak 05 event-weighted orbital speed, radius and depth.",
           ("0.43-0.62", "0.49-0.614", "0-0.216"), note_led=True),
    Motion("glide", "Bass-and-phrase glide", "Original Brevak 05 continuous phrase path with bass excursions.",
           ("0.388-0.7", "0.26-0.493", "0.326-0.485"), note_led=True, late_subtitle="Bass / phrase glide"),
    Motion("surge", "Forward surge", "Kick thrust through depth with contrasting snare lift and hat detail.",
           ("0.122-0.212", "0.118-0.362", "0.365-0.679")),
    Motion("recoil", "Backbeat recoil", "Snare pushes sideways; kick counters downward; delayed echo draws back.",
           ("0.106-0.641", "0.196-0.312", "0.061-0.263")),
    Motion("flutter", "Upper-percussion flutter", "Hat and shaker tremors over a wider kick/snare arc.",
           ("0.26-0.541", "0.149-0.35", "0.17-0.294")),
    Motion("dive", "Bass-led dive", "Bass drives a broad depth plunge with alternating drum counterweight.",
           ("0.165-0.488", "0.052-0.187", "0.221-0.92")),
    Motion("pendulum", "Weighted pendulum", "A hanging arc whose amplitude and angular speed respond to the score.",
           ("0.458-0.556", "0.193-0.2", "0.147-0.264")),
    Motion("figure8", "Woven figure eight", "Two crossing lobes expand at kicks with a lifted snare crossing.",
           ("0.55-0.645", "0.38-0.44", "0.122-0.204")),
    Motion("box", "Rounded corner tour", "Rhythm-weighted phase travels around four softened corners.",
           ("0.475-0.52", "0.459-0.501", "0.087-0.29")),
    Motion("corkscrew", "Closed corkscrew", "Two orbital turns ride a depth wave with percussion-driven radius.",
           ("0.504-0.596", "0.43-0.58", "0.422-0.602")),
    Motion("spiral", "Breathing spiral", "A contracting and expanding double-turn path with a continuous seam.",
           ("0.59-0.684", "0.543-0.641", "0.19-0.337")),
    Motion("slalom", "Drum slalom", "S-shaped travel with kick lift, snare cutbacks and depth counter-motion.",
           ("0.58-0.656", "0.272-0.41", "0.256-0.403")),
    Motion("spring", "Causal spring", "An event starts at rest, then drives a damped ringing excursion.",
           ("0.154-0.67", "0.061-0.372", "0.114-0.601")),
    Motion("ricochet", "Directional ricochet", "Successive onsets send smooth excursions toward a cyclic series of targets.",
           ("0.191-0.856", "0.242-0.92", "0.126-0.477")),
)

BEAT_PEAKS = ("0-0.856", "0.052-0.92", "0-0.92")

BEAT_FIRST_INDEX = 628
# The first styles list their note-led motions together, style after style, before the rest of
# their motions; the later styles list all their motions together.
NOTED_STYLE_COUNT = 36
NOTE_LED_MOTION_COUNT = 4

STYLE_BY_KEY: Mapping[str, Style] = MappingProxyType({style.key: style for style in STYLES})
MOTION_BY_KEY: Mapping[str, Motion] = MappingProxyType({motion.key: motion for motion in MOTIONS})


def beat_table_index(style_number: int, motion_number: int) -> int:
    """Table index of the study of style s and motion m, both counted from 1."""
    s, m = style_number, motion_number
    if s <= NOTED_STYLE_COUNT and m <= NOTE_LED_MOTION_COUNT:
        return BEAT_FIRST_INDEX + NOTE_LED_MOTION_COUNT * (s - 1) + (m - 1)
    motion_count = len(MOTIONS)
    if s <= NOTED_STYLE_COUNT:
        later = motion_count - NOTE_LED_MOTION_COUNT
        first = BEAT_FIRST_INDEX + NOTED_STYLE_COUNT * NOTE_LED_MOTION_COUNT
        return first + later * (s - 1) + (m - NOTE_LED_MOTION_COUNT - 1)
    first = BEAT_FIRST_INDEX + NOTED_STYLE_COUNT * motion_count
    return first + motion_count * (s - NOTED_STYLE_COUNT - 1) + (m - 1)


def beat_description(style: Style, motion: Motion) -> str:
    """Headline, an em dash, the motion's subtitle, then the closing sentence (possibly empty)."""
    return f"{style.headline} {EM_DASH} {motion.subtitle_for(style)}. {motion.closing_for(style)}"


def beat_style_and_motion(entry: Entry) -> Tuple[str, str]:
    """The style key and the motion key of a `beat` entry; the motion key is always the last word."""
    style_key, motion_key = entry.member.rsplit("_", 1)
    return style_key, motion_key


# ---------------------------------------------------------------------------------------------
# The assembled table.

def _make_entry(index: int, name: str, period_pips: int, dimensions: int, description: str) -> Entry:
    family = family_of(name)
    return Entry(index, name, family, name[len(family) + 1:], period_pips, dimensions, description)


def _rows() -> List[Tuple[str, int, int, str]]:
    rows: List[Tuple[str, int, int, str]] = list(HEAD_ENTRIES)
    for family in SIXTEEN_FAMILIES:
        for position, member in enumerate(family.members):
            rows.append((
                f"{family.family}_{member}",
                family.period_of(member),
                family.dimensions_of(member),
                family.description_of(position),
            ))
    beat_rows: List[Optional[Tuple[str, int, int, str]]] = [None] * (len(STYLES) * len(MOTIONS))
    for s, style in enumerate(STYLES, start=1):
        for m, motion in enumerate(MOTIONS, start=1):
            dimensions = 2 if motion.key in style.two_dimensional_motions else 3
            row = (f"beat_{style.key}_{motion.key}", style.period_pips, dimensions, beat_description(style, motion))
            slot = beat_table_index(s, m) - BEAT_FIRST_INDEX
            if beat_rows[slot] is not None:
                raise AssertionError(f"two beat studies claim table index {slot + BEAT_FIRST_INDEX}")
            beat_rows[slot] = row
    for slot, row in enumerate(beat_rows):
        if row is None:
            raise AssertionError(f"no beat study at table index {slot + BEAT_FIRST_INDEX}")
        rows.append(row)
    return rows


ENTRIES: Tuple[Entry, ...] = tuple(_make_entry(i, *row) for i, row in enumerate(_rows()))
ENTRY_BY_NAME: Mapping[str, Entry] = MappingProxyType({entry.name: entry for entry in ENTRIES})

# Every family prefix in the order of its first entry in the table.
FAMILY_ORDER: Tuple[str, ...] = tuple(dict.fromkeys(entry.family for entry in ENTRIES))

_FAMILY_PEAKS: Mapping[str, Peaks] = MappingProxyType({
    **{family: Peaks.of(*figures) for family, figures in HEAD_FAMILY_PEAKS.items()},
    **{family.family: Peaks.of(*family.peaks) for family in SIXTEEN_FAMILIES},
    "beat": Peaks.of(*BEAT_PEAKS),
})
_MOTION_PEAKS: Mapping[str, Peaks] = MappingProxyType({motion.key: Peaks.of(*motion.peaks) for motion in MOTIONS})


def entries_of(family: str) -> List[Entry]:
    """The entries of one family, in table order."""
    return [entry for entry in ENTRIES if entry.family == family]


def family_peaks(family: str) -> Peaks:
    """The peak figures of a family on x, y and z."""
    return _FAMILY_PEAKS[family]


def motion_peaks(motion_key: str) -> Peaks:
    """The peak figures over the 68 `beat` studies of one motion."""
    return _MOTION_PEAKS[motion_key]
