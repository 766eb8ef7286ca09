// Starting and supervising other programs through the shell.
#include "platform/win32/win32_internal.h"

#include <shellapi.h>

namespace {

// The shell's verb "open" without waiting; no shell error box, the program
// reports a failed start itself. The process handle, if any, is kept open.
bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& workingDirectory,
               int show, HANDLE& process) {
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  sei.hwnd = win32::OwnerWindow();
  sei.lpVerb = "open";
  sei.lpFile = file.c_str();
  sei.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  sei.lpDirectory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
  sei.nShow = show;
  bool ok = ShellExecuteExA(&sei) != 0;
  process = ok ? sei.hProcess : nullptr;
  return ok;
}

}  // namespace

namespace pf {

// The handle stays open for exit-code queries after the program has ended.
ProcessHandle StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingDirectory, int flags) {
  HANDLE process = nullptr;
  if (!ShellOpen(program, parameters, workingDirectory, (flags & kRunHidden) ? SW_HIDE : SW_SHOWNORMAL, process))
    return 0;
  return reinterpret_cast<ProcessHandle>(process);
}

bool OpenWithShell(const std::string& file, const std::string& workingDirectory) {
  HANDLE process = nullptr;
  if (!ShellOpen(file, "", workingDirectory, SW_SHOWNORMAL, process)) return false;
  // A viewer already running may take the file without a new process.
  if (process) CloseHandle(process);
  return true;
}

void ReleaseProcess(ProcessHandle process) {
  if (process) CloseHandle(reinterpret_cast<HANDLE>(process));
}

int ProcessExitCode(ProcessHandle process) {
  DWORD code = 0;
  if (!process || !GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code)) return -1;
  return static_cast<int>(code);
}

// A process handle is signalled once the process has ended; a wait that
// fails (an unknown handle) counts as ended too.
bool ProcessEnded(ProcessHandle process) {
  if (!process) return true;
  return WaitForSingleObject(reinterpret_cast<HANDLE>(process), 0) != WAIT_TIMEOUT;
}

// The priority numbers are the Windows priority classes themselves.
void SetProcessPriority(ProcessHandle process, int priorityClass) {
  if (process) SetPriorityClass(reinterpret_cast<HANDLE>(process), static_cast<DWORD>(priorityClass));
}

void TerminateProgram(ProcessHandle process, int exitCode) {
  if (process) TerminateProcess(reinterpret_cast<HANDLE>(process), static_cast<UINT>(exitCode));
}

// TerminateProcess only starts the end: the process may hold its files for
// a moment longer.
bool WaitForProcessEnd(ProcessHandle process, int timeoutMs) {
  if (!process) return true;
  return WaitForSingleObject(reinterpret_cast<HANDLE>(process), static_cast<DWORD>(timeoutMs)) != WAIT_TIMEOUT;
}

void SetOwnPriority(int priorityClass) {
  SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(priorityClass));
}

}  // namespace pf
