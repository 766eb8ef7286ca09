// Finding a frame the renderer left cut off: when the renderer or the machine
// stops in the middle of writing a frame, that frame is on the disk but
// short, and a scene that continues after the frames already there would
// skip it. Only what the file's own bytes prove is taken as cut off.
#pragma once

#include <string>

#include "core/program_state.h"

// A frame file is provably incomplete when its own bytes say so: 0 bytes; a
// BMP shorter than the file size its header states; an uncompressed TGA
// (image types 1, 2, 3) shorter than its header, image ID, colour map and
// width x height x bytes per pixel; a PNG that does not end with an IEND
// chunk; a JPEG that does not end with FF D9; an IFF shorter than its FORM
// length (+8). Any other format (by the file's extension, any letter case:
// .bmp, .tga, .png, .jpg/.jpeg, .iff/.lwi/.ilbm) counts only 0 bytes, and so
// does a file whose first bytes are not those of its extension's format. A
// file that is cut inside the header bytes its format needs to be judged is
// incomplete. A file that cannot be opened or read, or is a folder, is never
// called incomplete. Reads at most its first and last 64 KB, whatever its
// size.
bool FrameProvablyIncomplete(const std::string& path);

// The frame file with the highest frame number in the entry's output folder
// (names that IsFrameFileName from render/output_tools.h accepts: the prefix
// literally, an optional "_", digits, the extension if the format has one),
// as a full path; empty when there is none.
std::string HighestFrameFile(const SceneEntry& entry);

// Before a scene continues after frames already there: its highest-numbered
// frame is deleted when provably incomplete, so the renderer renders it
// again. Only that one file, only one named like a frame. True when a frame
// was deleted.
bool DropCutOffLastFrame(const SceneEntry& entry);
