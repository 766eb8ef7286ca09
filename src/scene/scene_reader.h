// Reading a LightWave scene's render keys into its queue entry, and the test
// a file must pass before it is queued.
#pragma once

#include <string>

#include "core/program_state.h"

// True when the file's first line is exactly "LWSC". Otherwise shows the
// "is corrupted" error and returns false.
bool CheckSceneFile(const std::string& path);

// Reads the scene file of queue row `row` into that row's entry: the render
// keys, their defaults, the image extension and the labels, then checks the
// output drive. Fields the file has no key for keep what they held. False
// when the file gave no line (nothing was read).
bool ReadSceneEntry(int row);

// Replaces an output directory on a drive this machine lacks by the
// placeholder and tells the user (title "INFO").
void CheckOutputDrive(int row);

// The image extension of an RGBImageSaver value: of its last five
// characters the first four, so "LW_TGA24(.tga)" gives ".tga".
std::string ImageExtensionOfSaver(const std::string& saver);
