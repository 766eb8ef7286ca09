// Project files: a saved scene queue with the renderer location and the main
// window's layout.
#pragma once

// Loads the project named by the current project path into the queue.
void LoadProject();
