"""The show console: a page in the browser that draws the rig as the outputs send it, shows the
show's time and its outputs' counts, and runs the show's control commands (`protocol` opens it,
`access` says who may reach it, `snapshot` copies the show for it, `server` serves it, `static/`
holds the page)."""
