"""The catalogue's families, one module each, named after the family's prefix.

Every module exports `FAMILY`, the family's record (see family.py): its members, its peak figures
and how each member is generated. The table (table.py) lists the families in table order.
"""
