// Keeping the system awake while the renderer works, sleeping, hibernating
// and shutting down once the queue is done, and the clocks.
#include "platform/win32/win32_internal.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kTraceVariable = "TB_PLATFORM_TRACE";
constexpr const char* kMinuteVariable = "TB_TEST_MINUTE_MS";

// Wine never sleeps, so the tests cannot watch the execution state; with
// TB_PLATFORM_TRACE naming a file, every request is written there as well.
// CR LF, as every text file of the program ends its lines.
void TraceLine(const char* line) {
  char path[MAX_PATH * 4];
  DWORD n = GetEnvironmentVariableA(kTraceVariable, path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  std::FILE* file = std::fopen(path, "ab");
  if (!file) return;
  std::fprintf(file, "%s\r\n", line);
  std::fclose(file);
}

void TraceExecutionState(EXECUTION_STATE flags) {
  char line[64];
  std::snprintf(line, sizeof line, "SetThreadExecutionState 0x%08lX", static_cast<unsigned long>(flags));
  TraceLine(line);
}

// Under test the machine must never really go down: the Wine session would
// end with it.
bool Tracing() { return GetEnvironmentVariableA(kTraceVariable, nullptr, 0) > 0; }

template <typename Fn>
Fn Function(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Shutting down, and sleeping on many systems, needs the shutdown privilege
// switched on in the process's token. The token functions live in
// advapi32.dll, which the program does not link, so they are looked up now.
bool EnableShutdownPrivilege() {
  using OpenTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
  using LookupFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID);
  using AdjustFn = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);
  HMODULE advapi = LoadLibraryA("advapi32.dll");
  if (!advapi) return false;
  auto openToken = Function<OpenTokenFn>(advapi, "OpenProcessToken");
  auto lookup = Function<LookupFn>(advapi, "LookupPrivilegeValueA");
  auto adjust = Function<AdjustFn>(advapi, "AdjustTokenPrivileges");
  HANDLE token = nullptr;
  bool enabled = false;
  if (openToken && lookup && adjust && openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // "SeShutdownPrivilege" is SE_SHUTDOWN_NAME; AdjustTokenPrivileges also
    // succeeds when the token lacks the privilege, and says so only in the
    // last error.
    enabled = lookup(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
              adjust(token, FALSE, &privileges, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
  }
  FreeLibrary(advapi);
  return enabled;
}

const char* PowerWord(pf::PowerAction action) {
  switch (action) {
    case pf::PowerAction::kSleep: return "sleep";
    case pf::PowerAction::kHibernate: return "hibernate";
    case pf::PowerAction::kShutdown: break;
  }
  return "shutdown";
}

// 100-nanosecond ticks of a FILETIME.
long long Ticks(const FILETIME& time) {
  return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

namespace pf {

// The state belongs to the calling thread, which is always the program's
// one thread. Only the system is kept awake: the screen may go dark during
// a long render.
void SetSystemRequired(bool required) {
  EXECUTION_STATE flags = ES_CONTINUOUS | (required ? ES_SYSTEM_REQUIRED : 0);
  SetThreadExecutionState(flags);
  TraceExecutionState(flags);
}

// Applications may not force: programs that refuse to end keep the
// computer up, as they would for a user choosing Shut down.
bool RequestPowerAction(PowerAction action) {
  if (Tracing()) {
    TraceLine((std::string("power request ") + PowerWord(action)).c_str());
    return true;
  }
  // Without the privilege the request below is refused, and says so.
  EnableShutdownPrivilege();
  switch (action) {
    case PowerAction::kSleep: return SetSystemPowerState(TRUE, FALSE) != 0;
    case PowerAction::kHibernate: return SetSystemPowerState(FALSE, FALSE) != 0;
    case PowerAction::kShutdown: break;
  }
  return ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF,
                       SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED) != 0;
}

// The interrupt time without the time spent asleep or hibernating, in
// 100-nanosecond units: a night's timeout must not run out while the
// computer slept.
std::int64_t SteadyMilliseconds() {
  ULONGLONG unbiased = 0;
  if (QueryUnbiasedInterruptTime(&unbiased)) return static_cast<std::int64_t>(unbiased / 10000);
  return static_cast<std::int64_t>(GetTickCount64());
}

// Only the end-to-end tests set the variable: the shipped program's minute
// is a minute.
std::int64_t MinuteMs() {
  char text[32];
  const DWORD n = GetEnvironmentVariableA(kMinuteVariable, text, sizeof text);
  if (n == 0 || n >= sizeof text) return 60000;
  const long long ms = std::atoll(text);
  return ms >= 100 && ms <= 60000 ? ms : 60000;
}

std::string LocalTimeIso() {
  // One instant read once and turned into local time: the difference is the
  // offset in force now, daylight saving included, and the two never
  // straddle a second.
  FILETIME utc{}, local{};
  GetSystemTimeAsFileTime(&utc);
  SYSTEMTIME t{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return {};
  constexpr long long kTicksPerMinute = 600000000;
  long long ticks = Ticks(local) - Ticks(utc);
  long long minutes = (ticks >= 0 ? ticks + kTicksPerMinute / 2 : ticks - kTicksPerMinute / 2) / kTicksPerMinute;
  long long offset = minutes < 0 ? -minutes : minutes;
  char text[96];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u%c%02lld:%02lld", unsigned{t.wYear},
                unsigned{t.wMonth}, unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond},
                minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

}  // namespace pf
