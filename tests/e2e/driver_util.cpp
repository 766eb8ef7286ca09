// Tools shared by the scenarios.
#include <cstdio>
#include <vector>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {
int failures = 0;

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

struct Search {
  DWORD pid;
  const std::string* title;
  const char* className;
  HWND found;
};

bool HasClass(HWND hwnd, const char* className) {
  char cls[128] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  return lstrcmpiA(cls, className) == 0;
}

BOOL CALLBACK MatchTop(HWND hwnd, LPARAM data) {
  auto* s = reinterpret_cast<Search*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  if (s->className && !HasClass(hwnd, s->className)) return TRUE;
  if (s->title && Text(hwnd) != *s->title) return TRUE;
  s->found = hwnd;
  return FALSE;
}
}  // namespace

bool Check(bool ok, const std::string& what, const std::string& detail) {
  // One line per check: line breaks in a detail are shown as \n and \r.
  std::string shown;
  for (char ch : detail) shown += ch == '\n' ? std::string("\\n") : ch == '\r' ? std::string("\\r") : std::string(1, ch);
  std::printf("%s %s%s%s\n", ok ? "PASS" : "FAIL", what.c_str(), shown.empty() ? "" : ": ", shown.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
  return ok;
}

int Failures() { return failures; }

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
    Sleep(50);
  }
}

bool CopyInto(const std::string& source, const std::string& target) {
  return CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

bool MakeFolders(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      std::string part = path.substr(0, i);
      if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
  }
  return true;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

bool Program::running() const { return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }

DWORD Program::exitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  return code;
}

bool Program::waitExit(int timeoutMs) const {
  return WaitForSingleObject(pi.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

void Program::kill() const {
  if (running()) TerminateProcess(pi.hProcess, 99);
}

bool Start(const std::string& exe, const std::string& workingDirectory, Program& out, const std::string& arguments) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string commandLine = "\"" + exe + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  return CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.c_str(), &si, &out.pi) != 0;
}

bool Install(const Setup& setup, Installed& out) {
  out.programDir = Join(setup.work, "Tallowbridge");
  out.lightwave = Join(setup.work, "LightWave");
  out.exe = Join(out.programDir, "Tallowbridge.exe");
  out.renderer = Join(Join(out.lightwave, "Programs"), "lwsn.exe");
  return MakeFolders(out.programDir) && MakeFolders(Join(out.lightwave, "Programs")) &&
         CopyInto(setup.program, out.exe) && CopyInto(setup.renderer, out.renderer) &&
         WriteText(Join(out.programDir, "Tallowbridge.ini"),
                   "[Required Settings]\r\nLWSN.EXE Location = " + out.renderer +
                       "\r\nContent Directory = " + out.lightwave + "\\\r\n");
}

HWND StartMainWindow(const Installed& installed, const Setup& setup, Program& program) {
  if (!Check(Start(installed.exe, setup.work, program), "Tallowbridge.exe started")) return nullptr;
  HWND main = nullptr;
  bool up = WaitFor(
      [&] {
        std::string title, text;
        if (HWND box = AnyMessageBox(program, &title, &text)) {
          Check(false, "no message at start-up", title + ": " + text);
          Answer(box, IDOK);
        }
        return (main = FindTop(program, kMainTitle)) != nullptr || !program.running();
      },
      20000);
  if (!Check(up && main != nullptr, "main window 'Tallowbridge v1.1' shown")) {
    program.kill();
    return nullptr;
  }
  return main;
}

bool QuitWithYes(const Program& program, HWND main) {
  PostMessageA(main, WM_CLOSE, 0, 0);
  HWND box = WaitForDialog(program, "Question");
  if (box) Answer(box, IDYES);
  return program.waitExit(10000);
}

bool AddScene(const Program& program, HWND main, const std::string& path, int count) {
  Click(GetDlgItem(main, kAddSceneButton));
  HWND dialog = WaitForDialog(program, "Add scene file(s) to queue...");
  if (!Check(dialog != nullptr, "Add Scene opens 'Add scene file(s) to queue...'")) return false;
  Check(ChooseInFileDialog(dialog, path), "the scene's path typed into the requester");
  HWND list = GetDlgItem(main, kQueueList);
  return Check(WaitFor([&] { return ListCount(list) == count; }, 5000),
               "the queue list has " + std::to_string(count) + " line(s) after adding " + path);
}

void UseStandIn(const std::vector<std::pair<const char*, std::string>>& values) {
  for (const char* name : {"TB_STANDIN_ARGS_FILE", "TB_STANDIN_PID_FILE", "TB_STANDIN_FRAME_MS",
                           "TB_STANDIN_FAIL_AFTER", "TB_STANDIN_EXIT", "TB_STANDIN_CRASH", "TB_STANDIN_HANG"})
    SetEnvironmentVariableA(name, nullptr);
  for (const auto& [name, value] : values) SetEnvironmentVariableA(name, value.c_str());
}

