#include "farm/farm_job.h"

#include <cstdio>

#include "core/text.h"
#include "farm/shell_text.h"
#include "render/output_tools.h"
#include "render/progress.h"

namespace {

std::string Number3(long long n) {
  char text[24];
  std::snprintf(text, sizeof text, "%03lld", n);
  return text;
}

// The renderer as a node runs it, and the folder it runs in: wine and the
// renderer's Windows path (the node's Wine sees the studio's drives under
// the same letters), or the settings' own command, which is shell text.
std::string RendererCommand(const FarmJob& job) {
  if (!job.farm.nodeRenderer.empty()) return job.farm.nodeRenderer;
  return "cd \"$(winepath -u " + ShellQuote(DirectoryPart(job.rendererPath)) + ")\" && exec wine " +
         ShellQuote(job.rendererPath);
}

// The renderer's parameters for this task, one shell word each: Wine puts
// them together by the Windows rules, as the program does locally.
std::string RendererArguments(const FarmJob& job, const FarmScene& scene) {
  std::string args = " -3 -q " + ShellQuote("-d" + job.contentDirectory);
  if (job.logCapable) args += " \"-llwsn_tallowbridge_" + Number3(scene.number) + "_$id.log\"";
  return args + " " + ShellQuote(scene.scenePath) + " \"$first\" \"$last\" " + std::to_string(scene.plan.step);
}

}  // namespace

int FarmJob::ScenesWithTasks() const {
  int n = 0;
  for (const auto& s : scenes) n += s.plan.tasks > 0;
  return n;
}

std::int64_t FarmJob::Tasks() const {
  std::int64_t n = 0;
  for (const auto& s : scenes) n += s.plan.tasks;
  return n;
}

std::string SceneScriptName(int number) { return "scene-" + Number3(number) + ".sh"; }
std::string TaskStatusName(int number, int task) {
  return "status/scene-" + Number3(number) + "-" + Number3(task) + ".txt";
}

FarmJob PlanFarmJob() {
  FarmJob job;
  job.rendererPath = g.settings.rendererPath;
  job.contentDirectory = g.settings.contentDirectory;
  job.logCapable = g.logCapableBuild != 0;
  job.farm = g.settings.farm;
  const int rows = std::min<int>(g.queue.count, static_cast<int>(g.queue.fields.size()));
  for (int row = 0; row < rows; ++row) {
    const SceneEntry& entry = g.queue.fields[row];
    FarmScene scene;
    scene.number = row + 1;
    scene.scenePath = g.queue.scenePaths[row];
    scene.expectedFrames = ExpectedFrames(entry);
    scene.outputDirectory = entry[kFieldOutputDir];
    scene.outputPrefix = entry[kFieldOutputPrefix];
    scene.filenameFormat = entry[kFieldOutputFilenameFormat];
    scene.imageExtension = entry[kFieldImageExtension];
    scene.plan = PlanChunks(ReadNumber(entry[kFieldFirstFrame]), ReadNumber(entry[kFieldLastFrame]),
                            EffectiveStep(entry), CountFrameFiles(entry), job.farm.framesPerTask);
    job.scenes.push_back(scene);
  }
  return job;
}

std::string SubmitScript(const FarmJob& job) {
  std::string text =
      "#!/bin/sh\n"
      "# Submits this farm job to Slurm: one job array per scene that has frames\n"
      "# left, in queue order. Run it on any machine with the Slurm client tools.\n"
      "cd \"$(dirname \"$0\")\" || exit 1\n"
      "mkdir -p log status || exit 1\n"
      "previous=\n"
      "submit() {\n"
      "  if [ -n \"$previous\" ] && [ \"$4\" = yes ]; then\n"
      "    out=$(sbatch --parsable --dependency=afterany:\"$previous\" \"$3\")\n"
      "  else\n"
      "    out=$(sbatch --parsable \"$3\")\n"
      "  fi || { echo \"scene $1: sbatch failed\" >&2; exit 1; }\n"
      "  previous=${out%%;*}\n"
      "  echo \"scene $1: job $previous ($2 tasks)\"\n"
      "}\n";
  const char* order = job.farm.inQueueOrder ? "yes" : "no";
  for (const auto& scene : job.scenes) {
    if (scene.plan.tasks <= 0) continue;
    text += "submit " + std::to_string(scene.number) + " " + std::to_string(scene.plan.tasks) + " " +
            SceneScriptName(scene.number) + " " + order + "\n";
  }
  return text;
}

