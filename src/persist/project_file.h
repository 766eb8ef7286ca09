// Project files (*.tbp): a saved scene queue with the renderer location and
// the main window's position and view state.
#pragma once

#include <string>

// "Load Project": asks for a file, then loads it.
void LoadProjectWithRequester();

// Loads the project named by the current project path into the queue. A
// file that is missing or not a project is refused with a message, sets the
// project load failed flag and leaves the queue as it was.
void LoadProject();

// "Save Project": asks for a name (forced to end in .tbp) and writes the
// queue. The file is written beside its place and then replaces it in one
// step; an existing file the user did not name is overwritten only on Yes.
void SaveProject();

// The chosen save name with its extension forced to .tbp: a dot in the file
// name cuts it there; a dot in a folder name does not count.
std::string ProjectPathWithExtension(const std::string& chosen);
