"""The subcommands of `python -m pivolet_show`, one module each."""
