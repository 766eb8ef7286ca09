#include "farm/farm_job.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "core/text.h"
#include "farm/job_folder.h"
#include "farm/shell_text.h"
#include "platform/platform.h"
#include "render/frame_check.h"
#include "render/frame_numbers.h"
#include "render/output_tools.h"
#include "render/progress.h"

namespace {

std::string Number3(long long n) {
  char text[24];
  std::snprintf(text, sizeof text, "%03lld", n);
  return text;
}

// A path or setting as one shell word, in UTF-8 as the nodes read it.
std::string Word(const std::string& ansi) { return ShellQuote(pf::AnsiToUtf8(ansi)); }

// The renderer as a node runs it: wine and the renderer's Windows path, run
// in the renderer's folder (the node's Wine sees the studio's drives under
// the same letters), or the settings' own command, which is shell text.
std::string RendererCommand(const FarmJob& job) {
  if (!job.farm.nodeRenderer.empty()) return pf::AnsiToUtf8(job.farm.nodeRenderer);
  return "cd \"$(winepath -u " + Word(DirectoryPart(job.rendererPath)) + ")\" && exec wine " + Word(job.rendererPath);
}

// The renderer's parameters for this task, one shell word each: Wine puts
// them together by the Windows rules, as the program does locally. Its own
// log goes to the task's file in log\.
std::string RendererArguments(const FarmJob& job, const FarmScene& scene) {
  std::string args = " -3 -q " + Word("-d" + job.contentDirectory);
  if (job.logCapable) {
    if (job.folder.empty()) args += " \"-llwsn_tallowbridge_" + Number3(scene.number) + "_$id.log\"";
    else args += " " + Word("-l" + job.folder + "log\\scene-" + Number3(scene.number) + "-") + "\"$id\"'-lwsn.log'";
  }
  return args + " " + Word(scene.scenePath) + " \"$first\" \"$last\" " + std::to_string(scene.plan.step);
}

// The output folder as a node sees it, as shell text: under the cluster's
// share when it lies under this computer's, else as Wine maps it.
std::string NodeOutputFolder(const FarmJob& job, const FarmScene& scene) {
  const std::string mapped = ClusterPath(scene.outputDirectory, job.farm);
  if (mapped != scene.outputDirectory) return Word(mapped);
  return "\"$(winepath -u " + Word(scene.outputDirectory) + " 2>/dev/null)\"";
}

// How a frame file of the scene is named, as a shell function of the frame
// number; nothing for a file-name format the check cannot name.
std::string FrameNameFunction(const FarmScene& scene) {
  const std::string& f = scene.filenameFormat;
  if (f.size() != 1 || f[0] < '0' || f[0] > '7' || scene.outputPrefix.empty()) return {};
  const int n = f[0] - '0';
  const std::string pad = (n / 2) % 2 == 1 ? "%04d" : "%03d";
  SceneEntry entry;
  entry[kFieldOutputFilenameFormat] = f;
  entry[kFieldImageExtension] = scene.imageExtension;
  return "frame_name() { printf '%s" + std::string(n >= 4 ? "_" : "") + pad + "%s' " + Word(scene.outputPrefix) +
         " \"$1\" " + Word(FramePatternExtension(entry)) + "; }\n";
}

// The explicit environment of a task: nothing of the submitting shell
// (DISPLAY, WINEPREFIX) reaches it; Wine's crash debugger and messages are
// off, so a crash ends the task, and the locale reads paths as UTF-8.
std::string TaskEnvironment(const FarmJob& job) {
  std::string text =
      "unset DISPLAY WINEPREFIX WINEARCH WINELOADER WINESERVER LANG LANGUAGE\n"
      "PATH=/usr/local/bin:/usr/bin:/bin\n"
      "[ -n \"${HOME:-}\" ] || HOME=$(getent passwd \"$(id -u)\" | cut -d: -f6)\n"
      "LC_ALL=C.UTF-8\n"
      "WINEDEBUG=-all\n"
      "WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'\n"
      "export PATH HOME LC_ALL WINEDEBUG WINEDLLOVERRIDES\n";
  if (!job.farm.winePrefix.empty()) text += "WINEPREFIX=" + Word(job.farm.winePrefix) + "\nexport WINEPREFIX\n";
  return text;
}

// The scheduler's own lines: only names it reads, never shell text.
std::string SchedulerLines(const FarmJob& job, const FarmScene& scene) {
  const FarmSettings& f = job.farm;
  std::string text = "#SBATCH --job-name=" + SchedulerName(FilePart(scene.scenePath)) + "\n#SBATCH --output=log/scene-" +
                     Number3(scene.number) + "-%A_%a.log\n#SBATCH --open-mode=append\n#SBATCH --export=NONE\n";
  if (!f.partition.empty()) text += "#SBATCH --partition=" + SchedulerWord(f.partition, ",") + "\n";
  text += f.cpusPerTask > 0 ? "#SBATCH --cpus-per-task=" + std::to_string(f.cpusPerTask) + "\n" : "#SBATCH --exclusive\n";
  if (!f.memoryPerTask.empty()) text += "#SBATCH --mem=" + SchedulerWord(f.memoryPerTask, "") + "\n";
  if (!f.timeLimit.empty()) text += "#SBATCH --time=" + SchedulerWord(f.timeLimit, ":") + "\n";
  return text;
}

// Task n's frames: the runs of missing frames, each "first last tasks".
std::string RunTable(const ChunkPlan& p) {
  std::string text;
  for (const FrameRun& run : p.runs)
    text += std::to_string(run.first) + " " + std::to_string(run.last) + " " + std::to_string(p.Tasks(run)) + "\n";
  return text;
}

}  // namespace

