"""Puts the generator package (src/catalogue/generator) on the import path of these tests."""

import sys
from pathlib import Path

CATALOGUE_SOURCES = Path(__file__).resolve().parents[2] / "src" / "catalogue"
if str(CATALOGUE_SOURCES) not in sys.path:
    sys.path.insert(0, str(CATALOGUE_SOURCES))
