// The Farm window (window 300): the [Farm] settings, the job folder the
// queue is written to, and how far the job written there has got. "Write
// Farm Job" takes the settings, saves the settings file and writes the
// folder; Close leaves the settings as they were last taken. The status
// view is read again every 3 seconds while the window is open. It runs its
// own event loop until it closes; every other window's event meanwhile is
// dropped, as for the other settings windows.
#pragma once

enum FarmWindowControl {
  kFarmWindow = 300,
  kFramesPerTaskLabel = 301,
  kFramesPerTaskField = 302,
  kNodeRendererLabel = 303,
  kNodeRendererField = 304,
  kNodeRendererNote = 305,
  kPartitionLabel = 306,
  kPartitionField = 307,
  kInQueueOrderCheck = 308,
  kShareHereLabel = 309,
  kShareHereField = 310,
  kShareOnClusterLabel = 311,
  kShareOnClusterField = 312,
  kJobFolderLabel = 313,
  kJobFolderField = 314,
  kJobFolderBrowseButton = 315,
  kWriteFarmJobButton = 316,
  kFarmCloseButton = 317,
  kFarmStatusLabel = 318,
  kFarmStatusView = 319,
  kCpusPerTaskLabel = 320,
  kCpusPerTaskField = 321,
  kMemoryPerTaskLabel = 322,
  kMemoryPerTaskField = 323,
  kTimeLimitLabel = 324,
  kTimeLimitField = 325,
  kWinePrefixLabel = 326,
  kWinePrefixField = 327,
  kTasksAtOnceLabel = 328,
  kTasksAtOnceField = 329,
};
// Ticks every 3 seconds on window 300.
constexpr int kFarmStatusTimer = 3;

// The "Send Queue to Farm..." command: the window opens beside the main
// window, on top of every other window, with the job folder beside the
// current project (or the last one saved), and closes with Close.
void OpenFarmWindow();
