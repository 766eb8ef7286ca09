// The progress display of the current scene: frames found, percentage, the
// frame tools, the caption of the start button and the scene's render state.
#pragma once

#include <cstdint>

#include "core/program_state.h"

// The scene's frame step; a step below 1 (0, or no digits) counts as 1.
std::int64_t EffectiveStep(const SceneEntry& entry);

// Frames a scene renders: (last - first) / step + 1, with a step below 1
// taken as 1; 0 when the last frame lies before the first. For a scene from
// frame 1 with step 1 this is its last frame.
std::int64_t ExpectedFrames(const SceneEntry& entry);

// All frames are there: at least one is expected and at least that many
// frame files were found.
bool SceneComplete(const SceneEntry& entry, std::int64_t framesFound);

// The whole-number percentage of `found` out of `expected`, halves to the
// even neighbour; 0 when nothing is expected.
std::int64_t PercentDone(std::int64_t found, std::int64_t expected);

// Shows the current scene's progress from the frames-found counter, and
// keeps the scene's percent done and render state.
void ShowProgress();

// Shows that no scene's progress is on display ("none", 0%) while the
// details wait for a selection. No queue row is written: the current scene
// index may then point at another scene than the one last shown.
void ShowNoProgress();
