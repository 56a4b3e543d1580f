"""Access to the generator's table from the tests, to compare what the module serves with it, to the
one rule by which a peak matches its figure, and to the measures of distance, step and corner that
the families' characters are stated in."""

import os
import sys

_CATALOGUE_SOURCES = os.path.join(os.path.dirname(__file__), os.pardir, "src", "catalogue")
if _CATALOGUE_SOURCES not in sys.path:
    sys.path.insert(0, os.path.abspath(_CATALOGUE_SOURCES))

from generator import measures, table  # noqa: E402  (the path is set just above)
from generator.model import matches_figure  # noqa: E402

__all__ = ["matches_figure", "measures", "table"]
