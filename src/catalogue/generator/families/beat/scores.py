"""Sixty-eight drum scores, one per dance-music style, written as step grids and small figures, in
style order. Each score also holds what its style contributes to the descriptions of its studies
(the headline and the note) and which of its studies stay in the plane.

Each score lasts its style's loop (one, two, three or four bars) and has five parts: kick; snare,
clap or rim (the backbeat voice); hats and shakers; other percussion (toms, bells, claves, rims,
skank chops); and bass. Velocities run from ghost (0.3) to accent (1.0); bass notes carry a length
and a pitch in semitones so that the motions can follow the line as well as its onsets.
"""

from __future__ import annotations

from dataclasses import dataclass, replace
from fractions import Fraction
from typing import Dict, Optional, Tuple

from .notation import (
    BAR,
    Hit,
    Part,
    backbeat,
    bassline,
    chop,
    eighths,
    four_on_the_floor,
    grid,
    join,
    nudge,
    offbeat_eighths,
    pitched,
    roll,
    sixteenths,
    swing,
    tuplet,
    without_ghosts,
)

ONE_BAR = BAR
TWO_BARS = 2 * BAR
THREE_BARS = 3 * BAR
FOUR_BARS = 4 * BAR

SHUFFLE = Fraction(16, 3)  # sixteenths swung onto a triplet grid
GARAGE_SWING = Fraction(16, 5)  # a lighter push of the second sixteenth
EIGHTH = 32
EIGHTH_SHUFFLE = Fraction(32, 3)  # eighth-note offbeats swung onto a triplet grid

# The two-dimensional motions of most styles that have any.
BOUNCE_AND_STEP = ("bounce", "step")

HIT_OUTSIDE_LOOP = "a hit lies outside its score's loop: "
PARTS_OUT_OF_ORDER = "a score part is not in time order: "


@dataclass(frozen=True)
class Score:
    """One dance-music style: how its studies are described and its drum pattern over its loop.

    A style's note closes the descriptions of its note-led motions: "" for an empty note, None for
    the styles that carry no note at all (their note-led motions close with sentences of their own).
    """

    style: str  # the style key in the study names
    headline: str
    period_pips: int
    two_dimensional_motions: Tuple[str, ...] = ()  # motions whose studies of this style keep z at 0
    note: Optional[str] = None
    kick: Part = ()
    snare: Part = ()
    hats: Part = ()
    perc: Part = ()
    bass: Part = ()

    def __post_init__(self) -> None:
        for name, part in self.parts():
            for hit in part:
                if not 0 <= hit.time < self.period_pips:
                    raise ValueError(HIT_OUTSIDE_LOOP + f"{self.style} {name} at {hit.time}")
            if any(a.time > b.time for a, b in zip(part, part[1:])):
                raise ValueError(PARTS_OUT_OF_ORDER + f"{self.style} {name}")

    def parts(self) -> Tuple[Tuple[str, Part], ...]:
        return (("kick", self.kick), ("snare", self.snare), ("hats", self.hats), ("perc", self.perc), ("bass", self.bass))


# Voices of the pitched percussion: symbol -> (velocity, pitch in semitones).
TOMS = {"h": (0.8, 7), "m": (0.7, 3), "l": (0.9, -5)}
BELLS = {"h": (0.8, 12), "m": (0.6, 7), "l": (0.7, 0)}
WOOD = {"h": (0.7, 9), "m": (0.55, 4), "l": (0.65, -2)}
LOW_DRUMS = {"h": (0.7, 0), "l": (0.85, -7)}
MACHINE_RIMS = {"h": (0.7, 5), "l": (0.7, 0)}
ROBOT_BLIPS = {"h": (0.75, 10), "l": (0.6, -3)}

CLAVE_THREE_SIDE = "X.....X.....X..."
CLAVE_TWO_SIDE = "....X...X......."
DEMBOW_FIGURE = "...X..X....X..X."  # the snare answers of dembow: 3 + 3 + 2 sixteenths, twice a bar
SKANK = "....o.......o..."  # the offbeat chop of reggae, as a percussion cue


def tuplet_notes(start: int, span: int, pitches: Tuple[int, ...], velocity: float) -> Part:
    """Bass notes evenly spaced over `span` pips, each held until the next: a tuplet bass figure."""
    count = len(pitches)
    return tuple(
        Hit(Fraction(start) + Fraction(span) * i / count, velocity, Fraction(span) / count, pitch) for i, pitch in enumerate(pitches)
    )


def echo(part: Part, delay: Fraction, factor: float, length: Fraction) -> Part:
    """A late, softer answer to every hit of a part (the rumble that trails a techno kick)."""
    return tuple(Hit(h.time + delay, h.velocity * factor, length, h.pitch) for h in part)


def rearranged(source: Score, slices: Tuple[Tuple[int, int, int], ...], style: Score) -> Score:
    """The style's score with drum parts cut from those of `source`: each slice is (from pip, length, to pip)."""

    def cut(part: Part) -> Part:
        return join(*(chop(part, start, length, to) for start, length, to in slices))

    return replace(style, kick=cut(source.kick), snare=cut(source.snare), hats=cut(source.hats), perc=cut(source.perc))


