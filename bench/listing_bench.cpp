// Counting the frames of an output folder of 100,000 files, against find
// and wc -l on the same folder in the same run. Prints the ratio at the end;
// nothing here fails on a slow machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "collecting_reporter.h"
#include "core/program_state.h"
#include "core/scene_queue.h"
#include "platform/headless/headless.h"
#include "render/output_tools.h"
#include "ui/main_window.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 100000;
const std::string kOutput = "C:\\bench\\frames\\";

std::string root;
std::string outputHost;

// A queued scene whose frames are img000000.tga ... in the output folder,
// with a few files that do not match, as a real folder has.
void PrepareFolder() {
  std::string pattern = (fs::temp_directory_path() / "tbbench-XXXXXX").string();
  root = mkdtemp(pattern.data()) ? pattern : std::string();
  headless::Reset(root);
  ResetProgramState();
  outputHost = headless::HostPath(kOutput);
  fs::create_directories(outputHost);
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/img%06d.tga", i);
    int fd = ::open((outputHost + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) ::close(fd);
  }
  for (const char* other : {"/notes.txt", "/img_final.psd", "/thumbs.db"})
    if (int fd = ::open((outputHost + other).c_str(), O_WRONLY | O_CREAT, 0644); fd >= 0) ::close(fd);

  CreateMainWindow(g.programTitle);
  AppendQueueRow("C:\\bench\\scene.lws");
  SceneEntry& entry = g.queue.fields[0];
  entry[kFieldFirstFrame] = "1";
  entry[kFieldLastFrame] = std::to_string(kFiles);
  entry[kFieldFrameStep] = "1";
  entry[kFieldOutputDir] = kOutput;
  entry[kFieldOutputPrefix] = "img";
  entry[kFieldOutputFilenameFormat] = "3";
  entry[kFieldImageExtension] = ".tga";
  pf::SetControlState(kQueueList, 0);
}

using Clock = std::chrono::steady_clock;
double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// find and the count-only refresh take turns on the same folder, each timed
// on its own; both read the folder from the kernel's cache after the first
// turn.
void BM_CountFramesVsFind(benchmark::State& state) {
  const std::string find = "find '" + outputHost + "' -maxdepth 1 -name 'img*.tga' | wc -l > /dev/null";
  double findTotal = 0, countTotal = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (std::system(find.c_str()) != 0) state.SkipWithError("find failed");
    findTotal += MillisecondsSince(start);
    start = Clock::now();
    RefreshOutputListing();
    countTotal += MillisecondsSince(start);
    if (g.framesFound - 2 != kFiles) state.SkipWithError("wrong count");
  }
  auto n = static_cast<double>(state.iterations());
  state.counters["find_ms"] = findTotal / n;
  state.counters["count_ms"] = countTotal / n;
}

BENCHMARK(BM_CountFramesVsFind)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  PrepareFolder();
  std::printf("output folder: %d frames and 3 other files\n", kFiles);
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (reporter.counters.count("BM_CountFramesVsFind")) {
    auto& r = reporter.counters["BM_CountFramesVsFind"];
    double ratio = r["count_ms"] / r["find_ms"];
    std::printf("%-40s %8.1f ms vs %8.1f ms = %.2fx (target <= 1.5x: %s)\n", "frame count / find | wc -l",
                static_cast<double>(r["count_ms"]), static_cast<double>(r["find_ms"]), ratio,
                ratio <= 1.5 ? "met" : "NOT met");
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  benchmark::Shutdown();
  return 0;
}
