// What a farm task reports in its status file (status/scene-NNN-TTT.txt in
// the preference file format), read back by the workstation.
#pragma once

#include <string>

enum class TaskState { kWaiting, kRunning, kFinished, kFailed, kUnknown };

struct TaskStatus {
  TaskState state = TaskState::kWaiting;
  std::string exitCode, node, started, ended;
};

// No file: the task waits. A file half written, empty or of anything else
// than a task's status reads as unknown; it never stops the reading.
TaskStatus ReadTaskStatus(const std::string& path);
