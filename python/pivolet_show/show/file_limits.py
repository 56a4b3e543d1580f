"""What a show file is held to before it is parsed: its size, and how deeply its arrays, tables and
dotted keys nest. Parsers recurse once per level of nesting, so a file nested thousands deep would
end in a RecursionError deep inside the parser; a short scan of the text, which skips strings and
comments, refuses it first. The scan measures a little more than the parser would build (a table
header counts as a level), never less."""

from __future__ import annotations

import re

MOST_SHOW_FILE_BYTES = 1 << 20
MOST_NESTING = 32

TOO_LARGE = "a show file holds at most {most} bytes, not {size}"
TOO_DEEP = "line {line}: arrays, tables and dotted keys nest at most {most} deep here"

# The characters that open or close a level, end a key or a line, or start a string or a comment.
TOML_TOKEN = re.compile(r"\"\"\"|'''|[\"'#\[\]{}=,.\n]")
JSON_TOKEN = re.compile(r"[\"\[\]{}]")
# The rest of a string or a comment, from just after its opening.
STRING_ENDS = {
    '"': re.compile(r'(?:[^"\\\n]|\\.)*"'),
    "'": re.compile(r"[^'\n]*'"),
    '"""': re.compile(r'(?:[^\\]|\\.)*?"""', re.DOTALL),
    "'''": re.compile(r".*?'''", re.DOTALL),
    "#": re.compile(r"[^\n]*"),
}
JSON_STRING_END = re.compile(r'(?:[^"\\]|\\.)*"', re.DOTALL)


def check_size(size: int) -> None:
    if size > MOST_SHOW_FILE_BYTES:
        raise ValueError(TOO_LARGE.format(most=MOST_SHOW_FILE_BYTES, size=size))


def check_nesting(text: str, toml: bool) -> None:
    """Refuses `text` if its arrays and tables (and in TOML, the parts of a dotted key) nest more
    than MOST_NESTING deep. A string or comment left open ends the scan: the parser will refuse it."""
    token, string_ends = (TOML_TOKEN, STRING_ENDS) if toml else (JSON_TOKEN, {'"': JSON_STRING_END})
    opened: list[str] = []
    in_key, header, key_parts = toml, False, 0
    position = 0
    while (found := token.search(text, position)) is not None:
        mark, position = found.group(), found.end()
        if mark in string_ends:
            end = string_ends[mark].match(text, position)
            if end is None:
                return
            position = end.end()
        elif mark in "[{":
            # A table header ([name] or [[name]]) at the start of a line names a key; any other
            # bracket opens a value, and an inline table's keys follow its brace.
            header = mark == "[" and in_key and (not opened or (header and opened == ["["]))
            in_key = header or mark == "{"
            opened.append(mark)
            key_parts = key_parts if header else 0
            if len(opened) + key_parts > MOST_NESTING:
                raise ValueError(TOO_DEEP.format(line=text.count("\n", 0, position) + 1, most=MOST_NESTING))
        elif mark in "]}":
            if opened:
                opened.pop()
        elif mark == ".":
            if in_key:
                key_parts += 1
                if len(opened) + key_parts > MOST_NESTING:
                    raise ValueError(TOO_DEEP.format(line=text.count("\n", 0, position) + 1, most=MOST_NESTING))
        elif mark == "=":
            in_key, key_parts = False, 0
        elif mark == "," or mark == "\n":
            # A new key starts after a comma within an inline table, or on a new line outside any value.
            if (mark == "," and opened and opened[-1] == "{") or (mark == "\n" and not opened):
                in_key, header, key_parts = True, False, 0
