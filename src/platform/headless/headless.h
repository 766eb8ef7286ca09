// Test-facing side of the headless backend: push events, queue the answers of
// message boxes and requesters, read what the windows show, drive processes,
// files and drives. Tests read like a person using the program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace headless {

// Forgets every window, control, event, answer, process and fault, and maps
// the drives onto folders below root (a real directory). The program
// directory becomes programDirectory (a Windows path such as "C:\Program\").
void Reset(const std::string& root, const std::string& programDirectory = "C:\\Tallowbridge\\");

// Host path of a Windows path ("C:\a\b.lws" -> root/C/a/b.lws). Drive
// folders are created on demand for the drives in the drive list.
std::string HostPath(const std::string& windowsPath);
// Logical drives; "C:\" only after Reset.
void SetDrives(const std::vector<std::string>& roots);

// ---- events --------------------------------------------------------------
// A control event is delivered only if a user could reach the control at
// that moment (it exists, is enabled and visible, inside its shown window's
// inner area, on the selected tab page); otherwise the unreachable handler
// hears of it and the event is dropped. The click's effect (a check box
// toggles, an option button selects) happens on delivery, as on Windows.
void PushEvent(const pf::Event& event);
void PushGadget(int control, int type = 0);
// A click on line `line` of a list: selected on delivery, then the event.
void PushListSelect(int control, int line, int type = 0);
// Who hears of an unreachable control event; without one the process aborts.
void OnUnreachableEvent(std::function<void(const std::string&)> fn);
void PushClose(int window = 0);
void PushTimer(int timer = 1, int window = 0);
void PushTray(int type);
// Runs fn when the event queue is drained, instead of shutting down; lets a
// scenario look at the state between events and push more.
void OnEventsDrained(std::function<bool()> fn);  // return false to shut down
int PendingEvents();

// Sets the check state or selection as a user would, without an event.
void SetState(int control, int state);
void SetText(int control, const std::string& text);

// ---- answers -------------------------------------------------------------
// Message boxes take answers in order; with none queued they answer OK for
// OK boxes and No for questions.
void QueueAnswer(int answer);
void QueueFileAnswer(const std::string& path);    // open/save requesters
void QueuePathAnswer(const std::string& path);    // folder requester
void QueueInputAnswer(const std::string& text);   // input requester

struct ShownMessage {
  std::string title;
  std::string text;
  int style = 0;
  int answer = 0;
};
const std::vector<ShownMessage>& Messages();
struct ShownRequester {
  std::string kind;     // "open", "save", "path", "input"
  std::string title;
  std::string start;    // starting folder, or the prompt for "input"
  std::string filter;   // or the default text for "input"
};
const std::vector<ShownRequester>& Requesters();

// Every call that changes what the user sees or the machine, in order, one
// line each ("beep 400 300", "message Error! ...", "start lwsn.exe ...").
const std::vector<std::string>& Log();
void ClearLog();

// ---- windows and controls ------------------------------------------------
// Every window's frame: the inner area lies this far right of and below the
// frame's corner.
constexpr int kFrameLeft = 3;
constexpr int kFrameTop = 26;
struct ControlInfo {
  int window = -1;
  pf::ControlKind kind{};
  int x = 0, y = 0, width = 0, height = 0;
  std::string text;
  int textSets = 0;   // how often the whole text was set (SetControlText)
  std::string tooltip;
  pf::FontId font = pf::kFontSystem;
  bool enabled = true;
  bool visible = true;
  int state = 0;
  std::vector<std::string> items;
  int tabPanel = -1, tabIndex = 0;
};
const ControlInfo* Control(int control);
// Control numbers of a window in creation order.
std::vector<int> ControlsOf(int window);
int FocusedControl();
bool IsTopmost(int window);
void Minimise(int window);   // as the user pressing the minimise button