std::string StandInScene(int first, int last, int step, const std::string& imagesPrefix, int format) {
  return "LWSC\r\n3\r\n\r\nFirstFrame " + std::to_string(first) + "\r\nLastFrame " + std::to_string(last) +
         "\r\nFrameStep " + std::to_string(step) + "\r\nFrameSize 32 24\r\nSaveRGB 1\r\nSaveRGBImagesPrefix " +
         imagesPrefix + "\r\nRGBImageSaver LW_TGA24(.tga)\r\nOutputFilenameFormat " + std::to_string(format) + "\r\n";
}

std::vector<StandInStart> StandInStarts(const std::string& argsFile) {
  std::vector<StandInStart> starts;
  const std::string text = ReadFile(argsFile);
  size_t at = 0;
  for (;;) {
    const size_t end1 = text.find('\n', at);
    if (end1 == std::string::npos) break;
    const size_t end2 = text.find('\n', end1 + 1);
    if (end2 == std::string::npos) break;   // a record still being written
    starts.push_back({text.substr(at, end1 - at), text.substr(end1 + 1, end2 - end1 - 1)});
    at = end2 + 1;
  }
  return starts;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

std::string FirstDifference(const std::string& have, const std::string& want) {
  size_t at = 0;
  while (at < have.size() && at < want.size() && have[at] == want[at]) ++at;
  if (at == have.size() && at == want.size()) return {};
  size_t from = at > 20 ? at - 20 : 0;
  std::string detail = "byte ";
  detail += std::to_string(at);
  detail += ": have '";
  detail += have.substr(from, 60);
  detail += "' want '";
  detail += want.substr(from, 60);
  detail += "'";
  return detail;
}

std::string ReadFile(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    std::fclose(f);
  }
  return out;
}

HWND FindTop(const Program& p, const std::string& title, const char* className) {
  Search s{p.pi.dwProcessId, &title, className, nullptr};
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND AnyMessageBox(const Program& p, std::string* title, std::string* text) {
  Search s{p.pi.dwProcessId, nullptr, "#32770", nullptr};
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
  if (s.found) {
    if (title) *title = Text(s.found);
    if (text) *text = MessageBoxText(s.found);
  }
  return s.found;
}

void AnswerStrayMessage(const Program& program, const std::string& during, int answerToQuestion) {
  std::string title, text;
  HWND box = AnyMessageBox(program, &title, &text);
  if (!box) return;
  Check(false, "no message box " + during, title + ": " + text);
  Answer(box, GetDlgItem(box, answerToQuestion) ? answerToQuestion : IDOK);
}

// Wide messages: Wine hands other processes' texts over reliably only so.
// The text may change between asking its length and reading it (a status
// set twice in one event): a read that fills the whole buffer may be cut,
// so it is read again into a larger one.
std::string Text(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  for (std::size_t size = length + 64;; size *= 2) {
    std::wstring buffer(size, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, 2000, &got))
      return {};
    if (got + 1 < buffer.size() || size > (1u << 24)) {
      buffer.resize(got);
      return Narrow(buffer);
    }
  }
}

std::string MessageBoxText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }

void Answer(HWND box, int id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

void Click(HWND control) { PostMessageA(control, BM_CLICK, 0, 0); }

int ScreenDpi() {
  int dpi = 96;
  if (HDC dc = GetDC(nullptr)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
  }
  return dpi;
}

RECT InnerRect(HWND window, HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

SIZE InnerSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

int ListCount(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }

std::string ListLine(HWND list, int index) {
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length < 0) return {};
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return Narrow(buffer);
}

bool SendWithBuffer(const Program& p, HWND hwnd, UINT message, WPARAM wParam, void* buffer, size_t size,
                    LRESULT* result) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               p.pi.dwProcessId);
  if (!process) return false;
  void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  SIZE_T moved = 0;
  bool ok = remote && WriteProcessMemory(process, remote, buffer, size, &moved);
  if (ok) {
    DWORD_PTR answer = 0;
    ok = SendMessageTimeoutW(hwnd, message, wParam, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 2000,
                             &answer) != 0;
    if (result) *result = static_cast<LRESULT>(answer);
    ok = ok && ReadProcessMemory(process, remote, buffer, size, &moved);
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return ok;
}

void SetText(HWND hwnd, const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG, 2000,
                      &ignored);
}

bool ChooseInFileDialog(HWND dialog, const std::string& path) {
  HWND name = GetDlgItem(dialog, 1148);
  HWND edit = name ? FindWindowExA(name, nullptr, "Edit", nullptr) : nullptr;
  if (!edit) edit = name;   // a plain edit in some dialog versions
  if (!edit) return false;
  SetText(edit, path);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return true;
}

HWND WaitForDialog(const Program& p, const std::string& title, int timeoutMs) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTop(p, title, "#32770")) != nullptr; }, timeoutMs);
  return found;
}

void ClickAt(HWND control, int x, int y) {
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void OfferScreenshot(const Setup& setup, const std::string& name) {
  std::string done = Join(setup.work, "shot-done");
  DeleteFileA(done.c_str());
  WriteText(Join(setup.work, "shot-ready"), name);
  WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
}

}  // namespace e2e
