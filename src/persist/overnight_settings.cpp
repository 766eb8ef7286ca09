#include "persist/overnight_settings.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/text.h"
#include "persist/preference_file.h"

namespace {

constexpr const char* kGroup = "Overnight";
constexpr const char* kFailsKey = "When a scene fails";
constexpr const char* kRetriesKey = "Retries";
constexpr const char* kTimeoutKey = "Frame timeout";
constexpr const char* kCheckKey = "Check last frame";
constexpr const char* kDoneKey = "When the queue is done";
constexpr const char* kStartKey = "Start at";

constexpr std::array<std::pair<WhenSceneFails, const char*>, 2> kFailsWords{
    {{WhenSceneFails::kStop, "STOP"}, {WhenSceneFails::kNext, "NEXT"}}};
constexpr std::array<std::pair<WhenQueueDone, const char*>, 4> kDoneWords{{{WhenQueueDone::kNothing, "NOTHING"},
                                                                           {WhenQueueDone::kSleep, "SLEEP"},
                                                                           {WhenQueueDone::kHibernate, "HIBERNATE"},
                                                                           {WhenQueueDone::kShutdown, "SHUTDOWN"}}};

// The value whose word the text is, in any letter case and with blanks
// around it; the fallback for any other text.
template <typename Value, std::size_t N>
Value ReadWord(const char* key, const std::array<std::pair<Value, const char*>, N>& words, Value fallback) {
  const std::string text = ToUpperAscii(Trim(PreferenceFile::ReadString(key, "")));
  for (const auto& [value, word] : words)
    if (text == word) return value;
  return fallback;
}

template <typename Value, std::size_t N>
const char* WordOf(Value value, const std::array<std::pair<Value, const char*>, N>& words) {
  for (const auto& [v, word] : words)
    if (v == value) return word;
  return words[0].second;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string NormalisedClockTime(const std::string& raw) {
  const std::string text = Trim(raw);
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return {};
  const std::string hours = text.substr(0, colon), minutes = text.substr(colon + 1);
  if (!AllDigits(hours) || hours.size() > 2 || !AllDigits(minutes) || minutes.size() != 2) return {};
  const int h = std::stoi(hours), m = std::stoi(minutes);
  if (h > 23 || m > 59) return {};
  return std::string(h < 10 ? "0" : "") + std::to_string(h) + ":" + minutes;
}

const char* WhenSceneFailsWord(WhenSceneFails value) { return WordOf(value, kFailsWords); }
const char* WhenQueueDoneWord(WhenQueueDone value) { return WordOf(value, kDoneWords); }

OvernightSettings ReadOvernightGroup() {
  OvernightSettings o;
  if (!PreferenceFile::SelectGroup(kGroup)) return o;
  o.whenSceneFails = ReadWord(kFailsKey, kFailsWords, o.whenSceneFails);
  o.retries = std::clamp(PreferenceFile::ReadNumber(kRetriesKey, o.retries), 0, 3);
  o.frameTimeoutMinutes = std::clamp(PreferenceFile::ReadNumber(kTimeoutKey, o.frameTimeoutMinutes), 0, 1440);
  // Only NO turns the check off: it guards the user's frames.
  o.checkLastFrame = ToUpperAscii(Trim(PreferenceFile::ReadString(kCheckKey, "YES"))) != "NO";
  o.whenQueueDone = ReadWord(kDoneKey, kDoneWords, o.whenQueueDone);
  o.startAt = NormalisedClockTime(PreferenceFile::ReadString(kStartKey, ""));
  return o;
}

void WriteOvernightGroup(const OvernightSettings& o) {
  if (o == OvernightSettings{}) return;
  PreferenceFile::SelectGroup(kGroup);
  PreferenceFile::WriteString(kFailsKey, WhenSceneFailsWord(o.whenSceneFails));
  PreferenceFile::WriteNumber(kRetriesKey, o.retries);
  PreferenceFile::WriteNumber(kTimeoutKey, o.frameTimeoutMinutes);
  PreferenceFile::WriteString(kCheckKey, o.checkLastFrame ? "YES" : "NO");
  PreferenceFile::WriteString(kDoneKey, WhenQueueDoneWord(o.whenQueueDone));
  PreferenceFile::WriteString(kStartKey, o.startAt);
}