# --- House and techno -------------------------------------------------------------------------

FOUR_FLOOR = Score(
    "four_floor", "Four to the floor / bare pulse", ONE_BAR,
    two_dimensional_motions=("bounce", "step", "orbit"),
    note="Equal quarter-note kicks only. This shared foundation is not itself a complete genre.",
    kick=four_on_the_floor(1),
)

HOUSE_CLASSIC = Score(
    "house_classic", "House / kick-clap-offbeat hat", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=four_on_the_floor(2),
    snare=backbeat(2),
    hats=offbeat_eighths(2, "X"),
    perc=grid(".g.g" * 8),
    bass=bassline("...0..0=...0..7.|...0..0=...5..3."),
)

HOUSE_SHUFFLE = Score(
    "house_shuffle", "House / shuffled hats", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=four_on_the_floor(2),
    snare=backbeat(2),
    hats=swing(sixteenths(2, "goXo"), SHUFFLE),
    perc=swing(grid("...............o|...........o...o"), SHUFFLE),
    bass=swing(bassline("0..0...0..7....3|0..0...0..5..3.."), SHUFFLE),
)

HOUSE_JACK = Score(
    "house_jack", "Jackin house / ghost-kick turnaround", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    note="Original swung variant: extra ghost kicks and claps; not a transcription of a named track.",
    kick=swing(grid("X...X...X...X...|X...X...X..gX.gg"), SHUFFLE),
    snare=swing(grid("....X..g....X...|....X......gX..g"), SHUFFLE),
    hats=swing(grid("gox.gox.gox.goxo|gox.gox.gox.goxo"), SHUFFLE),
    bass=swing(bassline("0.....0=..0..7..|0.....0=..c.7.5."), SHUFFLE),
)

TECHNO_DRIVE = Score(
    "techno_drive", "Techno / straight driving pulse", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=four_on_the_floor(2),
    snare=backbeat(2, "x"),
    hats=sixteenths(2, "goxo"),
    perc=grid("................|..............o."),
    bass=bassline("..00..00..00..07|..00..00..00..05", 0.7),
)

TECHNO_TOMS = Score(
    "techno_toms", "Techno / tom conversation", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=four_on_the_floor(2),
    snare=grid("............x..." * 2),
    hats=offbeat_eighths(2, "x"),
    perc=pitched("...h..m...l...h.|..h....m..l..m.l", TOMS),
    bass=bassline("0...........0...|0.......7......."),
)

TECHNO_BROKEN = Score(
    "techno_broken", "Techno / broken kick study", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    note="A deliberately broken alternative; not all techno uses a quarter-note kick.",
    kick=grid("X..x..X...X.....|X......x..X..x.."),
    snare=grid("............X...|....o.......X..."),
    hats=grid("x.gxx.gxx.gxx.gx" * 2),
    perc=grid("..o.....o.....o.|..o.....o..o...."),
    bass=bassline(".0.....0=.0.....|.0....7...0..3.."),
)

TECHNO_POLYMETER = Score(
    "techno_polymeter", "Techno / three-step percussion cycle", THREE_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    note="Original three-sixteenth percussion cycle over 4/4: both layers close after three bars.",
    kick=four_on_the_floor(3),
    snare=backbeat(3, "x"),
    hats=offbeat_eighths(3, "x"),
    perc=grid("Xo." * 16),  # one three-sixteenth figure, sixteen times: it meets the bar line again after three bars
    bass=bassline("..0=..0=..0=..0=|..0=..0=..0=..7=|..5=..5=..3=..3="),
)

ACID_PERCUSSION = Score(
    "acid_percussion", "Acid house / syncopated machine accents", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=backbeat(2, "x"),
    hats=offbeat_eighths(2, "x"),
    perc=grid("...o..o...o..o..|..o..o...o...o.o"),
    bass=bassline("0c0.30c.0.7.0c3.|0c0.50c.0.a.0c5.", 0.55, accents="X.....X...X..X..|X.....X....X.X.."),
)

TECHNO_RUMBLE_KICK = four_on_the_floor(2)
TECHNO_RUMBLE = Score(
    "techno_rumble", "Techno / delayed low-end answer", TWO_BARS,
    kick=TECHNO_RUMBLE_KICK,
    snare=grid("....o.......o...|....o.......o..o"),
    hats=offbeat_eighths(2, "x"),
    bass=join(echo(TECHNO_RUMBLE_KICK, Fraction(24), 0.7, Fraction(12)), echo(TECHNO_RUMBLE_KICK, Fraction(40), 0.4, Fraction(16))),
)

# --- Garage, bassline, grime ------------------------------------------------------------------

UKG_TWO_STEP = Score(
    "ukg_two_step", "UK garage / two-step foundation", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    note="Backbeats on 2/4; the second kick sits on the & of 3. Off-grid hats supply shuffle.",
    kick=grid("X.........x.....|X.........x...o."),
    snare=backbeat(2),
    hats=swing(grid("..x.gox...x.go.x|..x.gox...x.gox."), GARAGE_SWING),
    perc=swing(grid("...............g|.......g........"), GARAGE_SWING),
    bass=swing(bassline("0==......0=.....|0==.....7..0...."), GARAGE_SWING),
)

