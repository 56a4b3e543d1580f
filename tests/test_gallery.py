"""The gallery site: its files, its data against the module, and the page in a real browser."""

from __future__ import annotations

import base64
import math
import json
import re
import struct
import time
from pathlib import Path

import pytest

import pivolet
from catalogue_rows import ROWS, pick
from browser_session import console_errors, wait_for
from show_commands import run_show
from pivolet_show.picture import motion_figures
from pivolet_show.gallery import Group, write_site
from pivolet_show.motion.catalogue import load_loop
from pivolet_show.motion.loops import Loop

NAMES = [row["name"] for row in ROWS]
RUDIMENTS = {name for name in NAMES if callable(getattr(pivolet, name, None))}
DATA_CALL = re.compile(r"^pivoletGallery\.receive\((.*)\);\n$", re.S)


# Opened in the browser: chosen by shape, never by a fixed name.
THREE_D = pick(lambda row: row["dimensions"] == 3)
CATALOGUE_ENTRY = ROWS[-1]
LONGEST = max(ROWS, key=lambda row: row["period_pips"])
SHORTEST = min(ROWS, key=lambda row: row["period_pips"])
# A loop that fills little of the cube, so that true scale and fit draw it very differently.
QUIET = min((row for row in ROWS if row["dimensions"] == 3), key=lambda row: max(load_loop(row["name"]).peak))
FAST_BPM = 300


@pytest.fixture(scope="session")
def site(tmp_path_factory) -> Path:
    out = tmp_path_factory.mktemp("gallery")
    finished = run_show("gallery", "--out", out)
    assert finished.status == 0, finished.err
    index = Path(finished.out.strip())
    assert index == out / "index.html"
    return out


def _decoded(site: Path, name: str) -> dict:
    text = (site / "patterns" / f"{name}.js").read_text(encoding="ascii")
    match = DATA_CALL.match(text)
    assert match, text[:80]
    return json.loads(match.group(1))


# ---- the files ----

def test_one_data_script_per_built_in(site):
    assert sorted(path.stem for path in (site / "patterns").glob("*.js")) == sorted(NAMES)


@pytest.mark.parametrize("row", [ROWS[0], THREE_D, CATALOGUE_ENTRY, LONGEST, ROWS[len(ROWS) // 2]],
                         ids=lambda row: row["name"])
def test_data_scripts_hold_the_module_samples_bit_for_bit(site, row):
    data = _decoded(site, row["name"])
    assert {key: data[key] for key in ("name", "description", "period_pips", "dimensions")} == row
    components = data["components"]
    values = struct.unpack(f"<{row['period_pips'] * components}d", base64.b64decode(data["samples"]))
    for pip in range(row["period_pips"]):
        expected = pivolet.sample(row["name"], pip).as_tuple()
        stored = values[pip * components:(pip + 1) * components]
        assert stored == expected[:components] and all(v == 0.0 for v in expected[components:]), pip


def test_index_lists_every_built_in_once(site):
    page = (site / "index.html").read_text(encoding="utf-8")
    assert sorted(re.findall(r'<li class="card" data-name="([a-z0-9_]+)"', page)) == sorted(NAMES)


# ---- the page in Chromium ----

@pytest.fixture
def page(browser, site):
    browser.get((site / "index.html").as_uri())
    yield browser
    assert console_errors(browser) == []


def _visible_names(driver) -> list[str]:
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('.card')).filter(c => c.offsetParent !== null)"
        ".map(c => c.dataset.name);")


def _set_control(driver, element_id: str, value) -> None:
    driver.execute_script(
        "const control = document.getElementById(arguments[0]); control.value = arguments[1];"
        "control.dispatchEvent(new Event('input', {bubbles: true}));"
        "control.dispatchEvent(new Event('change', {bubbles: true}));", element_id, str(value))


def _open(driver, row: dict) -> None:
    if driver.find_element("id", "viewer").is_displayed():
        driver.find_element("id", "viewer-close").click()
        wait_for(lambda: not driver.find_element("id", "viewer").is_displayed(), "the view to close")
    card = driver.find_element("css selector", f'.card[data-name="{row["name"]}"] a')
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'});", card)
    card.click()
    wait_for(lambda: driver.execute_script("return document.getElementById('viewer').dataset.pattern") == row["name"],
          f"the view of {row['name']}")


def _position(driver) -> dict:
    """The readout's values and, under "text", what it says, read in one go while the view plays."""
    return driver.execute_script(
        "const readout = document.getElementById('position');"
        "return Object.assign({text: readout.textContent}, readout.dataset);")


