// farm_write_bench.exe project.tbp [runs]
// Loads the project into the (never shown) main window's queue, as
// Tallowbridge.exe /farm does, then plans and writes its farm job folder
// `runs` times (3 by default), timing the load, the plan (every scene's
// frames listed by number and checked) and the write on their own. Then it
// gives every task a status file and times the Farm window's status
// refresh against listing those status files alone, in the same run. A
// measurement, not a test: run it under Wine with
// bench/farm/run-farm-write-bench.sh.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/program_state.h"
#include "farm/farm_status.h"
#include "farm/job_folder.h"
#include "persist/project_file.h"
#include "platform/platform.h"
#include "ui/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Every task of the written job gets a status file of a finished task; the
// status text is then timed against a plain listing of those files.
bool TimeStatus(const std::string& folder) {
  std::vector<JobScene> scenes;
  if (!ReadJobScenes(folder, scenes)) return false;
  std::size_t files = 0;
  const std::string text = "[Task]\r\nState = finished\r\nExit code = 0\r\nNode = n1\r\n";
  for (const JobScene& scene : scenes) {
    for (int task = 1; task <= scene.tasks; ++task, ++files) {
      pf::FileHandle file = pf::FileOpen(folder + "status\\scene-" + std::to_string(1000 + scene.number).substr(1) +
                                             "-" + std::to_string(1000 + task).substr(1) + ".txt",
                                         pf::FileMode::CreateWrite);
      if (!file) return false;
      pf::FileWrite(file, text.data(), static_cast<std::int64_t>(text.size()));
      pf::FileClose(file);
    }
  }
  double best[2] = {1e18, 1e18};
  std::size_t listed = 0, length = 0;
  for (int r = 0; r < 3; ++r) {
    auto start = Clock::now();
    listed = pf::ListDirectory(folder + "status\\", "*").size();
    best[0] = std::min(best[0], MsSince(start));
    start = Clock::now();
    length = FarmStatusText(folder, g.queue, pf::LocalTimeIso()).size();
    best[1] = std::min(best[1], MsSince(start));
  }
  std::printf("  status of %zu tasks (%zu listed, %zu bytes of text): listing %.0f ms, status refresh %.0f ms, "
              "ratio %.2f\n", files, listed, length, best[0], best[1], best[1] / best[0]);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: farm_write_bench project.tbp [runs]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  ResetProgramState();
  if (!pf::InitPlatform() || !CreateMainWindow(g.programTitle)) return 1;
  pf::SetQuietMessages(true);
  auto start = Clock::now();
  g.currentProjectPath = argv[1];
  LoadProject();
  const double load = MsSince(start);
  std::printf("farm_write_bench: %d scenes loaded in %.0f ms\n", g.queue.count, load);
  const std::string folder = JobFolderFor(argv[1]);
  bool ok = g.queue.count > 0;
  for (int r = 1; ok && r <= runs; ++r) {
    start = Clock::now();
    const FarmJob job = PlanFarmJob(folder);
    const double plan = MsSince(start);
    start = Clock::now();
    std::string error;
    ok = WriteJobFolder(job, folder, error);
    const double write = MsSince(start);
    std::printf("  run %d: plan %.0f ms, write %.0f ms (%d scenes, %lld tasks)%s%s\n", r, plan, write,
                job.ScenesWithTasks(), static_cast<long long>(job.Tasks()), ok ? "" : ": ", error.c_str());
  }
  if (ok) ok = TimeStatus(folder);
  pf::ShutdownPlatform();
  return ok ? 0 : 1;
}