UKG_SKIP = Score(
    "ukg_skip", "UK garage / skipping answer", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=grid("X.........x.....|X..x......x...x."),
    snare=grid("....X.......X...|....X.......X..g"),
    hats=swing(grid(".ox..ox..ox..ox.|.ox..ox..oxx.ox."), GARAGE_SWING),
    perc=swing(grid("...o.......o....|.o.....o...o...."), GARAGE_SWING),
    bass=swing(bassline("0=........5=....|...0=.....5=..3."), GARAGE_SWING),
)

UKG_FOUR_FOUR = Score(
    "ukg_four_four", "UK garage / four-four shuffle", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="Garage also has a four-to-the-floor branch; it is not all two-step.",
    kick=four_on_the_floor(2),
    snare=backbeat(2),
    hats=swing(grid(".oxo" * 8), GARAGE_SWING),
    perc=swing(grid("......o.......o.|......o....o..o."), GARAGE_SWING),
    bass=swing(bassline("..0=..0...0=..7.|..0=..0...5=..3."), GARAGE_SWING),
)

SPEED_GARAGE = Score(
    "speed_garage", "Speed garage / offbeat bass answers", TWO_BARS,
    note="Bass onsets are included as movement cues. Audio uses a simple synth, not a sampled Reese patch.",
    kick=four_on_the_floor(2),
    snare=backbeat(2),
    hats=join(offbeat_eighths(2, "X"), swing(grid(".g.g" * 8), GARAGE_SWING)),
    perc=grid(".......o........|.......o.......o"),
    bass=bassline("..0=..c=..0=..7=|..0=..c=..5=..3="),
)

BASSLINE = Score(
    "bassline", "Bassline / syncopated low-end hooks", TWO_BARS,
    note="",
    kick=four_on_the_floor(2),
    snare=backbeat(2),
    hats=swing(grid(".gxg" * 8), GARAGE_SWING),
    perc=grid("..........o.....|..........o..o.."),
    bass=bassline("0..c..0.c..07.c.|3..a..3.a..5.7..", 0.85),
)

UKG_RIM_SHUFFLE = Score(
    "ukg_rim_shuffle", "Garage / rim-led skipping pocket", TWO_BARS,
    kick=grid("X.........x.....|X..x......x....."),
    snare=backbeat(2, "o"),
    hats=swing(grid("..x.g.x...x.g.x.|..x.g.x...x.g.xg"), GARAGE_SWING),
    perc=swing(grid(".o.xo..o.o.xo..o|.o.xo..o.o.xo.oo"), GARAGE_SWING),
    bass=swing(bassline("0=.......0=.....|0=....7...0=..5."), GARAGE_SWING),
)

GRIME_SPARSE = Score(
    "grime_sparse", "Grime / sparse square-cut backbeat", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=grid("X.........X.....|X.....x........."),
    snare=grid("........X......." * 2),
    hats=grid("x...o...x...o..." * 2),
    bass=bassline("0=......0=......|0=........7=...."),
)

GRIME_SYNCOPATED = Score(
    "grime_syncopated", "Grime / displaced snare conversation", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    note="A 140 BPM syncopated study; grime has no single mandatory snare pattern.",
    kick=grid("X.....x...x.....|X..x......x....."),
    snare=grid("........X.....o.|.......X...X...."),
    hats=grid("x.x.x.x.x.x.x.xx|x.x.x.x.x.xxx.x."),
    perc=grid("...o.......o....|.....o.........o"),
    bass=bassline("0=....7=..0=....|0=.3......5=...."),
)

GRIME_HALF = Score(
    "grime_half", "Grime / half-time negative space", TWO_BARS,
    note="",
    kick=grid("X...............|..........x....."),
    snare=grid("........X......." * 2),
    hats=grid("x.......x.......|x.......x...o..."),
    bass=bassline("0=======........|..........5=====", 0.9),
)

# --- Drill ------------------------------------------------------------------------------------

GROUPED_HATS = "x..x..x.x..x..x."  # 3 + 3 + 2 sixteenths, twice a bar, on the straight grid

DRILL_TRESILLO = Score(
    "drill_tresillo", "UK drill / grouped hats", TWO_BARS,
    note="3+3+2 sixteenth grouping is not a tuplet: the grid here remains straight.",
    kick=grid("X.........x.....|X......x..x....."),
    snare=grid("........X......." * 2),
    hats=grid(GROUPED_HATS * 2),
    perc=grid("...............o|............o..."),
    bass=bassline("0=========..7===|0=======5=====3=", 0.9),
)

DRILL_DISPLACED = Score(
    "drill_displaced", "UK drill / moving second-bar snare", TWO_BARS,
    note="Snare: beat 3 in bar one, beat 4 in bar two. This is one common design, not a rule for all drill.",
    kick=grid("X.....x...x.....|X.........x..x.."),
    snare=grid("........X.......|............X..."),
    hats=grid("x.x.x.x.x.xxx.x.|x.x.x.x.x.x.x.xx"),
    bass=bassline("0=====7===0=====|0=========7==3==", 0.9),
)

