#include "farm/task_status.h"

#include "core/text.h"
#include "persist/preference_file.h"
#include "platform/platform.h"

TaskStatus ReadTaskStatus(const std::string& path) {
  TaskStatus status;
  if (pf::QueryFileSize(path) == -1) return status;
  status.state = TaskState::kUnknown;
  if (!PreferenceFile::OpenForReading(path) || !PreferenceFile::SelectGroup("Task")) {
    PreferenceFile::Close();
    return status;
  }
  const std::string state = ToLowerAscii(Trim(PreferenceFile::ReadString("State", "")));
  status.exitCode = Trim(PreferenceFile::ReadString("Exit code", ""));
  status.node = Trim(PreferenceFile::ReadString("Node", ""));
  status.started = Trim(PreferenceFile::ReadString("Started", ""));
  status.ended = Trim(PreferenceFile::ReadString("Ended", ""));
  PreferenceFile::Close();
  if (state == "running") status.state = TaskState::kRunning;
  if (state == "finished") status.state = TaskState::kFinished;
  if (state == "failed") status.state = TaskState::kFailed;
  return status;
}
