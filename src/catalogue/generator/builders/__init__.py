"""Builders that several families share: closed curves of the loop angle, key paths and splines,
seeded lanes, key poses, rhythmic events, timed segments and the fitting of a family's loops into
its peak figures. A family module picks the ones that make its members."""
