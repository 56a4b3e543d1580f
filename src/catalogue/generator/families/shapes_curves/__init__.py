"""The curve and control-shape families, each a small module of member tables, merged into one FAMILIES."""

from __future__ import annotations

from .. import merged_families
from . import controls, curves, groove, mech, poses, seeded, waves

FAMILIES = merged_families((controls, waves, groove, seeded, curves, mech, poses))