def _seek(driver, pip: int) -> dict:
    _set_control(driver, "seek", pip)
    return _position(driver)


def test_page_loads_without_console_errors(browser, site):
    browser.get((site / "index.html").as_uri())
    wait_for(lambda: browser.execute_script("return document.readyState") == "complete", "the page")
    assert console_errors(browser) == []


def test_every_built_in_has_a_drawn_thumbnail_with_three_lanes(page):
    drawn = page.execute_script(
        "return Array.from(document.querySelectorAll('.card svg.thumb')).map(svg => ["
        "  Array.from(svg.querySelectorAll('polyline')).some(p => p.getBBox().width + p.getBBox().height > 0),"
        "  Array.from(svg.querySelectorAll('.lane')).map(g => g.classList[1]).slice(-3).join(' ')]);")
    assert len(drawn) == len(ROWS)
    assert all(visible for visible, _ in drawn)
    assert {lanes for _, lanes in drawn} == {"x y z"}
    assert sorted(_visible_names(page)) == sorted(NAMES)


# Every point of every thumbnail, where the page draws it, to the whole pixel.
THUMBNAIL_PIXELS = """
const drawings = {};
for (const card of document.querySelectorAll('.card')) {
  const lines = [];
  for (const line of card.querySelectorAll('svg.thumb polyline')) {
    const m = line.getScreenCTM();
    const pixels = [];
    for (let i = 0; i < line.points.numberOfItems; i++) {
      const p = line.points.getItem(i);
      pixels.push(Math.round(m.a * p.x + m.c * p.y + m.e) + ',' + Math.round(m.b * p.x + m.d * p.y + m.f));
    }
    lines.push(pixels.join(' '));
  }
  drawings[card.dataset.name] = [card.dataset.family, lines.join('|')];
}
return drawings;
"""


@pytest.mark.parametrize("fit", [False, True], ids=["true scale", "fit"])
def test_thumbnails_within_each_family_differ_on_screen(page, fit):
    if fit:
        page.find_element("id", "fit-toggle").click()
    families: dict[str, dict[str, list[str]]] = {}
    for name, (family, pixels) in page.execute_script(THUMBNAIL_PIXELS).items():
        families.setdefault(family, {}).setdefault(pixels, []).append(name)
    assert sum(len(names) for drawings in families.values() for names in drawings.values()) == len(ROWS)
    alike = [names for drawings in families.values() for names in drawings.values() if len(names) > 1]
    assert alike == []


def test_card_names_break_only_after_underscores(page):
    # Each character's line, found from its own box; a new line may begin only after an underscore.
    breaks = page.execute_script("""
      const found = {wrapped: 0, elsewhere: []};
      const range = document.createRange();
      for (const span of document.querySelectorAll('.card-name')) {
        const characters = [];
        const walker = document.createTreeWalker(span, NodeFilter.SHOW_TEXT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
          for (let i = 0; i < node.length; i++) {
            range.setStart(node, i);
            range.setEnd(node, i + 1);
            characters.push([node.data[i], range.getBoundingClientRect().top]);
          }
        }
        let wrapped = false;
        for (let i = 1; i < characters.length; i++) {
          if (characters[i][1] > characters[i - 1][1] + 1) {
            wrapped = true;
            if (characters[i - 1][0] !== '_') found.elsewhere.push(span.textContent);
          }
        }
        if (wrapped) found.wrapped++;
      }
      return found;""")
    assert breaks["elsewhere"] == []
    assert breaks["wrapped"] > 0, "no name is long enough to wrap, so nothing was checked"


def test_thumbnails_are_grouped_by_family(page):
    groups = page.execute_script(
        "return Array.from(document.querySelectorAll('.family')).map(s => "
        "[s.dataset.family, Array.from(s.querySelectorAll('.card')).map(c => c.dataset.name)]);")
    listed = [name for _, names in groups for name in names]
    assert sorted(listed) == sorted(NAMES)
    # Groups stand in the order in which their first member appears in the catalogue, and keep
    # catalogue order within.
    first_index = [NAMES.index(names[0]) for _, names in groups]
    assert first_index == sorted(first_index)
    for family, names in groups:
        assert names == [name for name in NAMES if name in set(names)]
        if set(names) & RUDIMENTS:
            assert set(names) == RUDIMENTS
        else:
            assert all(name.startswith(family + "_") for name in names), family


