// tbplatform.exe <work folder>: the Win32 backend checked on its own, inside
// one process, where the program's own scenarios cannot easily reach: list
// and field contents, events, the input requester's keys, files, directory
// patterns, child processes, files handed over and dropped, the execution
// state and the clocks. Prints PASS/FAIL lines; exit code 0 only when all
// passed. Started by itself with TB_CHECK_SECOND_COPY set, it plays a second
// copy of the program (see RunAsSecondCopy).
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

constexpr int kWindow = 0;
constexpr const char* kTitle = "Platform check";

HWND Window() { return FindWindowA(nullptr, kTitle); }

// Answers the input requester from a second thread, as a user would.
DWORD WINAPI AnswerRequester(void* how) {
  HWND requester = nullptr;
  // Found once shown: it is built hidden.
  for (int i = 0; i < 200; ++i) {
    requester = FindWindowA(nullptr, "Input check");
    if (requester && IsWindowVisible(requester)) break;
    requester = nullptr;
    Sleep(25);
  }
  if (!requester) return 1;
  Check(!IsWindowEnabled(Window()), "other windows are disabled while the requester is open");
  HWND field = GetDlgItem(requester, 100);
  DWORD start = 0, end = 0;
  SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (how == nullptr) Check(start == 0 && end == 1, "the default text is selected");
  switch (reinterpret_cast<INT_PTR>(how)) {
    case 0:
      SetWindowTextA(field, "42");
      PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
      break;
    case 1: PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0); break;
    default: PostMessageA(GetDlgItem(requester, IDOK), BM_CLICK, 0, 0); break;
  }
  return 0;
}

std::string Ask(INT_PTR how) {
  HANDLE thread = CreateThread(nullptr, 0, AnswerRequester, reinterpret_cast<void*>(how), 0, nullptr);
  std::string answer = pf::RequestInput("Input check", "First frame:", "7");
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  return answer;
}

// Finds a dialog of this process by title and, from a second thread, answers
// it: types text into the file requester's name field when given, then OK.
struct DialogAnswer {
  const char* title;
  std::string typed;
  std::string selectedFolder;   // folder requester: wait until this name is selected
};

std::string SelectedFolder(HWND dialog) {
  HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
  if (!tree) return {};
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  char text[MAX_PATH] = {};
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = sizeof text;
  if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return {};
  return text;
}

DWORD WINAPI AnswerDialog(void* data) {
  auto* answer = static_cast<DialogAnswer*>(data);
  HWND dialog = nullptr;
  for (int i = 0; i < 200; ++i) {
    HWND found = FindWindowA("#32770", answer->title);
    DWORD pid = 0;
    if (found) GetWindowThreadProcessId(found, &pid);
    if (found && pid == GetCurrentProcessId() && IsWindowVisible(found)) {
      dialog = found;
      break;
    }
    Sleep(25);
  }
  if (!dialog) return 1;
  // The folder requester fills its tree and selects the start folder only
  // after it has opened, slowly under Wine (on a new prefix it first walks
  // the drives, selecting each on its way): the answer waits until the
  // start folder has stood selected for a while, up to a minute.
  Sleep(300);
  for (int i = 0, steady = 0; i < 2400 && !answer->selectedFolder.empty() && steady < 8; ++i) {
    steady = SelectedFolder(dialog) == answer->selectedFolder ? steady + 1 : 0;
    Sleep(25);
  }
  if (!answer->typed.empty()) {
    HWND name = GetDlgItem(dialog, 1148);
    HWND edit = name ? FindWindowExA(name, nullptr, "Edit", nullptr) : nullptr;
    SetWindowTextA(edit ? edit : name, answer->typed.c_str());
  }
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return 0;
}