DRILL_HAT_GRID = grid(GROUPED_HATS + "|x..x..x.........")
DRILL_HAT_FILL = join(
    tuplet(BAR + 128, 64, 3, (0.8, 0.5, 0.6)),  # eighth-note triplet on beat 3 of bar two
    tuplet(BAR + 192, 64, 6, (0.9, 0.45, 0.6)),  # sixteenth-note triplet roll on beat 4
)

DRILL_ROLLS = Score(
    "drill_rolls", "UK drill / true triplet hat fill", TWO_BARS,
    note="The added hat fill uses rational tuplets; grouped hats and triplet rolls remain distinct concepts.",
    kick=grid("X.......x.x.....|X.....x...x....."),
    snare=grid("........X......." * 2),
    hats=join(DRILL_HAT_GRID, DRILL_HAT_FILL),
    bass=bassline("0=====....7=====|0=====..5=====..", 0.9),
)

# --- Amen, jungle, drum & bass ----------------------------------------------------------------

AMEN_FOUR_BAR = Score(
    "amen_four_bar", "Amen / four-bar structural study", FOUR_BARS,
    note="Vaskorin / The Pellimars, Amen, Brother. Four bars, not a generic 2-bar loop. Timing/velocity are approximations; no original recording or measured human microtiming.",
    kick=grid("X.X.......XX....|X.X.......XX....|X.X.......X.....|..XX......X....."),
    snare=grid("....X..g.g..X..g|....X..g.g..X..g|....X..g.g....X.|.g..X..g.g....X."),
    hats=grid("x.o.x.o.x.o.x.o.|x.o.x.o.x.o.x.o.|x.o.x.o.x.o.x.o.|x.o.x.o.x.....o."),  # ride
    perc=grid("................|................|................|..........X....."),  # crash
)

AMEN_NO_GHOSTS = replace(
    AMEN_FOUR_BAR,
    style="amen_no_ghosts",
    headline="Amen / remove the ghost snares",
    note="A/B study: only quiet snares removed. This deliberately simplified version is not the complete Amen.",
    snare=without_ghosts(AMEN_FOUR_BAR.snare),
)

JUNGLE_CHOPS = rearranged(
    AMEN_FOUR_BAR,
    (
        (0, 128, 0),  # bar 1, first half
        (640, 128, 128),  # bar 3, second half: the late snare
        (768, 64, 256),  # bar 4, beat 1: the ghost pickup
        (64, 64, 320),  # bar 1, beat 2
        (192, 64, 384),  # bar 1, beat 4: snare and trailing ghost
        (832, 64, 448),  # bar 4, beat 2
    ),
    Score(
        "jungle_chops", "Jungle / rearranged break fragments", TWO_BARS,
        two_dimensional_motions=BOUNCE_AND_STEP,
        note="Original chopped-break-style arrangement, not the original Amen sequence.",
        bass=bassline("0=======........|5=======3=======", 0.9),
    ),
)

JUNGLE_GHOSTS = Score(
    "jungle_ghosts", "Jungle / ghosts and snare rolls", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=grid("X.X.......X.....|X.X........X...."),
    snare=join(grid("....X..g.gg.X..g|....X.g..g..X..."), roll(BAR + 208, 48, 6, 0.3, 0.85)),
    hats=sixteenths(2, "xgog"),
    bass=bassline("0=======........|0=====....7=====", 0.9),
)

JUNGLE_SWITCH = Score(
    "jungle_switch", "Jungle / full-time to half-time answer", FOUR_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    note="Four-bar original phrase: the final half uses fewer main snares, not a tempo change.",
    kick=grid("X.X.......X.....|X.X.......XX....|X.........X.....|X.......x......."),
    snare=grid("....X..g.g..X..g|....X..g.g..X.g.|........X....g..|........X..g..g."),
    hats=grid("x.o.x.o.x.o.x.o.|x.o.x.o.x.o.x.o.|x...x...x...x...|x...x...x...x.o."),
    bass=bassline("0=======0=======|5=======3=======|0===============|7=======5=======", 0.9),
)

JUNGLE_SWITCHBACK = rearranged(
    AMEN_FOUR_BAR,
    ((0, 256, 0), (128, 128, 256), (0, 128, 384)),  # bar two answers with its halves switched back
    Score(
        "jungle_switchback", "Jungle / two-bar switchback", TWO_BARS,
        bass=bassline("0=======5=======|3=======0=======", 0.9),
    ),
)

DNB_TWO_STEP = Score(
    "dnb_two_step", "Drum & bass / two-step foundation", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=grid("X.........X.....|X.X.......X....."),
    snare=backbeat(2),
    hats=eighths(2, "x", "o"),
    bass=bassline("0=======....7===|0=====....5=====", 0.9),
)

DNB_ROLLING = Score(
    "dnb_rolling", "Drum & bass / rolling ghosts", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=grid("X.........X.....|X.........X..x.."),
    snare=grid("....X..g.g..X..g|....X..g.g..X.g."),
    hats=swing(sixteenths(2, "xgog"), Fraction(8, 3)),
    perc=grid("..o.......o.....|..o.......o...o."),
    bass=bassline("0.0.0...0.0.7...|0.0.0...5.5.3..."),
)

