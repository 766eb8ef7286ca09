// Reading a LightWave scene's render keys into its queue entry, and the test
// a file must pass before it is queued.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/program_state.h"

// True when the file's first line is exactly "LWSC". Otherwise shows the
// "is corrupted" error and returns false.
bool CheckSceneFile(const std::string& path);

// Reads the scene file of queue row `row` into that row's entry: the render
// keys, their defaults, the image extension and the labels, then checks the
// output drive. Fields the file has no key for keep what they held.
void ReadSceneEntry(int row);

// The same reading, from lines already in hand: a rewrite passes the lines
// it writes instead of reading the scene back. Start from the row's entry,
// scan every line in order, then finish to store the result in the row as
// ReadSceneEntry does (nothing is stored when no line was scanned).
struct SceneKeyScan {
  SceneEntry entry;
  std::uint32_t owed = 0;   // fields still to get their default
  std::int64_t lines = 0;
};
void StartSceneKeyScan(SceneKeyScan& scan, const SceneEntry& from);
void ScanSceneLine(SceneKeyScan& scan, std::string_view line);
void FinishSceneKeyScan(SceneKeyScan& scan, int row);

// Replaces an output directory on a drive this machine lacks by the
// placeholder and tells the user (title "INFO").
void CheckOutputDrive(int row);

// The image extension of an RGBImageSaver value: of its last five
// characters the first four, so "LW_TGA24(.tga)" gives ".tga".
std::string ImageExtensionOfSaver(const std::string& saver);