int FarmJob::ScenesWithTasks() const {
  int n = 0;
  for (const auto& s : scenes) n += s.plan.Tasks() > 0;
  return n;
}

std::int64_t FarmJob::Tasks() const {
  std::int64_t n = 0;
  for (const auto& s : scenes) n += s.plan.Tasks();
  return n;
}

std::int64_t FarmJob::MissingFrames() const {
  std::int64_t n = 0;
  for (const auto& s : scenes) n += s.plan.Frames();
  return n;
}

std::string SceneScriptName(int number) { return "scene-" + Number3(number) + ".sh"; }
std::string TaskStatusName(int number, std::int64_t task) {
  return "status/scene-" + Number3(number) + "-" + Number3(task) + ".txt";
}

namespace {

// The size most of the scene's frames have, or -1 when no two share one
// (compressed frames differ from each other).
std::int64_t UsualFrameSize(const std::vector<NumberedFrame>& frames) {
  std::map<std::int64_t, int> counts;
  for (const NumberedFrame& frame : frames) ++counts[frame.size];
  std::int64_t usual = -1;
  int most = 1;
  for (const auto& [size, count] : counts)
    if (count > most) usual = size, most = count;
  return usual;
}

}  // namespace

// A renderer writes its frames in order, so a frame a task left cut off is
// the last of its run (the scene's next frame is missing), or, where the
// next task's frame follows it, shorter than the scene's usual frame. Only
// those are read: opening every frame of a thousand scenes would take the
// plan minutes on a share.
std::vector<std::int64_t> FramesPresent(const SceneEntry& entry) {
  const std::vector<NumberedFrame> frames = ListSceneFrames(entry);
  const std::int64_t usual = UsualFrameSize(frames), step = EffectiveStep(entry);
  std::vector<std::int64_t> numbers;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const NumberedFrame& frame = frames[i];
    const bool endsRun = i + 1 == frames.size() || frames[i + 1].number != frame.number + step;
    const bool suspect = endsRun || frame.size == 0 || (usual >= 0 && frame.size < usual);
    if (!suspect || !FrameProvablyIncomplete(entry[kFieldOutputDir] + frame.name)) numbers.push_back(frame.number);
  }
  return numbers;
}

