// What a farm task reports in its status file (status/scene-NNN-TTT.txt in
// the preference file format), read back by the workstation. A running task
// renews its file every minute (Updated); one not renewed for five minutes
// has lost its node, or the node its way to the share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class TaskState { kWaiting, kRunning, kFinished, kFailed, kKilled, kCancelled, kUnknown };

struct TaskStatus {
  TaskState state = TaskState::kWaiting;
  std::string exitCode, node, started, ended, updated, message;
  std::string jobId, arrayTaskId, restarts;
};

// No file: the task waits. A file half written, empty or of anything else
// than a task's status reads as unknown; it never stops the reading.
TaskStatus ReadTaskStatus(const std::string& path);

// Seconds since 1970 (UTC) of an ISO 8601 time to the second with its UTC
// offset ("2026-12-07T14:57:11+01:00", "...Z", "+0100"); nothing for any
// other text.
std::optional<std::int64_t> IsoSeconds(std::string_view text);

// A running task whose Updated time lies five minutes or more before now
// (both ISO times): "HH:MM" of that time in now's own UTC offset. Empty for
// any other task, and when either time cannot be read; an Updated time
// ahead of now (a node's clock ahead of the workstation's) is no loss.
std::string NoWordSince(const TaskStatus& status, const std::string& nowIso);
