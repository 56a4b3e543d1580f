"""Marks the tests that drive headless Chromium as `browser`, so that a run can leave them out with
-m "not browser" (the sanitizer run does: the browser must not inherit its preloaded runtime)."""

import pytest

# The fixtures that start the browser; a test that uses one, directly or through another fixture,
# drives the browser.
BROWSER_FIXTURES = frozenset({"chromium", "browser"})


def pytest_collection_modifyitems(items):
    for item in items:
        if BROWSER_FIXTURES.intersection(getattr(item, "fixturenames", ())):
            item.add_marker(pytest.mark.browser)
