// The end-to-end driver's tools: start Tallowbridge.exe fresh in a program
// folder of its own, find its windows and controls from outside, read what
// they show, click, answer message boxes, and report PASS/FAIL lines.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// What every scenario is given on the command line.
struct Setup {
  std::string program;    // the built Tallowbridge.exe
  std::string renderer;   // the built stand-in lwsn.exe
  std::string work;       // an empty folder of this scenario
};

// ---- reporting ------------------------------------------------------------
bool Check(bool ok, const std::string& what, const std::string& detail = "");
int Failures();

// ---- waiting --------------------------------------------------------------
// Polls until done() or the timeout; true when done.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

// ---- files and the program ------------------------------------------------
bool CopyInto(const std::string& source, const std::string& target);
bool WriteText(const std::string& path, const std::string& text);
bool MakeFolders(const std::string& path);
std::string Join(const std::string& folder, const std::string& name);

struct Program {
  PROCESS_INFORMATION pi{};
  bool running() const;
  DWORD exitCode() const;
  bool waitExit(int timeoutMs) const;
  void kill() const;
};
// Starts exe with a working directory that is not its own folder, so that
// relative names resolved against the working directory would show up.
// arguments, when given, follow the quoted program path on the command line.
bool Start(const std::string& exe, const std::string& workingDirectory, Program& out,
           const std::string& arguments = "");

// A program folder with Tallowbridge.exe and a settings file naming the
// stand-in renderer, copied into LightWave\Programs beside it, so that the
// main window comes up directly.
struct Installed {
  std::string programDir;   // work\Tallowbridge
  std::string exe;
  std::string lightwave;    // work\LightWave, the content directory
  std::string renderer;     // work\LightWave\Programs\lwsn.exe
};
bool Install(const Setup& setup, Installed& out);
// Starts the installed program and waits for its main window; any message
// box shown meanwhile fails the check and is answered OK.
HWND StartMainWindow(const Installed& installed, const Setup& setup, Program& program);
// Answers the quit question with Yes and waits for the end.
bool QuitWithYes(const Program& program, HWND main);
// Adds one scene through Add Scene's file requester and waits until the
// queue list has count lines.
bool AddScene(const Program& program, HWND main, const std::string& path, int count);
// Unsets every TB_STANDIN_* variable, then sets these, so that a scenario's
// stand-in renderer starts from its defaults whatever ran before.
void UseStandIn(const std::vector<std::pair<const char*, std::string>>& values);
bool Exists(const std::string& path);
// What the stand-in recorded in its TB_STANDIN_ARGS_FILE of each start, in
// order: its command line and its working folder.
struct StandInStart {
  std::string commandLine, folder;
};
std::vector<StandInStart> StandInStarts(const std::string& argsFile);
// A small scene for the stand-in renderer: frames first to last by step,
// saved as TGA files named imagesPrefix (folder and name) plus the number in
// the given filename format.
std::string StandInScene(int first, int last, int step, const std::string& imagesPrefix, int format = 3);
std::string ReadFile(const std::string& path);
// Where a file's bytes and the wanted ones first part, for a report; empty
// when they are equal.
std::string FirstDifference(const std::string& have, const std::string& want);
// The control with the keyboard focus in window's thread (another process).
HWND FocusOf(HWND window);

// ---- windows --------------------------------------------------------------
// A visible top-level window of the process with this title (and class, if
// given).
HWND FindTop(const Program& p, const std::string& title, const char* className = nullptr);
// Any visible message box of the process: title and text.
HWND AnyMessageBox(const Program& p, std::string* title, std::string* text);
// A message box nobody expects during this step fails the check and is
// answered (answerToQuestion where it asks, otherwise OK), so that the run
// goes on.
void AnswerStrayMessage(const Program& program, const std::string& during, int answerToQuestion = IDYES);
std::string Text(HWND hwnd);
std::string MessageBoxText(HWND box);
void Answer(HWND box, int id);   // IDOK, IDYES, IDNO, IDCANCEL
void Click(HWND control);
// The screen's DPI: the program scales its 96-DPI layout to it.
int ScreenDpi();
RECT InnerRect(HWND window, HWND control);   // control's rectangle in window's inner area
SIZE InnerSize(HWND window);
std::string ListLine(HWND list, int index);
int ListCount(HWND list);

// Sends a message whose lParam points to a buffer of size bytes: the buffer
// is copied into the program's memory, and back after the call.
bool SendWithBuffer(const Program& p, HWND hwnd, UINT message, WPARAM wParam, void* buffer, size_t size,
                    LRESULT* result = nullptr);
// Types a path into Wine's open/save dialog (the edit inside control 1148)
// and presses its OK.
bool ChooseInFileDialog(HWND dialog, const std::string& path);
void SetText(HWND hwnd, const std::string& text);
// Waits for a top-level #32770 window (message box or dialog) by title.
HWND WaitForDialog(const Program& p, const std::string& title, int timeoutMs = 5000);

// A left click at x, y of a control's inner area.
void ClickAt(HWND control, int x, int y);

// Tooltip texts of the process's controls, by control ID, read from its
// tooltip windows.
std::map<int, std::string> Tooltips(const Program& p);

// Writes work\shot-ready and waits for the runner's shot-done, so that the
// screen can be captured at this moment under this name.
void OfferScreenshot(const Setup& setup, const std::string& name);

// ---- scenarios ------------------------------------------------------------
int ScenarioMainWindow(const Setup& setup);
int ScenarioWideView(const Setup& setup);
int ScenarioFirstRun(const Setup& setup);
int ScenarioLocateRenderer(const Setup& setup);
int ScenarioStandIn(const Setup& setup);
int ScenarioRender(const Setup& setup);
int ScenarioRenderFailure(const Setup& setup);
int ScenarioRenderCrash(const Setup& setup);
int ScenarioQueue(const Setup& setup);
int ScenarioEdit(const Setup& setup);
int ScenarioQueueRender(const Setup& setup);
int ScenarioProject(const Setup& setup);
int ScenarioCpu(const Setup& setup);
int ScenarioDemo(const Setup& setup);
int ScenarioLongQueue(const Setup& setup);
int ScenarioOutside(const Setup& setup);
int ScenarioOvernight(const Setup& setup);
int ScenarioFarmWindow(const Setup& setup);
int ScenarioModern(const Setup& setup);

}  // namespace e2e