void CheckRequesters(const std::string& work) {
  DialogAnswer folder{"Browse for Folder", "", work.substr(work.find_last_of('\\') + 1)};
  HANDLE thread = CreateThread(nullptr, 0, AnswerDialog, &folder, 0, nullptr);
  std::string chosen = pf::RequestPath("Locate your Content Directory...", work + "\\");
  WaitForSingleObject(thread, 65000);
  CloseHandle(thread);
  Check(chosen == work + "\\", "folder requester: starts in the given folder, answers it with a backslash: '" +
                                     chosen + "'");

  DialogAnswer open{"Locate 'lwsn.exe'...", work + "\\typed-name.exe", ""};
  thread = CreateThread(nullptr, 0, AnswerDialog, &open, 0, nullptr);
  chosen = pf::RequestOpenFile("Locate 'lwsn.exe'...", work, "Executable File(s) (*.exe)|*.EXE", 0);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  Check(chosen == open.typed, "open requester: a typed name is taken even when no such file exists");

  DialogAnswer save{"Save project", work + "\\project.tbp", ""};
  thread = CreateThread(nullptr, 0, AnswerDialog, &save, 0, nullptr);
  chosen = pf::RequestSaveFile("Save project", work, "Tallowbridge Project (*.tbp)|*.tbp", 0);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  Check(chosen == save.typed, "save requester: answers the typed path");
}

// Picks the second item of the shown popup menu with the keyboard.
DWORD WINAPI PickFromMenu(void*) {
  HWND menu = nullptr;
  for (int i = 0; i < 200; ++i) {
    menu = FindWindowA("#32768", nullptr);
    if (menu && IsWindowVisible(menu)) break;
    menu = nullptr;
    Sleep(25);
  }
  if (!menu) return 1;
  Sleep(100);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  return 0;
}

void CheckTrayAndMenu() {
  Check(pf::LoadIconImage(93) && pf::LoadIconImage(94), "both tray pictures are in the program");
  Check(pf::AddTrayIcon(0, kWindow, 93), "tray icon added");
  pf::SetTrayTooltip(0, std::string(80, 't'));
  pf::ChangeTrayIcon(0, 94);
  PostMessageA(Window(), WM_APP + 1, 0, WM_MOUSEMOVE);
  PostMessageA(Window(), WM_APP + 1, 0, WM_RBUTTONUP);
  pf::Event e = pf::WaitWindowEvent();
  Check(e.code == pf::kEventTray && e.type == 1 && e.item == 0, "a right click on the icon is tray event 1; moves are none");
  PostMessageA(Window(), WM_APP + 1, 0, WM_LBUTTONDBLCLK);
  e = pf::WaitWindowEvent();
  Check(e.code == pf::kEventTray && e.type == 2, "a left double-click is tray event 2");

  pf::CreatePopupMenuNumber(91);
  pf::AddMenuItem(91, 1, "Render Progress:");
  pf::AddMenuSeparator(91);
  pf::AddMenuItem(91, 2, "C:\\Scenes\\a.lws  -  (40% done)");
  HANDLE thread = CreateThread(nullptr, 0, PickFromMenu, nullptr, 0, nullptr);
  pf::ShowPopupMenu(91, kWindow);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  pf::StartTimer(kWindow, 2, 3000);   // in case no item was chosen
  e = pf::WaitWindowEvent();
  pf::StopTimer(kWindow, 2);
  Check(e.code == pf::kEventMenu && e.item == 2, "a chosen popup menu item is a menu event with its number");
  pf::RemoveTrayIcon(0);
}

void CheckWindow() {
  Check(pf::OpenWindowAt(kWindow, 150, 150, 294, 451, kTitle, pf::kWindowSystemMenu | pf::kWindowMinimizeButton),
        "window opened");
  Check(pf::WindowInnerX(kWindow) == 150 && pf::WindowInnerY(kWindow) == 150, "inner area at 150,150");
  Check(pf::WindowX(kWindow) < 150 && pf::WindowY(kWindow) < 150, "frame corner above and left of it");
  pf::SetWindowInnerSize(kWindow, 600, 451);
  Check(pf::WindowInnerWidth(kWindow) == 600 && pf::WindowInnerHeight(kWindow) == 451, "widened to 600x451");
  pf::PlaceWindow(kWindow, 200, 120);
  Check(pf::WindowX(kWindow) == 200 && pf::WindowY(kWindow) == 120, "frame moved to 200,120");
  RECT frame{};
  GetWindowRect(Window(), &frame);
  Check(frame.left == 200 && frame.top == 120, "the frame's corner is where it was placed");
  Check(pf::WindowTitle(kWindow) == kTitle, "title");
}

