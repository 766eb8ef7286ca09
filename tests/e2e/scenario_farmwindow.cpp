// Scenario "farmwindow", run by tests/farm/farm-e2e.sh once the cluster has
// run the job: the program installed there (its settings name the project
// whose job folder the cluster ran) opens the "Farm" window from the main
// window's system menu, and the window's status shows the failed task with
// its exit code and node, the finished ones, and the frames found on the
// share (the scenes are not queued: job.txt says where they land).
#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

constexpr UINT kFarmCommand = 0x2020;
constexpr int kFarmStatusView = 319;
constexpr int kFarmCloseButton = 317;

}  // namespace

int ScenarioFarmWindow(const Setup& setup) {
  Installed installed;
  installed.exe = setup.program;
  Program program;
  HWND main = StartMainWindow(installed, setup, program);
  if (!main) return 1;
  PostMessageA(main, WM_SYSCOMMAND, kFarmCommand, 0);
  HWND farm = nullptr;
  WaitFor([&] { return (farm = FindTop(program, "Farm")) != nullptr; }, 10000);
  if (Check(farm != nullptr, "'Send Queue to Farm...' on the system menu opens the Farm window")) {
    std::string status;
    const bool shown = WaitFor(
        [&] {
          status = Text(GetDlgItem(farm, kFarmStatusView));
          return status.find("failed: exit code 3 on ") != std::string::npos;
        },
        10000);
    Check(shown, "the Farm window shows the failed task's exit code and node", status);
    Check(status.find("Tasks: 3 finished, 0 running, 0 failed, 0 waiting\r\n  Frames: 12 of 12") != std::string::npos,
          "the Farm window counts the first scene's three finished tasks and its frames on the share", status);
    Click(GetDlgItem(farm, kFarmCloseButton));
    Check(WaitFor([&] { return FindTop(program, "Farm") == nullptr; }, 5000), "Close closes it");
  }
  Check(QuitWithYes(program, main), "the program quits");
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
