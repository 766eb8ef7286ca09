#include "farm/farm_status.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>

#include "core/text.h"
#include "farm/farm_job.h"
#include "farm/task_status.h"
#include "persist/preference_file.h"
#include "platform/platform.h"
#include "render/output_tools.h"

namespace {

struct TaskCounts {
  int finished = 0, running = 0, failed = 0, killed = 0, cancelled = 0, waiting = 0, unknown = 0;
};

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// The frames found: in the output folder job.txt names (a job written on
// another day, or another workstation), else as the queue sees the scene,
// else "?". An empty prefix names no frames.
std::string FramesFound(const JobScene& scene, const QueueState& queue) {
  if (!scene.output[kFieldOutputPrefix].empty()) return std::to_string(FramesPresent(scene.output).size());
  const int rows = std::min({queue.count, static_cast<int>(queue.scenePaths.size()),
                             static_cast<int>(queue.fields.size())});
  for (int row = 0; row < rows; ++row)
    if (EqualsNoCase(queue.scenePaths[row], scene.scenePath))
      return std::to_string(FramesPresent(queue.fields[row]).size());
  return "?";
}

std::string OrQuestionMark(const std::string& text) { return text.empty() ? "?" : text; }

std::string CountsLine(const TaskCounts& n) {
  std::string line = "  Tasks: " + std::to_string(n.finished) + " finished, " + std::to_string(n.running) +
                     " running, " + std::to_string(n.failed) + " failed, " + std::to_string(n.waiting) + " waiting";
  if (n.killed > 0) line += ", " + std::to_string(n.killed) + " killed";
  if (n.cancelled > 0) line += ", " + std::to_string(n.cancelled) + " cancelled";
  if (n.unknown > 0) line += ", " + std::to_string(n.unknown) + " unknown";
  return line + "\r\n";
}

// "  Task 2 failed: exit code 3 on n1", or the task's own message.
std::string EndLine(std::int64_t task, const char* what, const TaskStatus& status) {
  const std::string why = status.message.empty() ? "exit code " + OrQuestionMark(status.exitCode) : status.message;
  return "  Task " + std::to_string(task) + " " + what + ": " + why + " on " + OrQuestionMark(status.node) + "\r\n";
}

// The tasks that have a status file, by scene: one listing of the status
// folder, so that a job of many tasks (or a job.txt claiming billions) costs
// only the files that are there.
struct ListedStatus {
  std::int64_t task = 0;
  std::int64_t size = 0, writeTime = 0;
  bool operator<(const ListedStatus& other) const { return task < other.task; }
};
using StatusFiles = std::map<int, std::vector<ListedStatus>>;

// The window reads the folder again every few seconds: a status file the
// listing shows unchanged (same size, same time of its last write) is not
// read again.
const TaskStatus& StatusOf(const std::string& path, const ListedStatus& listed) {
  struct Known {
    std::int64_t size = -1, writeTime = 0;
    TaskStatus status;
  };
  static std::unordered_map<std::string, Known> known;
  Known& entry = known[path];
  if (entry.size != listed.size || entry.writeTime != listed.writeTime) {
    entry.status = ReadTaskStatus(path);
    // One that was gone since the listing is read again next time.
    entry.size = entry.status.state == TaskState::kWaiting ? -1 : listed.size;
    entry.writeTime = listed.writeTime;
  }
  return entry.status;
}

StatusFiles ListStatusFiles(const std::string& folder) {
  StatusFiles files;
  for (const auto& entry : pf::ListDirectory(folder + "status\\", "scene-*-*.txt")) {
    if (entry.isDirectory) continue;
    const std::string& name = entry.name;   // scene-NNN-TTT.txt
    const std::size_t dash = name.find('-', 6);
    const std::string scene = name.substr(6, dash - 6), task = name.substr(dash + 1, name.size() - dash - 5);
    auto digits = [](const std::string& t) {
      return !t.empty() && t.size() <= 9 && t.find_first_not_of("0123456789") == std::string::npos;
    };
    if (dash == std::string::npos || !digits(scene) || !digits(task)) continue;
    // Only the names the job writes: 3 digits at least, no other leading zero.
    if (name != TaskStatusName(std::stoi(scene), std::stoll(task)).substr(7)) continue;
    files[std::stoi(scene)].push_back({std::stoll(task), entry.size, entry.writeTime});
  }
  for (auto& [scene, tasks] : files) std::sort(tasks.begin(), tasks.end());
  return files;
}

// What the scene's status files are now, in one number: any file added,
// removed or written since changes it.
std::uint64_t Signature(const std::vector<ListedStatus>& listed) {
  std::uint64_t hash = 1469598103934665603ull;
  const auto mix = [&hash](std::int64_t part) { hash = (hash ^ static_cast<std::uint64_t>(part)) * 1099511628211ull; };
  for (const ListedStatus& file : listed) {
    mix(file.task);
    mix(file.size);
    mix(file.writeTime);
  }
  return hash;
}

// Farm frames appear while the scene's tasks run and as they end, which
// changes their status files: a scene whose status files are as they were
// keeps its frame count, counted again only now and then (frames a local
// render adds), so that a refresh of a thousand scenes does not list a
// thousand output folders every few seconds.
std::string CountedFrames(const std::string& key, std::uint64_t signature, bool running,
                          const std::function<std::string()>& count) {
  constexpr int kRecountEvery = 10;   // refreshes
  struct Known {
    std::uint64_t signature = 0;
    int age = kRecountEvery;
    std::string frames;
  };
  static std::unordered_map<std::string, Known> known;
  Known& entry = known[key];
  if (running || entry.signature != signature || ++entry.age >= kRecountEvery) {
    entry.signature = signature;
    entry.age = 0;
    entry.frames = count();
  }
  return entry.frames;
}

std::string SceneText(const std::string& folder, const JobScene& scene, const std::vector<ListedStatus>& listed,
                      const QueueState& queue, const std::string& nowIso) {
  TaskCounts counts;
  std::string notes;
  int seen = 0;
  for (const ListedStatus& file : listed) {
    const std::int64_t task = file.task;
    if (task < 1 || task > scene.tasks) continue;
    ++seen;
    const TaskStatus& status = StatusOf(folder + TaskStatusName(scene.number, task), file);
    switch (status.state) {
      case TaskState::kWaiting: --seen; break;   // gone since the listing
      case TaskState::kFinished: ++counts.finished; break;
      case TaskState::kUnknown: ++counts.unknown; break;
      case TaskState::kCancelled: ++counts.cancelled; break;
      case TaskState::kRunning: {
        ++counts.running;
        const std::string since = NoWordSince(status, nowIso);
        if (!since.empty())
          notes += "  Task " + std::to_string(task) + " on " + OrQuestionMark(status.node) + ": no word since " +
                   since + " (node lost?)\r\n";
        break;
      }
      case TaskState::kFailed:
        ++counts.failed;
        notes += EndLine(task, "failed", status);
        break;
      case TaskState::kKilled:
        ++counts.killed;
        notes += EndLine(task, "killed", status);
        break;
    }
  }
  counts.waiting = scene.tasks - seen;
  std::string text = "Scene " + std::to_string(scene.number) + ": " + FilePart(scene.scenePath) + "\r\n";
  text += scene.tasks > 0 ? CountsLine(counts) : "  No tasks: every frame was there\r\n";
  const std::string frames =
      CountedFrames(folder + std::to_string(scene.number) + "|" + scene.scenePath, Signature(listed),
                    counts.running > 0, [&] { return FramesFound(scene, queue); });
  text += "  Frames: " + frames + " of " + std::to_string(scene.expectedFrames) + "\r\n";
  return text + notes;
}

const std::vector<ListedStatus>& Listed(const StatusFiles& files, int scene) {
  static const std::vector<ListedStatus> none;
  const auto it = files.find(scene);
  return it == files.end() ? none : it->second;
}

}  // namespace

