// One render job: lwsn.exe on one queued scene, started in the background at
// a low priority, and the main-window operations that start and stop the
// queue or open a scene in LightWave.
#pragma once

#include <string>

// An argument as the Windows command-line rules read it back: unchanged
// unless it holds a blank, a tab or a double quote; then quoted, with
// backslashes doubled before a quote and before the closing quote.
std::string QuoteArgument(const std::string& argument);

// " -3 -q -d<content> <log option><scene> <first> <last> <step>" for the
// scene at row, starting at firstFrame.
std::string RendererParameters(int row, long long firstFrame);

// Starts the renderer on the scene at the render cursor, skipping scenes
// that are done and continuing one partly rendered. Nothing is started when
// the queue is done or the scene cannot be rendered.
void LaunchRenderJob();

// The start button while nothing renders (it may wait for the "Start at"
// time first), and while something does.
void StartQueue();
// The queue starts now, from its first row.
void StartQueueNow();

// Opens the selected scene in LightWave (lightwav.exe beside lwsn.exe).
void ViewSceneInLightWave();
