"""Every OSC and sACN byte that `play` sends for the README's two examples and a rig of two groups,
pinned by a digest of the ordered datagrams of each output: a change to the player, the outputs or
the packing that moves a single byte fails here."""

import pytest

import live_capture

# Taken from a capture of the same plays; each value is (datagrams, SHA-256 of the datagrams in order).
PINNED = {
    "readme_osc": {"OSC": (300, "cec0c2c6933c4f0a1745d1410ab09e3d803a4167d2503c3463ba2e73630996d4")},
    "readme_sacn": {"sACN": (443, "6fd94a237317af1cfc1ef2a120d30a25d41255b9dff35ff4b85c8211c31f5c7c")},
    "two_groups": {"OSC": (480, "d62110403ee464e6bdcd21b2b7f8135a45e2e1f165212e1d0152d3f147c2c42e"),
                   "sACN": (270, "f7d29579c912cb6f591c990c33b67341ba07854cde4048a9f55674e42432f4d6")},
}
PLAYS = {
    "readme_osc": (live_capture.README_OSC, None),
    "readme_sacn": (live_capture.README_SACN, None),
    "two_groups": ((), live_capture.TWO_GROUPS),
}


@pytest.mark.parametrize("name", sorted(PLAYS))
def test_the_bytes_sent_are_the_pinned_ones(name, tmp_path):
    arguments, rig = PLAYS[name]
    assert live_capture.capture(arguments, rig, tmp_path) == PINNED[name]
