// Writing render settings into the current scene's file (the queue entry at
// g.queue.currentScene): the scene settings rewrite of the scene settings
// window, the output settings rewrite of the frame fields, the output
// directory and the output filename window, and the output block insertion
// that follows it where a scene has no output lines.
//
// Each pass copies the scene line by line into a new file, replacing only the
// lines of the keys it writes; see scene_pass.h for how the file is replaced.
// On failure the user gets a message and the scene keeps its old bytes.
#pragma once

#include <string>

#include "scene/render_tables.h"

enum class RewriteMode {
  kOverwrite,   // the scene itself is replaced
  kCopy,        // the result is written beside it as <name>_copy.lws
};

// What the user changed in one visit of the scene settings window. A change
// with a position outside its list counts as no change.
struct SceneSettingsChange {
  bool frameScaleChanged = false;
  int frameScale = kNoIndex;            // position in kFrameScales
  FrameDimensions scaledSize;           // the frame size at that scale
  bool antialiasingChanged = false;
  int antialiasing = kNoIndex;          // position in kAntialiasingLevels
  int renderMode = kNoIndex;            // chosen render mode, kNoIndex: none
  bool filenameFormatChanged = false;
  int filenameFormat = kNoIndex;        // position in kFilenameFormats
};

// Returns true when the scene (or its copy) was written. In copy mode shows
// the "Info" message with the copy's path. The entry takes the written
// values only when the scene itself was overwritten.
bool RewriteSceneSettings(RewriteMode mode, const SceneSettingsChange& change);

// The frame field changed in the main window; the numbers are the ones the
// main window passes (1 first frame, 2 last frame, 3 frame step).
enum class FrameChange { kNone = 0, kFirstFrame = 1, kLastFrame = 2, kFrameStep = 3 };

// Writes the entry's first frame, last frame, frame step, output path and
// image saver into the scene, inserting an output block where the scene has
// none, and reads the scene again into the entry.
//   frame, previousText: the changed frame field and its text before the
//     edit; the field gets that text back when the scene cannot be written.
//   outputSwitch: the output prefix or directory changed, so the scene's
//     image saving is switched on ("SaveRGB 1").
//   pickedImageFormat: the image format position picked in the output
//     filename window for this save, kNoIndex when the save comes from the
//     main window or no format was selected. Without a pick the scene keeps
//     its own saver, whatever it is.
// Returns false when the scene could not be written.
bool RewriteOutputSettings(FrameChange frame, const std::string& previousText, bool outputSwitch,
                           int pickedImageFormat);

// The output path changed (the output directory requester, or OK in the
// output filename window): the rewrite with the output switch set. On
// failure the entry's output directory, prefix, extension and saver are put
// back to what the file holds, starting from `before`, the entry as it was
// before the edit.
bool RewriteOutputPath(const SceneEntry& before, int pickedImageFormat);

// Writes the output lines below every "SaveRGB 1" line of the scene; false,
// reported, when it could not be written or the scene has no such line.
// Returns false when the scene could not be written.
bool InsertOutputBlock();

// The image format position chosen at the last OK of the output filename
// window (the first format until then). It gives the saver of a scene that
// has none when its output settings are written from the main window.
void RememberImageFormatChoice(int position);
int LastImageFormatChoice();

// Output file names for a scene path.
std::string SceneCopyPath(const std::string& scenePath);
