// Another copy of the program, files handed over or dropped, the system's
// awake state and the clocks: scripted by tests, recorded for them.
#include "platform/headless/headless_internal.h"

using headless::detail::Record;
using headless::detail::S;

namespace headless {

void SetCommandLineFiles(const std::vector<std::string>& files) { S().commandLineFiles = files; }
void SetFolderHeldElsewhere(bool held) { S().folderHeldElsewhere = held; }
const std::vector<std::vector<std::string>>& HandedOver() { return S().handedOver; }

void ArriveFiles(const std::vector<std::string>& files) {
  auto& s = S();
  s.arrived.insert(s.arrived.end(), files.begin(), files.end());
  pf::Event e;
  e.code = pf::kEventFiles;
  PushEvent(e);
}

bool SystemRequired() { return S().systemRequired; }
void RefusePowerAction(bool refuse) { S().refusePower = refuse; }
void AdvanceClock(std::int64_t milliseconds) { S().steadyMs += milliseconds; }
void SetLocalTime(const std::string& iso) { S().localTime = iso; }
const std::vector<Balloon>& Balloons() { return S().balloons; }

}  // namespace headless

namespace pf {

bool ClaimProgramFolder() {
  if (S().folderHeldElsewhere) return false;
  S().folderClaimed = true;
  return true;
}

bool HandFilesToRunningCopy(const std::vector<std::string>& files) {
  if (!S().folderHeldElsewhere) return false;
  S().handedOver.push_back(files);
  Record("hand over " + std::to_string(files.size()) + " file(s)");
  return true;
}

std::vector<std::string> CommandLineFiles() { return S().commandLineFiles; }
std::vector<std::string> CommandLineArguments() { return S().commandLineFiles; }
void AcceptDroppedFiles(int window) { Record("accept dropped files " + std::to_string(window)); }

std::vector<std::string> TakeArrivedFiles() {
  std::vector<std::string> files;
  files.swap(S().arrived);
  return files;
}

void SetSystemRequired(bool required) {
  S().systemRequired = required;
  Record(required ? "system required on" : "system required off");
}

// Logged, never carried out: "power request sleep|hibernate|shutdown".
bool RequestPowerAction(PowerAction action) {
  const char* word = action == PowerAction::kSleep       ? "sleep"
                     : action == PowerAction::kHibernate ? "hibernate"
                                                         : "shutdown";
  Record(std::string("power request ") + word);
  return !S().refusePower;
}

void ShowTrayBalloon(int icon, const std::string& title, const std::string& text) {
  if (!TrayIconShown(icon)) return;
  S().balloons.push_back({icon, title, text});
  Record("balloon " + title + ": " + text);
}

std::int64_t SteadyMilliseconds() { return S().steadyMs; }
std::int64_t MinuteMs() { return 60000; }
std::string LocalTimeIso() { return S().localTime; }

}  // namespace pf
