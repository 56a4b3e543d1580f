"""Writes the gallery: index.html with every built-in's thumbnail, the page's script and style, the
drawing and synth settings, and one data script per pattern that the page loads when it is opened.
Patterns of the user's own follow the built-ins in a group of their own."""

from __future__ import annotations

import json
import shutil
from collections.abc import Sequence
from html import escape
from pathlib import Path

import pivolet

from pivolet_show import projection, synth_mapping
from pivolet_show.gallery import pattern_data, thumbnails
from pivolet_show.patterns import RUDIMENT_GROUP, Loop, builtin_rows, family_of, sample_loop

STATIC_DIR = Path(__file__).with_name("static")
STATIC_FILES = ("gallery.css", "gallery.js")
PATTERN_DIR = "patterns"
SETTINGS_FILE = "settings.js"
PAGE_TITLE = "pivolet gallery"
RUDIMENT_GROUP_LABEL = "analytic rudiments"
# Not a family prefix: family names are words of lower-case letters, never with a space.
INCLUDED_GROUP = "your patterns"


def _settings_script() -> str:
    settings = {
        "pipsPerBeat": pivolet.PIPS_PER_BEAT,
        "patternDir": PATTERN_DIR,
        "projection": projection.settings(),
        "synth": synth_mapping.settings(),
    }
    return f"window.PIVOLET_SETTINGS = {json.dumps(settings, indent=1)};\n"


def _group_label(family: str) -> str:
    if family == INCLUDED_GROUP:
        return INCLUDED_GROUP
    return RUDIMENT_GROUP_LABEL if family == RUDIMENT_GROUP else f"{family}_…"


def _beats(beats: float) -> str:
    return f"{beats:g} beat{'' if beats == 1 else 's'}"


def _card(loop: Loop, family: str) -> str:
    name = escape(loop.name)
    return (
        f'<li class="card" data-name="{name}" data-family="{escape(family)}" data-dimensions="{loop.dimensions}">'
        f'<a href="#{name}" title="{escape(loop.description)}">'
        f"{thumbnails.render(loop)}"
        f'<span class="card-name">{name}</span>'
        f'<span class="card-meta">{_beats(loop.beats)} · {loop.dimensions}D</span>'
        "</a></li>"
    )


def _page(groups: dict[str, list[str]], total: int) -> str:
    family_options = "".join(
        f'<option value="{escape(family)}">{escape(_group_label(family))} ({len(cards)})</option>'
        for family, cards in groups.items()
    )
    sections = "\n".join(
        f'<section class="family" data-family="{escape(family)}">'
        f'<h2>{escape(_group_label(family))} <span class="count">{len(cards)}</span></h2>'
        f'<ul class="cards">{"".join(cards)}</ul></section>'
        for family, cards in groups.items()
    )
    return f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{PAGE_TITLE}</title>
<link rel="icon" href="data:,">
<link rel="stylesheet" href="gallery.css">
</head>
<body>
<header class="top">
<h1>{PAGE_TITLE}</h1>
<p>Every built-in pattern of the module, drawn from its own samples. Depth recedes up and to the right;
nearer points are larger and brighter. Open a pattern to watch it move and hear it.</p>
<form id="filters" class="filters" onsubmit="return false">
<label>Name <input id="filter-name" type="search" placeholder="e.g. house, euclid_5" autocomplete="off"></label>
<label>Family <select id="filter-family"><option value="">all families</option>{family_options}</select></label>
<label>Dimensions <select id="filter-dimensions"><option value="">any</option><option value="1">1</option><option value="2">2</option><option value="3">3</option></select></label>
<output id="shown-count" data-shown="{total}">{total} of {total} patterns</output>
</form>
</header>
<main id="groups">
{sections}
</main>
<div id="viewer" class="viewer" hidden>
<div class="viewer-panel" role="dialog" aria-modal="true" aria-labelledby="viewer-name">
<header class="viewer-head"><h2 id="viewer-name"></h2><button id="viewer-close" type="button" aria-label="Close">✕</button></header>
<p id="viewer-description" class="description"></p>
<p id="viewer-info" class="info"></p>
<canvas id="viewer-canvas" width="720" height="520"></canvas>
<div class="controls">
<button id="play-toggle" type="button">Pause</button>
<label>Tempo <input id="tempo" type="number" min="20" max="300" step="1" value="120"> BPM</label>
<label class="seek">Pip <input id="seek" type="range" min="0" max="0" step="1" value="0"></label>
<button id="synth-toggle" type="button" aria-pressed="false" data-audio-state="none">Synth off</button>
</div>
<p id="position" class="position"></p>
</div>
</div>
<script src="{SETTINGS_FILE}"></script>
<script src="gallery.js"></script>
</body>
</html>
"""


def build_site(out_dir: Path, included: Sequence[Loop] = ()) -> Path:
    """Writes the gallery into out_dir, the built-ins and then the `included` patterns, and returns
    the path of its index.html."""
    pattern_dir = out_dir / PATTERN_DIR
    pattern_dir.mkdir(parents=True, exist_ok=True)
    # A rebuild after the catalogue changed must not leave scripts of patterns that are gone.
    for stale in pattern_dir.glob("*.js"):
        stale.unlink()
    for static in STATIC_FILES:
        shutil.copyfile(STATIC_DIR / static, out_dir / static)
    (out_dir / SETTINGS_FILE).write_text(_settings_script(), encoding="utf-8")

    groups: dict[str, list[str]] = {}
    shown = [(sample_loop(row), family_of(row["name"])) for row in builtin_rows()]
    shown += [(loop, INCLUDED_GROUP) for loop in included]
    for loop, family in shown:
        groups.setdefault(family, []).append(_card(loop, family))
        (pattern_dir / pattern_data.file_name(loop.name)).write_text(pattern_data.script(loop), encoding="ascii")

    index = out_dir / "index.html"
    index.write_text(_page(groups, len(shown)), encoding="utf-8")
    return index
