// Tray icon, popup menus, processes, pointer, sound and time.
#include "platform/headless/headless_internal.h"

using headless::detail::Record;
using headless::detail::S;

namespace {

headless::Launch* Find(pf::ProcessHandle process) {
  for (auto& l : S().launches)
    if (l.handle == process) return &l;
  return nullptr;
}

}  // namespace

namespace pf {

bool LoadIconImage(int image) { return image == 93 || image == 94; }

bool AddTrayIcon(int icon, int, int image) {
  Record("tray add " + std::to_string(icon) + " " + std::to_string(image));
  S().keptTrays[icon] = {image, ""};
  if (S().refuseTray) return false;
  S().trayIcons[icon] = image;
  return true;
}

bool TrayIconShown(int icon) { return S().trayIcons.count(icon) > 0; }

void ChangeTrayIcon(int icon, int image) {
  auto it = S().trayIcons.find(icon);
  if (it != S().trayIcons.end()) it->second = image;
  if (auto kept = S().keptTrays.find(icon); kept != S().keptTrays.end()) kept->second.image = image;
  Record("tray image " + std::to_string(image));
}

void SetTrayTooltip(int icon, const std::string& text) {
  if (auto kept = S().keptTrays.find(icon); kept != S().keptTrays.end()) kept->second.tooltip = text.substr(0, 63);
  Record("tray tooltip " + text.substr(0, 63));
}

void RemoveTrayIcon(int icon) {
  S().trayIcons.erase(icon);
  S().keptTrays.erase(icon);
  Record("tray remove " + std::to_string(icon));
}

void CreatePopupMenuNumber(int menu) { S().menus[menu].clear(); }
void AddMenuItem(int menu, int item, const std::string& text) {
  S().menus[menu].push_back(std::to_string(item) + " " + text);
}
void AddMenuSeparator(int menu) { S().menus[menu].push_back("-"); }

void ShowPopupMenu(int menu, int) {
  std::string line = "menu";
  for (const auto& item : S().menus[menu]) line += " | " + item;
  Record(line);
}

void AddSystemMenuItem(int window, int item, const std::string& text) {
  S().systemMenus[window].push_back(std::to_string(item) + " " + text);
}
void AddSystemMenuSeparator(int window) { S().systemMenus[window].push_back("-"); }

ProcessHandle StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingDirectory, int flags) {
  Record("start " + program + " |" + parameters + "| in " + workingDirectory);
  if (S().failNextLaunch) {
    S().failNextLaunch = false;
    return 0;
  }
  headless::Launch l;
  l.handle = static_cast<ProcessHandle>(1000 + S().launches.size());
  l.program = program;
  l.parameters = parameters;
  l.workingDirectory = workingDirectory;
  l.flags = flags;
  S().launches.push_back(l);
  return l.handle;
}

// As the shell: a file that is not there cannot be opened.
bool OpenWithShell(const std::string& file, const std::string& workingDirectory) {
  Record("open " + file + " in " + workingDirectory);
  if (S().failNextLaunch) {
    S().failNextLaunch = false;
    return false;
  }
  return QueryFileSize(file) >= 0;
}

int ProcessExitCode(ProcessHandle process) {
  auto* l = Find(process);
  return l ? l->exitCode : -1;
}

bool ProcessEnded(ProcessHandle process) {
  auto* l = Find(process);
  return !l || l->ended;
}

void SetProcessPriority(ProcessHandle process, int priorityClass) {
  if (auto* l = Find(process)) l->priority = priorityClass;
  Record("priority " + std::to_string(priorityClass));
}

void ReleaseProcess(ProcessHandle process) {
  if (auto* l = Find(process)) l->released = true;
  Record("release " + std::to_string(process));
}

void TerminateProgram(ProcessHandle process, int exitCode) {
  if (auto* l = Find(process)) {
    l->terminated = l->ended = true;
    l->exitCode = exitCode;
  }
  Record("terminate " + std::to_string(process));
}

// A terminated process is gone at once; one still running stays.
bool WaitForProcessEnd(ProcessHandle process, int) {
  const auto* l = Find(process);
  return !l || l->ended;
}

void SetOwnPriority(int priorityClass) { S().ownPriority = priorityClass; }

void PointerPosition(int& x, int& y) {
  x = S().pointerX;
  y = S().pointerY;
}

void SoundBeep(int frequency, int milliseconds) {
  Record("beep " + std::to_string(frequency) + " " + std::to_string(milliseconds));
}

void Pause(int) {}

}  // namespace pf

namespace headless {

const std::vector<Launch>& Launches() { return S().launches; }
void SetExitCode(pf::ProcessHandle process, int code) {
  if (auto* l = Find(process)) {
    l->exitCode = code;
    l->ended = code != pf::kStillActive;
  }
}
void EndProcess(pf::ProcessHandle process, int code) {
  if (auto* l = Find(process)) {
    l->exitCode = code;
    l->ended = true;
  }
}
void FailNextLaunch() { S().failNextLaunch = true; }
void RefuseTrayIcon(bool refuse) { S().refuseTray = refuse; }
void LoseTrayIcons() { S().trayIcons.clear(); }
void RecreateTaskbar() {
  Record("taskbar created");
  if (S().refuseTray) return;
  for (const auto& [icon, kept] : S().keptTrays) S().trayIcons[icon] = kept.image;
}
std::string TrayTooltip(int icon) {
  auto kept = S().keptTrays.find(icon);
  return S().trayIcons.count(icon) && kept != S().keptTrays.end() ? kept->second.tooltip : std::string();
}
int TrayImage(int icon) {
  auto it = S().trayIcons.find(icon);
  return it == S().trayIcons.end() ? -1 : it->second;
}
int OwnPriority() { return S().ownPriority; }
std::vector<std::string> SystemMenuItems(int window) {
  auto it = S().systemMenus.find(window);
  return it == S().systemMenus.end() ? std::vector<std::string>() : it->second;
}
void SetPointer(int x, int y) {
  S().pointerX = x;
  S().pointerY = y;
}

}  // namespace headless