@pytest.mark.parametrize("text", [NAMES[0][:3], CATALOGUE_ENTRY["name"], "_1", "zzz_no_match"])
def test_name_filter_narrows_to_matching_names(page, text):
    _set_control(page, "filter-name", text)
    expected = [name for name in NAMES if text in name]
    assert sorted(_visible_names(page)) == sorted(expected)
    assert page.find_element("id", "shown-count").get_attribute("data-shown") == str(len(expected))


@pytest.mark.parametrize("dimensions", [1, 2, 3])
def test_dimension_filter_narrows_to_that_count(page, dimensions):
    _set_control(page, "filter-dimensions", dimensions)
    assert sorted(_visible_names(page)) == sorted(row["name"] for row in ROWS if row["dimensions"] == dimensions)


def test_family_filter_narrows_to_one_group(page):
    families = page.execute_script(
        "return Array.from(document.querySelectorAll('#filter-family option')).map(o => o.value).filter(v => v);")
    assert len(families) >= 2
    for family in (families[0], families[1], families[-1]):
        _set_control(page, "filter-family", family)
        shown = _visible_names(page)
        assert shown and len(shown) < len(NAMES)
        if set(shown) & RUDIMENTS:
            assert set(shown) == RUDIMENTS
        else:
            assert all(name.startswith(family + "_") for name in shown)
        assert len(shown) == int(page.find_element("id", "shown-count").get_attribute("data-shown"))


def test_filters_combine(page):
    _set_control(page, "filter-dimensions", 3)
    _set_control(page, "filter-name", THREE_D["name"][:2])
    expected = [row["name"] for row in ROWS if row["dimensions"] == 3 and THREE_D["name"][:2] in row["name"]]
    assert sorted(_visible_names(page)) == sorted(expected) and THREE_D["name"] in expected


@pytest.mark.parametrize("row", [THREE_D, CATALOGUE_ENTRY], ids=lambda row: row["name"])
def test_opened_pattern_animates(page, row):
    _open(page, row)
    canvas = page.find_element("id", "viewer-canvas")
    first = page.execute_script("return arguments[0].toDataURL();", canvas)
    wait_for(lambda: page.execute_script("return arguments[0].toDataURL();", canvas) != first, "the canvas to move")
    assert page.find_element("id", "viewer-name").text == row["name"]


def _pause(driver) -> None:
    if driver.find_element("id", "viewer").get_attribute("data-playing") == "true":
        driver.find_element("id", "play-toggle").click()
    assert driver.find_element("id", "viewer").get_attribute("data-playing") == "false"


def _shown_point(position: dict) -> tuple[float, ...]:
    return tuple(float(position[axis]) for axis in "xyz")


