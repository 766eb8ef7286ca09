#include "persist/project_file.h"

// Placeholder until project loading is built: nothing is loaded yet, so the
// automatic reload at start-up leaves the queue empty.
void LoadProject() {}
