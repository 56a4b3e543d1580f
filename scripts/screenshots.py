"""Takes the README's screenshots with headless Chromium into docs/: the gallery's euclid family's
cards, the view of one beat study, paused, and the show console of a small gig playing to a receiver
on the loopback, a cue waiting for its bar. Run by scripts/screenshots.sh."""

from __future__ import annotations

import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO_ROOT / "tests"))

from browser_session import console_errors, start_chromium  # noqa: E402

DOCS = REPO_ROOT / "docs"
WINDOW = (1280, 960)
CARDS_FAMILY = "euclid"
VIEWED_PATTERN = "beat_house_classic_ricochet"
VIEWED_PIP = 200
SETTLE_SECONDS = 1.0
PAGE_ERRORS = "the gallery page reported errors: "
CONSOLE_ERRORS = "the console's page reported errors: "
NO_CONSOLE = "play did not say where its console is: "
# A gig of two groups and three cues, played for the console's screenshot.
GIG = """
bpm = 126
launch = "bar"

[sources]
sweep = "beat_house_classic_surge"

[[groups]]
name = "wash"
fixtures = 8
spread = "even"

[[groups]]
name = "spots"
source = "path_lissajous_2_3"
fixtures = 4
universe = 2
spread = 16

[[cues]]
name = "verse"
groups.wash = { source = "circle", size = 0.6 }

[[cues]]
name = "drop"
groups.wash = { source = "sweep", fade = 2, speed = 2 }
groups.spots = { source = "circle", speed = "1/2" }

[[cues]]
name = "break"
groups.wash = { home = true, fade = 4 }
"""
WAITING_CUE = 2


def take(site: Path) -> list[Path]:
    driver = start_chromium()
    try:
        driver.set_window_size(*WINDOW)
        driver.get((site / "index.html").as_uri())
        time.sleep(SETTLE_SECONDS)
        driver.execute_script(
            "const section = document.querySelector(`.family[data-family='${arguments[0]}']`);"
            "window.scrollTo(0, section.offsetTop - document.querySelector('.top').offsetHeight - 8);", CARDS_FAMILY)
        time.sleep(SETTLE_SECONDS)
        gallery = DOCS / "gallery.png"
        driver.save_screenshot(str(gallery))

        driver.get((site / "index.html").as_uri() + "#" + VIEWED_PATTERN)
        time.sleep(SETTLE_SECONDS)
        driver.execute_script(
            "document.getElementById('play-toggle').click();"
            "const seek = document.getElementById('seek'); seek.value = arguments[0];"
            "seek.dispatchEvent(new Event('input'));", VIEWED_PIP)
        time.sleep(SETTLE_SECONDS)
        viewer = DOCS / "viewer.png"
        driver.save_screenshot(str(viewer))
        errors = console_errors(driver)
        if errors:
            raise SystemExit(PAGE_ERRORS + repr(errors))
        return [gallery, viewer]
    finally:
        driver.quit()


def take_console() -> Path:
    """The console of GIG, playing to a receiver that is never read, a moment after cue 2 is asked for."""
    with tempfile.TemporaryDirectory() as folder, socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as receiver:
        receiver.bind(("127.0.0.1", 0))
        show = Path(folder) / "gig.toml"
        show.write_text(GIG)
        player = subprocess.Popen([sys.executable, "-m", "pivolet_show", "play", "--rig", str(show), "--sacn",
                                   f"127.0.0.1:{receiver.getsockname()[1]}", "--console", "0", "--seconds", "60"],
                                  stderr=subprocess.PIPE, text=True)
        driver = start_chromium()
        try:
            first = player.stderr.readline()
            if not first.startswith("console on "):
                raise SystemExit(NO_CONSOLE + first)
            driver.set_window_size(*WINDOW)
            driver.get(first.split()[2])
            time.sleep(2 * SETTLE_SECONDS)
            # Asked for on a bar's first beat, the cue waits most of a bar for the next.
            driver.execute_async_script(
                "const done = arguments[1];"
                "const asked = setInterval(() => {"
                "  if (!document.getElementById('position').textContent.endsWith('.1')) return;"
                "  clearInterval(asked);"
                "  document.querySelector(`#cues button[data-cue='${arguments[0]}']`).click();"
                "  done();"
                "}, 10);", WAITING_CUE)
            time.sleep(SETTLE_SECONDS / 2)
            console = DOCS / "console.png"
            driver.save_screenshot(str(console))
            errors = console_errors(driver)
            if errors:
                raise SystemExit(CONSOLE_ERRORS + repr(errors))
            return console
        finally:
            driver.quit()
            player.kill()
            player.communicate()


if __name__ == "__main__":
    for path in take(Path(sys.argv[1]).resolve()) + [take_console()]:
        print(path)