void CheckLists() {
  pf::ControlSpec list{8, pf::ControlKind::ListBox, 11, 128, 271, 66, "", nullptr, pf::kFontSystem};
  pf::CreateControl(kWindow, list);
  for (const char* item : {"alpha", "beta", "gamma"}) pf::AddControlItem(8, item);
  Check(pf::CountControlItems(8) == 3 && pf::ControlState(8) == -1, "three lines, none selected");
  pf::SetControlState(8, 1);
  Check(pf::ControlState(8) == 1 && pf::ControlText(8) == "beta", "a list's text is its selected line");
  pf::SetControlItemText(8, 1, "BETA");
  Check(pf::ControlItemText(8, 1) == "BETA" && pf::ControlState(8) == 1, "a line replaced keeps the selection");
  pf::RemoveControlItem(8, 0);
  Check(pf::CountControlItems(8) == 2 && pf::ControlItemText(8, 0) == "BETA", "a line removed");
  pf::ClearControlItems(8);
  Check(pf::CountControlItems(8) == 0 && pf::ControlItemText(8, 0).empty(), "cleared");
}

void CheckFields() {
  pf::ControlSpec field{13, pf::ControlKind::ReadOnlyField, 11, 311, 85, 19, "", nullptr, pf::kFontRegular};
  pf::CreateControl(kWindow, field);
  std::string big(100000, 'x');
  pf::SetControlText(13, big);
  Check(pf::ControlText(13) == big, "a field holds 100000 characters");
  pf::ControlSpec rich{95, pf::ControlKind::RichText, 295, 330, 300, 90, "", nullptr, pf::kFontFixed};
  pf::CreateControl(kWindow, rich);
  std::string log;
  for (int i = 0; i < 8000; ++i) log += "line " + std::to_string(i) + "\r\n";
  pf::SetControlText(95, log);
  Check(pf::ControlText(95).size() > 64000, "a rich-text box holds more than 64000 characters");
}

