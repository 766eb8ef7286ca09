// Finding a frame the renderer left cut off: when the renderer or the machine
// stops in the middle of writing a frame, that frame is on the disk but
// short, and a scene that continues after the frames already there would
// skip it. Only what the file's own bytes prove is taken as cut off, and
// such a frame is moved aside, never deleted.
#pragma once

#include <string>

#include "core/program_state.h"

// A frame file is provably incomplete when its own bytes say so:
// - 0 bytes, whatever its format;
// - a PNG with no IEND chunk (length 0, "IEND", its CRC) in its last 64 KB;
// - a JPEG with no end marker FF D9 in its last 64 KB;
// - an uncompressed (BI_RGB) BMP shorter than its data offset plus its rows
//   (each rounded up to 4 bytes) times its height; the header's file-size
//   field is never trusted;
// - an uncompressed TGA (image types 1, 2, 3) shorter than its header,
//   image ID, colour map and width x height x bytes per pixel;
// - an IFF shorter than its FORM length (+8).
// Any other format (by the file's extension, any letter case: .bmp, .tga,
// .png, .jpg/.jpeg, .iff/.lwi/.ilbm), a file whose header does not parse as
// its extension's format, and a file that cannot be opened or read, are
// never called incomplete (unless 0 bytes). Reads at most its first bytes
// and its last 64 KB, whatever its size.
bool FrameProvablyIncomplete(const std::string& path);

// The scene's highest-numbered frame file in its output folder, as a full
// path: read by the scene's file-name format, counting only numbers that are
// frames of the scene (within its range, on its step); empty when none.
std::string HighestFrameFile(const SceneEntry& entry);

// The name a frame judged cut off is moved to: no longer matching the
// scene's frame pattern ("shot005.tga" to "shot005.tga.cut"; a frame without
// an extension gets "cut_" before its name), numbered when that name exists
// ("shot005.tga.cut2"). Empty when no free name was found.
std::string CutFrameName(const std::string& directory, const std::string& name, const std::string& extension);

// Before a scene continues after frames already there: its highest-numbered
// frame is moved aside when provably incomplete, so the renderer renders it
// again. Only that one file, and not while another program may still be
// writing it (written less than a minute ago, or open for writing) unless
// the writer was this program's own renderer, which has ended
// (writerEnded). Returns the new full path, empty when nothing moved.
std::string MoveAsideCutOffLastFrame(const SceneEntry& entry, bool writerEnded);
