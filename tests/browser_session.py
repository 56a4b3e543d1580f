"""Headless Chromium driven through Selenium for the browser tests, a bounded wait for what a page
(or any other thread) is to do, and a reader of the browser's screenshots.

Outside CI a missing browser skips the tests; in CI (CI=true) it fails them, so that a machine
without the browser cannot pass by running nothing.
"""

from __future__ import annotations

import os
import struct
import time
import zlib
from collections.abc import Callable
from pathlib import Path

import pytest

CHROMIUM = Path("/usr/bin/chromium")
CHROMEDRIVER = Path("/usr/bin/chromedriver")
BROWSER_ARGUMENTS = (
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--window-size=1200,900",
    "--autoplay-policy=no-user-gesture-required",
)
MISSING_BROWSER = "headless Chromium and chromedriver are needed: run scripts/test-deps.sh"
MISSING_SELENIUM = "selenium is needed: python -m pip install selenium"
SEVERE = "SEVERE"
WAIT_SECONDS = 10.0
POLL_SECONDS = 0.05


def unavailable(reason: str) -> None:
    if os.environ.get("CI") == "true":
        pytest.fail(reason)
    pytest.skip(reason)


def start_chromium():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        unavailable(MISSING_SELENIUM)
    if not (CHROMIUM.is_file() and CHROMEDRIVER.is_file()):
        unavailable(MISSING_BROWSER)
    options = webdriver.ChromeOptions()
    options.binary_location = str(CHROMIUM)
    for argument in BROWSER_ARGUMENTS:
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(str(CHROMEDRIVER)), options=options)


def wait_for(condition: Callable[[], object], what: str, seconds: float = WAIT_SECONDS) -> object:
    """The first true value of `condition()`, asked again every 50 ms for at most `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(POLL_SECONDS)
    raise AssertionError(f"timed out waiting for {what}")


def console_errors(driver) -> list[dict]:
    """The browser's console errors since the last call (reading the log empties it)."""
    return [entry for entry in driver.get_log("browser") if entry["level"] == SEVERE]


def _paeth(a: int, b: int, c: int) -> int:
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png_pixels(png: bytes) -> tuple[int, int, int, list[bytes]]:
    """Width, height, bytes per pixel and the unfiltered rows of an 8-bit RGB or RGBA PNG."""
    assert png[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    position, compressed = 8, b""
    width = height = channels = 0
    while position < len(png):
        length, kind = struct.unpack(">I4s", png[position:position + 8])
        body = png[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "only 8-bit RGB and RGBA screenshots are read"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            compressed += body
        position += 12 + length
    raw = zlib.decompress(compressed)
    stride = width * channels
    rows: list[bytes] = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            up_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 0xFF
            elif kind == 2:
                row[i] = (row[i] + up) & 0xFF
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                row[i] = (row[i] + _paeth(left, up, up_left)) & 0xFF
        rows.append(bytes(row))
        previous = row
    return width, height, channels, rows


def inked_fraction(png: bytes) -> float:
    """The share of pixels that are not white: how much a screenshot actually shows."""
    width, height, channels, rows = png_pixels(png)
    inked = 0
    for row in rows:
        for x in range(0, width * channels, channels):
            if row[x:x + 3] != b"\xff\xff\xff":
                inked += 1
    return inked / (width * height)