FarmJob QueueOutline(const std::string& folder) {
  FarmJob job;
  job.folder = folder;
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
    scene.first = ReadNumber(entry[kFieldFirstFrame]);
    scene.last = ReadNumber(entry[kFieldLastFrame]);
    scene.plan.step = EffectiveStep(entry);
    job.scenes.push_back(scene);
  }
  return job;
}

FarmJob PlanFarmJob(const std::string& folder) {
  FarmJob job = QueueOutline(folder);
  for (std::size_t row = 0; row < job.scenes.size(); ++row) {
    FarmScene& scene = job.scenes[row];
    scene.plan = PlanMissingFrames(scene.first, scene.last, scene.plan.step, FramesPresent(g.queue.fields[row]),
                                   job.farm.framesPerTask);
  }
  return job;
}

std::vector<std::string> UnseenPaths(const FarmJob& job, bool scenesWithTasksOnly) {
  std::vector<std::string> paths;
  if (job.farm.shareHere.empty()) return paths;
  auto check = [&](const std::string& path) {
    if (path.empty() || path == g.placeholder || UnderShare(path, job.farm)) return;
    for (const auto& seen : paths)
      if (EqualsNoCase(seen, path)) return;
    paths.push_back(path);
  };
  check(job.contentDirectory);
  for (const auto& scene : job.scenes) {
    if (scenesWithTasksOnly && scene.plan.Tasks() <= 0) continue;
    check(scene.scenePath);
    check(scene.outputDirectory);
  }
  return paths;
}

std::string UnseenPathsText(const FarmJob& job, bool scenesWithTasksOnly) {
  std::string text;
  for (const auto& path : UnseenPaths(job, scenesWithTasksOnly)) text += (text.empty() ? "" : "\n") + ("The nodes cannot see " + path);
  return text;
}

std::string SubmitScript(const FarmJob& job) {
  std::string text =
      "#!/bin/sh\n"
      "# Submits this farm job to Slurm, all or nothing: every job array is\n"
      "# submitted held and released only once all were accepted; otherwise what\n"
      "# was accepted is cancelled. The job IDs go into jobs.txt, and a second\n"
      "# submit while any of them is queued or running is refused. A scene's\n"
      "# tasks go in arrays within the cluster's MaxArraySize.\n"
      "cd \"$(dirname \"$0\")\" || exit 1\n"
      "here=$(pwd -P) || exit 1\n"
      "mkdir -p log status || exit 1\n"
      "if [ -s jobs.txt ]; then\n"
      "  queued=$(squeue -h -o '%F') || { echo \"submit.sh: squeue does not answer, so the jobs of jobs.txt may still run; nothing submitted\" >&2; exit 1; }\n"
      "  still=\n"
      "  for id in $(cut -d' ' -f1 jobs.txt | tr -cd '0-9\\n'); do\n"
      "    if printf '%s\\n' \"$queued\" | grep -qx \"$id\"; then still=\"$still $id\"; fi\n"
      "  done\n"
      "  if [ -n \"$still\" ]; then\n"
      "    echo \"submit.sh: the jobs$still of this folder are still queued or running; nothing submitted (sh cancel.sh ends them)\" >&2\n"
      "    exit 1\n"
      "  fi\n"
      "fi\n"
      "max=$(scontrol show config 2>/dev/null | sed -n 's/^MaxArraySize *= *\\([0-9][0-9]*\\).*/\\1/p')\n"
      "[ -n \"$max\" ] && [ \"$max\" -ge 1 ] || max=1001\n"
      "accepted=\n"
      "previous=\n"
      ": > jobs.txt.new || exit 1\n"
      "fail() {\n"
      "  echo \"submit.sh: $1: $2; nothing submitted\" >&2\n"
      "  [ -z \"$accepted\" ] || scancel $accepted\n"
      "  rm -f jobs.txt.new\n"
      "  exit 1\n"
      "}\n"
      "# submit SCENE TASKS SCRIPT ORDER: the scene's tasks in arrays of at most $max,\n"
      "# task offset + index + 1 of each.\n"
      "submit() {\n"
      "  offset=0 current=\n"
      "  while [ \"$offset\" -lt \"$2\" ]; do\n"
      "    n=$(($2 - offset)); [ \"$n\" -gt \"$max\" ] && n=$max\n"
      "    after=--hold\n"
      "    [ -n \"$previous\" ] && [ \"$4\" = yes ] && after=\"--dependency=afterany$previous\"\n"
      "    out=$(sbatch --parsable --hold \"$after\" --chdir=\"$here\" --array=0-$((n - 1))" +
      (job.farm.tasksAtOnce > 0 ? "%" + std::to_string(job.farm.tasksAtOnce) : std::string()) +
      " \"$3\" \"$offset\" \"$here\" 2>&1) || fail \"scene $1\" \"sbatch refused its tasks: $out\"\n"
      "    id=${out%%;*}\n"
      "    case \"$id\" in ''|*[!0-9]*) fail \"scene $1\" \"sbatch answered: $out\" ;; esac\n"
      "    accepted=\"$accepted $id\" current=\"$current:$id\"\n"
      "    echo \"$id ${3%.sh} $offset $n\" >> jobs.txt.new || fail \"scene $1\" \"jobs.txt.new cannot be written\"\n"
      "    echo \"scene $1: job $id ($n tasks)\"\n"
      "    offset=$((offset + n))\n"
      "  done\n"
      "  previous=$current\n"
      "}\n";
  const char* order = job.farm.inQueueOrder ? "yes" : "no";
  for (const auto& scene : job.scenes) {
    if (scene.plan.Tasks() <= 0) continue;
    text += "submit " + std::to_string(scene.number) + " " + std::to_string(scene.plan.Tasks()) + " " +
            SceneScriptName(scene.number) + " " + order + "\n";
  }
  text +=
      "mv -f jobs.txt.new jobs.txt || fail \"the job\" \"jobs.txt cannot be written\"\n"
      "[ -z \"$accepted\" ] && { echo \"submit.sh: every frame is there; nothing to submit\"; exit 0; }\n"
      "scontrol release $accepted || fail \"the job\" \"scontrol release failed\"\n";
  return text;
}

