// Frame numbers read back from frame file names. The renderer names a frame
// by the scene's file-name format: the output prefix, "_" for formats 4 to 7,
// the frame number padded with zeros to 3 digits (formats 0, 1, 4, 5) or 4
// (2, 3, 6, 7), and the image extension for the odd formats. Reading a name
// by that format, and keeping only numbers that are frames of the scene,
// tells apart the frames of scenes whose prefixes overlap ("shot20001.tga"
// is frame 1 of "shot2" and no frame of "shot") and ignores old frames left
// outside the range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/program_state.h"

// The frame number that name carries by the entry's file-name format
// (letter case ignored, as Windows does); nothing when the name is not one
// the format writes. A number wider than its padding has no leading zero.
// For a format value outside "0" to "7" any count of digits after the
// prefix and an optional "_" is read.
std::optional<std::int64_t> FrameNumberOfName(std::string_view name, const SceneEntry& entry);

// Whether number is one of the frames the scene renders: from its first to
// its last frame, on its step.
bool IsSceneFrame(const SceneEntry& entry, std::int64_t number);

struct NumberedFrame {
  std::int64_t number = 0;
  std::string name;       // the file name in the entry's output folder
  std::int64_t size = 0;  // its bytes, as the folder's listing tells them
};

// The scene's frame files in its output folder whose numbers are frames of
// the scene, by number (a number named twice, "a001.tga" and "A001.TGA" on
// a case-sensitive share, is listed once). Empty without a known output
// folder and prefix.
std::vector<NumberedFrame> ListSceneFrames(const SceneEntry& entry);