DNB_HALF = Score(
    "dnb_half", "Drum & bass / half-time space", TWO_BARS,
    note="",
    kick=grid("X.........x.....|X..........x...."),
    snare=grid("........X......." * 2),
    hats=grid("x...x...x...x...|x...x...x...x.o."),
    perc=grid("......g.........|..............g."),
    bass=bassline("0===========....|5=======3=======", 0.9),
)

DNB_PUSH = Score(
    "dnb_push", "DnB / kick pickup and ghost reply", TWO_BARS,
    kick=grid("X.........X....x|X.........X..x.x"),  # pickups into bar two and back into the loop
    snare=grid("....X..g.g..X...|....X.g..g..X.g."),
    hats=eighths(2, "x", "o"),
    bass=bassline("0=======..7=====|0=====....5===.0", 0.9),
)

# --- Half-time: dubstep, trap -----------------------------------------------------------------

DUBSTEP_HALF = Score(
    "dubstep_half", "Dubstep / half-step anchor", TWO_BARS,
    note="",
    kick=grid("X..............." * 2),
    snare=grid("........X......." * 2),
    hats=grid("x.o.x.o.x.o.x.o." * 2),
    bass=bassline("0=====7=====0===|5=====3=====0===", 0.9),
)

DUBSTEP_SKIP = Score(
    "dubstep_skip", "Dubstep / skippy half-step", TWO_BARS,
    note="",
    kick=grid("X.........x.....|X..x.......x...."),
    snare=grid("........X.....g.|........X..g...."),
    hats=swing(grid("x.xgx.x.x.xgx.xg" * 2), SHUFFLE),
    bass=bassline("0=..0=....7=..5.|0=..3=....0=....", 0.9),
)

TRAP_HAT_GRID = grid("x.x.x.x.x.x.....|x.x.x.x.x.x.x...")
TRAP_HAT_TRILLS = join(
    tuplet(192, 64, 8, (0.7, 0.4)),  # thirty-second trill over beat 4 of bar one
    tuplet(BAR + 224, 32, 3, (0.8, 0.5, 0.6)),  # triplet trill closing bar two
)

TRAP_TRILLS = Score(
    "trap_trills", "Trap / half-time and hat trills", TWO_BARS,
    note="",
    kick=grid("X......x..X.....|X.........x..x.."),
    snare=grid("........X......." * 2),
    hats=join(TRAP_HAT_GRID, TRAP_HAT_TRILLS),
    bass=bassline("0======7==0=====|0=========5==3==", 0.9),
)

# --- Electro, trance, rave, hard dance, italo -------------------------------------------------

ELECTRO = Score(
    "electro", "Electro / broken machine groove", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=grid("X.....X...X.....|X.....X..X..X..."),
    snare=backbeat(2),
    hats=sixteenths(2, "xogo"),
    perc=grid("...o.....o....o.|...o.....o..o..."),
    bass=bassline("0..0..7.0..0..5.|0..0..7.c..7..5.", 0.7),
)

ELECTRO_ROBOT = Score(
    "electro_robot", "Electro / asymmetric machine break", TWO_BARS,
    kick=grid("X..X..X...X.x...|X..X.....X..x..."),
    snare=grid("....X.......X..o|....X.......X..."),
    hats=sixteenths(2, "xgxo"),
    perc=pitched("..h....l..h.....|..h..h.l........", ROBOT_BLIPS),
    bass=bassline("0..0..0...0.7...|0..0.....0..5...", 0.75),
)

TRANCE = Score(
    "trance", "Trance / offbeat lift", TWO_BARS,
    note="Offbeat bass/pulse is included. A rhythmic sketch cannot supply trance harmony, timbre or arrangement.",
    kick=four_on_the_floor(2),
    snare=backbeat(2, "x"),
    hats=join(offbeat_eighths(2, "X"), grid(".g.g" * 8)),
    bass=bassline("..0=..0=..0=..0=|..5=..5=..3=..3=", 0.9),
)

PSY_ROLLING = Score(
    "psy_rolling", "Psy / straight rolling bass gaps", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=backbeat(2, "o"),
    hats=join(offbeat_eighths(2, "x"), grid(".g.g" * 8)),
    perc=grid("...............o|...........o...o"),
    bass=bassline(".000.000.000.000|.000.000.000.007", 0.75),  # rolling sixteenths with a gap on each kick
)

PSY_OFFBEAT = Score(
    "psy_offbeat", "Trance / offbeat bass exchange", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=backbeat(2, "x"),
    hats=grid(".gxg" * 8),
    bass=bassline("..0=..0=..0=..0=|..00..00..07..07", 0.8),  # offbeats, then offbeat pairs in bar two
)

HARD_REVERSE = Score(
    "hard_reverse", "Hard dance / delayed bass swell cues", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=backbeat(2, "x"),
    hats=offbeat_eighths(2, "X"),
    bass=bassline(".0==.0==.0==.0==|.0==.0==.5==.3==", 0.7),  # each note enters after its kick and swells to the next
)

