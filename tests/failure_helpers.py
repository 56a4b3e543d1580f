"""Helpers shared by the tests of user patterns, libraries and recordings."""

import os

import pytest


def raises_value_error(message, build):
    """`build()` raises ValueError carrying exactly `message`."""
    with pytest.raises(ValueError) as raised:
        build()
    assert str(raised.value) == message


def resident_bytes():
    """The process's resident memory, from /proc."""
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
