"""Motion the show tool draws, plays and exports: loops of the built-ins and of the user's own
patterns, recordings, the files they come from, and the facts about axes that all of them share."""
