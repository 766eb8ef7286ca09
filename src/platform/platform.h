// The operations the program needs of the operating system. One header, two
// implementations: src/platform/win32 (the product) and src/platform/headless
// (in-memory windows, scripted events, real files; used by the tests).
//
// Windows, controls, images, menus and timers are addressed by the program's
// own fixed numbers; on Win32 a control's number is its control ID. Control
// numbers are unique across all windows. Sizes and positions are logical
// pixels at 96 DPI. A window is opened with its inner (client) area at the
// given screen position; afterwards its position is that of its frame's
// top-left corner, as the settings and project files store it. Texts are
// 8-bit strings in the ANSI code page.
//
// Names avoid those that <windows.h> defines as macros (MessageBox,
// DeleteFile, CreateDirectory, ...), since the Win32 backend includes both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pf {

// ---- start and end -------------------------------------------------------

bool InitPlatform();          // windows, controls, fonts, images, tray, menus
void ShutdownPlatform();      // frees everything the layer holds
[[noreturn]] void ExitProcessWith(int code);

// Full path of the program's directory, with its trailing backslash.
std::string ProgramDirectory();

// ---- fonts ---------------------------------------------------------------

enum FontId { kFontSystem = 0, kFontBold = 1, kFontRegular = 2, kFontHeading = 3, kFontFixed = 4 };
enum FontStyle { kFontPlain = 0, kFontBoldStyle = 1, kFontUnderline = 2 };
bool LoadFont(FontId id, const std::string& face, int points, int styleFlags);

// ---- windows -------------------------------------------------------------

enum WindowFlag {
  kWindowSystemMenu = 1,      // title bar with system menu and close box
  kWindowMinimizeButton = 2,
  kWindowTitleOnly = 4,       // title bar without system menu or buttons
  kWindowHidden = 8,
};

// x, y: the inner area's screen position.
bool OpenWindowAt(int window, int x, int y, int innerWidth, int innerHeight,
                  const std::string& title, int flags);
void CloseWindowNumber(int window);
bool WindowExists(int window);
void SetWindowVisible(int window, bool visible);
bool IsWindowVisible(int window);
bool IsWindowMinimised(int window);
void PlaceWindow(int window, int x, int y);              // frame corner to x, y
int WindowX(int window);                                 // frame corner
int WindowY(int window);
int WindowInnerX(int window);                            // inner area's corner
int WindowInnerY(int window);
void SetWindowInnerSize(int window, int innerWidth, int innerHeight);
int WindowInnerWidth(int window);
int WindowInnerHeight(int window);
void SetWindowTopmost(int window, bool topmost);
void ActivateWindowNumber(int window);                   // current and active
std::string WindowTitle(int window);

// ---- controls ------------------------------------------------------------

enum class ControlKind {
  GroupFrame,      // labelled frame
  Button,          // push button
  DefaultButton,   // push button answering Enter
  CheckBox,        // automatic check box
  OptionButton,    // radio button; a group starts at the first of a run
  ListBox,         // single selection, notifies, both scroll bars
  ReadOnlyField,   // one line, bordered, not editable
  EditField,       // one line, editable
  Label,           // one line, borderless
  LabelRight,      // one line, borderless, right-aligned
  RichText,        // multi-line, editable, both scroll bars
  TabPanel,        // tab control; pages are added with AddTab
  DropDownList,    // combo box with a fixed list
};

struct ControlSpec {
  int id;
  ControlKind kind;
  int x, y, width, height;
  const char* text;
  const char* tooltip;    // nullptr or "" for none
  FontId font;
  int tabPanel = -1;      // >= 0: the control lies on page tabIndex of that panel
  int tabIndex = 0;
};

bool CreateControl(int window, const ControlSpec& layout);
void AddTab(int tabPanel, const std::string& text);
bool ControlExists(int control);

void SetControlText(int control, const std::string& text);
std::string ControlText(int control);
// Multi-line text (RichText): replaces its last `lines` lines by text (CR LF
// line ends), leaving the lines above, the first line shown and the
// selection where they are, so a user scrolling through it is not moved.
void ReplaceLastLines(int control, int lines, const std::string& text);
void SetControlEnabled(int control, bool enabled);
bool IsControlEnabled(int control);
void SetControlVisible(int control, bool visible);
bool IsControlVisible(int control);
void SetControlTooltip(int control, const std::string& text);
void FocusControl(int control);

// Check box / option button: 0 or 1. List box, drop-down list and tab
// panel: the selected position, -1 for none.
void SetControlState(int control, int state);
int ControlState(int control);

// Items of list boxes and drop-down lists.
void AddControlItem(int control, const std::string& text);
void RemoveControlItem(int control, int index);
void ClearControlItems(int control);
int CountControlItems(int control);
std::string ControlItemText(int control, int index);
void SetControlItemText(int control, int index, const std::string& text);
// Replaces every item at once (one repaint); nothing is selected afterwards.
void SetControlItems(int control, const std::vector<std::string>& items);

// ---- events --------------------------------------------------------------