std::string CancelScript() {
  return "#!/bin/sh\n"
         "# Cancels exactly the jobs this folder submitted (jobs.txt: job ID, scene,\n"
         "# task offset). Their running tasks write State = killed themselves; the\n"
         "# tasks that never started are marked cancelled here.\n"
         "cd \"$(dirname \"$0\")\" || exit 1\n"
         "ids=$(cut -d' ' -f1 jobs.txt 2>/dev/null | tr -cd '0-9\\n')\n"
         "if [ -z \"$ids\" ]; then echo \"cancel.sh: no job was submitted from this folder\"; exit 0; fi\n"
         "waiting=$(squeue -h -r -t PENDING -o '%F %K' 2>/dev/null)\n"
         "scancel $ids 2>/dev/null\n"
         "now=$(date -Iseconds)\n"
         "while read -r id scene offset rest; do\n"
         "  case \"$id$offset\" in ''|*[!0-9]*) continue ;; esac\n"
         "  case \"$scene\" in scene-[0-9]*) ;; *) continue ;; esac\n"
         "  printf '%s\\n' \"$waiting\" | while read -r job index; do\n"
         "    [ \"$job\" = \"$id\" ] || continue\n"
         "    case \"$index\" in ''|*[!0-9]*) continue ;; esac\n"
         "    status=status/$scene-$(printf '%03d' $((offset + index + 1))).txt\n"
         "    [ -e \"$status\" ] || printf '[Task]\\r\\nState = cancelled\\r\\nEnded = %s\\r\\nUpdated = %s\\r\\nJob ID = %s\\r\\nArray task ID = %s\\r\\n' \\\n"
         "      \"$now\" \"$now\" \"$id\" \"$index\" > \"$status\"\n"
         "  done\n"
         "done < jobs.txt\n"
         "echo \"cancel.sh: cancelled the jobs $(echo $ids) (jobs already ended are left as they were)\"\n";
}

