#include "persist/farm_settings.h"

#include <algorithm>
#include <string>

#include "core/text.h"
#include "persist/preference_file.h"

namespace {

constexpr const char* kGroup = "Farm";
constexpr const char* kEngineKey = "Engine";
constexpr const char* kFramesKey = "Frames per task";
constexpr const char* kRendererKey = "Node renderer";
constexpr const char* kPartitionKey = "Partition";
constexpr const char* kOrderKey = "In queue order";
constexpr const char* kShareHereKey = "Share on this computer";
constexpr const char* kShareThereKey = "Share on the cluster";
constexpr const char* kCpusKey = "CPUs per task";
constexpr const char* kMemoryKey = "Memory per task";
constexpr const char* kTimeKey = "Time limit";
constexpr const char* kWinePrefixKey = "Wine prefix";
constexpr const char* kAtOnceKey = "Tasks at once";
constexpr int kMaxCount = 100000;

// A count between low and kMaxCount; text that is no number reads as the fallback.
int ReadCount(const char* key, int low, int fallback) {
  const std::string text = Trim(PreferenceFile::ReadString(key, ""));
  const bool number = !text.empty() && text.find_first_not_of("+-0123456789") == std::string::npos &&
                      text.find_first_of("0123456789") != std::string::npos;
  return number ? std::clamp<int>(ReadNumber(text), low, kMaxCount) : fallback;
}

}  // namespace

FarmSettings ReadFarmGroup() {
  FarmSettings f;
  if (!PreferenceFile::SelectGroup(kGroup)) return f;
  f.framesPerTask = ReadCount(kFramesKey, 1, f.framesPerTask);
  f.nodeRenderer = Trim(PreferenceFile::ReadString(kRendererKey, ""));
  f.partition = Trim(PreferenceFile::ReadString(kPartitionKey, ""));
  f.inQueueOrder = ToUpperAscii(Trim(PreferenceFile::ReadString(kOrderKey, "NO"))) == "YES";
  f.shareHere = Trim(PreferenceFile::ReadString(kShareHereKey, ""));
  f.shareOnCluster = Trim(PreferenceFile::ReadString(kShareThereKey, ""));
  f.cpusPerTask = ReadCount(kCpusKey, 0, f.cpusPerTask);
  f.memoryPerTask = Trim(PreferenceFile::ReadString(kMemoryKey, ""));
  f.timeLimit = Trim(PreferenceFile::ReadString(kTimeKey, ""));
  f.winePrefix = Trim(PreferenceFile::ReadString(kWinePrefixKey, ""));
  f.tasksAtOnce = ReadCount(kAtOnceKey, 0, f.tasksAtOnce);
  return f;
}

void WriteFarmGroup(const FarmSettings& f) {
  if (f == FarmSettings{}) return;
  PreferenceFile::SelectGroup(kGroup);
  PreferenceFile::WriteString(kEngineKey, "SLURM");
  PreferenceFile::WriteNumber(kFramesKey, f.framesPerTask);
  PreferenceFile::WriteString(kRendererKey, f.nodeRenderer);
  PreferenceFile::WriteString(kPartitionKey, f.partition);
  PreferenceFile::WriteString(kOrderKey, f.inQueueOrder ? "YES" : "NO");
  PreferenceFile::WriteString(kShareHereKey, f.shareHere);
  PreferenceFile::WriteString(kShareThereKey, f.shareOnCluster);
  // The resource settings are written only while they differ from their defaults.
  const FarmSettings d;
  if (f.cpusPerTask != d.cpusPerTask) PreferenceFile::WriteNumber(kCpusKey, f.cpusPerTask);
  if (f.memoryPerTask != d.memoryPerTask) PreferenceFile::WriteString(kMemoryKey, f.memoryPerTask);
  if (f.timeLimit != d.timeLimit) PreferenceFile::WriteString(kTimeKey, f.timeLimit);
  if (f.winePrefix != d.winePrefix) PreferenceFile::WriteString(kWinePrefixKey, f.winePrefix);
  if (f.tasksAtOnce != d.tasksAtOnce) PreferenceFile::WriteNumber(kAtOnceKey, f.tasksAtOnce);
}