constexpr int kEventNone = 0;        // the platform is shutting down
constexpr int kEventClose = 16;      // WM_CLOSE
constexpr int kEventTimer = 275;     // WM_TIMER
constexpr int kEventGadget = 13100;
constexpr int kEventMenu = 13101;
constexpr int kEventTray = 13102;
constexpr int kEventFiles = 13103;   // files arrived: see TakeArrivedFiles

struct Event {
  int code = kEventNone;
  int window = 0;
  int control = 0;   // gadget events: the control number
  int type = 0;      // gadget: 0 change/click, 2 list double-click; tray: 0..3
  int timer = 0;     // timer events: the timer identifier
  int item = 0;      // menu events: the item number; tray events: the icon
};

// Waits for the next event of any window. Returns code kEventNone only when
// the platform is shutting down, so every loop can end cleanly.
Event WaitWindowEvent();

void StartTimer(int window, int timer, int milliseconds);
void StopTimer(int window, int timer);

// ---- message boxes and requesters ----------------------------------------

// Styles are the Windows MB_ values: 16 error + OK, 64 information + OK,
// 36 question + Yes/No, 35 question + Yes/No/Cancel.
constexpr int kBoxError = 16;
constexpr int kBoxInfo = 64;
constexpr int kBoxQuestion = 36;
constexpr int kBoxQuestionCancel = 35;
// Answers are the Windows ID values.
constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

int ShowMessage(const std::string& title, const std::string& text, int style);
// Quiet: message boxes are not shown (nobody is there to answer, as for a
// run from the command line); each is kept as "title: text" and answered
// OK, or No where it asks.
void SetQuietMessages(bool quiet);
std::vector<std::string> TakeQuietMessages();

// filter: "Description|*.ext|Description2|*.x" pairs. Empty text on cancel.
std::string RequestOpenFile(const std::string& title, const std::string& start,
                            const std::string& filter, int filterIndex);
std::string RequestSaveFile(const std::string& title, const std::string& start,
                            const std::string& filter, int filterIndex);
// A folder with a trailing backslash, or empty text on cancel.
std::string RequestPath(const std::string& title, const std::string& start);
// Small modal window with a prompt, a one-line field and "Ok"; Escape gives "".
std::string RequestInput(const std::string& title, const std::string& prompt,
                         const std::string& defaultText);

// ---- images, tray icon, popup menus --------------------------------------

bool LoadIconImage(int image);   // 93 idle, 94 busy: built into the program
// False when the notification area refused the icon; it is kept and added
// when the taskbar is (re)created.
bool AddTrayIcon(int icon, int window, int image);
// The icon is in the notification area now.
bool TrayIconShown(int icon);
void ChangeTrayIcon(int icon, int image);
void SetTrayTooltip(int icon, const std::string& text);
void RemoveTrayIcon(int icon);
// A notification balloon at the tray icon; nothing when the icon is not shown.
void ShowTrayBalloon(int icon, const std::string& title, const std::string& text);

void CreatePopupMenuNumber(int menu);
void AddMenuItem(int menu, int item, const std::string& text);
void AddMenuSeparator(int menu);
void ShowPopupMenu(int menu, int window);   // at the pointer

// Items below the window's own system menu (Alt+Space). item is a multiple
// of 16 below 0xF000; choosing it arrives as a menu event with that number.
void AddSystemMenuItem(int window, int item, const std::string& text);
void AddSystemMenuSeparator(int window);

// ---- files and directories -----------------------------------------------
// Relative paths are resolved against ProgramDirectory().

enum class FileMode {
  ReadShared,        // read; others may read and write meanwhile
  ReadDenyWrite,     // read; fails while another program has it open for writing
  ReadWriteShared,   // read and write; others may read and write meanwhile
  CreateWrite,       // create or truncate; write only; others may read
};
using FileHandle = std::intptr_t;   // 0: no file

FileHandle FileOpen(const std::string& path, FileMode mode);
// Bytes read or written, -1 on error.
std::int64_t FileRead(FileHandle file, void* buffer, std::int64_t bytes);
std::int64_t FileWrite(FileHandle file, const void* buffer, std::int64_t bytes);
std::int64_t FileLength(FileHandle file);
// Moves the place the next read or write starts to offset bytes from the
// file's start; false on failure.
bool FileSeek(FileHandle file, std::int64_t offset);
bool FileClose(FileHandle file);   // false when buffered data could not be written
// Puts what was written on the disk itself (FlushFileBuffers); false on failure.
bool FileFlush(FileHandle file);