std::string SceneScript(const FarmJob& job, const FarmScene& scene) {
  const ChunkPlan& p = scene.plan;
  const std::string n = Number3(scene.number);
  std::string text = "#!/bin/sh\n#SBATCH --job-name=" + SchedulerName(FilePart(scene.scenePath)) +
                     "\n#SBATCH --array=1-" + std::to_string(p.tasks) + "\n#SBATCH --output=log/scene-" + n +
                     "-%a.log\n";
  if (!job.farm.partition.empty()) text += "#SBATCH --partition=" + SchedulerName(job.farm.partition) + "\n";
  text += "# Scene " + std::to_string(scene.number) + ": " + std::to_string(p.tasks) + " tasks of up to " +
          std::to_string(p.framesPerTask) + " frames from frame " + std::to_string(p.start) + ".\n";
  text += "task=${SLURM_ARRAY_TASK_ID:?run this as a task of its job array}\n"
          "id=$(printf '%03d' \"$task\")\n"
          "status=status/scene-" + n + "-$id.txt\n"
          "first=$((" + std::to_string(p.start) + " + (task - 1) * " + std::to_string(p.framesPerTask * p.step) +
          "))\n"
          "last=$((first + " + std::to_string((p.framesPerTask - 1) * p.step) + "))\n"
          "[ \"$last\" -gt " + std::to_string(p.last) + " ] && last=" + std::to_string(p.last) + "\n"
          "node=$(hostname)\n"
          "started=$(date -Iseconds)\n"
          "report() {\n"
          "  printf '[Task]\\r\\nState = %s\\r\\nExit code = %s\\r\\nNode = %s\\r\\nStarted = %s\\r\\nEnded = %s\\r\\n"
          "First frame = %s\\r\\nLast frame = %s\\r\\n' \\\n"
          "    \"$1\" \"$2\" \"$node\" \"$started\" \"$3\" \"$first\" \"$last\" > \"$status.new\" &&\n"
          "    mv -f \"$status.new\" \"$status\"\n"
          "}\n"
          "report running '' ''\n"
          "( " + RendererCommand(job) + RendererArguments(job, scene) + " )\n"
          "code=$?\n"
          "if [ \"$code\" -eq 0 ]; then state=finished; else state=failed; fi\n"
          "report \"$state\" \"$code\" \"$(date -Iseconds)\"\n"
          "exit \"$code\"\n";
  return text;
}

std::string JobDescription(const FarmJob& job) {
  std::string text = "[Farm Job]\r\nEngine = SLURM\r\nScenes = " + std::to_string(job.scenes.size()) + "\r\n";
  for (const auto& s : job.scenes) {
    text += "[Scene" + std::to_string(s.number) + "]\r\nScene = " + s.scenePath + "\r\nTasks = " +
            std::to_string(s.plan.tasks) + "\r\nFirst frame = " + std::to_string(s.plan.start) +
            "\r\nLast frame = " + std::to_string(s.plan.last) + "\r\nFrame step = " + std::to_string(s.plan.step) +
            "\r\nFrames per task = " + std::to_string(s.plan.framesPerTask) + "\r\nFrames expected = " +
            std::to_string(s.expectedFrames) + "\r\nOutput folder = " + s.outputDirectory + "\r\nOutput prefix = " +
            s.outputPrefix + "\r\nFilename format = " + s.filenameFormat + "\r\nImage extension = " +
            s.imageExtension + "\r\n";
  }
  return text;
}

std::string ReadmeText(const FarmJob& job) {
  return "Tallowbridge farm job\r\n"
         "=====================\r\n\r\n"
         "This folder renders a Tallowbridge queue on a Slurm cluster: " +
         std::to_string(job.ScenesWithTasks()) + " scene(s) in " + std::to_string(job.Tasks()) +
         " task(s).\r\n\r\n"
         "Run on a machine with the Slurm client tools:\r\n\r\n    sh submit.sh\r\n\r\n"
         "It submits one job array per scene (scene-NNN.sh) and prints each job's ID.\r\n"
         "Each task writes status/scene-NNN-TTT.txt (State, Exit code, Node, Started,\r\n"
         "Ended) and its output to log/. job.txt lists the scenes and their tasks.\r\n\r\n"
         "A render node needs Wine and lwsn.exe, and must see the studio's shares\r\n"
         "under the same drive letters as the workstation (the scene, content and\r\n"
         "output paths stay Windows paths), unless the settings name a node\r\n"
         "renderer command of their own.\r\n";
}
