"""Everything live: the tempo clock, the rig of fixtures, the show's plan and the file that
describes it, the player that sends frames at their deadlines, its status line, and the output and
input protocols, each one module registered in one list."""
