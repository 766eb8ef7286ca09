// Editing the current scene from the main window: its frame range through
// the input requester, its output directory and file name, and the guards
// in front of the scene settings window. Each edit re-saves the scene.
#pragma once

// Asks "Do you really want to overwrite: ..." when the user wants to be
// asked; true when the scene may be re-saved.
bool ConfirmSceneOverwrite();

void EditFirstFrame();
void EditLastFrame();
void EditFrameStep();
void ChangeOutputDirectory();
void ChangeOutputFilename();
void OpenSceneEditor();
