"""A table of a show file, read key by key with checks that name the place of a problem
(`groups[2].fixtures[1].address`), and the conversions of values that the tables share."""

from __future__ import annotations

from collections.abc import Callable
from typing import Any

from pivolet_show.checks import INT32, is_number, suggestion

# A problem is cut to this many characters: a value quoted in it may be as long as the file.
MOST_PROBLEM_CHARACTERS = 400

PROBLEM_AT = "{path}: {where}: {problem}"
UNKNOWN_KEYS = "unknown key {keys} (known keys: {known})"
WRONG_TYPE = "expected {kind}, not {value!r}"
MISSING = "missing: expected {kind}"
NOT_A_TABLE = "expected a table of settings"
NOT_A_SELECTION = "fixtures are chosen by number or by ranges such as '1-64', not {value!r}"
OUTSIDE_PIP_RANGE = "a number of pips lies from -2147483648 to 2147483647, not {value!r}"

Fail = Callable[[str, str], ValueError]


def printable(text: str) -> str:
    """`text` on one line and cut short: control characters escaped, at most MOST_PROBLEM_CHARACTERS."""
    if len(text) > MOST_PROBLEM_CHARACTERS:
        text = text[:MOST_PROBLEM_CHARACTERS] + " ..."
    return "".join(character if character.isprintable() else repr(character)[1:-1] for character in text)


class ShowFileError(ValueError):
    """A problem already placed in a show file."""


def problem_at(path: object, where: str, problem: str) -> ShowFileError:
    """The error of a problem at a place in the show file at `path`: one line, of bounded length."""
    return ShowFileError(PROBLEM_AT.format(path=path, where=printable(where), problem=printable(problem)))


class Table:
    """A table of the show file: `data` checked against the keys it may hold, `where` its place."""

    def __init__(self, data: Any, where: str, known: tuple[str, ...] | None, fail: Fail):
        """`known` lists the keys the table may hold; None lets it hold any (names of its own)."""
        self._fail = fail
        self.where = where
        if not isinstance(data, dict):
            raise fail(where or "the file", NOT_A_TABLE)
        unknown = sorted(set(data) - set(known)) if known is not None else []
        if unknown:
            problem = UNKNOWN_KEYS.format(keys=", ".join(unknown), known=", ".join(known or ()))
            raise fail(where or "the file", problem + suggestion(unknown[0], known or ()))
        self.data = data

    def place(self, key: str) -> str:
        return f"{self.where}.{key}" if self.where else key

    def fail(self, key: str, problem: str) -> ValueError:
        """The error of a problem with the value of `key`, naming its place."""
        return self._fail(self.place(key), problem)

    def get(self, key: str, convert: Callable[[Any], Any], default: Any = None) -> Any:
        if key not in self.data:
            return default
        try:
            return convert(self.data[key])
        except ValueError as error:
            raise self._fail(self.place(key), str(error)) from None

    def required(self, key: str, kind: str, convert: Callable[[Any], Any]) -> Any:
        if key not in self.data:
            raise self._fail(self.place(key), MISSING.format(kind=kind))
        return self.get(key, convert)

    def typed(self, key: str, kind: str, check: Callable[[Any], bool], default: Any = None) -> Any:
        def checked(value: Any) -> Any:
            if not check(value):
                raise ValueError(WRONG_TYPE.format(kind=kind, value=value))
            return value
        return self.get(key, checked, default)

    def table(self, key: str, known: tuple[str, ...] | None) -> Table | None:
        if key not in self.data:
            return None
        return Table(self.data[key], self.place(key), known, self._fail)

    def tables(self, key: str, known: tuple[str, ...] | None) -> list[Table]:
        """The table at `key`, or each table of an array of tables there (`[[key]]`); none if absent."""
        value = self.data.get(key)
        if isinstance(value, list):
            return [Table(entry, f"{self.place(key)}[{index}]", known, self._fail)
                    for index, entry in enumerate(value, start=1)]
        found = self.table(key, known)
        return [] if found is None else [found]


def fixture_selection(value: Any) -> tuple[int, ...]:
    """Fixture numbers from a list of numbers and 'A-B' ranges, in the order given."""
    if not isinstance(value, list) or not value:
        raise ValueError(NOT_A_SELECTION.format(value=value))
    numbers: list[int] = []
    for item in value:
        if isinstance(item, int) and not isinstance(item, bool) and item >= 1:
            numbers.append(item)
            continue
        first, dash, last = item.partition("-") if isinstance(item, str) else ("", "", "")
        if not (dash and first.isdigit() and last.isdigit() and 1 <= int(first) <= int(last)):
            raise ValueError(NOT_A_SELECTION.format(value=item))
        numbers.extend(range(int(first), int(last) + 1))
    return tuple(numbers)


def number(value: Any) -> float:
    if not is_number(value):
        raise ValueError(WRONG_TYPE.format(kind="a number", value=value))
    return float(value)


def pips(value: Any) -> int:
    """A number of pips within the module's 32-bit range."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise ValueError(WRONG_TYPE.format(kind="a whole number of pips", value=value))
    if value not in INT32:
        raise ValueError(OUTSIDE_PIP_RANGE.format(value=value))
    return value


def pair(value: Any) -> tuple[float, float]:
    if not (isinstance(value, list) and len(value) == 2 and all(is_number(item) for item in value)):
        raise ValueError(WRONG_TYPE.format(kind="a list of two numbers", value=value))
    return float(value[0]), float(value[1])


def names(value: Any) -> tuple[str, ...]:
    if not (isinstance(value, list) and all(isinstance(item, str) for item in value)):
        raise ValueError(WRONG_TYPE.format(kind="a list of channel names", value=value))
    return tuple(value)


def triple(value: Any, unset: float) -> tuple[float, float, float]:
    """A list of two or three numbers for x, y and z; z is `unset` when left out. A scale may also
    be one number for all three axes."""
    if is_number(value) and unset == 1.0:
        return (float(value),) * 3
    if isinstance(value, list) and len(value) in (2, 3) and all(is_number(item) for item in value):
        x, y, z = [float(item) for item in value] + [unset] * (3 - len(value))
        return x, y, z
    kind = "a number or a list of two or three numbers" if unset == 1.0 else "a list of two or three numbers"
    raise ValueError(WRONG_TYPE.format(kind=kind, value=value))


def text(value: Any) -> str:
    if not isinstance(value, str):
        raise ValueError(WRONG_TYPE.format(kind="text", value=value))
    return value


def flag(value: Any) -> bool:
    """True or false, and nothing else."""
    if not isinstance(value, bool):
        raise ValueError(WRONG_TYPE.format(kind="true or false", value=value))
    return value
