"""The module's listing, and the first row of it that a rule picks: the tests choose patterns by
shape, never by a fixed name."""

import pivolet

ROWS = pivolet.catalogue()


def pick(rule) -> dict:
    return next(row for row in ROWS if rule(row))
