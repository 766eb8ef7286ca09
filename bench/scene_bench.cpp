// Reading and rewriting a 64 MB scene, against cp and wc -l on the same file
// in the same run, and the peak memory of a rewrite. Prints the ratios at
// the end; nothing here fails on a slow machine.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "collecting_reporter.h"
#include "core/program_state.h"
#include "platform/headless/headless.h"
#include "scene/line_reader.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene_bench_scene.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSceneBytes = 64u * 1024 * 1024;
const std::string kScene = "C:\\bench\\large.lws";

struct BenchFiles {
  std::string root;
  std::string sceneHost;
  std::string copyHost;
  std::size_t sceneSize = 0;
};
BenchFiles files;

void PrepareScene() {
  std::string pattern = (fs::temp_directory_path() / "tbbench-XXXXXX").string();
  files.root = mkdtemp(pattern.data()) ? pattern : std::string();
  headless::Reset(files.root);
  ResetProgramState();
  files.sceneHost = headless::HostPath(kScene);
  files.copyHost = files.sceneHost + ".cp";
  fs::create_directories(fs::path(files.sceneHost).parent_path());
  std::string scene = GenerateLargeScene(kSceneBytes);
  files.sceneSize = scene.size();
  std::ofstream(files.sceneHost, std::ios::binary).write(scene.data(), static_cast<std::streamsize>(scene.size()));

  g.queue.scenePaths.push_back(kScene);
  g.queue.displayTexts.push_back(kScene);
  g.queue.fields.push_back(SceneEntry{});
  g.queue.renderStates.push_back(0);
  g.queue.count = 1;
  g.queue.currentScene = 0;
  ReadSceneEntry(0);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

void RunCommand(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

using Clock = std::chrono::steady_clock;
double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The disk's write-back of earlier iterations is flushed outside the timed
// part, so that neither side pays for the other's writes.
void FlushDisk(benchmark::State& state) {
  state.PauseTiming();
  sync();
  state.ResumeTiming();
}

// A changed last frame, as the main window's frame field writes it; the
// rewrite ends by reading the scene into its entry again.
bool RewriteLastFrame() {
  SceneEntry& entry = g.queue.fields[0];
  std::string before = entry[kFieldLastFrame];
  entry[kFieldLastFrame] = before == "300" ? "301" : "300";
  return RewriteOutputSettings(FrameChange::kLastFrame, before, false, kNoIndex);
}

// cp and the rewrite take turns on the same file, each timed on its own.
// A third turn does what the rewrite does to the disk with plain tools: copy
// through a user-space buffer (dd, where cp copies inside the kernel) into a
// temporary file that then replaces an existing file (mv).
void BM_RewriteOutputSettingsVsCp(benchmark::State& state) {
  const std::string cp = "cp -f " + Quoted(files.sceneHost) + " " + Quoted(files.copyHost);
  const std::string ddMv = "dd status=none bs=128K if=" + Quoted(files.sceneHost) + " of=" +
                           Quoted(files.copyHost + ".tmp") + " && mv -f " + Quoted(files.copyHost + ".tmp") +
                           " " + Quoted(files.copyHost);
  double cpTotal = 0, rewriteTotal = 0, ddMvTotal = 0;
  for (auto _ : state) {
    FlushDisk(state);
    auto start = Clock::now();
    RunCommand(cp);
    cpTotal += MillisecondsSince(start);
    FlushDisk(state);
    start = Clock::now();
    RunCommand(ddMv);
    ddMvTotal += MillisecondsSince(start);
    FlushDisk(state);
    start = Clock::now();
    if (!RewriteLastFrame()) state.SkipWithError("rewrite failed");
    rewriteTotal += MillisecondsSince(start);
  }
  auto n = static_cast<double>(state.iterations());
  state.counters["cp_ms"] = cpTotal / n;
  state.counters["rewrite_ms"] = rewriteTotal / n;
  state.counters["dd_mv_ms"] = ddMvTotal / n;
  state.counters["ratio"] = rewriteTotal / cpTotal;
}

// wc -l and ReadSceneEntry take turns on the same file. A third turn only
// loads the file into the line reader and releases it again, to show how
// much of the reading that is.
void BM_ReadSceneEntryVsWc(benchmark::State& state) {
  const std::string wc = "wc -l " + Quoted(files.sceneHost) + " > /dev/null";
  double wcTotal = 0, readTotal = 0, loadTotal = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    RunCommand(wc);
    wcTotal += MillisecondsSince(start);
    start = Clock::now();
    ReadSceneEntry(0);
    readTotal += MillisecondsSince(start);
    start = Clock::now();
    if (LineReaderOpen(kScene) < 1) state.SkipWithError("scene has no lines");
    LineReaderClose();
    loadTotal += MillisecondsSince(start);
  }
  auto n = static_cast<double>(state.iterations());
  state.counters["wc_ms"] = wcTotal / n;
  state.counters["read_ms"] = readTotal / n;
  state.counters["load_ms"] = loadTotal / n;
  state.counters["ratio"] = readTotal / wcTotal;
}

BENCHMARK(BM_RewriteOutputSettingsVsCp)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ReadSceneEntryVsWc)->Unit(benchmark::kMillisecond)->Iterations(100);

