// Scenes and projects from outside the program's own requesters: named on
// its command line, handed over by a second copy started from the same
// program folder, or dropped on the main window.
#pragma once

#include <string>
#include <vector>

// At start-up, before any window: when another copy already runs from this
// program folder, hands it this copy's command-line files and ends here.
void HandOverIfFolderTaken();

// Opens each file as "Add Scene" (.lws) or "Load Project" (.tbp) would, in
// order. Anything else, a missing file or a folder is refused, all in one
// message, and leaves the queue as it is.
void OpenOutsideFiles(const std::vector<std::string>& files);

// Between events: files that arrived are opened once nothing renders (Add
// Scene and Load Project are off while the queue renders); until then they
// wait.
void TakeOutsideFiles();
