"""The sound of a loop: the synth mapping that the WAV and the gallery's page share, and the WAV."""
