// The renderer's process as the program holds it: its priority, ending it,
// letting go of it.
#pragma once

// Gives the running renderer the class HighPriorityCheck asks for.
void ApplyRendererPriority();

// Lets go of the renderer process: its handle is released and forgotten.
void ForgetRenderer();

// Ends the running renderer with exitCode and waits (up to 10 s) until its
// process is gone, so that no frame is looked at, and the scene not started
// again, while it may still write. The handle is kept.
void EndRenderer(int exitCode);