// job.txt read whole and closed again: the status files are preference
// files too, and only one can be open at a time.
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
    SceneEntry& out = scene.output;
    out[kFieldFirstFrame] = Trim(PreferenceFile::ReadString("First frame", ""));
    out[kFieldLastFrame] = Trim(PreferenceFile::ReadString("Last frame", ""));
    out[kFieldFrameStep] = Trim(PreferenceFile::ReadString("Frame step", ""));
    out[kFieldOutputDir] = PreferenceFile::ReadString("Output folder", "");
    out[kFieldOutputPrefix] = PreferenceFile::ReadString("Output prefix", "");
    out[kFieldOutputFilenameFormat] = PreferenceFile::ReadString("Filename format", "");
    out[kFieldImageExtension] = PreferenceFile::ReadString("Image extension", "");
    scenes.push_back(scene);
  }
  PreferenceFile::Close();
  return true;
}

std::string FarmStatusText(const std::string& folder, const QueueState& queue, const std::string& nowIso) {
  const std::string typed = Trim(folder);
  const std::string jobFolder = WithBackslash(typed);
  std::vector<JobScene> scenes;
  if (jobFolder.empty() || !ReadJobScenes(jobFolder, scenes)) return "No farm job in " + typed;
  const StatusFiles files = ListStatusFiles(jobFolder);
  std::string text;
  for (const JobScene& scene : scenes) text += SceneText(jobFolder, scene, Listed(files, scene.number), queue, nowIso);
  return text;
}

std::int64_t TasksNotEnded(const std::string& folder) {
  const std::string jobFolder = WithBackslash(Trim(folder));
  // jobs.txt is small: a line per job array.
  std::string jobs;
  if (pf::FileHandle file = pf::FileOpen(jobFolder + "jobs.txt", pf::FileMode::ReadShared)) {
    char buffer[4096];
    for (std::int64_t n; (n = pf::FileRead(file, buffer, sizeof buffer)) > 0 && jobs.size() < 1 << 20;)
      jobs.append(buffer, static_cast<std::size_t>(n));
    pf::FileClose(file);
  }
  if (jobs.find_first_of("0123456789") == std::string::npos) return 0;
  std::vector<JobScene> scenes;
  if (!ReadJobScenes(jobFolder, scenes)) return 0;
  const StatusFiles files = ListStatusFiles(jobFolder);
  std::int64_t open = 0;
  for (const JobScene& scene : scenes) {
    std::int64_t ended = 0;
    for (const ListedStatus& file : Listed(files, scene.number)) {
      if (file.task < 1 || file.task > scene.tasks) continue;
      // Read afresh: whether a folder may be replaced never rests on what was seen before.
      const TaskState state = ReadTaskStatus(jobFolder + TaskStatusName(scene.number, file.task)).state;
      ended += state == TaskState::kFinished || state == TaskState::kFailed || state == TaskState::kKilled ||
               state == TaskState::kCancelled;
    }
    open += scene.tasks - ended;
  }
  return open;
}