@pytest.mark.parametrize("row", [THREE_D, CATALOGUE_ENTRY, LONGEST], ids=lambda row: row["name"])
def test_seeking_shows_the_module_positions_and_wraps_at_the_loop_end(page, row):
    _open(page, row)
    _pause(page)
    period = row["period_pips"]
    for pip in (0, 1, period // 3, period - 1):
        shown = _seek(page, pip)
        assert (shown["pip"], shown["loop"]) == (str(pip), "1")
        assert _shown_point(shown) == pivolet.sample(row["name"], pip).as_tuple(), pip
    # The seek bar's far end is the loop's end: the start of the next loop.
    at_end = _seek(page, period)
    assert (at_end["pip"], at_end["loop"]) == ("0", "2")
    assert _shown_point(at_end) == pivolet.sample(row["name"], 0).as_tuple()
    assert at_end["text"].startswith(f"loop 2 · pip 0 of {period} ·"), at_end["text"]


@pytest.mark.parametrize("row", [SHORTEST, THREE_D, LONGEST], ids=lambda row: row["name"])
def test_readout_wraps_at_the_loop_end_and_counts_loops(page, row):
    _open(page, row)
    _pause(page)
    period = row["period_pips"]
    _set_control(page, "tempo", FAST_BPM)
    _seek(page, period - 1)
    page.find_element("id", "play-toggle").click()
    shown = wait_for(lambda: (lambda position: position if position["loop"] != "1" else None)(_position(page)),
                  "the next loop")
    # However long the browser took to answer, the pip stays within the loop and the count goes on.
    loop, pip = int(shown["loop"]), int(shown["pip"])
    assert loop >= 2 and 0 <= pip < period
    assert _shown_point(shown) == pivolet.sample(row["name"], pip).as_tuple()
    assert shown["text"].startswith(f"loop {loop} · pip {pip} of {period} ·"), shown["text"]


def test_tempo_sets_the_speed(page):
    _open(page, LONGEST)
    period = LONGEST["period_pips"]

    def pips_advanced(bpm: float) -> float:
        _set_control(page, "tempo", bpm)
        start = _seek(page, 0)
        time.sleep(0.5)
        position = _position(page)
        return (int(position["loop"]) - int(start["loop"])) * period + int(position["pip"])

    slow, fast = pips_advanced(30), pips_advanced(300)
    assert fast > 3 * max(slow, 1.0)


def test_synth_toggle_starts_audio(page):
    _open(page, THREE_D)
    toggle = page.find_element("id", "synth-toggle")
    assert toggle.get_attribute("data-audio-state") == "none"
    toggle.click()
    wait_for(lambda: toggle.get_attribute("data-audio-state") == "running", "a running audio context")
    assert page.execute_script("return window.pivoletGallery.audioState;") == "running"
    assert toggle.get_attribute("aria-pressed") == "true"
    toggle.click()
    wait_for(lambda: toggle.get_attribute("data-audio-state") == "suspended", "a suspended audio context")


def test_closing_the_view_and_opening_by_address(page, site):
    _open(page, THREE_D)
    page.find_element("id", "viewer-close").click()
    wait_for(lambda: not page.find_element("id", "viewer").is_displayed(), "the view to close")
    page.get((site / "index.html").as_uri() + "#" + CATALOGUE_ENTRY["name"])
    wait_for(lambda: page.execute_script("return document.getElementById('viewer').dataset.pattern")
          == CATALOGUE_ENTRY["name"], "the view opened by address")


# ---- the time view, the scale and the figures ----

def _lanes(driver) -> list[dict]:
    return driver.execute_script("""
      return Array.from(document.querySelectorAll('#time-view .lane')).map(lane => {
        const frame = lane.querySelector('rect.lane-frame');
        const line = document.querySelector(`#time-view polyline.lane-line[data-axis="${lane.dataset.axis}"]`);
        return {axis: lane.dataset.axis, points: line.getAttribute('points'),
                left: +frame.getAttribute('x'), top: +frame.getAttribute('y'),
                width: +frame.getAttribute('width'), height: +frame.getAttribute('height')};
      });""")


def _playhead(driver) -> tuple[float, str]:
    playhead = driver.find_element("id", "playhead")
    return float(playhead.get_attribute("x1")), playhead.get_attribute("data-pip")


def _canvas_image(driver) -> str:
    return driver.execute_script("return document.getElementById('viewer-canvas').toDataURL();")


@pytest.mark.parametrize("row", [THREE_D, QUIET, CATALOGUE_ENTRY], ids=lambda row: row["name"])
@pytest.mark.parametrize("fit", [False, True], ids=["true scale", "fit"])
def test_time_view_draws_the_three_lanes_of_the_samples(page, row, fit):
    if fit:
        page.find_element("id", "fit-toggle").click()
    _open(page, row)
    loop = load_loop(row["name"])
    extent = max(0.1, *loop.peak) if fit else 1.0
    assert float(page.find_element("id", "time-view").get_attribute("data-extent")) == pytest.approx(extent)
    lanes = _lanes(page)
    assert [lane["axis"] for lane in lanes] == ["x", "y", "z"]
    for index, lane in enumerate(lanes):
        points = [tuple(map(float, pair.split(","))) for pair in lane["points"].split()]
        assert len(points) == row["period_pips"] + 1
        for pip, (x, y) in enumerate(points):
            value = loop.at(pip)[index]
            assert x == pytest.approx(lane["left"] + lane["width"] * pip / row["period_pips"])
            assert y == pytest.approx(lane["top"] + lane["height"] / 2 * (1 - value / extent)), (lane["axis"], pip)


def test_time_view_playhead_moves_with_the_point(page):
    _open(page, THREE_D)
    period = THREE_D["period_pips"]
    first = _playhead(page)
    wait_for(lambda: _playhead(page) != first, "the playhead to move while playing")
    _pause(page)
    lane = _lanes(page)[0]
    for pip in (0, period // 3, period - 1):
        _seek(page, pip)
        x, shown_pip = _playhead(page)
        assert shown_pip == str(pip)
        assert x == pytest.approx(lane["left"] + lane["width"] * pip / period)


def test_fit_toggle_changes_the_view_and_the_thumbnails(page):
    _open(page, QUIET)
    _pause(page)
    _seek(page, QUIET["period_pips"] // 3)
    canvas = page.find_element("id", "viewer-canvas")
    true_image, true_scale = _canvas_image(page), float(canvas.get_attribute("data-scale"))
    true_lanes = _lanes(page)

    def thumbnail_transform() -> str:
        return page.execute_script(
            "return getComputedStyle(document.querySelector(`.card[data-name='${arguments[0]}'] .space`)).transform;",
            QUIET["name"])

    true_thumbnail = thumbnail_transform()
    page.find_element("id", "viewer-fit").click()
    assert page.find_element("id", "fit-toggle").is_selected()
    assert _canvas_image(page) != true_image
    assert float(canvas.get_attribute("data-scale")) > 2 * true_scale
    assert _lanes(page) != true_lanes
    assert thumbnail_transform() == "none" != true_thumbnail

    page.find_element("id", "viewer-fit").click()
    assert _canvas_image(page) == true_image and _lanes(page) == true_lanes
    assert thumbnail_transform() == true_thumbnail


def test_true_scale_draws_every_loop_at_one_scale(page):
    scales = {}
    for row in (QUIET, LONGEST, ROWS[0]):
        _open(page, row)
        scales[row["name"]] = float(page.find_element("id", "viewer-canvas").get_attribute("data-scale"))
        assert page.find_element("id", "time-view").get_attribute("data-extent") == "1"
    assert len(set(scales.values())) == 1, scales


FIGURE_ROWS = [THREE_D, QUIET, LONGEST, CATALOGUE_ENTRY]
FIGURE_BPM = 97.5
FIGURE_KEYS = ("peakX", "peakY", "peakZ", "largestStep", "largestStepPip", "largestStepChange",
               "largestStepChangePip", "largestSpeed", "largestAcceleration")


def _expected_figures(loop: Loop, bpm: float) -> dict[str, float]:
    figures = motion_figures.measure(loop)
    return dict(zip(FIGURE_KEYS, (*figures.peak, figures.largest_step, figures.largest_step_pip,
                                  figures.largest_step_change, figures.largest_step_change_pip,
                                  figures.largest_speed(bpm), figures.largest_acceleration(bpm))))


def _shown_figures(driver) -> tuple[dict[str, float], list[str]]:
    data = driver.execute_script("return Object.assign({}, document.getElementById('figures').dataset);")
    lines = driver.execute_script(
        "return Array.from(document.querySelectorAll('#figures > div')).map(row => row.dataset.text);")
    return {key: float(data[key]) for key in FIGURE_KEYS}, lines


@pytest.mark.parametrize("row", FIGURE_ROWS, ids=lambda row: row["name"])
def test_figures_shown_equal_those_of_the_module_samples(page, row):
    _open(page, row)
    _set_control(page, "tempo", FIGURE_BPM)
    shown, lines = _shown_figures(page)
    loop = load_loop(row["name"])
    # The page measures the same doubles in the same order, so the figures agree to the last bit.
    assert shown == _expected_figures(loop, FIGURE_BPM)
    assert lines == motion_figures.describe(motion_figures.measure(loop), FIGURE_BPM)
    # Each line reads as its term and the rest: "Peak" and "x 0.178  y ...".
    shown_rows = page.execute_script(
        "return Array.from(document.querySelectorAll('#figures > div')).map(row => "
        "row.querySelector('dt').textContent + ': ' + row.querySelector('dd').textContent);")
    assert shown_rows == lines


# ---- loops that are not built-ins ----

def _user_loop() -> Loop:
    # 100 pips: not a whole number of beats, moving on all three axes, with a jump at the seam.
    period = 100
    points = tuple((pip / period - 0.5, 0.3 * math.sin(2 * math.pi * pip / period), 0.2 if pip % 25 < 5 else -0.1)
                   for pip in range(period))
    return Loop("user_ramp_study", "A user loop of one hundred pips.", period, 3, points)


@pytest.fixture(scope="module")
def user_site(tmp_path_factory) -> Path:
    out = tmp_path_factory.mktemp("user-gallery")
    write_site(out, [Group("user", "user patterns", [_user_loop()])])
    return out


def test_a_group_of_other_loops_gets_the_same_card_and_view(browser, user_site):
    loop = _user_loop()
    browser.get((user_site / "index.html").as_uri())
    groups = browser.execute_script(
        "return Array.from(document.querySelectorAll('.family')).map(s => [s.dataset.family, s.querySelector('h2').textContent,"
        " Array.from(s.querySelectorAll('.card')).map(c => c.dataset.name)]);")
    assert groups == [["user", "user patterns 1", [loop.name]]]
    _open(browser, {"name": loop.name})
    _pause(browser)
    assert len(_lanes(browser)) == 3
    shown = _seek(browser, loop.period_pips - 1)
    assert _shown_point(shown) == loop.points[-1]
    assert _shown_figures(browser)[0] == _expected_figures(loop, 120.0)
    assert console_errors(browser) == []
