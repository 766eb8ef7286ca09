// The tools that look at what the renderer wrote: the frame count and
// listing of the current scene's output directory, the renderer's log,
// deleting all frames and opening the last one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/program_state.h"

// The extension frames carry: the scene's image extension for the formats
// that save one ("1", "3", "5", "7"), otherwise empty.
std::string FramePatternExtension(const SceneEntry& entry);

// A file the renderer wrote for this scene: the prefix taken literally, an
// optional "_", digits, then the extension if there is one; letter case
// ignored as Windows does. Nothing is a frame of an empty prefix. Only such
// files are ever deleted or opened; counting takes every match of the
// prefix*extension pattern.
bool IsFrameFileName(std::string_view name, std::string_view prefix, std::string_view extension);

// The files the frame count takes for the entry: every file matching its
// prefix*extension pattern in its output directory.
std::int64_t CountFrameFiles(const SceneEntry& entry);

// Makes the selected row (or row 0) the current scene, counts its frame
// files into the frames-found counter, lists them when the output view is
// open (deleting frames in delete mode), and shows the progress.
void RefreshOutputListing();

// Shows the renderer's log for builds that write one.
void RefreshLogView();

// Asks, then deletes every frame file of the scene shown in the listing.
void DeleteAllFrames();

// Opens the last frame file found with the system's viewer.
void ViewLastImage();