std::string SceneScript(const FarmJob& job, const FarmScene& scene) {
  const ChunkPlan& p = scene.plan;
  const std::string n = Number3(scene.number);
  const std::string there = ClusterPath(job.folder, job.farm);
  std::string text = "#!/bin/sh\n" + SchedulerLines(job, scene);
  text += "# Scene " + std::to_string(scene.number) + ": " + std::to_string(p.Tasks()) + " tasks of up to " +
          std::to_string(p.framesPerTask) + " frames, " + std::to_string(p.Frames()) +
          " frames missing. Run by submit.sh: sbatch scene-" + n + ".sh OFFSET FOLDER, task OFFSET + index + 1.\n";
  text += "dir=${2:-" + (there.rfind('/', 0) == 0 ? Word(there) : std::string("\"$PWD\"")) + "}\n"
          "cd \"$dir\" 2>/dev/null || { echo \"task: cannot enter the job folder $dir\" >&2; exit 2; }\n";
  text += TaskEnvironment(job);
  text += "index=${SLURM_ARRAY_TASK_ID:?run this as a task of its job array}\n"
          "task=$((${1:-0} + index + 1))\n"
          "id=$(printf '%03d' \"$task\")\n"
          "status=status/scene-" + n + "-$id.txt\n"
          "first= last= n=$task\n"
          "while read -r from to count; do\n"
          "  if [ \"$n\" -le \"$count\" ]; then\n"
          "    first=$((from + (n - 1) * " + std::to_string(p.framesPerTask * p.step) + "))\n"
          "    last=$((first + " + std::to_string((p.framesPerTask - 1) * p.step) + "))\n"
          "    [ \"$last\" -gt \"$to\" ] && last=$to\n"
          "    break\n"
          "  fi\n"
          "  n=$((n - count))\n"
          "done <<'RUNS'\n" + RunTable(p) + "RUNS\n"
          "[ -n \"$first\" ] || { echo \"task $task: the scene has no such task\" >&2; exit 2; }\n"
          "node=$(hostname)\n"
          "started=$(date -Iseconds)\n"
          "# report STATE EXITCODE ENDED MESSAGE SUFFIX: the status file, replaced whole.\n"
          "report() {\n"
          "  printf '[Task]\\r\\nState = %s\\r\\nExit code = %s\\r\\nNode = %s\\r\\nStarted = %s\\r\\nEnded = %s\\r\\n"
          "Updated = %s\\r\\nFirst frame = %s\\r\\nLast frame = %s\\r\\nJob ID = %s\\r\\nArray task ID = %s\\r\\n"
          "Restarts = %s\\r\\nMessage = %s\\r\\n' \\\n"
          "    \"$1\" \"$2\" \"$node\" \"$started\" \"$3\" \"$(date -Iseconds)\" \"$first\" \"$last\" \\\n"
          "    \"${SLURM_ARRAY_JOB_ID:-${SLURM_JOB_ID:-}}\" \"$index\" \"${SLURM_RESTART_COUNT:-0}\" \"$4\" > \"$status.new$5\" &&\n"
          "    mv -f \"$status.new$5\" \"$status\"\n"
          "}\n"
          "renderer= renewal=\n"
          "# The renewal stops before the last word, so it cannot overwrite it; KILL,\n"
          "# as a TERM that came before its own trap was set would be lost.\n"
          "finish() {\n"
          "  [ -z \"$renewal\" ] || { kill -KILL \"$renewal\" 2>/dev/null; wait \"$renewal\" 2>/dev/null; rm -f \"$status.new.renewal\"; }\n"
          "  report \"$1\" \"$2\" \"$(date -Iseconds)\" \"$3\"\n"
          "}\n"
          "# scancel, the time limit, preemption, an out-of-memory kill: the task says so.\n"
          "killed() {\n"
          "  trap '' TERM INT HUP\n"
          "  [ -z \"$renderer\" ] || kill -TERM \"$renderer\" 2>/dev/null\n"
          "  finish killed $((128 + $1)) \"ended by signal $1\"\n"
          "  exit $((128 + $1))\n"
          "}\n"
          "trap 'killed 15' TERM\n"
          "trap 'killed 2' INT\n"
          "trap 'killed 1' HUP\n"
          "report running '' '' ''\n"
          "( while sleep 60; do report running '' '' '' .renewal; done ) </dev/null >/dev/null 2>&1 &\n"
          "renewal=$!\n"
          "( " + RendererCommand(job) + RendererArguments(job, scene) + " ) </dev/null &\n"
          "renderer=$!\n"
          "wait \"$renderer\"\n"
          "code=$?\n"
          "renderer=\n";
  const std::string frameName = FrameNameFunction(scene);
  if (!frameName.empty()) {
    text += frameName +
            "# A renderer that ends with 0 but wrote none of its frames has failed.\n"
            "written() {\n"
            "  out=" + NodeOutputFolder(job, scene) + "\n"
            "  [ -n \"$out\" ] || return 0\n"
            "  f=$first\n"
            "  while [ \"$f\" -le \"$last\" ]; do\n"
            "    [ -e \"$out/$(frame_name \"$f\")\" ] && return 0\n"
            "    f=$((f + " + std::to_string(p.step) + "))\n"
            "  done\n"
            "  return 1\n"
            "}\n"
            "if [ \"$code\" -eq 0 ] && ! written; then\n"
            "  finish failed 0 'no frames written'\n"
            "  exit 1\n"
            "fi\n";
  }
  text += "if [ \"$code\" -eq 0 ]; then finish finished 0 ''; else finish failed \"$code\" ''; fi\n"
          "exit \"$code\"\n";
  return text;
}

