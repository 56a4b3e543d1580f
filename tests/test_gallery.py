"""The gallery site: its files, its data against the module, and the page in a real browser."""

from __future__ import annotations

import base64
import json
import re
import struct
import subprocess
import sys
import time
from pathlib import Path

import pytest

import pivolet
from browser_session import console_errors, start_chromium

ROWS = pivolet.catalogue()
NAMES = [row["name"] for row in ROWS]
RUDIMENTS = {name for name in NAMES if callable(getattr(pivolet, name, None))}
DATA_CALL = re.compile(r"^pivoletGallery\.receive\((.*)\);\n$", re.S)
WAIT_SECONDS = 10.0


def _pick(rule) -> dict:
    return next(row for row in ROWS if rule(row))


# Opened in the browser: chosen by shape, never by a fixed name.
THREE_D = _pick(lambda row: row["dimensions"] == 3)
CATALOGUE_ENTRY = ROWS[-1]
LONGEST = max(ROWS, key=lambda row: row["period_pips"])


@pytest.fixture(scope="session")
def site(tmp_path_factory) -> Path:
    out = tmp_path_factory.mktemp("gallery")
    finished = subprocess.run([sys.executable, "-m", "pivolet_show", "gallery", "--out", str(out)],
                              capture_output=True, text=True)
    assert finished.returncode == 0, finished.stderr
    index = Path(finished.stdout.strip())
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

@pytest.fixture(scope="module")
def browser():
    driver = start_chromium()
    yield driver
    driver.quit()


@pytest.fixture
def page(browser, site):
    browser.get((site / "index.html").as_uri())
    yield browser
    assert console_errors(browser) == []


def _wait(condition, what: str):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


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
    card = driver.find_element("css selector", f'.card[data-name="{row["name"]}"] a')
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'});", card)
    card.click()
    _wait(lambda: driver.execute_script("return document.getElementById('viewer').dataset.pattern") == row["name"],
          f"the view of {row['name']}")


def _position(driver) -> dict:
    return driver.execute_script("return Object.assign({}, document.getElementById('position').dataset);")


def _seek(driver, pip: int) -> dict:
    _set_control(driver, "seek", pip)
    return _position(driver)


def test_page_loads_without_console_errors(browser, site):
    browser.get((site / "index.html").as_uri())
    _wait(lambda: browser.execute_script("return document.readyState") == "complete", "the page")
    assert console_errors(browser) == []


def test_every_built_in_has_a_drawn_thumbnail(page):
    thumbnails = page.execute_script(
        "return Array.from(document.querySelectorAll('.card svg.thumb polyline'))"
        ".filter(p => p.getBBox().width + p.getBBox().height > 0).length;")
    assert thumbnails == len(ROWS)
    assert sorted(_visible_names(page)) == sorted(NAMES)


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
    time.sleep(0.4)
    second = page.execute_script("return arguments[0].toDataURL();", canvas)
    assert first != second
    assert page.find_element("id", "viewer-name").text == row["name"]


@pytest.mark.parametrize("row", [THREE_D, CATALOGUE_ENTRY, LONGEST], ids=lambda row: row["name"])
def test_seeking_shows_the_module_positions_and_wraps_at_the_period(page, row):
    _open(page, row)
    page.find_element("id", "play-toggle").click()
    assert page.find_element("id", "viewer").get_attribute("data-playing") == "false"
    period = row["period_pips"]
    at_period, at_zero = _seek(page, period), _seek(page, 0)
    assert at_period["pip"] == str(period) and at_zero["pip"] == "0"
    assert [float(at_period[axis]) for axis in "xyz"] == [float(at_zero[axis]) for axis in "xyz"]
    for pip in (0, 1, period // 3, period - 1, period):
        shown = _seek(page, pip)
        assert tuple(float(shown[axis]) for axis in "xyz") == pivolet.sample(row["name"], pip).as_tuple(), pip


def test_tempo_sets_the_speed(page):
    _open(page, LONGEST)

    def pips_advanced(bpm: float) -> float:
        _set_control(page, "tempo", bpm)
        _seek(page, 0)
        time.sleep(0.5)
        return float(_position(page)["pip"])

    slow, fast = pips_advanced(30), pips_advanced(300)
    assert fast > 3 * max(slow, 1.0)


def test_synth_toggle_starts_audio(page):
    _open(page, THREE_D)
    toggle = page.find_element("id", "synth-toggle")
    assert toggle.get_attribute("data-audio-state") == "none"
    toggle.click()
    _wait(lambda: toggle.get_attribute("data-audio-state") == "running", "a running audio context")
    assert page.execute_script("return window.pivoletGallery.audioState;") == "running"
    assert toggle.get_attribute("aria-pressed") == "true"
    toggle.click()
    _wait(lambda: toggle.get_attribute("data-audio-state") == "suspended", "a suspended audio context")


def test_closing_the_view_and_opening_by_address(page, site):
    _open(page, THREE_D)
    page.find_element("id", "viewer-close").click()
    _wait(lambda: not page.find_element("id", "viewer").is_displayed(), "the view to close")
    page.get((site / "index.html").as_uri() + "#" + CATALOGUE_ENTRY["name"])
    _wait(lambda: page.execute_script("return document.getElementById('viewer').dataset.pattern")
          == CATALOGUE_ENTRY["name"], "the view opened by address")
