// farm_write_bench.exe project.tbp [runs]
// Loads the project into the (never shown) main window's queue, as
// Tallowbridge.exe /farm does, then plans and writes its farm job folder
// `runs` times (3 by default), timing the load, the plan (every scene's
// frames counted) and the write on their own. A measurement, not a test:
// run it under Wine with bench/farm/run-farm-write-bench.sh.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/program_state.h"
#include "farm/job_folder.h"
#include "persist/project_file.h"
#include "platform/platform.h"
#include "ui/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
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
    const FarmJob job = PlanFarmJob();
    const double plan = MsSince(start);
    start = Clock::now();
    std::string error;
    ok = WriteJobFolder(job, folder, error);
    const double write = MsSince(start);
    std::printf("  run %d: plan %.0f ms, write %.0f ms (%d scenes, %lld tasks)%s%s\n", r, plan, write,
                job.ScenesWithTasks(), static_cast<long long>(job.Tasks()), ok ? "" : ": ", error.c_str());
  }
  pf::ShutdownPlatform();
  return ok ? 0 : 1;
}
