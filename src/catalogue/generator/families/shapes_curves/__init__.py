"""The curve and control-shape families, each a small module of member tables, merged into one FAMILIES."""

from __future__ import annotations

from typing import Dict

from .. import FamilyFunction
from . import controls, curves, groove, mech, poses, seeded, waves

FAMILY_DUPLICATED = "a shape family is defined by two modules: "


def _merged() -> Dict[str, FamilyFunction]:
    families: Dict[str, FamilyFunction] = {}
    for module in (controls, waves, groove, seeded, curves, mech, poses):
        for family, function in module.FAMILIES.items():
            if family in families:
                raise RuntimeError(FAMILY_DUPLICATED + family)
            families[family] = function
    return families


FAMILIES = _merged()
