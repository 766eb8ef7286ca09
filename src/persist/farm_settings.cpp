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

int ReadFramesPerTask(int fallback) {
  const std::string text = Trim(PreferenceFile::ReadString(kFramesKey, ""));
  const bool number = !text.empty() && text.find_first_not_of("+-0123456789") == std::string::npos &&
                      text.find_first_of("0123456789") != std::string::npos;
  return number ? std::clamp<int>(ReadNumber(text), 1, 100000) : fallback;
}

}  // namespace

FarmSettings ReadFarmGroup() {
  FarmSettings f;
  if (!PreferenceFile::SelectGroup(kGroup)) return f;
  f.framesPerTask = ReadFramesPerTask(f.framesPerTask);
  f.nodeRenderer = Trim(PreferenceFile::ReadString(kRendererKey, ""));
  f.partition = Trim(PreferenceFile::ReadString(kPartitionKey, ""));
  f.inQueueOrder = ToUpperAscii(Trim(PreferenceFile::ReadString(kOrderKey, "NO"))) == "YES";
  f.shareHere = Trim(PreferenceFile::ReadString(kShareHereKey, ""));
  f.shareOnCluster = Trim(PreferenceFile::ReadString(kShareThereKey, ""));
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
}
