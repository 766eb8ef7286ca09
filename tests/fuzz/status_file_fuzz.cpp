// Reading a farm task's status file of any bytes: the reader never fails;
// without a [Task] group the task is unknown; a value never holds a line
// end; an Updated time read as seconds is the time the text names (written
// back in UTC and read again, the same second); and "no word since" is
// either nothing or an HH:MM of a running task.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "farm/task_status.h"
#include "fuzz/fuzz_support.h"

namespace {

const std::string kFile = "C:\\J\\status\\scene-001-001.txt";

bool HasLineEnd(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

std::string UtcText(std::int64_t seconds) {
  // Days to a civil date (the inverse of the reader's arithmetic).
  std::int64_t z = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const std::int64_t inDay = seconds - z * 86400;
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2);
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(inDay / 3600),
                static_cast<long long>(inDay / 60 % 60), static_cast<long long>(inDay % 60));
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One file, written anew for each input: the folder is made once.
  static const bool begun = (fuzz::Begin(), true);
  (void)begun;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::WriteFile(kFile, bytes);
  const TaskStatus status = ReadTaskStatus(kFile);
  FUZZ_CHECK(status.state != TaskState::kWaiting, "a status file that is there read as waiting");
  if (bytes.find("[Task]") == std::string::npos && bytes.find("[task]") == std::string::npos)
    FUZZ_CHECK(status.state == TaskState::kUnknown || bytes.find('[') != std::string::npos,
               "a file without a [Task] group read as a state");
  for (const std::string* value : {&status.exitCode, &status.node, &status.updated, &status.message, &status.jobId})
    FUZZ_CHECK(!HasLineEnd(*value), "a value holds a line end");
  if (const auto seconds = IsoSeconds(status.updated)) {
    const std::string utc = UtcText(*seconds);
    FUZZ_CHECK(IsoSeconds(utc) == seconds, "the Updated time " + status.updated + " did not survive " + utc);
  }
  // Now a day after and a minute after the Updated time.
  for (const char* now : {"2026-12-07T22:00:00+01:00", "1970-01-01T00:00:00Z"}) {
    const std::string since = NoWordSince(status, now);
    FUZZ_CHECK(since.empty() || (status.state == TaskState::kRunning && since.size() == 5 && since[2] == ':'),
               "no word since " + since);
  }
  return 0;
}
