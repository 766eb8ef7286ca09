// listing_view_bench.exe [frames] [runs]
// Times the output listing refresh in the real main window of the Win32
// backend: a queued scene whose output folder holds `frames` frame files
// (10,000 by default) is refreshed `runs` times (9 by default) with the
// output view closed, which only counts the frames; then with the window
// widened, `runs` times with no new frame (the listing stays as it is) and
// `runs` times with one new frame before each refresh (its name is
// appended). Each time includes handling the messages the refresh leaves
// behind, the repaint among them, as the event loop would before the user
// sees it. Prints the medians and their ratios to the count-only refresh. A measurement, not a test: run it
// under Wine with bench/win32/run-listing-view-bench.sh.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "platform/platform.h"
#include "render/output_tools.h"
#include "ui/main_window.h"

namespace {

constexpr const char* kPrefix = "frame";
constexpr const char* kExtension = ".tga";

std::string FrameName(int number) {
  std::string digits = std::to_string(number);
  std::string name = kPrefix;
  name.append(digits.size() < 5 ? 5 - digits.size() : 0, '0');
  name += digits;
  name += kExtension;
  return name;
}

bool MakeFrameFile(const std::string& folder, int number) {
  pf::FileHandle file = pf::FileOpen(folder + FrameName(number), pf::FileMode::CreateWrite);
  return file && pf::FileClose(file);
}

void RemoveFrameFolder(const std::string& folder, int frames) {
  for (int n = 1; n <= frames; ++n) pf::DeletePath(folder + FrameName(n));
  RemoveDirectoryA(folder.c_str());
}

// A folder of its own in the temporary folder, filled with empty frame files.
std::string MakeFrameFolder(int frames) {
  char temp[MAX_PATH + 1] = {};
  if (GetTempPathA(sizeof temp, temp) == 0) return {};
  std::string folder = temp;
  folder += "tb-listing-view-bench-";
  folder += std::to_string(GetCurrentProcessId());
  folder += '\\';
  if (!pf::MakeDirectory(folder)) return {};
  for (int n = 1; n <= frames; ++n) {
    if (!MakeFrameFile(folder, n)) {
      RemoveFrameFolder(folder, n);
      return {};
    }
  }
  return folder;
}

// One queued scene rendering frames 1..frames into the folder, selected.
void QueueScene(const std::string& folder, int frames) {
  AppendQueueRow(folder + "bench.lws");
  SceneEntry& entry = g.queue.fields.back();
  entry[kFieldFirstFrame] = "1";
  entry[kFieldLastFrame] = std::to_string(frames);
  entry[kFieldFrameStep] = "1";
  entry[kFieldOutputDir] = folder;
  entry[kFieldOutputPrefix] = kPrefix;
  entry[kFieldOutputFilenameFormat] = "3";
  entry[kFieldImageExtension] = kExtension;
  pf::SetControlState(kQueueList, 0);
}

// What the refresh left for the windows, handled as the event loop would.
void HandlePendingMessages() {
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Every run's time in milliseconds, in the order run: a view that gets
// slower with every refresh shows as a rising row. before(i) runs ahead of
// run i, outside the time.
template <typename Before>
std::vector<double> RefreshTimesMs(int runs, Before before) {
  RefreshOutputListing();   // a first run to warm the caches, not counted
  HandlePendingMessages();
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    before(i);
    auto start = std::chrono::steady_clock::now();
    RefreshOutputListing();
    HandlePendingMessages();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return times;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void PrintTimes(const char* what, const std::vector<double>& times) {
  std::printf("  %-28s%9.2f ms  (runs:", what, Median(times));
  for (double t : times) std::printf(" %.1f", t);
  std::printf(")\n");
}

int LineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\r'));
}

void PrintRatio(const char* what, double ratio, double wanted) {
  std::printf("  ratio %-22s%9.2f (at most %.1f wanted: %s)\n", what, ratio, wanted, ratio <= wanted ? "yes" : "no");
}

// The times mean something only if every frame was counted, and listed
// exactly when the view was open: the header and the first separator, one
// line per frame, the second separator and the end line.
bool Measure(const std::string& folder, int frames, int runs) {
  auto nothing = [](int) {};
  SetMainWindowWide(false);
  HandlePendingMessages();
  const std::vector<double> closed = RefreshTimesMs(runs, nothing);
  const bool countedClosed = g.framesFound - 2 == frames;
  const bool viewUntouched = pf::ControlText(kOutputListingView).empty();

  SetMainWindowWide(true);
  HandlePendingMessages();
  const std::vector<double> unchanged = RefreshTimesMs(runs, nothing);
  const bool countedOpen = g.framesFound - 2 == frames;
  bool made = true;
  const std::vector<double> growing =
      RefreshTimesMs(runs, [&](int i) { made = MakeFrameFile(folder, frames + 1 + i) && made; });
  const int total = frames + runs;
  const bool countedGrowing = made && g.framesFound - 2 == total;
  const int lines = LineCount(pf::ControlText(kOutputListingView)) + 1;

  std::printf("listing_view_bench: %d frame files, median of %d runs\n", frames, runs);
  PrintTimes("view closed, count only:", closed);
  PrintTimes("view open, no new frame:", unchanged);
  PrintTimes("view open, one new frame:", growing);
  PrintRatio("no new frame/closed:", Median(unchanged) / Median(closed), 1.5);
  PrintRatio("one new frame/closed:", Median(growing) / Median(closed), 3);
  if (!countedClosed || !countedOpen || !countedGrowing || !viewUntouched || lines != total + 4) {
    std::printf("listing_view_bench: wrong work measured: counted %s/%s/%s, view %s while closed, %d listing lines\n",
                countedClosed ? "all" : "not all", countedOpen ? "all" : "not all",
                countedGrowing ? "all" : "not all", viewUntouched ? "untouched" : "written", lines);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
  if (frames < 1 || frames > 99999 || runs < 1) {
    std::fprintf(stderr, "usage: listing_view_bench [frames 1..99999] [runs]\n");
    return 2;
  }
  ResetProgramState();
  if (!pf::InitPlatform()) return 1;
  // The listing's font, as the program loads it at start-up.
  pf::LoadFont(pf::kFontFixed, "courier new", 8, pf::kFontPlain);
  if (!CreateMainWindow(g.programTitle)) return 1;
  pf::SetWindowVisible(kMainWindow, true);
  const std::string folder = MakeFrameFolder(frames);
  if (folder.empty()) {
    std::fprintf(stderr, "listing_view_bench: cannot make the frame files\n");
    return 1;
  }
  QueueScene(folder, frames);
  const bool ok = Measure(folder, frames, runs);
  RemoveFrameFolder(folder, frames + runs);
  pf::ShutdownPlatform();
  return ok ? 0 : 1;
}
