#include "farm/task_status.h"

#include <cstdio>

#include "core/text.h"
#include "persist/preference_file.h"
#include "platform/platform.h"

namespace {

constexpr std::int64_t kStaleSeconds = 5 * 60;

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The digits at text[at, at + n) as a number; false when any is no digit.
bool Digits(std::string_view text, std::size_t at, std::size_t n, int& value) {
  if (at + n > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// The UTC offset of an ISO time in seconds: its text after the seconds.
std::optional<std::int64_t> OffsetSeconds(std::string_view zone) {
  if (zone == "Z") return 0;
  if (zone.size() != 6 && zone.size() != 5) return std::nullopt;
  if (zone[0] != '+' && zone[0] != '-') return std::nullopt;
  int hours = 0, minutes = 0;
  const std::size_t minutesAt = zone.size() == 6 ? 4 : 3;
  if (!Digits(zone, 1, 2, hours) || !Digits(zone, minutesAt, 2, minutes) || (zone.size() == 6 && zone[3] != ':') ||
      hours > 23 || minutes > 59)
    return std::nullopt;
  const std::int64_t seconds = hours * 3600 + minutes * 60;
  return zone[0] == '-' ? -seconds : seconds;
}

}  // namespace

std::optional<std::int64_t> IsoSeconds(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (text.size() < 20 || !Digits(text, 0, 4, year) || text[4] != '-' || !Digits(text, 5, 2, month) ||
      text[7] != '-' || !Digits(text, 8, 2, day) || (text[10] != 'T' && text[10] != ' ') ||
      !Digits(text, 11, 2, hour) || text[13] != ':' || !Digits(text, 14, 2, minute) || text[16] != ':' ||
      !Digits(text, 17, 2, second))
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  const auto offset = OffsetSeconds(text.substr(19));
  if (!offset) return std::nullopt;
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
         minute * 60 + second - *offset;
}

std::string NoWordSince(const TaskStatus& status, const std::string& nowIso) {
  if (status.state != TaskState::kRunning) return {};
  const auto updated = IsoSeconds(status.updated);
  const auto now = IsoSeconds(nowIso);
  if (!updated || !now || *now - *updated < kStaleSeconds) return {};
  const std::int64_t local = *updated + OffsetSeconds(std::string_view(nowIso).substr(19)).value_or(0);
  const std::int64_t inDay = ((local % 86400) + 86400) % 86400;
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60));
  return text;
}

TaskStatus ReadTaskStatus(const std::string& path) {
  TaskStatus status;
  if (pf::QueryFileSize(path) == -1) return status;
  status.state = TaskState::kUnknown;
  if (!PreferenceFile::OpenForReading(path) || !PreferenceFile::SelectGroup("Task")) {
    PreferenceFile::Close();
    return status;
  }
  const std::string state = ToLowerAscii(Trim(PreferenceFile::ReadString("State", "")));
  auto read = [](const char* key) { return Trim(PreferenceFile::ReadString(key, "")); };
  status.exitCode = read("Exit code");
  status.node = read("Node");
  status.started = read("Started");
  status.ended = read("Ended");
  status.updated = read("Updated");
  status.message = read("Message");
  status.jobId = read("Job ID");
  status.arrayTaskId = read("Array task ID");
  status.restarts = read("Restarts");
  PreferenceFile::Close();
  if (state == "running") status.state = TaskState::kRunning;
  if (state == "finished") status.state = TaskState::kFinished;
  if (state == "failed") status.state = TaskState::kFailed;
  if (state == "killed") status.state = TaskState::kKilled;
  if (state == "cancelled") status.state = TaskState::kCancelled;
  return status;
}
