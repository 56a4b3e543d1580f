"""The one browser of the browser tests, and their mark: a test that drives headless Chromium is
marked `browser`, so that a run can leave them out with -m "not browser" (the sanitizer run does:
the browser must not inherit its preloaded runtime)."""

import socket

import pytest

from browser_session import start_chromium

# The fixtures that start the browser; a test that uses one, directly or through another fixture,
# drives the browser.
BROWSER_FIXTURES = frozenset({"browser"})


@pytest.fixture
def receiver_socket():
    """A UDP socket on the loopback, on a port the system picks, whose reads give up after 0.1 s."""
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.bind(("127.0.0.1", 0))
    udp.settimeout(0.1)
    yield udp
    udp.close()


@pytest.fixture(scope="module")
def browser():
    driver = start_chromium()
    yield driver
    driver.quit()


def pytest_collection_modifyitems(items):
    for item in items:
        if BROWSER_FIXTURES.intersection(getattr(item, "fixturenames", ())):
            item.add_marker(pytest.mark.browser)
