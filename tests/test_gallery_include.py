"""Pattern files included in the gallery: their own group, the module's samples bit for bit, the
view in a real browser, and the library's refusals naming the file that brings the refused pattern."""

from __future__ import annotations

import base64
import json
import re
import struct
from pathlib import Path

import pytest

import pivolet
from browser_session import console_errors, wait_for
from pivolet_show.gallery.site import INCLUDED_GROUP
from show_commands import run_show

MINE = {"name": "my_wobble", "description": "A wobble of my own", "samples": [
    [0.0, 0.5, 0.0], [0.5, 0.0, 0.25], [0.0, -0.5, 0.0], [-0.5, 0.0, -0.25], [0.125, 0.0, 1.0]]}
SWAY_TEXT = "x,y,z\n" + "".join(f"{k / 16 - 1},0,0\n" for k in range(32))


def _files(folder: Path) -> list[Path]:
    mine = folder / "mine.json"
    mine.write_text(json.dumps(MINE), encoding="utf-8")
    sway = folder / "my_sway.csv"
    sway.write_text(SWAY_TEXT, encoding="utf-8")
    return [mine, sway]


@pytest.fixture(scope="module")
def site(tmp_path_factory) -> Path:
    folder = tmp_path_factory.mktemp("included")
    finished = run_show("gallery", "--out", folder / "site", "--include", *_files(folder))
    assert finished.status == 0, finished.err
    return folder / "site"


def _expected(name: str) -> list[tuple[float, float, float]]:
    if name == MINE["name"]:
        return [tuple(map(float, point)) for point in MINE["samples"]]
    return [(k / 16 - 1, 0.0, 0.0) for k in range(32)]


def test_included_patterns_follow_the_builtins_in_their_own_group(site):
    page = (site / "index.html").read_text(encoding="utf-8")
    cards = re.findall(r'<li class="card" data-name="([a-z0-9_]+)" data-family="([^"]+)"', page)
    assert cards[-2:] == [("my_wobble", INCLUDED_GROUP), ("my_sway", INCLUDED_GROUP)]
    assert len(cards) == len(pivolet.catalogue()) + 2
    assert [family for _, family in cards].count(INCLUDED_GROUP) == 2


@pytest.mark.parametrize("name, dimensions", [("my_wobble", 3), ("my_sway", 1)])
def test_included_data_scripts_hold_the_files_samples(site, name, dimensions):
    text = (site / "patterns" / f"{name}.js").read_text(encoding="ascii")
    data = json.loads(re.match(r"^pivoletGallery\.receive\((.*)\);\n$", text, re.S).group(1))
    assert (data["name"], data["dimensions"]) == (name, dimensions)
    components = data["components"]
    values = struct.unpack(f"<{data['period_pips'] * components}d", base64.b64decode(data["samples"]))
    assert [values[k:k + components] for k in range(0, len(values), components)] == [
        point[:components] for point in _expected(name)]


def test_an_included_pattern_opens_and_seeks_to_its_samples(browser, site):
    browser.get((site / "index.html").as_uri() + "#my_wobble")
    wait_for(lambda: browser.execute_script("return document.getElementById('viewer').dataset.pattern") == "my_wobble",
          "the view of my_wobble")
    browser.find_element("id", "play-toggle").click()
    for pip, expected in enumerate(_expected("my_wobble") + _expected("my_wobble")[:1]):
        shown = browser.execute_script(
            "const seek = document.getElementById('seek'); seek.value = arguments[0];"
            "seek.dispatchEvent(new Event('input', {bubbles: true}));"
            "return Object.assign({}, document.getElementById('position').dataset);", str(pip))
        assert tuple(float(shown[axis]) for axis in "xyz") == expected, pip
    assert console_errors(browser) == []


def _refused(tmp_path: Path, *files: Path) -> str:
    finished = run_show("gallery", "--out", tmp_path / "site", "--include", *files)
    assert finished.status == 2 and not (tmp_path / "site").exists()
    return finished.error


def test_the_library_refusal_names_the_file(tmp_path):
    mine, sway = _files(tmp_path)
    again = tmp_path / "again.json"
    again.write_text(json.dumps(MINE), encoding="utf-8")
    assert _refused(tmp_path, mine, sway, again) == f"{again}: Duplicate pattern name: my_wobble"
    altered = tmp_path / "bounce.csv"
    altered.write_text("x,y,z\n0,0,0\n", encoding="utf-8")
    assert _refused(tmp_path, mine, altered) == f"{altered}: Cannot override default pattern: bounce"


def test_recordings_and_unreadable_files_stay_out(tmp_path):
    take = tmp_path / "take.csv"
    take.write_text("# bpm=120\nfader\n0.5\n", encoding="utf-8")
    assert _refused(tmp_path, take) == f"{take} holds a recording, and the gallery shows looping patterns"
    broken = tmp_path / "broken.json"
    broken.write_text('{"samples": [[0, 0, 2]]}', encoding="utf-8")
    assert _refused(tmp_path, broken) == f"{broken} (sample 0): Pattern samples must be finite and within [-1, 1]"