// Kilobytes from a /proc/self/status line such as "VmHWM:  1234 kB".
long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return -1;
}

// Peak memory a rewrite adds, measured in a child process: its high-water
// mark is reset to the current resident size first.
long RewritePeakKilobytes() {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    std::ofstream("/proc/self/clear_refs") << "5";
    long before = StatusKilobytes("VmRSS:");
    SceneEntry& entry = g.queue.fields[0];
    std::string previous = entry[kFieldLastFrame];
    entry[kFieldLastFrame] = "302";
    RewriteOutputSettings(FrameChange::kLastFrame, previous, false, kNoIndex);
    long added = StatusKilobytes("VmHWM:") - before;
    ssize_t wrote = write(pipeEnds[1], &added, sizeof added);
    _exit(wrote == sizeof added ? 0 : 1);
  }
  close(pipeEnds[1]);
  long added = -1;
  if (read(pipeEnds[0], &added, sizeof added) != sizeof added) added = -1;
  close(pipeEnds[0]);
  waitpid(child, nullptr, 0);
  return added;
}

void PrintRatio(const char* what, double ours, double reference, double target) {
  double ratio = ours / reference;
  std::printf("%-40s %8.1f ms vs %8.1f ms = %.2fx (target <= %.1fx: %s)\n", what, ours, reference, ratio, target,
              ratio <= target ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  PrepareScene();
  std::printf("scene: %zu bytes\n", files.sceneSize);
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto& c = reporter.counters;
  if (c.count("BM_RewriteOutputSettingsVsCp")) {
    auto& r = c["BM_RewriteOutputSettingsVsCp"];
    PrintRatio("output settings rewrite / dd + mv", r["rewrite_ms"], r["dd_mv_ms"], 1.5);
    std::printf("%-40s %8.1f ms (cp, which copies inside the kernel)\n", "cp of the same file",
                static_cast<double>(r["cp_ms"]));
  }
  if (c.count("BM_ReadSceneEntryVsWc")) {
    auto& r = c["BM_ReadSceneEntryVsWc"];
    PrintRatio("ReadSceneEntry / wc -l", r["read_ms"], r["wc_ms"], 2.0);
    std::printf("%-40s %8.1f ms (loading the scene into the line reader and releasing it)\n", "  of which loading",
                static_cast<double>(r["load_ms"]));
  }
  long peak = RewritePeakKilobytes();
  double factor = static_cast<double>(peak) * 1024.0 / static_cast<double>(files.sceneSize);
  std::printf("%-44s %8ld kB = %.2fx the scene (target <= 2.5x: %s)\n", "peak memory added by a rewrite", peak,
              factor, peak >= 0 && factor <= 2.5 ? "met" : "NOT met");

  std::error_code ec;
  fs::remove_all(files.root, ec);
  benchmark::Shutdown();
  return 0;
}