RAVE_BREAKS = Score(
    "rave_breaks", "Rave / four-floor plus break layer", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=join(four_on_the_floor(2), grid("..x.......x.....|..x........x....")),
    snare=grid("....X..g.g..X..g|....X..g.g..X.g."),
    hats=sixteenths(2, "xgog"),
    bass=bassline("0=......0=......|5=......3=.7=...", 0.9),
)

ITALO_MACHINE = Score(
    "italo_machine", "Italo / machine rim conversation", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=backbeat(2),
    hats=eighths(2, "x", "o"),
    perc=pitched("...h..l....h..l.|...h..l...h..l.h", MACHINE_RIMS),
    bass=bassline("0.c00.c00.c00.c0|5.a55.a53.a33.a3", 0.7),
)

DISCO = Score(
    "disco", "Disco / lively hat accents", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP, note="",
    kick=four_on_the_floor(2),
    snare=backbeat(2),
    hats=grid("goXogoXogoXogoXo|goXogoXogoXoxoXo"),
    perc=grid("....o.......o...|....o.......o.o."),  # tambourine
    bass=bassline("0.c.0.c.0.c.0.c.|3.3.5.5.7.7.a.a.", 0.8),
)

# --- Reggaeton, dancehall, reggae, Latin ------------------------------------------------------

DEMBOW = Score(
    "dembow", "Reggaeton / dembow answer", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    note="Quarter-note kick version with offbeat snare answers; one useful dembow foundation, not every dancehall rhythm.",
    kick=four_on_the_floor(2),
    snare=grid(DEMBOW_FIGURE * 2),
    hats=eighths(2, "x", "o"),
    perc=grid("......o.......o." * 2),
    bass=bassline("0==0==0=0==0==0=|5==5==5=3==3==3=", 0.85),
)

DEMBOW_PUSH = Score(
    "dembow_push", "Reggaeton / dembow with pickup answer", TWO_BARS,
    kick=join(four_on_the_floor(2), grid("................|...............x")),
    snare=grid(DEMBOW_FIGURE + "|...X..X....X.oXo"),  # bar two adds the pickup answer into the loop
    hats=eighths(2, "x", "g"),
    bass=bassline("0==0==0=0==0==0=|5==5==5=3==3==0=", 0.85),
)

DANCEHALL_SPACE = Score(
    "dancehall_space", "Dancehall / spacious offbeat replies", TWO_BARS,
    kick=grid("X.......X.......|X.......X.....x."),
    snare=grid("......x.......x." * 2),
    hats=grid("x...x...x...x..." * 2),
    perc=grid("...o.......o....|...o......o....."),
    bass=bassline("0=......7=......|0=......5=..3=..", 0.85),
)

REGGAE_ONE_DROP = Score(
    "reggae_one_drop", "Reggae / one-drop foundation", TWO_BARS,
    kick=grid("........X......." * 2),
    snare=grid("........X......." * 2),  # rim shot with the kick on beat 3; beat 1 stays empty
    hats=swing(eighths(2, "x", "o"), EIGHTH_SHUFFLE, unit=EIGHTH),
    perc=grid(SKANK * 2),
    bass=bassline("..0=..7.0...5=..|..0=..7.3=..0...", 0.85),
)

REGGAE_STEPPERS = Score(
    "reggae_steppers", "Dub / steppers foundation", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=grid("........X......." * 2),
    hats=swing(eighths(2, "x", "g"), EIGHTH_SHUFFLE, unit=EIGHTH),
    perc=grid(SKANK * 2),
    bass=bassline("0=..0=..0=..0=..|5=..5=..3=..3=..", 0.85),
)

REGGAE_ROCKERS = Score(
    "reggae_rockers", "Reggae / kick-on-one-and-three study", TWO_BARS,
    kick=grid("X.......X......." * 2),
    snare=grid("........X......." * 2),
    hats=sixteenths(2, "xgog"),
    perc=grid(SKANK * 2),
    bass=bassline("0=.0..7=0=.0..5=|3=.3..5=0=.0..7=", 0.85),
)

SON_CLAVE_BASS = bassline("......0=....7=..|......0=....5=..")  # tumbao: anticipates beats 3 and 1

SON_CLAVE_32 = Score(
    "son_clave_32", "Latin club / 3-2 son clave", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=backbeat(2, "o"),
    hats=offbeat_eighths(2, "x"),
    perc=grid(CLAVE_THREE_SIDE + "|" + CLAVE_TWO_SIDE),
    bass=SON_CLAVE_BASS,
)

SON_CLAVE_23 = Score(
    "son_clave_23", "Latin club / 2-3 son clave", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=backbeat(2, "o"),
    hats=offbeat_eighths(2, "x"),
    perc=grid(CLAVE_TWO_SIDE + "|" + CLAVE_THREE_SIDE),
    bass=SON_CLAVE_BASS,
)

# --- Disco-house offshoots, Africa and Brazil -------------------------------------------------

