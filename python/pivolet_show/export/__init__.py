"""The motion as files other tools read: MIDI automation, a CSV table and a glTF animation."""
