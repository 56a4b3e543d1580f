"""The record that every family module declares, and the helpers for writing one.

A module of `families/` exports one `FAMILY`, a Family record: its members in the family's own
order, the peak figures that the family reaches, and how each member is generated. A member either
follows an exact rule, a function of its entry that returns the raw loop, or is authored: the
family's `authored` builder makes all the authored members in one call, so that it may scale them
together, and returns one raw loop per entry in the order given.

A raw loop is exactly `period_pips` samples of (x, y, z), unrounded: the generator rounds every
value to 12 decimals and checks the result.
"""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Callable, Dict, FrozenSet, Iterable, List, Mapping, Optional, Sequence, Tuple, Union

from .model import Entry, Loop, Peaks
from .shaping import EIGHTH_NOTE_PIPS

# One member's raw loop, from its entry.
MemberBuilder = Callable[[Entry], Loop]
# The raw loops of several members, one per entry in the order given.
FamilyBuilder = Callable[[List[Entry]], List[Loop]]

UNKNOWN_MEMBER = "no shape is written for catalogue member "


@dataclass(frozen=True)
class Member:
    """One member of a family, as the table lists it."""

    name: str  # the entry name without the family prefix and its underscore
    period_pips: int
    dimensions: int
    description: str


@dataclass(frozen=True)
class PeakGroup:
    """Members whose peaks, taken together, reach figures of their own."""

    label: str  # how the checks name the group: "family lfo", "beat motion bounce"
    peaks: Peaks
    members: FrozenSet[str]


@dataclass(frozen=True)
class DistinctGroup:
    """Members that must look unlike one another: of their pairs, at most the share `close_share` may
    lie closer than `limit` (the largest |a - b| over every pip and axis, the shorter loop wrapped).
    The pairs in `exempt` are not counted: one of them is the other with a part removed or quantised."""

    label: str  # how the checks name the group: "family wave", "beat motion bounce"
    members: Tuple[str, ...]
    limit: float
    close_share: float = 0.0
    exempt: FrozenSet[FrozenSet[str]] = frozenset()


# A member's loop without one of its features, scaled on each axis as the member's stored block is.
WithoutFeature = Callable[[Entry, Sequence[float]], Loop]


@dataclass(frozen=True)
class Feature:
    """Something a member's label promises that must show in its motion: the member's loop lies at
    least `limit` away from the loop it would have without it."""

    member: str
    name: str  # as the checks name it: "the clave", "the hat trills"
    limit: float
    without: WithoutFeature


@dataclass(frozen=True)
class Character:
    """What the checks hold a family's members to besides their figures.

    - apart: no two members lie closer than a quarter of the family's peak, except the `alike`
      pairs, whose names define one as the other with a part removed or quantised, and pairs of
      members that both follow exact rules;
    - distinct_groups: further groups of members that must look unlike one another, each with a
      limit and a share of close pairs of its own (the studies of one `beat` motion);
    - features: what members must show of what their labels promise;
    - smooth: the members whose descriptions promise smooth, rounded, continuous or gliding motion,
      which move at most 0.12 per pip and turn no corner at their loop seam;
    - corners: the members whose labels promise corners, with how many they turn at least.
    """

    apart: bool = True
    alike: FrozenSet[FrozenSet[str]] = frozenset()
    distinct_groups: Tuple[DistinctGroup, ...] = ()
    features: Tuple[Feature, ...] = ()
    smooth: FrozenSet[str] = frozenset()
    corners: Mapping[str, int] = field(default_factory=dict)


def alike_pairs(*pairs: Tuple[str, str]) -> FrozenSet[FrozenSet[str]]:
    return frozenset(frozenset(pair) for pair in pairs)


def member_names(members: Iterable[Member]) -> FrozenSet[str]:
    """The names of the members, as a character's sets take them."""
    return frozenset(member.name for member in members)


@dataclass(frozen=True)
class Family:
    """Everything the catalogue knows about one family."""

    prefix: str
    members: Tuple[Member, ...]
    peaks: Peaks
    exact: Mapping[str, MemberBuilder] = field(default_factory=dict)  # member name -> its rule
    authored: Optional[FamilyBuilder] = None  # makes every member that has no exact rule
    member_groups: Tuple[PeakGroup, ...] = ()  # groups with figures of their own besides the family
    character: Optional[Character] = None  # None: the family is held to its figures alone

    def peak_groups(self) -> Tuple[PeakGroup, ...]:
        """The family as a whole, then any groups of its members with figures of their own."""
        whole = PeakGroup(f"family {self.prefix}", self.peaks, frozenset(member.name for member in self.members))
        return (whole,) + self.member_groups


# ---------------------------------------------------------------------------------------------
# Writing the members.

def words(text: str) -> Tuple[str, ...]:
    """Splits a member list written on one line."""
    return tuple(text.split())


def numbered(stem: str, count: int) -> Tuple[str, ...]:
    """`stem_01` to `stem_<count>`, two digits with a leading zero."""
    return tuple(f"{stem}_{n:02d}" for n in range(1, count + 1))


def eighths_of_group_sum(numbers: Sequence[int]) -> int:
    """A loop named by group lengths lasts as many eighth notes as the groups add up to."""
    return EIGHTH_NOTE_PIPS * sum(numbers)


# A period in pips, or a function of the numbers in the member's name.
PeriodRule = Union[int, Callable[[Sequence[int]], int]]
# A description template is formatted with the member's `label`, its `first` and `last` words and
# its numbers `a` and `b`; a mapping chooses the template by the member's first word.
DescriptionTemplate = Union[str, Mapping[str, str]]


def templated_members(
    members: Sequence[Union[str, Tuple[str, str]]],  # names, or (name, label) where the description names a label
    period: PeriodRule,
    dimensions: int,
    description: DescriptionTemplate,
    other_dimensions: int = 0,  # the dimension count of the members listed in `others`
    others: Iterable[str] = (),
) -> Tuple[Member, ...]:
    """Members that share a period rule, a dimension count and a description template."""
    exceptions = set(others)
    result: List[Member] = []
    for named in members:
        member, label = (named, "") if isinstance(named, str) else named
        member_words = member.split("_")
        numbers = [word for word in member_words if word.isdigit()]
        template = description if isinstance(description, str) else description[member_words[0]]
        text = template.format(
            label=label,
            first=member_words[0],
            last=member_words[-1],
            a=numbers[0] if numbers else "",
            b=numbers[1] if len(numbers) > 1 else "",
        )
        period_pips = period if isinstance(period, int) else period([int(word) for word in numbers])
        result.append(Member(member, period_pips, other_dimensions if member in exceptions else dimensions, text))
    return tuple(result)


# ---------------------------------------------------------------------------------------------
# Saying which builders make the members.

def same_rule(members: Iterable[Member], rule: MemberBuilder) -> Dict[str, MemberBuilder]:
    """Every one of the members follows the one exact rule (the numbers in its name are the parameters)."""
    return {member.name: rule for member in members}


def by_member(builders: Mapping[str, MemberBuilder]) -> FamilyBuilder:
    """An authored builder that looks each entry's member up in a table of member builders."""

    def build(entries: List[Entry]) -> List[Loop]:
        loops: List[Loop] = []
        for entry in entries:
            if entry.member not in builders:
                raise KeyError(UNKNOWN_MEMBER + entry.name)
            loops.append(builders[entry.member](entry))
        return loops

    return build
