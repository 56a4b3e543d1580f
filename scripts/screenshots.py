"""Takes the README's screenshots of the gallery with headless Chromium: the euclid family's cards,
and the view of one beat study, paused, into docs/. Run by scripts/screenshots.sh."""

from __future__ import annotations

import sys
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


if __name__ == "__main__":
    for path in take(Path(sys.argv[1]).resolve()):
        print(path)
