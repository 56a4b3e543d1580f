"""A static site that shows every built-in pattern: thumbnails, filters and an animated, audible view."""

from pivolet_show.gallery.site import build_site

__all__ = ["build_site"]
