"""A static site that shows patterns: thumbnails by group, filters and an animated, audible view."""

from pivolet_show.gallery.site import Group, build_site, builtin_groups, write_site

__all__ = ["Group", "build_site", "builtin_groups", "write_site"]
