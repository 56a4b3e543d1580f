"""Writes the gallery: index.html with a thumbnail of every pattern in groups, the page's scripts and
style, the drawing and synth settings, and one data script per pattern that the page loads when it
is opened.

The built-ins come in one group per family; patterns of the user's own follow them in a group of
their own. Any other groups of loops can be written the same way, with the same cards and view.
"""

from __future__ import annotations

import dataclasses
import json
import shutil
from collections.abc import Iterable, Sequence
from html import escape
from pathlib import Path
from typing import TYPE_CHECKING

import pivolet

from pivolet_show.checks import DEFAULT_BEATS_PER_BAR as BEATS_PER_BAR
from pivolet_show.gallery import pattern_data, thumbnails
from pivolet_show.motion.catalogue import RUDIMENT_GROUP, builtin_rows, family_of, sample_loop
from pivolet_show.motion.loops import Loop
from pivolet_show.picture import projection, time_lanes
from pivolet_show.picture.labels import counted
from pivolet_show.sound import synth_mapping

if TYPE_CHECKING:
    from pivolet import _CatalogueRow as CatalogueRow

STATIC_DIR = Path(__file__).with_name("static")
# The page's scripts, in the order it loads them: the figures and views before the page that uses them.
SCRIPT_FILES = ("motion-figures.js", "labels.js", "synth.js", "spatial-view.js", "time-view.js", "gallery.js")
STATIC_FILES = ("gallery.css", *SCRIPT_FILES)
PATTERN_DIR = "patterns"
SETTINGS_FILE = "settings.js"
PAGE_TITLE = "pivolet gallery"
RUDIMENT_GROUP_LABEL = "analytic rudiments"
# Not a family prefix: family names are words of lower-case letters, never with a space.
INCLUDED_GROUP = "your patterns"


@dataclasses.dataclass(frozen=True)
class Group:
    """One section of cards: a key for the family filter, a heading, and its loops, taken once, in order."""

    key: str
    label: str
    loops: Iterable[Loop]


def _family_label(family: str) -> str:
    return RUDIMENT_GROUP_LABEL if family == RUDIMENT_GROUP else f"{family}_…"


def builtin_groups() -> list[Group]:
    """Every built-in, one group per family, the groups in the order their first member is listed.

    Each group samples its loops only when it is read, so a build holds one loop at a time.
    """
    rows_by_family: dict[str, list[CatalogueRow]] = {}
    for row in builtin_rows():
        rows_by_family.setdefault(family_of(row["name"]), []).append(row)
    return [Group(family, _family_label(family), (sample_loop(row) for row in rows))
            for family, rows in rows_by_family.items()]


def _settings_script() -> str:
    settings = {
        "pipsPerBeat": pivolet.PIPS_PER_BEAT,
        "beatsPerBar": BEATS_PER_BAR,
        "patternDir": PATTERN_DIR,
        "projection": projection.settings(),
        "minFitExtent": time_lanes.MIN_FIT_EXTENT,
        "trueScaleClass": thumbnails.TRUE_SCALE_CLASS,
        "synth": synth_mapping.settings(),
    }
    return f"window.PIVOLET_SETTINGS = {json.dumps(settings, indent=1)};\n"


def _breakable(name: str) -> str:
    """The escaped name with a line-break opportunity after each underscore, and nowhere else."""
    return "_<wbr>".join(escape(part) for part in name.split("_"))


def _card(loop: Loop, family: str) -> str:
    name = escape(loop.name)
    return (
        f'<li class="card" data-name="{name}" data-family="{escape(family)}" data-dimensions="{loop.dimensions}">'
        f'<a href="#{name}" title="{escape(loop.description)}">'
        f"{thumbnails.render(loop)}"
        f'<span class="card-name">{_breakable(loop.name)}</span>'
        f'<span class="card-meta">{counted(loop.beats, "beat")} · {loop.dimensions}D · peak {max(loop.peak):.2f}</span>'
        "</a></li>"
    )


@dataclasses.dataclass(frozen=True)
class _Section:
    key: str
    label: str
    cards: list[str]


