"""The pivolet show tool: patterns drawn, heard and browsed in a gallery."""
