// State shared by the headless backend's files. Tests never include this;
// they use headless.h.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace headless::detail {

struct WindowInfo {
  int x = 0, y = 0, width = 0, height = 0;
  std::string title;
  int flags = 0;
  bool visible = false;
  bool minimised = false;
  bool topmost = false;
};

struct State {
  std::string root;
  std::string programDirectory;
  std::vector<std::string> drives;
  std::map<int, WindowInfo> windows;
  std::map<int, ControlInfo> controls;
  std::vector<int> creationOrder;
  int focused = 0;
  int activeWindow = 0;
  // A pushed event, with the list line a user's click selects on delivery
  // (-2: the click selects nothing).
  struct Pushed {
    pf::Event event;
    int selectLine = -2;
  };
  std::deque<Pushed> events;
  std::function<void(const std::string&)> unreachable;
  std::function<bool()> drained;
  bool shuttingDown = false;
  std::deque<int> answers;
  std::deque<std::string> fileAnswers, pathAnswers, inputAnswers;
  std::vector<ShownMessage> messages;
  bool quietMessages = false;
  std::vector<std::string> quietTexts;
  std::vector<ShownRequester> requesters;
  std::vector<std::string> log;
  std::vector<Launch> launches;
  bool failNextLaunch = false;
  int ownPriority = pf::kPriorityNormal;
  int pointerX = 0, pointerY = 0;
  std::int64_t writeBudget = -1;   // -1: unlimited
  std::set<std::string> locked, readOnly;
  // Files another program holds open for writing, and when files were last
  // written (milliseconds ago; a file not named here was written an hour ago).
  std::set<std::string> beingWritten;
  std::map<std::string, std::int64_t> writtenAgoMs;
  std::map<std::string, std::string> fileVersions;   // by Normalised path
  bool failReplace = false;
  bool countFileOperations = false;          // from the first FailFileOperation on
  std::vector<std::string> fileOperations;   // since the last FailFileOperation
  std::size_t failFileOperation = 0;         // 1-based position in fileOperations; 0: none
  std::int64_t bytesRead = 0;                // by every FileRead since Reset
  std::function<void(const std::string&)> replaced;
  std::map<int, int> trayIcons;    // icon -> image, while shown
  // Every icon added, shown or refused, with its picture and tooltip: the
  // shell adds them (again) when the taskbar is created.
  struct KeptTray {
    int image = 0;
    std::string tooltip;
  };
  std::map<int, KeptTray> keptTrays;
  bool refuseTray = false;
  std::map<int, std::vector<std::string>> menus;
  std::map<int, std::vector<std::string>> systemMenus;   // per window, what was added
  std::vector<Balloon> balloons;
  // Files from outside, power and clock.
  std::vector<std::string> commandLineFiles;
  bool folderHeldElsewhere = false;
  bool folderClaimed = false;
  std::vector<std::vector<std::string>> handedOver;
  std::vector<std::string> arrived;
  bool systemRequired = false;
  std::int64_t steadyMs = 0;
  bool refusePower = false;
  std::string localTime = "2026-12-07T22:00:00+01:00";
};

State& S();
void Record(const std::string& line);
// Host path for a Windows path, relative ones resolved against the program
// directory; empty when the drive is not in the drive list.
std::string Host(const std::string& windowsPath);
std::string Normalised(const std::string& windowsPath);   // upper-cased full path

}  // namespace headless::detail
