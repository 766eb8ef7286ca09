// Watching a render job on the render timer's ticks: the renderer's exit
// code, the frames it wrote, and what follows when it ends; and Stop.
#pragma once

// One tick of the render timer while a job runs.
void SupervisionTick();

// The frame timeout ended the renderer: tried again, passed over, or the
// run ends with "LWSN hung! (no new frame for N min)".
void EndHungRenderer();

// Acts on the renderer's exit code: a negative code (also Stop's) ends the
// run as terminated, a positive one as failed; 0 marks the scene done and
// starts the next one; 259 (still running) changes nothing.
void CheckRenderCompletion();

// The button while a job runs: the renderer is ended and the run with it.
void StopQueue();
