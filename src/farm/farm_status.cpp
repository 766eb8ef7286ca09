#include "farm/farm_status.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/text.h"
#include "farm/farm_job.h"
#include "farm/task_status.h"
#include "persist/preference_file.h"
#include "render/output_tools.h"

namespace {

struct JobScene {
  int number = 0;
  std::string scenePath;
  int tasks = 0;
  std::int64_t expectedFrames = 0;
  SceneEntry output;   // its output folder, prefix and format, when job.txt names them
};

struct TaskCounts {
  int finished = 0, running = 0, failed = 0, waiting = 0, unknown = 0;
};

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// job.txt read whole and closed again: the status files are preference
// files too, and only one can be open at a time. False when it is no job.
bool ReadJobScenes(const std::string& folder, std::vector<JobScene>& scenes) {
  if (!PreferenceFile::OpenForReading(folder + "job.txt") || !PreferenceFile::SelectGroup("Farm Job")) {
    PreferenceFile::Close();
    return false;
  }
  const int count = PreferenceFile::ReadNumber("Scenes", 0);
  for (int number = 1; number <= count; ++number) {
    // The groups follow each other; a count beyond them is no reason to look further.
    if (!PreferenceFile::SelectGroup("Scene" + std::to_string(number))) break;
    JobScene scene;
    scene.number = number;
    scene.scenePath = Trim(PreferenceFile::ReadString("Scene", ""));
    scene.tasks = std::max(0, PreferenceFile::ReadNumber("Tasks", 0));
    scene.expectedFrames = PreferenceFile::ReadNumber("Frames expected", 0);
    scene.output[kFieldOutputDir] = PreferenceFile::ReadString("Output folder", "");
    scene.output[kFieldOutputPrefix] = PreferenceFile::ReadString("Output prefix", "");
    scene.output[kFieldOutputFilenameFormat] = PreferenceFile::ReadString("Filename format", "");
    scene.output[kFieldImageExtension] = PreferenceFile::ReadString("Image extension", "");
    scenes.push_back(scene);
  }
  PreferenceFile::Close();
  return true;
}

// The frames found: in the output folder job.txt names (a job written on
// another day, or another workstation), else as the queue sees the scene,
// else "?". An empty prefix names no frames.
std::string FramesFound(const JobScene& scene, const QueueState& queue) {
  if (!scene.output[kFieldOutputPrefix].empty()) return std::to_string(CountFrameFiles(scene.output));
  const int rows = std::min({queue.count, static_cast<int>(queue.scenePaths.size()),
                             static_cast<int>(queue.fields.size())});
  for (int row = 0; row < rows; ++row)
    if (EqualsNoCase(queue.scenePaths[row], scene.scenePath)) return std::to_string(CountFrameFiles(queue.fields[row]));
  return "?";
}

std::string OrQuestionMark(const std::string& text) { return text.empty() ? "?" : text; }

std::string CountsLine(const TaskCounts& n) {
  std::string line = "  Tasks: " + std::to_string(n.finished) + " finished, " + std::to_string(n.running) +
                     " running, " + std::to_string(n.failed) + " failed, " + std::to_string(n.waiting) + " waiting";
  if (n.unknown > 0) line += ", " + std::to_string(n.unknown) + " unknown";
  return line + "\r\n";
}

std::string SceneText(const std::string& folder, const JobScene& scene, const QueueState& queue) {
  TaskCounts counts;
  std::string failures;
  for (int task = 1; task <= scene.tasks; ++task) {
    const TaskStatus status = ReadTaskStatus(folder + TaskStatusName(scene.number, task));
    switch (status.state) {
      case TaskState::kWaiting: ++counts.waiting; break;
      case TaskState::kRunning: ++counts.running; break;
      case TaskState::kFinished: ++counts.finished; break;
      case TaskState::kUnknown: ++counts.unknown; break;
      case TaskState::kFailed:
        ++counts.failed;
        failures += "  Task " + std::to_string(task) + " failed: exit code " + OrQuestionMark(status.exitCode) +
                    " on " + OrQuestionMark(status.node) + "\r\n";
        break;
    }
  }
  std::string text = "Scene " + std::to_string(scene.number) + ": " + FilePart(scene.scenePath) + "\r\n";
  text += scene.tasks > 0 ? CountsLine(counts) : "  No tasks: every frame was there\r\n";
  text += "  Frames: " + FramesFound(scene, queue) + " of " + std::to_string(scene.expectedFrames) +
          "\r\n";
  return text + failures;
}

}  // namespace

std::string FarmStatusText(const std::string& folder, const QueueState& queue) {
  const std::string typed = Trim(folder);
  const std::string jobFolder = WithBackslash(typed);
  std::vector<JobScene> scenes;
  if (jobFolder.empty() || !ReadJobScenes(jobFolder, scenes)) return "No farm job in " + typed;
  std::string text;
  for (const JobScene& scene : scenes) text += SceneText(jobFolder, scene, queue);
  return text;
}
