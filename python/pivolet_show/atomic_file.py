"""Output files written whole or not at all.

The bytes go to a temporary file beside the target, in the same folder and so on the same file
system, and only once all of them are on disk is it renamed over the target. A failure on the way
removes the temporary file and leaves the target as it was: no reader ever sees half a file.
"""

from __future__ import annotations

import contextlib
import os
import secrets
from collections.abc import Iterator
from pathlib import Path
from typing import BinaryIO

TEMPORARY_SUFFIX = ".partial"
# Read and write for everyone, less what the umask takes away: the mode a plain open() would give.
NEW_FILE_MODE = 0o666


def temporary_path(target: Path) -> Path:
    """A fresh hidden name beside `target` for the file that will replace it: 48 random bits, so two
    writers of one target never meet, and O_EXCL refuses the name should they ever."""
    return target.with_name(f".{target.name}.{secrets.token_hex(6)}{TEMPORARY_SUFFIX}")


@contextlib.contextmanager
def atomic_output(target: Path) -> Iterator[BinaryIO]:
    """A binary file to write; when the block ends without an exception it becomes `target`."""
    temporary = temporary_path(target)
    descriptor = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL, NEW_FILE_MODE)
    try:
        with os.fdopen(descriptor, "wb") as out:
            yield out
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, target)
    except BaseException:
        with contextlib.suppress(FileNotFoundError):
            temporary.unlink()
        raise


def write_atomically(target: Path, data: bytes) -> None:
    with atomic_output(target) as out:
        out.write(data)
