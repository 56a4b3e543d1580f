"""Build-time generator of the built-in catalogue: the entry table, its name index and the sample store.

Run as `python3 -m generator --out DIR` with this directory's parent on the module path.
"""
