// Starting and supervising other programs through the shell.
#include "platform/win32/win32_internal.h"

#include <shellapi.h>

namespace pf {

// The handle stays open for exit-code queries after the program has ended.
ProcessHandle StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingDirectory, int flags) {
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  // No shell error box: the program reports a failed start itself.
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  sei.hwnd = win32::OwnerWindow();
  sei.lpVerb = "open";
  sei.lpFile = program.c_str();
  sei.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  sei.lpDirectory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
  sei.nShow = (flags & kRunHidden) ? SW_HIDE : SW_SHOWNORMAL;
  if (!ShellExecuteExA(&sei) || !sei.hProcess) return 0;
  return reinterpret_cast<ProcessHandle>(sei.hProcess);
}

bool OpenWithShell(const std::string& file, const std::string& workingDirectory) {
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  sei.hwnd = win32::OwnerWindow();
  sei.lpVerb = "open";
  sei.lpFile = file.c_str();
  sei.lpDirectory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
  sei.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&sei)) return false;
  // A viewer already running may take the file without a new process.
  if (sei.hProcess) CloseHandle(sei.hProcess);
  return true;
}

int ProcessExitCode(ProcessHandle process) {
  DWORD code = 0;
  if (!process || !GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code)) return -1;
  return static_cast<int>(code);
}

// The priority numbers are the Windows priority classes themselves.
void SetProcessPriority(ProcessHandle process, int priorityClass) {
  if (process) SetPriorityClass(reinterpret_cast<HANDLE>(process), static_cast<DWORD>(priorityClass));
}

void TerminateProgram(ProcessHandle process, int exitCode) {
  if (process) TerminateProcess(reinterpret_cast<HANDLE>(process), static_cast<UINT>(exitCode));
}

void SetOwnPriority(int priorityClass) {
  SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(priorityClass));
}

}  // namespace pf
