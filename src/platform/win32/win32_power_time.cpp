// Keeping the system awake while the renderer works, and the clocks.
#include "platform/win32/win32_internal.h"

#include <cstdio>

namespace {

// Wine never sleeps, so the tests cannot watch the execution state; with
// TB_PLATFORM_TRACE naming a file, every request is written there as well.
void TraceExecutionState(EXECUTION_STATE flags) {
  char path[MAX_PATH * 4];
  DWORD n = GetEnvironmentVariableA("TB_PLATFORM_TRACE", path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  std::FILE* file = std::fopen(path, "ab");
  if (!file) return;
  // CR LF, as every text file of the program ends its lines.
  std::fprintf(file, "SetThreadExecutionState 0x%08lX\r\n", static_cast<unsigned long>(flags));
  std::fclose(file);
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

std::int64_t SteadyMilliseconds() { return static_cast<std::int64_t>(GetTickCount64()); }

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
