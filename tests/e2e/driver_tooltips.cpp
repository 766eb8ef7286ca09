// Reading another process's tooltips. Tooltip messages carry pointers that
// are not copied between processes, so the tool record and the text buffer
// are placed in the program's own memory and read back from there.
#include "driver.h"

#include <commctrl.h>

#include <vector>

namespace e2e {

namespace {

struct TipWindows {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTips(HWND hwnd, LPARAM data) {
  auto* t = reinterpret_cast<TipWindows*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid == t->pid && lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0) t->found.push_back(hwnd);
  return TRUE;
}

constexpr SIZE_T kTextChars = 4096;

}  // namespace

std::map<int, std::string> Tooltips(const Program& p) {
  std::map<int, std::string> tips;
  TipWindows windows{p.pi.dwProcessId, {}};
  EnumWindows(CollectTips, reinterpret_cast<LPARAM>(&windows));
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               p.pi.dwProcessId);
  if (!process) return tips;
  SIZE_T bytes = sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t);
  auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
  if (!remote) {
    CloseHandle(process);
    return tips;
  }
  auto* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(TTTOOLINFOW));
  for (HWND tipWindow : windows.found) {
    int count = static_cast<int>(SendMessageW(tipWindow, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TTTOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      SIZE_T moved = 0;
      WriteProcessMemory(process, remote, &ti, sizeof ti, &moved);
      if (!SendMessageW(tipWindow, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote))) continue;
      ReadProcessMemory(process, remote, &ti, sizeof ti, &moved);
      wchar_t empty[1] = {0};
      WriteProcessMemory(process, remoteText, empty, sizeof empty, &moved);
      ti.lpszText = remoteText;
      WriteProcessMemory(process, remote, &ti, sizeof ti, &moved);
      SendMessageW(tipWindow, TTM_GETTEXTW, kTextChars, reinterpret_cast<LPARAM>(remote));
      std::vector<wchar_t> text(kTextChars + 1, 0);
      ReadProcessMemory(process, remoteText, text.data(), kTextChars * sizeof(wchar_t), &moved);
      std::wstring wide(text.data());
      int id = (ti.uFlags & TTF_IDISHWND) ? GetDlgCtrlID(reinterpret_cast<HWND>(ti.uId))
                                          : static_cast<int>(ti.uId);
      int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
      std::string narrow(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
      if (n > 1) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow.data(), n, nullptr, nullptr);
      tips[id] = narrow;
    }
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return tips;
}

}  // namespace e2e
