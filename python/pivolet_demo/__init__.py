"""Demonstrations of the pivolet module: its patterns printed, drawn and played."""
