// A farm job: the queue turned into a job folder that a cluster scheduler
// runs. The folder is engine-neutral where it can be (job.txt lists the
// scenes, their chunks and tasks; each task writes status/scene-NNN-TTT.txt
// in the preference file format); the Slurm writer adds submit.sh and one
// job script per scene. Another engine's writer can stand beside it.
#pragma once

#include <string>
#include <vector>

#include "core/program_state.h"
#include "farm/chunks.h"

struct FarmScene {
  int number = 0;            // its row + 1
  std::string scenePath;     // a Windows path, as the nodes' Wine sees it too
  ChunkPlan plan;            // plan.tasks of them, none when every frame is there
  std::int64_t expectedFrames = 0;
  // Where its frames land, so the frames can be counted on the share from
  // the job folder alone.
  std::string outputDirectory, outputPrefix, filenameFormat, imageExtension;
};

struct FarmJob {
  std::vector<FarmScene> scenes;   // every queued scene, in queue order
  std::string rendererPath, contentDirectory;
  bool logCapable = false;
  FarmSettings farm;
  int ScenesWithTasks() const;
  std::int64_t Tasks() const;
};

// The job for the queue as it stands: each scene's frames left, counted in
// its output folder, chunked by the settings' frames per task.
FarmJob PlanFarmJob();

// The folder's files, as text. Shell scripts end their lines with LF.
std::string SubmitScript(const FarmJob& job);
std::string SceneScript(const FarmJob& job, const FarmScene& scene);
std::string JobDescription(const FarmJob& job);
std::string ReadmeText(const FarmJob& job);

// "scene-001.sh", "status/scene-001-002.txt" and the like.
std::string SceneScriptName(int number);
std::string TaskStatusName(int number, int task);
