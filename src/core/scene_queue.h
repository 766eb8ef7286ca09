// The scene queue: four growable lists kept in step with the lines of
// QueueList (row i of every list belongs to line i), the operations behind
// the queue controls, and the housekeeping that decides which main-window
// controls can be used.
#pragma once

#include <string>

// The number of lines of QueueList, cached as the queue count.
int RecountQueue();

// Appends a scene as a new last row: its path, a QueueList line with the full
// path, empty fields with percent "0", render state 0. The caller reads the
// scene into the row.
void AppendQueueRow(const std::string& path);

// Asks for a scene file and appends it when it is new and a scene.
void AddSceneToQueue();
// What Add Scene does with the chosen path: refuses a queued one, checks it
// is a scene, appends and reads it, and shows it as the current scene.
void QueueScenePath(const std::string& path);
// Asks whether to clear the whole queue or remove the current entry.
void ClearScenes();
// Swap the selected entry with its neighbour; the list loses its selection.
void MoveSceneUp();
void MoveSceneDown();
// Makes the list's selection the current scene and shows its details.
void SelectScene();
// Reacts to a click on SceneFileOnlyCheck or ParentDirViewCheck.
void SetDisplayMode(int clickedCheck);
// Recomputes every display text for the current mode and rewrites the list.
void RebuildQueueDisplay();
// Shows a row's frame range, output folder and file name, and its path as
// the list's tooltip.
void ShowSceneDetails(int row);
// "<count> Scene File(s) In Queue".
void ShowQueueCount();
// Applies a pending clear or removal, then derives the enabled state of the
// main window's controls and shows the selected scene's details.
void RefreshQueueState();