// ---- processes -----------------------------------------------------------
struct Launch {
  pf::ProcessHandle handle = 0;
  std::string program;
  std::string parameters;
  std::string workingDirectory;
  int flags = 0;
  int priority = pf::kPriorityNormal;
  int exitCode = pf::kStillActive;
  bool ended = false;      // a process may end with 259 too
  bool terminated = false;
  bool released = false;   // the program let go of its handle
};
const std::vector<Launch>& Launches();
// The process ends with code; 259 leaves it running.
void SetExitCode(pf::ProcessHandle process, int code);
// The process ends with code, 259 included.
void EndProcess(pf::ProcessHandle process, int code);
void FailNextLaunch();        // the next StartProgram or OpenWithShell fails
void RefuseTrayIcon(bool refuse = true);   // the notification area refuses icons
void LoseTrayIcons();                       // as when the taskbar goes away
// The taskbar comes (back): every icon added, refused or lost, is shown
// again with its picture and tooltip, as the shell does on TaskbarCreated.
void RecreateTaskbar();
std::string TrayTooltip(int icon = 0);      // of a shown icon; empty otherwise
int TrayImage(int icon = 0);                // the picture shown, -1 without an icon
int OwnPriority();
// What the program added below a window's system menu, in order: "NUMBER
// text" per item, "-" per separator, as the popup menus are logged.
std::vector<std::string> SystemMenuItems(int window);
struct Balloon {
  int icon = 0;
  std::string title, text;
};
const std::vector<Balloon>& Balloons();   // every balloon shown, in order

// ---- another copy, files from outside, power, clock ----------------------
// The program's command line names these files.
void SetCommandLineFiles(const std::vector<std::string>& files);
// Another copy holds the program folder: ClaimProgramFolder fails, and
// HandFilesToRunningCopy hands over (recorded) instead of starting.
void SetFolderHeldElsewhere(bool held = true);
// Every hand-over this copy made, one list of files each.
const std::vector<std::vector<std::string>>& HandedOver();
// Files handed over by a later copy or dropped on a window: kept for
// TakeArrivedFiles, announced by a kEventFiles event.
void ArriveFiles(const std::vector<std::string>& files);
// Whether the program has told the system it must stay awake; every change
// is also logged as "system required on|off". Sleep, hibernation and shut
// down are only logged: "power request sleep|hibernate|shutdown".
bool SystemRequired();
// The system refuses sleep, hibernation and shut down (hibernation off, a
// policy); the request is still logged.
void RefusePowerAction(bool refuse = true);
// The steady clock starts at 0 and moves only when a test moves it; the
// wall clock is a fixed text a test may set (it may jump either way).
void AdvanceClock(std::int64_t milliseconds);
void SetLocalTime(const std::string& iso);

// ---- pointer, files, faults ----------------------------------------------
void SetPointer(int x, int y);
// Writes through any handle fail once this many more bytes have been written.
void FailWritesAfter(std::int64_t bytes);
// Opening this path fails, as when another program holds it exclusively.
void LockPath(const std::string& windowsPath, bool locked = true);
// Another program holds the file open for writing: a read that denies
// writers (FileMode::ReadDenyWrite) fails.
void SetBeingWritten(const std::string& windowsPath, bool writing = true);
// The file was last written this long ago (every other file an hour ago).
void SetWrittenAgo(const std::string& windowsPath, std::int64_t milliseconds);
// Files at this path cannot be written, replaced or deleted.
void SetReadOnly(const std::string& windowsPath, bool readOnly = true);
// The version resource FileVersion finds in the program at this path.
void SetFileVersion(const std::string& windowsPath, const std::string& version);
// Replacing a file fails (MovePathOver returns false).
void FailReplace(bool fail = true);

// From the first FailFileOperation after Reset on, every file operation is
// counted and named in FileOperations(), anew at each call: "open PATH
// read|readwrite|create", "read", "write", "length", "seek", "flush",
// "close", "size PATH", "exists PATH", "delete PATH", "replace PATH",
// "mkdir PATH", "rmdir PATH", "rename PATH", "list PATH".
// FailFileOperation(n) makes the n-th of them from now fail (1: the next
// one), as a failing disk or a vanished share would: an open gives no file,
// a read or a write -1 with nothing written, a length -1, a seek false, a
// close false (the file is closed), a flush false, a size query -1, an
// existence query "cannot tell" (PathMissing false), a delete, replace or
// make directory false and a listing no entries. 0 only counts.
void FailFileOperation(int n);
const std::vector<std::string>& FileOperations();
// Bytes every FileRead since Reset has delivered, counted or not: how much
// of a file a reader really took.
std::int64_t BytesRead();
// Called with the target's Windows path after every replace that went
// through, so a test can look at each file a multi-step save leaves.
void OnFileReplaced(std::function<void(const std::string&)> fn);

}  // namespace headless