def _page(sections: list[_Section], total: int) -> str:
    family_options = "".join(
        f'<option value="{escape(section.key)}">{escape(section.label)} ({len(section.cards)})</option>'
        for section in sections
    )
    groups = "\n".join(
        f'<section class="family" data-family="{escape(section.key)}">'
        f'<h2>{escape(section.label)} <span class="count">{len(section.cards)}</span></h2>'
        f'<ul class="cards">{"".join(section.cards)}</ul></section>'
        for section in sections
    )
    scripts = "".join(f'<script src="{name}"></script>' for name in SCRIPT_FILES)
    return f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{PAGE_TITLE}</title>
<link rel="icon" href="data:,">
<link rel="stylesheet" href="gallery.css">
</head>
<body class="{thumbnails.TRUE_SCALE_CLASS}">
<header class="top">
<h1>{PAGE_TITLE}</h1>
<p>Every pattern drawn from its own samples: the path above, with depth receding up and to the
right, at true scale in the module's [-1, 1] cube unless fitted to each loop; below, x, y and z
against time over one loop, scaled to the loop's peak, with a line at every beat (darker at every
bar of {BEATS_PER_BAR}). Open a pattern to watch it move and hear it.</p>
<form id="filters" class="filters" onsubmit="return false">
<label>Name <input id="filter-name" type="search" placeholder="e.g. house, euclid_5" autocomplete="off"></label>
<label>Family <select id="filter-family"><option value="">all families</option>{family_options}</select></label>
<label>Dimensions <select id="filter-dimensions"><option value="">any</option><option value="1">1</option><option value="2">2</option><option value="3">3</option></select></label>
<label><input id="fit-toggle" class="fit-toggle" type="checkbox"> Fit each drawing to its loop</label>
<output id="shown-count" data-shown="{total}">{total} of {total} patterns</output>
</form>
</header>
<main id="groups">
{groups}
</main>
<div id="viewer" class="viewer" hidden>
<div class="viewer-panel" role="dialog" aria-modal="true" aria-labelledby="viewer-name">
<header class="viewer-head"><h2 id="viewer-name"></h2><button id="viewer-close" type="button" aria-label="Close">✕</button></header>
<p id="viewer-description" class="description"></p>
<p id="viewer-info" class="info"></p>
<div class="views">
<canvas id="viewer-canvas" width="560" height="460" aria-label="the path in space"></canvas>
<svg id="time-view" viewBox="0 0 560 460" aria-label="x, y and z against the pip"></svg>
</div>
<div class="controls">
<button id="play-toggle" type="button">Pause</button>
<label>Tempo <input id="tempo" type="number" min="20" max="300" step="1" value="120"> BPM</label>
<label class="seek">Pip <input id="seek" type="range" min="0" max="0" step="1" value="0"></label>
<label><input id="viewer-fit" class="fit-toggle" type="checkbox"> Fit</label>
<button id="synth-toggle" type="button" aria-pressed="false" data-audio-state="none">Synth off</button>
</div>
<p id="position" class="position"></p>
<dl id="figures" class="figures"></dl>
</div>
</div>
<script src="{SETTINGS_FILE}"></script>
{scripts}
</body>
</html>
"""


def build_site(out_dir: Path, included: Sequence[Loop] = ()) -> Path:
    """Writes the gallery into out_dir, the built-ins and then the `included` patterns in a group of
    their own, and returns the path of its index.html."""
    groups = builtin_groups()
    if included:
        groups.append(Group(INCLUDED_GROUP, INCLUDED_GROUP, included))
    return write_site(out_dir, groups)


def write_site(out_dir: Path, groups: Iterable[Group]) -> Path:
    """Writes a gallery of the groups into out_dir and returns the path of its index.html."""
    pattern_dir = out_dir / PATTERN_DIR
    pattern_dir.mkdir(parents=True, exist_ok=True)
    # A rebuild after the catalogue changed must not leave scripts of patterns that are gone.
    for stale in pattern_dir.glob("*.js"):
        stale.unlink()
    for static in STATIC_FILES:
        shutil.copyfile(STATIC_DIR / static, out_dir / static)
    (out_dir / SETTINGS_FILE).write_text(_settings_script(), encoding="utf-8")

    sections = []
    for group in groups:
        cards = []
        for loop in group.loops:
            cards.append(_card(loop, group.key))
            (pattern_dir / pattern_data.file_name(loop.name)).write_text(pattern_data.script(loop), encoding="ascii")
        sections.append(_Section(group.key, group.label, cards))

    index = out_dir / "index.html"
    index.write_text(_page(sections, sum(len(section.cards) for section in sections)), encoding="utf-8")
    return index