AMAPIANO = Score(
    "amapiano", "Amapiano / shaker and bass-percussion study", TWO_BARS,
    note="An original percussion and log-drum-style bass rhythm. Pitched bass is a cue lane, not a downloaded sample.",
    kick=four_on_the_floor(2, "x"),
    snare=grid("....o.......o...|....o......go..."),
    hats=sixteenths(2, "xgog"),  # shaker
    perc=pitched("..h..m....h..m..|..h..m..h...l...", WOOD),
    bass=bassline("...0=..0=.3..0==|...0=..5=.3=.0==", 0.9),  # log drum
)

AMAPIANO_ANSWER = Score(
    "amapiano_answer", "Amapiano / log-like bass answer", TWO_BARS,
    kick=four_on_the_floor(2, "x"),
    snare=grid("...........o....|...........o..o."),
    hats=sixteenths(2, "ogxg"),
    perc=pitched("......m.......h.|......m...h...l.", WOOD),
    bass=bassline(".0=....0=.....7=|.3=....0=..5=.0=", 0.9),  # each log note answers just after a kick
)

AFRO_BELL = Score(
    "afro_bell", "Afro house / bell and kick weave", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=grid("........o.......|........o.....o."),
    hats=sixteenths(2, "ogxg"),
    perc=pitched("h.hm.h.hm.h.h.m.|h.hm.h.hm.h.hlm.", BELLS),
    bass=bassline("..0...0=...0.7..|..0...0=...3.5.."),
)

AFRO_CROSS = Score(
    "afro_cross", "Afro house / three-over-four percussion", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=grid("....o.......o..." * 2),
    hats=sixteenths(2, "xggg"),
    perc=tuplet(0, TWO_BARS, 12, (0.9, 0.4)),  # accents three to the bar, answered on the quarter-note triplets
    bass=bassline("0=......0=......|5=......3=......"),
)

GQOM_SPACE = Score(
    "gqom_space", "Gqom / broken-kick space study", TWO_BARS,
    kick=grid("X..X..X.........|X..X.....X......"),
    snare=grid("............X..." * 2),
    hats=grid("..x...x...x...x.|..x.......x....."),
    perc=pitched(".....l.....l....|........l.....l.", TOMS),
    bass=bassline("0=====..........|0=====....3=====", 0.9),
)

GQOM_EXCHANGE = Score(
    "gqom_exchange", "Gqom / staggered drum exchange", TWO_BARS,
    kick=grid("X.....X.....X...|..X.....X.....X."),
    snare=grid("........x.......|....x..........."),
    hats=grid("x...x...x...x..." * 2),
    perc=pitched("...l.....l.....l|.l....l.....l...", TOMS),
    bass=bassline("0=..........0=..|....0=......3=..", 0.9),
)

BAILE_TOMS = Score(
    "baile_toms", "Baile funk / low-drum conversation", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    kick=grid("X..x..x...x..x.." * 2),  # 3 + 3 + 4 + 3 + 3
    snare=backbeat(2),
    hats=offbeat_eighths(2, "o"),
    perc=pitched("..l..l.h..l..h.l|..l..h.l..l.hl.l", LOW_DRUMS),
    bass=bassline("0=........0=....|0=.....3=...5=..", 0.85),
)

BAILE_RESPONSE = Score(
    "baile_response", "Baile funk / syncopated answer", TWO_BARS,
    kick=grid("X.....x...X.....|X..x..x...X....."),
    snare=grid("....X..x....X...|....X.......X.xx"),
    hats=eighths(2, "x", "g"),
    perc=pitched("..l.....l.h.....|.....l..h.l...h.", LOW_DRUMS),
    bass=bassline("0=....0=..0=....|0=.0..3=..5=....", 0.85),
)

# --- Jersey club, footwork, UK funky, broken beat ---------------------------------------------

JERSEY_KICKS = "X..X..X...X.X..."  # five kicks a bar

JERSEY_FIVE = Score(
    "jersey_five", "Jersey / five-kick foundation", TWO_BARS,
    two_dimensional_motions=BOUNCE_AND_STEP,
    kick=grid(JERSEY_KICKS * 2),
    snare=backbeat(2),
    hats=offbeat_eighths(2, "o"),
    perc=grid("..o...o...o...o.|..o...o.....o.o."),  # bed-squeak chops
    bass=bassline("0.....0...0.....|7.....7...5.....", 0.8),
)

JERSEY_CALL = Score(
    "jersey_call", "Jersey / call and turnaround", TWO_BARS,
    kick=grid(JERSEY_KICKS + "|X...X...X.xxxx.x"),  # bar two turns the call around
    snare=grid("....X.......X...|....X.......o.oX"),
    hats=offbeat_eighths(2, "x"),
    perc=grid("...o...o....o...|.o...o.....o...."),
    bass=bassline("0=....0=..3=....|5=......7=7=7=..", 0.8),
)

FOOTWORK_TRIPLET = Score(
    "footwork_triplet", "Footwork / triplet bass reply", TWO_BARS,
    kick=grid("X..X..X.X..X..X.|X..X..X........."),
    snare=grid("....x.......x..." * 2),
    hats=tuplet(0, TWO_BARS, 24, (0.7, 0.3, 0.5)),  # eighth-note triplets throughout
    bass=join(bassline("0=====..........|................", 0.9), tuplet_notes(BAR, BAR, (0, 0, 7, 5, 3, 0), 0.9)),
)

