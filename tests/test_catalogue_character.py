"""What the catalogue's families promise of their members' motion, checked on the loops the module
serves: members that look unlike one another, features that show, and smooth members that neither
jump nor jerk at their seam."""

import math

import pytest

import pivolet
from catalogue_source import table
from generator.checks import SMOOTH_STEP_LIMIT
from generator.measures import closer_than, corner_at_seam, largest_step

PROMISING = [family for family in table.FAMILIES.values() if family.distinct_groups or family.features or family.smooth]


def served(entry):
    """An entry's loop through the module's `sample`, flattened: x, y, z of pip 0, then of pip 1, ..."""
    return [v for p in range(entry.period_pips) for v in pivolet.sample(entry.name, p).as_tuple()]


@pytest.fixture(scope="module")
def blocks():
    return {(entry.family, entry.member): served(entry) for family in PROMISING for entry in table.entries_of(family.prefix)}


GROUPS = [(family.prefix, group) for family in PROMISING for group in family.distinct_groups]


@pytest.mark.parametrize("prefix, group", GROUPS, ids=[group.label for _, group in GROUPS])
def test_members_look_unlike_one_another(blocks, prefix, group):
    pairs = [(a, b) for i, a in enumerate(group.members) for b in group.members[i + 1:] if frozenset((a, b)) not in group.exempt]
    close = [(a, b) for a, b in pairs if closer_than(blocks[prefix, a], blocks[prefix, b], group.limit)]
    assert len(close) <= math.floor(group.close_share * len(pairs)), close


def test_features_show(blocks):
    for family in PROMISING:
        for feature in family.features:
            entry = table.ENTRY_BY_NAME[f"{family.prefix}_{feature.member}"]
            block = blocks[family.prefix, feature.member]
            without = [v for sample in feature.without(entry, block) for v in sample]
            assert not closer_than(block, without, feature.limit), (entry.name, feature.name)


def test_smooth_members_move_smoothly(blocks):
    for family in PROMISING:
        for member in family.smooth:
            block = blocks[family.prefix, member]
            assert largest_step(block) <= SMOOTH_STEP_LIMIT, member
            assert not corner_at_seam(block), member
