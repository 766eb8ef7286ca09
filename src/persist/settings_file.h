// The program settings file Tallowbridge.ini beside the executable: where
// lwsn.exe and the content directory are, the main window's position, the
// idle timeout, the start-up and behaviour switches, the last project and
// scene directory.
#pragma once

// Reads the settings file into g.settings; keys that are missing keep or
// take their defaults. When the last project is to be loaded on start-up,
// loads it, once per run.
void LoadSettings();

// Writes the whole settings file from g.settings and the main window's
// present position. The new content replaces the old file only once it has
// been written completely; on any failure the old file stays as it was.
void SaveSettings();
