"""The spatial path families (`tour`, `scan`, `reach`, `surface`, `braid`, `arm`, `dwell`, `packet`)
and the rhythmic gesture families (`canon`, `echo`, `ladder`, `necklace`, `accent_walk`, `triplet`,
`dialogue`, `burst`), gathered from their modules into one FAMILIES registry."""

from __future__ import annotations

from .. import merged_families
from . import grids, imitation, surfaces, tours

FAMILIES = merged_families((tours, surfaces, imitation, grids))