// Size in bytes; -1 when there is no such file; -2 for a directory.
std::int64_t QueryFileSize(const std::string& path);
// Milliseconds since the file was last written, by the wall clock; -1 when
// that cannot be told.
std::int64_t FileWrittenAgoMs(const std::string& path);
// The file version of a program's Windows version resource, as "2019.1.5"
// (a fourth part only when it is not 0); empty when the file has none or is
// no program.
std::string FileVersion(const std::string& path);
// True only when the system answers that nothing is at path (no such file
// or folder); false when something is there or the system could not tell
// (a share that does not answer).
bool PathMissing(const std::string& path);
bool DeletePath(const std::string& path);
// Replaces target by source in one step (MoveFileEx with REPLACE_EXISTING),
// returning only once the move is on the disk (WRITE_THROUGH).
bool MovePathOver(const std::string& source, const std::string& target);
bool MakeDirectory(const std::string& path);
// Renames a file or directory to a name that does not exist yet (a
// directory cannot be moved with MovePathOver).
bool RenamePath(const std::string& source, const std::string& target);
// Removes an empty directory; false when it is not empty or cannot go.
bool RemoveDirectoryPath(const std::string& path);
// Removes a junction or symbolic link itself (to a folder or a file),
// never anything it points to.
bool RemoveLink(const std::string& path);
// Text in the ANSI code page (as the program holds it) converted to UTF-8,
// for files read on machines whose locale is UTF-8. The headless backend
// takes Windows-1252 as the code page.
std::string AnsiToUtf8(const std::string& text);
// This program's process ID, for names no other copy uses at the same time.
unsigned long CurrentProcessId();

struct DirEntry {
  std::string name;
  bool isDirectory = false;
  // A junction or symbolic link (FILE_ATTRIBUTE_REPARSE_POINT): what it
  // points to lies elsewhere, so a folder removal takes the link alone.
  bool isLink = false;
  std::int64_t size = 0;   // bytes of a file, as the listing tells it
  std::int64_t writeTime = 0;   // when it was last written, in the system's own units
};
// Entries of directory whose name matches pattern (* and ?, no case).
std::vector<DirEntry> ListDirectory(const std::string& directory, const std::string& pattern);
// Logical drive roots such as "C:\".
std::vector<std::string> ListDriveRoots();

// ---- processes -----------------------------------------------------------

constexpr int kPriorityNormal = 32;
constexpr int kPriorityIdle = 64;
constexpr int kPriorityHigh = 128;
constexpr int kStillActive = 259;

using ProcessHandle = std::intptr_t;   // 0: none

enum RunFlag { kRunHidden = 1 };
// Starts program through the shell with the verb "open" without waiting.
ProcessHandle StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingDirectory, int flags);
// 259 while running; the exit code afterwards; -1 for an unknown handle.
int ProcessExitCode(ProcessHandle process);
// True once the process has ended, also when it ended with 259.
bool ProcessEnded(ProcessHandle process);
void SetProcessPriority(ProcessHandle process, int priorityClass);
void TerminateProgram(ProcessHandle process, int exitCode);
// Waits up to timeoutMs for the process to be gone; true once it is.
bool WaitForProcessEnd(ProcessHandle process, int timeoutMs);
// Lets go of a handle; the program goes on running.
void ReleaseProcess(ProcessHandle process);
// Opens a document with the program the system associates with it (the
// shell's verb "open", window shown, not waited for). True when the shell
// took it, whether or not a process was started for it.
bool OpenWithShell(const std::string& file, const std::string& workingDirectory);
void SetOwnPriority(int priorityClass);

// ---- one program per program folder, files from outside -------------------

// True when no other copy of the program runs from this program directory;
// this copy then holds it, and takes files handed over by later copies,
// until it ends.
bool ClaimProgramFolder();
// Hands files (full paths, maybe none) to the copy that holds the program
// directory and brings that copy's window to the front. False when no copy
// took them.
bool HandFilesToRunningCopy(const std::vector<std::string>& files);
// The files named on the command line, as full paths, in their order.
std::vector<std::string> CommandLineFiles();
// The command line's arguments as they stand (switches such as /farm).
std::vector<std::string> CommandLineArguments();
// Files dropped on the window may arrive from now on.
void AcceptDroppedFiles(int window);
// Files handed over by another copy or dropped on a window since the last
// call, in arrival order. A kEventFiles event follows each arrival, but files
// wait here until taken, even when a modal loop consumed the event.
std::vector<std::string> TakeArrivedFiles();

// ---- power ---------------------------------------------------------------

// Whether the system must stay awake (not the display): on while the
// renderer works, off when nothing renders.
void SetSystemRequired(bool required);

// Puts the computer to sleep, hibernates it or shuts it down. False when the
// system refused (no right to shut down, no hibernation file).
enum class PowerAction { kSleep, kHibernate, kShutdown };
bool RequestPowerAction(PowerAction action);

// ---- pointer, sound, time ------------------------------------------------

void PointerPosition(int& x, int& y);
void SoundBeep(int frequency, int milliseconds);
void Pause(int milliseconds);
// Milliseconds from a clock that never goes back (not the wall clock) and
// does not count the time the computer slept.
std::int64_t SteadyMilliseconds();
// The length of a minute for the program's minute-long waits (timeouts, the
// countdown): 60000, unless the tests shorten it through the environment.
std::int64_t MinuteMs();
// The local wall-clock time in ISO 8601 with its UTC offset, to the second:
// "2026-12-07T14:57:11+01:00".
std::string LocalTimeIso();

}  // namespace pf
