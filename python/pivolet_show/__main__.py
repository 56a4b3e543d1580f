"""Runs the show tool's command line: `python -m pivolet_show COMMAND ...`."""

from __future__ import annotations

import sys

from pivolet_show.cli import main

if __name__ == "__main__":
    sys.exit(main())