std::string JobDescription(const FarmJob& job) {
  std::string text = "[Farm Job]\r\nEngine = SLURM\r\nScenes = " + std::to_string(job.scenes.size()) + "\r\n";
  for (const auto& s : job.scenes) {
    std::string runs;
    for (const FrameRun& run : s.plan.runs) {
      if (!runs.empty()) runs += ' ';
      runs += std::to_string(run.first);
      if (run.last != run.first) runs += '-' + std::to_string(run.last);
    }
    text += "[Scene" + std::to_string(s.number) + "]\r\nScene = " + s.scenePath + "\r\nTasks = " +
            std::to_string(s.plan.Tasks()) + "\r\nFirst frame = " + std::to_string(s.first) + "\r\nLast frame = " +
            std::to_string(s.last) + "\r\nMissing frames = " + runs + "\r\nFrames missing = " +
            std::to_string(s.plan.Frames()) + "\r\nFrame step = " + std::to_string(s.plan.step) +
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
         "This folder renders the missing frames of a Tallowbridge queue on a Slurm\r\n"
         "cluster: " + std::to_string(job.MissingFrames()) + " frame(s) of " + std::to_string(job.ScenesWithTasks()) +
         " scene(s) in " + std::to_string(job.Tasks()) +
         " task(s).\r\n\r\n"
         "Run on a machine with the Slurm client tools:\r\n\r\n    sh submit.sh\r\n\r\n"
         "It submits the job arrays of each scene (scene-NNN.sh) held, releases them\r\n"
         "once all were accepted, records their IDs in jobs.txt and prints them. It\r\n"
         "refuses to submit again while any of those jobs is queued or running.\r\n"
         "sh cancel.sh cancels exactly those jobs.\r\n\r\n"
         "Each task writes status/scene-NNN-TTT.txt (State: running, finished, failed,\r\n"
         "killed or cancelled; Exit code, Node, Started, Ended, Updated every minute\r\n"
         "while it runs, the Slurm job and array task ID) and its output to log/.\r\n"
         "job.txt lists the scenes, their missing frames and their tasks.\r\n\r\n"
         "A render node needs Wine and lwsn.exe, and must see the studio's shares\r\n"
         "under the same drive letters as the workstation (the scene, content and\r\n"
         "output paths stay Windows paths), unless the settings name a node\r\n"
         "renderer command of their own.\r\n";
}