void CheckEvents() {
  pf::ControlSpec check{11, pf::ControlKind::CheckBox, 166, 198, 112, 17, " x", "tip", pf::kFontRegular};
  pf::CreateControl(kWindow, check);
  pf::SetControlState(11, 1);
  PostMessageA(GetDlgItem(Window(), 11), BM_CLICK, 0, 0);
  pf::Event e = pf::WaitWindowEvent();
  Check(e.code == pf::kEventGadget && e.control == 11 && e.type == 0 && pf::ControlState(11) == 0,
        "a click on a check box is a gadget event after the box toggled");
  pf::ControlSpec field{17, pf::ControlKind::EditField, 111, 335, 171, 20, "", nullptr, pf::kFontRegular};
  pf::CreateControl(kWindow, field);
  pf::SetControlText(17, "set by the program");
  SendMessageA(GetDlgItem(Window(), 17), WM_CHAR, 'a', 0);
  e = pf::WaitWindowEvent();
  Check(e.code == pf::kEventGadget && e.control == 17, "typing in a field is an event, setting its text is not");
  pf::StartTimer(kWindow, 1, 30);
  e = pf::WaitWindowEvent();
  Check(e.code == pf::kEventTimer && e.timer == 1 && e.window == kWindow, "timer tick");
  pf::StopTimer(kWindow, 1);
  PostMessageA(Window(), WM_COMMAND, 91, 0);
  e = pf::WaitWindowEvent();
  Check(e.code == pf::kEventMenu && e.item == 91, "a menu command is a menu event");
  PostMessageA(Window(), WM_CLOSE, 0, 0);
  e = pf::WaitWindowEvent();
  Check(e.code == pf::kEventClose && IsWindow(Window()), "the close box is an event; the window stays");
  PostMessageA(Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  pf::WaitWindowEvent();
  Check(pf::IsWindowMinimised(kWindow), "minimised by the user");
  Check(pf::WindowX(kWindow) == 200 && pf::WindowInnerWidth(kWindow) == 600, "a minimised window keeps its place");
  pf::SetWindowVisible(kWindow, true);
  Check(!pf::IsWindowMinimised(kWindow) && pf::IsWindowVisible(kWindow), "shown again, restored");
}

void CheckInput() {
  Check(Ask(0) == "42", "input requester: Enter answers the typed text");
  Check(Ask(1).empty(), "input requester: Escape answers empty text");
  Check(Ask(2) == "7", "input requester: Ok answers the default text");
  Check(IsWindowEnabled(Window()) != 0, "the window is usable again afterwards");
}

void CheckFiles(const std::string& work) {
  std::string dir = pf::ProgramDirectory();
  Check(!dir.empty() && dir.back() == '\\', "program directory ends in a backslash");
  pf::FileHandle f = pf::FileOpen("platform-check.tmp", pf::FileMode::CreateWrite);
  Check(f != 0 && pf::FileWrite(f, "hello", 5) == 5 && pf::FileClose(f), "a relative file written");
  Check(pf::QueryFileSize(dir + "platform-check.tmp") == 5, "relative names lie in the program directory");
  Check(pf::QueryFileSize(dir) == -2 && pf::QueryFileSize(dir + "missing.file") == -1, "sizes: -2 folder, -1 none");
  f = pf::FileOpen(dir + "platform-check.tmp", pf::FileMode::ReadShared);
  char buffer[16] = {};
  Check(pf::FileRead(f, buffer, 16) == 5 && std::string(buffer) == "hello" && pf::FileLength(f) == 5, "read back");
  pf::FileHandle second = pf::FileOpen(dir + "platform-check.tmp", pf::FileMode::ReadWriteShared);
  Check(second != 0, "a file open for reading can be opened for writing meanwhile");
  pf::FileClose(second);
  pf::FileClose(f);
  Check(pf::FileOpen(dir + "missing.file", pf::FileMode::ReadWriteShared) == 0, "read-write opens existing files only");

  std::string frames = work + "\\frames\\";
  Check(pf::MakeDirectory(work + "\\frames"), "directory made");
  for (const char* name : {"img001.tga", "IMG002.TGA", "img003.tgax", "other.tga"}) {
    pf::FileHandle h = pf::FileOpen(frames + name, pf::FileMode::CreateWrite);
    pf::FileClose(h);
  }
  auto found = pf::ListDirectory(frames, "img*.tga");
  Check(found.size() == 2 && found[0].name == "img001.tga" && found[1].name == "IMG002.TGA",
        "pattern matches without case and not the longer extension");
  pf::FileHandle h = pf::FileOpen(frames + "new.tmp", pf::FileMode::CreateWrite);
  pf::FileWrite(h, "x", 1);
  pf::FileClose(h);
  Check(pf::MovePathOver(frames + "new.tmp", frames + "other.tga") && pf::QueryFileSize(frames + "other.tga") == 1,
        "a file replaced in one step");
  Check(pf::DeletePath(dir + "platform-check.tmp") && !pf::DeletePath(dir + "platform-check.tmp"), "deleted once");
  auto roots = pf::ListDriveRoots();
  Check(!roots.empty() && roots[0].size() == 3 && roots[0][1] == ':' && roots[0][2] == '\\', "drive roots");
}

void CheckProcesses(const std::string& renderer, const std::string& work) {
  SetEnvironmentVariableA("TB_STANDIN_FRAME_MS", "0");
  pf::ProcessHandle p = pf::StartProgram(renderer, " -3 -q -d missing.lws 1 1 1", work, pf::kRunHidden);
  Check(p != 0, "renderer started through the shell");
  for (int i = 0; i < 200 && pf::ProcessExitCode(p) == pf::kStillActive; ++i) pf::Pause(25);
  Check(pf::ProcessExitCode(p) == 2, "its exit code is read after its end");
  SetEnvironmentVariableA("TB_STANDIN_HANG", "1");
  p = pf::StartProgram(renderer, " -3 -q -d x.lws 1 1 1", work, pf::kRunHidden);
  pf::SetProcessPriority(p, pf::kPriorityIdle);
  Check(GetPriorityClass(reinterpret_cast<HANDLE>(p)) == IDLE_PRIORITY_CLASS, "priority class 64 is idle");
  Check(pf::ProcessExitCode(p) == pf::kStillActive, "259 while running");
  pf::TerminateProgram(p, 0);
  WaitForSingleObject(reinterpret_cast<HANDLE>(p), 5000);
  Check(pf::ProcessExitCode(p) == 0, "terminated with exit code 0");
  SetEnvironmentVariableA("TB_STANDIN_HANG", nullptr);
  Check(pf::StartProgram(work + "\\missing.exe", "", work, 0) == 0, "a missing program gives no handle");
}


// The next event with this code; kEventNone when none came within 15 s.
pf::Event NextEvent(int code) {
  pf::StartTimer(kWindow, 3, 15000);
  pf::Event e;
  do e = pf::WaitWindowEvent();
  while (e.code != code && e.code != pf::kEventNone && !(e.code == pf::kEventTimer && e.timer == 3));
  pf::StopTimer(kWindow, 3);
  return e.code == code ? e : pf::Event{};
}

// A balloon of explorer's, shown for an icon of ours.
bool BalloonShown() {
  struct Search {
    DWORD self;
    bool found;
  } search{GetCurrentProcessId(), false};
  EnumWindows([](HWND hwnd, LPARAM data) -> BOOL {
    auto* s = reinterpret_cast<Search*>(data);
    char cls[32] = {};
    DWORD pid = 0;
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->self && lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && IsWindowVisible(hwnd) &&
        (GetWindowLongA(hwnd, GWL_STYLE) & TTS_BALLOON))
      s->found = true;
    return TRUE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void CheckBalloon() {
  Check(!BalloonShown() && pf::AddTrayIcon(1, kWindow, 93), "tray icon added, no balloon yet");
  // Longer than the notification area's fields of 64 and 256 characters.
  pf::ShowTrayBalloon(1, std::string(100, 'T'), std::string(300, 'x'));
  bool shown = false;
  for (int i = 0; i < 80 && !shown; ++i) {
    pf::Pause(25);
    shown = BalloonShown();
  }
  Check(shown && pf::TrayIconShown(1), "a balloon with an over-long title and text comes up at the icon");
  pf::RemoveTrayIcon(1);
}

// A drop as Explorer makes it: DROPFILES, then ANSI names each ended by NUL,
// then a final NUL (GHND zeroes the memory).
HGLOBAL DropOf(const std::string& names) {
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() + 1);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(memory);
  return memory;
}

void CheckDrops() {
  pf::AcceptDroppedFiles(kWindow);
  bool accepts = (GetWindowLongA(Window(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
  std::string names("C:\\Scenes\\a b.lws\0C:\\Scenes\\c.lws\0", 34);
  PostMessageA(Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(names)), 0);
  pf::Event e = NextEvent(pf::kEventFiles);
  Check(accepts && e.window == kWindow &&
            pf::TakeArrivedFiles() == std::vector<std::string>{"C:\\Scenes\\a b.lws", "C:\\Scenes\\c.lws"},
        "files dropped on the window arrive in their order, with a files event");
}

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Starts program as a second copy in folder; its process handle.
HANDLE StartSecondCopy(const std::string& program, const std::string& arguments, const std::string& folder) {
  SetEnvironmentVariableA("TB_CHECK_SECOND_COPY", "1");
  std::string commandLine = "\"" + program + "\" " + arguments;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           folder.c_str(), &si, &pi);
  SetEnvironmentVariableA("TB_CHECK_SECOND_COPY", nullptr);
  if (!ok) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

int ExitCodeOf(HANDLE process) {
  if (!process) return -1;
  WaitForSingleObject(process, 20000);
  DWORD code = 99;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return static_cast<int>(code);
}

// Closes the message box once the second copy has ended: whatever it
// handed over was taken while the box was open.
DWORD WINAPI CloseBoxAfter(void* copy) {
  WaitForSingleObject(copy, 20000);
  for (int i = 0; i < 200; ++i) {
    HWND box = FindWindowA("#32770", "Handover check");
    if (box && IsWindowVisible(box)) return PostMessageA(box, WM_COMMAND, IDOK, 0) ? 0 : 1;
    Sleep(25);
  }
  return 1;
}

LRESULT SendFilesMessage(HWND receiver, ULONG_PTR tag, const char* bytes, DWORD size) {
  COPYDATASTRUCT data{tag, size, const_cast<char*>(bytes)};
  return SendMessageA(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void CheckHandover(const std::string& work) {
  std::string folder = work + "\\a b";
  CreateDirectoryA(folder.c_str(), nullptr);
  Check(pf::ClaimProgramFolder(), "the first copy holds its program folder");

  // The second copy, started from the same folder spelt in capitals, names
  // one file by a full and one by a relative path, both with blanks.
  std::string upper = OwnPath();
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  HANDLE copy = StartSecondCopy(upper, "\"" + folder + "\\scene one.lws\" \"scene two.lws\"", folder);
  HANDLE closer = CreateThread(nullptr, 0, CloseBoxAfter, copy, 0, nullptr);
  pf::ShowMessage("Handover check", "Files arrive while this box is open.", pf::kBoxInfo);
  WaitForSingleObject(closer, 25000);
  CloseHandle(closer);
  pf::Event e = NextEvent(pf::kEventFiles);
  auto files = pf::TakeArrivedFiles();
  int code = ExitCodeOf(copy);
  Check(code == 0 && e.window == 0 && e.code == pf::kEventFiles &&
            files == std::vector<std::string>{folder + "\\scene one.lws", folder + "\\scene two.lws"},
        "a second copy hands its command-line files over while a message box is open (exit code " +
            std::to_string(code) + ", " + std::to_string(files.size()) + " files)");

  std::string other = work + "\\other copy";
  CreateDirectoryA(other.c_str(), nullptr);
  CopyFileA(OwnPath().c_str(), (other + "\\tbplatform.exe").c_str(), FALSE);
  Check(ExitCodeOf(StartSecondCopy(other + "\\tbplatform.exe", "x.lws", other)) == 2,
        "a copy in another folder holds that folder itself");

  std::vector<std::string> many;
  for (int i = 0; i < 500; ++i) many.push_back(folder + "\\shot_" + std::to_string(i) + ".lws");
  bool handed = pf::HandFilesToRunningCopy(many);
  e = NextEvent(pf::kEventFiles);
  Check(handed && e.code == pf::kEventFiles && pf::TakeArrivedFiles() == many, "500 files handed over arrive in order");
  handed = pf::HandFilesToRunningCopy({});
  e = NextEvent(pf::kEventFiles);
  Check(handed && e.code == pf::kEventFiles && pf::TakeArrivedFiles().empty(),
        "handing over no files is still an arrival, with nothing to take");

  HWND receiver = FindWindowExA(HWND_MESSAGE, nullptr, "TallowbridgeReceiver", nullptr);
  constexpr ULONG_PTR kFilesTag = 0x54424631;   // what a handing-over copy marks its list with
  const char unterminated[] = {'C', ':', '\\', 'a'};
  LRESULT taken = SendFilesMessage(receiver, kFilesTag, unterminated, sizeof unterminated) +
                  SendFilesMessage(receiver, kFilesTag, "\0a", 3) + SendFilesMessage(receiver, 1, "a.lws", 6);
  Check(receiver && taken == 0 && pf::TakeArrivedFiles().empty(),
        "the receiver refuses a list without its final NUL, with an empty name, or with another tag");
}

std::string ReadText(const std::string& path) {
  pf::FileHandle f = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (!f) return {};
  std::string text(static_cast<size_t>(pf::FileLength(f)), '\0');
  pf::FileRead(f, text.data(), static_cast<std::int64_t>(text.size()));
  pf::FileClose(f);
  return text;
}

void CheckExecutionState(const std::string& work) {
  std::string trace = work + "\\power.trace";
  SetEnvironmentVariableA("TB_PLATFORM_TRACE", trace.c_str());
  // Each request answers the state before it: what the call before asked for.
  pf::SetSystemRequired(true);
  EXECUTION_STATE on = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  pf::SetSystemRequired(false);
  EXECUTION_STATE off = SetThreadExecutionState(ES_CONTINUOUS);
  SetEnvironmentVariableA("TB_PLATFORM_TRACE", nullptr);
  pf::SetSystemRequired(true);
  pf::SetSystemRequired(false);
  Check(on == (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) && off == ES_CONTINUOUS,
        "the system, never the display, is kept awake and let go");
  Check(ReadText(trace) == "SetThreadExecutionState 0x80000001\r\nSetThreadExecutionState 0x80000000\r\n",
        "each request is traced while TB_PLATFORM_TRACE names a file, and only then");
}

long long Ticks(const SYSTEMTIME& time) {
  FILETIME f{};
  SystemTimeToFileTime(&time, &f);
  return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
}

// "YYYY-MM-DDTHH:MM:SS+HH:MM": the local time within 5 s, and the offset
// by which the local time is ahead of UTC.
bool IsLocalTimeIso(const std::string& iso) {
  SYSTEMTIME local{}, utc{};
  GetLocalTime(&local);
  GetSystemTime(&utc);
  const char* shape = "dddd-dd-ddTdd:dd:dd+dd:dd";
  if (iso.size() != std::strlen(shape)) return false;
  for (size_t i = 0; i < iso.size(); ++i) {
    bool digit = iso[i] >= '0' && iso[i] <= '9';
    if (shape[i] == 'd' ? !digit : shape[i] == '+' ? iso[i] != '+' && iso[i] != '-' : iso[i] != shape[i])
      return false;
  }
  long long minutes = (Ticks(local) - Ticks(utc) + (Ticks(local) >= Ticks(utc) ? 300000000 : -300000000)) / 600000000;
  long long offset = minutes < 0 ? -minutes : minutes;
  char expected[16];
  std::snprintf(expected, sizeof expected, "%c%02lld:%02lld", minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  SYSTEMTIME stated{};
  stated.wYear = static_cast<WORD>(std::stoi(iso.substr(0, 4)));
  stated.wMonth = static_cast<WORD>(std::stoi(iso.substr(5, 2)));
  stated.wDay = static_cast<WORD>(std::stoi(iso.substr(8, 2)));
  stated.wHour = static_cast<WORD>(std::stoi(iso.substr(11, 2)));
  stated.wMinute = static_cast<WORD>(std::stoi(iso.substr(14, 2)));
  stated.wSecond = static_cast<WORD>(std::stoi(iso.substr(17, 2)));
  long long apart = Ticks(local) - Ticks(stated);
  return iso.substr(19) == expected && apart > -50000000 && apart < 50000000;
}

// Wine takes its time zone from TZ when its server starts: run the scenario
// with TZ=America/St_Johns exported to see an offset of -03:30 checked.
void CheckClocks() {
  std::string iso = pf::LocalTimeIso();
  Check(IsLocalTimeIso(iso), "local time with its offset: " + iso);
  LARGE_INTEGER frequency{}, before{}, after{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&before);
  std::int64_t start = pf::SteadyMilliseconds(), last = start;
  bool forward = true;
  for (int i = 0; i < 20; ++i) {
    pf::Pause(10);
    std::int64_t now = pf::SteadyMilliseconds();
    forward = forward && now >= last;
    last = now;
  }
  QueryPerformanceCounter(&after);
  // Against the performance counter; the steady clock may tick in steps of 16 ms.
  auto measured = static_cast<std::int64_t>((after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart);
  Check(forward && last - start > measured - 50 && last - start < measured + 20,
        "the steady clock never goes back and counts milliseconds: " + std::to_string(last - start) + " of " +
            std::to_string(measured) + " ms");
}

// A second copy does what Tallowbridge.exe does at its start. Exit code 0:
// it handed its command-line files over; 1: no copy took them; 2: it held
// the program folder itself.
int RunAsSecondCopy() {
  if (pf::ClaimProgramFolder()) return 2;
  return pf::HandFilesToRunningCopy(pf::CommandLineFiles()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (GetEnvironmentVariableA("TB_CHECK_SECOND_COPY", nullptr, 0)) return RunAsSecondCopy();
  if (argc != 3) {
    std::fprintf(stderr, "usage: tbplatform <lwsn.exe> <work folder>\n");
    return 2;
  }
  Check(pf::InitPlatform(), "platform started");
  // Inherited by the renderer it starts (Wine itself does not pass it on):
  // a crash must end the renderer, not wait behind the system's error box.
  const UINT errorMode = GetErrorMode();
  Check((errorMode & (SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX)) == (SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX),
        "the error mode keeps the system's error boxes away: " + std::to_string(errorMode));
  pf::LoadFont(pf::kFontRegular, "Tahoma", 8, pf::kFontPlain);
  pf::LoadFont(pf::kFontFixed, "courier new", 8, pf::kFontPlain);
  CheckWindow();
  CheckLists();
  CheckFields();
  CheckEvents();
  CheckInput();
  CheckTrayAndMenu();
  CheckRequesters(argv[2]);
  CheckFiles(argv[2]);
  CheckProcesses(argv[1], argv[2]);
  CheckBalloon();
  CheckDrops();
  CheckHandover(argv[2]);
  CheckExecutionState(argv[2]);
  CheckClocks();
  pf::ShutdownPlatform();
  Check(pf::WaitWindowEvent().code == pf::kEventNone, "no events after shutdown");
  Check(!pf::HandFilesToRunningCopy({"C:\\a.lws"}) && pf::ClaimProgramFolder(),
        "shutdown frees the program folder: nothing takes files, a new claim holds it");
  std::printf("platform: %s (%d failed checks)\n", failures ? "FAIL" : "PASS", failures);
  return failures ? 1 : 0;
}
