"""Pictures of a loop: the SVG drawing with its projection, time lanes, beat labels and motion figures."""
