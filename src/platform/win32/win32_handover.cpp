// One program per program folder, and files from outside. The first copy
// started from a folder holds it with a named mutex and keeps a message-only
// receiver window; a later copy started from there hands its command-line
// files to that window (WM_COPYDATA) and ends. Files dropped on a window join
// the same list of arrived files.
#include "platform/win32/win32_internal.h"

#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

using win32::S;

constexpr const char* kReceiverClass = "TallowbridgeReceiver";
// Marks a WM_COPYDATA as a list of files from another copy ("TBF1").
constexpr ULONG_PTR kFilesTag = 0x54424631;
// What a receiver accepts: names of up to 32767 characters of up to two
// bytes each, and far more of them than any command line can hold.
constexpr DWORD kMaxNameBytes = 65535;
constexpr DWORD kMaxPayloadBytes = 16u << 20;
constexpr DWORD kFindReceiverMs = 5000;
constexpr UINT kSendTimeoutMs = 5000;

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
  return text;
}

// Calls a Win32 function of the form f(in, buffer, size) -> length that
// answers the size it needs when the buffer is too small; empty on failure.
template <typename Fn>
std::wstring PathQuery(const std::wstring& in, Fn fn) {
  DWORD n = fn(in.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring out(n, L'\0');
  n = fn(in.c_str(), out.data(), n);
  if (n == 0 || n >= out.size()) return {};
  out.resize(n);
  return out;
}

// A path in the ANSI code page, as the program keeps its texts. A name the
// code page cannot spell becomes its short (8.3) form, which it can, so
// that the file still opens instead of arriving with question marks.
std::string AnsiPath(const std::wstring& path) {
  std::string ansi = Narrow(path);
  if (Widen(ansi) == path) return ansi;
  std::wstring shortPath = PathQuery(path, [](const wchar_t* p, wchar_t* b, DWORD n) {
    return GetShortPathNameW(p, b, n);
  });
  return shortPath.empty() ? ansi : Narrow(shortPath);
}

// The program's folder as Windows spells it, in UTF-16: an ANSI spelling
// could make two folders look alike.
std::wstring ModuleDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The name of the mutex and the receiver for this program folder: a hash of
// its long form in lower case, so that every spelling of a folder gives the
// same name and different folders different ones.
std::string FolderName() {
  std::wstring dir = ModuleDirectory();
  std::wstring longDir = PathQuery(dir, [](const wchar_t* p, wchar_t* b, DWORD n) {
    return GetLongPathNameW(p, b, n);
  });
  if (!longDir.empty()) dir = longDir;
  CharLowerBuffW(dir.data(), static_cast<DWORD>(dir.size()));
  std::uint64_t hash = 14695981039346656037ull;   // 64-bit FNV-1a over the UTF-16 bytes
  for (wchar_t ch : dir) {
    for (unsigned byte : {static_cast<unsigned>(ch) & 0xFFu, (static_cast<unsigned>(ch) >> 8) & 0xFFu}) {
      hash ^= byte;
      hash *= 1099511628211ull;
    }
  }
  std::string name = "Tallowbridge-";
  for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(hash >> shift) & 0xF];
  return name;
}

std::string MutexName(const std::string& folderName) { return "Local\\" + folderName; }

void FilesArrived(int window, std::vector<std::string> files) {
  auto& list = S().arrivedFiles;
  list.insert(list.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
  pf::Event e;
  e.code = pf::kEventFiles;
  e.window = window;
  win32::Push(e);
}

// Splits "a\0b\0" into its names. False for anything else: another tag, no
// final NUL, an empty name, or more bytes than any real list.
bool ParseFiles(const COPYDATASTRUCT& data, std::vector<std::string>& files) {
  if (data.dwData != kFilesTag || data.cbData > kMaxPayloadBytes) return false;
  if (data.cbData == 0) return true;
  if (!data.lpData) return false;
  const char* bytes = static_cast<const char*>(data.lpData);
  for (DWORD start = 0; start < data.cbData;) {
    const void* end = std::memchr(bytes + start, '\0', data.cbData - start);
    if (!end) return false;
    auto length = static_cast<DWORD>(static_cast<const char*>(end) - (bytes + start));
    if (length == 0 || length > kMaxNameBytes) return false;
    files.emplace_back(bytes + start, length);
    start += length + 1;
  }
  return true;
}

// The window the user works in comes up: a modal window open at this time
// rather than the main window it blocks. A hidden main window is the
// program's to show when it handles the event.
void BringToFront() {
  HWND main = win32::WindowHandle(0);
  if (main && IsWindowVisible(main)) SetForegroundWindow(GetLastActivePopup(main));
}

// Modal loops dispatch this too, so files arrive while a message box is open.
LRESULT CALLBACK ReceiverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcA(hwnd, message, wParam, lParam);
  std::vector<std::string> files;
  if (S().shuttingDown || !lParam || !ParseFiles(*reinterpret_cast<const COPYDATASTRUCT*>(lParam), files))
    return FALSE;
  // Even no files is an arrival: the program then comes to the front.
  FilesArrived(0, std::move(files));
  // A sent message does not end the wait in GetMessage: a posted one wakes
  // the event loop so that it returns the files event now.
  PostMessageA(hwnd, WM_NULL, 0, 0);
  BringToFront();
  return TRUE;
}

