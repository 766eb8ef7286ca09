// A farm job: the queue turned into a job folder that a cluster scheduler
// runs. The folder is engine-neutral where it can be (job.txt lists the
// scenes, their missing frames and tasks; each task writes
// status/scene-NNN-TTT.txt in the preference file format); the Slurm writer
// adds submit.sh, cancel.sh and one job script per scene. Another engine's
// writer can stand beside it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "farm/chunks.h"

struct FarmScene {
  int number = 0;            // its row + 1
  std::string scenePath;     // a Windows path, as the nodes' Wine sees it too
  std::int64_t first = 0, last = 0;   // the scene's own frames, on plan.step
  ChunkPlan plan;            // no tasks when every frame is there
  std::int64_t expectedFrames = 0;
  // Where its frames land, so the frames can be counted on the share from
  // the job folder alone, and a task can tell whether it wrote any.
  std::string outputDirectory, outputPrefix, filenameFormat, imageExtension;
};

struct FarmJob {
  std::vector<FarmScene> scenes;   // every queued scene, in queue order
  std::string rendererPath, contentDirectory;
  std::string folder;              // the job folder, a Windows path with its backslash
  bool logCapable = false;
  FarmSettings farm;
  int ScenesWithTasks() const;
  std::int64_t Tasks() const;
  std::int64_t MissingFrames() const;
};

// The frame numbers of the scene present in its output folder: named by
// its file-name format, frames of the scene, and not provably cut off.
std::vector<std::int64_t> FramesPresent(const SceneEntry& entry);

// The queue's scenes and the settings, without a plan: no frame is looked at.
FarmJob QueueOutline(const std::string& folder);

// The job for the queue as it stands, to be written into folder: each
// scene's missing frames cut into tasks of the settings' frames per task.
FarmJob PlanFarmJob(const std::string& folder);

// The content path and the scene and output paths (of the scenes with
// tasks, or of all) that the nodes cannot see (not under "Share on this
// computer"), each once; none while no share is set.
std::vector<std::string> UnseenPaths(const FarmJob& job, bool scenesWithTasksOnly = true);
// "The nodes cannot see C:\...\shot.lws" lines (LF between), or empty text.
std::string UnseenPathsText(const FarmJob& job, bool scenesWithTasksOnly = true);

// The folder's files, as text. Shell scripts end their lines with LF and
// hold their paths in UTF-8.
std::string SubmitScript(const FarmJob& job);
std::string CancelScript();
std::string SceneScript(const FarmJob& job, const FarmScene& scene);
std::string JobDescription(const FarmJob& job);
std::string ReadmeText(const FarmJob& job);

// "scene-001.sh", "status/scene-001-002.txt" and the like.
std::string SceneScriptName(int number);
std::string TaskStatusName(int number, std::int64_t task);
