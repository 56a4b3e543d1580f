"""Runs the show tool's command line inside the test process, as `python -m pivolet_show` would."""

from __future__ import annotations

import contextlib
import dataclasses
import io

from pivolet_show import cli


@dataclasses.dataclass(frozen=True)
class Finished:
    status: int
    out: str
    err: str

    @property
    def error(self) -> str:
        """The one error line that argparse prints after the usage."""
        return self.err.strip().splitlines()[-1].split(": error: ", 1)[1]


def run_show(*arguments: object) -> Finished:
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        try:
            status = cli.main([str(argument) for argument in arguments])
        except SystemExit as stop:
            status = int(stop.code or 0)
    return Finished(status, out.getvalue(), err.getvalue())