HWND CreateReceiver(const std::string& folderName) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  if (!GetClassInfoExA(instance, kReceiverClass, &wc)) {
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ReceiverProc;
    wc.hInstance = instance;
    wc.lpszClassName = kReceiverClass;
    if (!RegisterClassExA(&wc)) return nullptr;
  }
  // Message-only: never shown and not among the desktop's windows, yet found
  // by FindWindowEx under HWND_MESSAGE.
  return CreateWindowExA(0, kReceiverClass, folderName.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         instance, nullptr);
}

// The receiver of the copy that holds the folder. That copy may be starting
// still, so it is waited for as long as the folder is held.
HWND FindReceiver(const std::string& folderName) {
  for (DWORD waited = 0;; waited += 50) {
    HWND receiver = FindWindowExA(HWND_MESSAGE, nullptr, kReceiverClass, folderName.c_str());
    if (receiver) return receiver;
    HANDLE held = OpenMutexA(SYNCHRONIZE, FALSE, MutexName(folderName).c_str());
    if (!held) return nullptr;   // nobody holds the folder: nobody to wait for
    CloseHandle(held);
    if (waited >= kFindReceiverMs) return nullptr;
    Sleep(50);
  }
}

// "a\0b\0": names a receiver would refuse are left out, since one of them
// would make it refuse the whole list.
std::string FilesPayload(const std::vector<std::string>& files) {
  std::string payload;
  for (const auto& file : files) {
    if (file.empty() || file.size() > kMaxNameBytes || file.find('\0') != std::string::npos) continue;
    payload += file;
    payload += '\0';
  }
  return payload;
}

std::wstring FullPath(const wchar_t* path) {
  if (!*path) return {};
  return PathQuery(path, [](const wchar_t* p, wchar_t* b, DWORD n) { return GetFullPathNameW(p, n, b, nullptr); });
}

}  // namespace

namespace win32 {

void TakeDroppedFiles(int window, WPARAM drop) {
  auto hdrop = reinterpret_cast<HDROP>(drop);
  std::vector<std::string> files;
  UINT count = DragQueryFileW(hdrop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT n = DragQueryFileW(hdrop, i, nullptr, 0);
    if (n == 0) continue;
    std::wstring path(n + 1, L'\0');
    path.resize(DragQueryFileW(hdrop, i, path.data(), n + 1));
    if (!path.empty()) files.push_back(AnsiPath(path));
  }
  DragFinish(hdrop);
  if (!files.empty()) FilesArrived(window, std::move(files));
}

void ReleaseProgramFolder() {
  auto& s = S();
  // The receiver goes first: no files may arrive once the folder is free.
  if (s.receiver) DestroyWindow(s.receiver);
  s.receiver = nullptr;
  if (s.folderMutex) CloseHandle(s.folderMutex);
  s.folderMutex = nullptr;
}

}  // namespace win32

namespace pf {

bool ClaimProgramFolder() {
  auto& s = S();
  if (s.folderMutex) return true;
  std::string folderName = FolderName();
  HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName(folderName).c_str());
  DWORD error = GetLastError();
  if (!mutex) {
    // Held by a copy of another user or rights; any other failure leaves
    // the question open, and running beats refusing to start.
    return error != ERROR_ACCESS_DENIED;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);   // kept open, it would hold the folder after that copy ends
    return false;
  }
  s.folderMutex = mutex;
  s.receiver = CreateReceiver(folderName);
  return true;
}

bool HandFilesToRunningCopy(const std::vector<std::string>& files) {
  std::string payload = FilesPayload(files);
  if (payload.size() > kMaxPayloadBytes) return false;
  HWND receiver = FindReceiver(FolderName());
  if (!receiver) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(receiver, &process);
  // This copy was just started by the user and may pass the foreground on.
  AllowSetForegroundWindow(process);
  COPYDATASTRUCT data{};
  data.dwData = kFilesTag;
  data.cbData = static_cast<DWORD>(payload.size());
  data.lpData = payload.empty() ? nullptr : payload.data();
  DWORD_PTR result = FALSE;
  // A copy that stopped answering is given up on rather than waited for.
  LRESULT sent = SendMessageTimeoutA(receiver, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                     kSendTimeoutMs, &result);
  return sent != 0 && result == TRUE;
}

std::vector<std::string> CommandLineFiles() {
  std::vector<std::string> files;
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return files;
  // Relative names mean the folder the copy was started in.
  for (int i = 1; i < count; ++i) {
    std::wstring full = FullPath(args[i]);
    if (!full.empty()) files.push_back(AnsiPath(full));
  }
  LocalFree(args);
  return files;
}

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(AnsiPath(args[i]));
  LocalFree(args);
  return arguments;
}

void AcceptDroppedFiles(int window) {
  if (HWND hwnd = win32::WindowHandle(window)) DragAcceptFiles(hwnd, TRUE);
}

std::vector<std::string> TakeArrivedFiles() { return std::exchange(S().arrivedFiles, {}); }

}  // namespace pf
