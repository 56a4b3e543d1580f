"""DMX as the outputs that carry it share it: the patch, each fixture's channel profile, and the
assembly of fixture states into the slot data of universes."""
