"""One checksum pins every built-in the module serves: its listing row and every sample's bytes.

Any change to a name, a description, a period, a dimension count or a single sample, however small,
changes the digest. When a change to the generator means to move samples, the commit that makes it
updates PINNED_DIGEST and says why the samples moved; otherwise this test failing is a regression.
"""

import hashlib
import struct

import pivolet

# Digest of every built-in row and sample, in the layout that `catalogue_digest` describes.
PINNED_DIGEST = "f6ebf91aeebbb60cd9b4aa3bd163684046f15d1d4135ece49761380b6efc7132"


def _text(data: str) -> bytes:
    """A text as its UTF-8 bytes behind their length (little-endian 32-bit), so no two lists of texts
    feed the digest the same bytes."""
    encoded = data.encode("utf-8")
    return struct.pack("<I", len(encoded)) + encoded


def catalogue_digest() -> str:
    """SHA-256 over the listing in order, each row's name, description, period (16-bit) and dimension
    count (8-bit); then, row after row, every sample of pips 0 to period - 1 as three little-endian
    doubles x, y, z."""
    digest = hashlib.sha256()
    rows = pivolet.catalogue()
    for row in rows:
        digest.update(_text(row["name"]) + _text(row["description"]))
        digest.update(struct.pack("<HB", row["period_pips"], row["dimensions"]))
    for row in rows:
        name = row["name"]
        for pip in range(row["period_pips"]):
            digest.update(struct.pack("<3d", *pivolet.sample(name, pip).as_tuple()))
    return digest.hexdigest()


def test_the_catalogue_is_the_pinned_one():
    assert catalogue_digest() == PINNED_DIGEST