FOOTWORK_SPARSE = Score(
    "footwork_sparse", "Footwork / interrupted half-time", TWO_BARS,
    kick=grid("X..X......X.....|X.....X........."),
    snare=grid("........X.......|..............X."),
    hats=join(tuplet(0, BAR, 12, (0.7, 0.3, 0.5)), tuplet(BAR + 128, 128, 6, (0.7, 0.3, 0.5))),  # broken off for half a bar
    bass=bassline("0=====..........|......5=====....", 0.9),
)

FUNKY_TOMS = Score(
    "funky_toms", "UK funky / tom-led skips", TWO_BARS,
    kick=four_on_the_floor(2),
    snare=grid("....x.......x...|....x......gx..."),
    hats=swing(grid(".gxg" * 8), GARAGE_SWING),
    perc=swing(pitched("..h..m.l...h.l..|h..m..l...m..l.l", TOMS), GARAGE_SWING),
    bass=bassline("0=....0=....7=..|0=....0=..5=3=..", 0.85),
)

FUNKY_SYNCOPATED = Score(
    "funky_syncopated", "UK funky / broken response", TWO_BARS,
    kick=grid("X.....x...X.....|X..x....X.....x."),
    snare=grid("....X.......X...|....X.......X.X."),
    hats=swing(sixteenths(2, "gxog"), GARAGE_SWING),
    perc=swing(grid("...o..o.......o.|.o......o..o...."), GARAGE_SWING),
    bass=bassline("..0=....0=....7.|...0=..5....3=..", 0.85),
)

BROKEN_PUSH = Score(
    "broken_push", "Broken beat / early-and-late answers", TWO_BARS,
    kick=grid("X......x..X.....|X..x......X...x."),
    snare=nudge(backbeat(2), {4: -4, 12: 5, 20: -3, 28: 4}),  # each backbeat a little early or late
    hats=nudge(eighths(2, "x", "o"), {6: 3, 14: -2, 22: 3, 30: -2}),
    perc=grid("......o.......o.|...o......o....."),
    bass=bassline("0=.....0=.7=....|0=..3=....5=..0.", 0.85),
)

BROKEN_SHUFFLE = Score(
    "broken_shuffle", "Broken beat / shuffled rim circuit", TWO_BARS,
    kick=grid("X.....x...X.....|X.......x.x....."),
    snare=swing(grid("....X....g..X...|....X.......X..g"), SHUFFLE),
    hats=swing(sixteenths(2, "xogo"), SHUFFLE),
    perc=swing(grid(".o..o..o..o..o..|.o..o..o..o..o.o"), SHUFFLE),  # rims every three sixteenths around the bar
    bass=swing(bassline("0=...0....7=..5.|0=...3....5=..7."), SHUFFLE),
)


SCORES: Tuple[Score, ...] = (
    FOUR_FLOOR, HOUSE_CLASSIC, HOUSE_SHUFFLE, HOUSE_JACK, TECHNO_DRIVE, TECHNO_TOMS, TECHNO_BROKEN, TECHNO_POLYMETER,
    UKG_TWO_STEP, UKG_SKIP, UKG_FOUR_FOUR, SPEED_GARAGE, BASSLINE, GRIME_SPARSE, GRIME_SYNCOPATED, GRIME_HALF,
    DRILL_TRESILLO, DRILL_DISPLACED, DRILL_ROLLS, AMEN_FOUR_BAR, AMEN_NO_GHOSTS, JUNGLE_CHOPS, JUNGLE_GHOSTS, JUNGLE_SWITCH,
    DNB_TWO_STEP, DNB_ROLLING, DNB_HALF, DUBSTEP_HALF, DUBSTEP_SKIP, TRAP_TRILLS, ELECTRO, TRANCE,
    RAVE_BREAKS, DEMBOW, DISCO, AMAPIANO, JERSEY_FIVE, JERSEY_CALL, FOOTWORK_TRIPLET, FOOTWORK_SPARSE,
    FUNKY_TOMS, FUNKY_SYNCOPATED, BROKEN_PUSH, BROKEN_SHUFFLE, AFRO_BELL, AFRO_CROSS, GQOM_SPACE, GQOM_EXCHANGE,
    BAILE_TOMS, BAILE_RESPONSE, REGGAE_ONE_DROP, REGGAE_STEPPERS, REGGAE_ROCKERS, SON_CLAVE_32, SON_CLAVE_23, PSY_ROLLING,
    PSY_OFFBEAT, HARD_REVERSE, ITALO_MACHINE, ELECTRO_ROBOT, ACID_PERCUSSION, TECHNO_RUMBLE, UKG_RIM_SHUFFLE, DNB_PUSH,
    JUNGLE_SWITCHBACK, AMAPIANO_ANSWER, DANCEHALL_SPACE, DEMBOW_PUSH,
)

SCORE_BY_STYLE: Dict[str, Score] = {score.style: score for score in SCORES}
