#include "farm/job_folder.h"

#include <vector>

#include "core/text.h"
#include "farm/shell_text.h"
#include "persist/preference_file.h"
#include "platform/platform.h"

namespace {

// Inside every temporary and old copy while the program works on it: only
// a folder named like a copy that holds it (or is empty) is ever removed.
constexpr const char* kCopyMarker = "tallowbridge-farm-copy.txt";
constexpr const char* kCopyTags[] = {".tb-temp-", ".tb-old-"};

std::string WithoutBackslash(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// Whether path itself is a junction or symbolic link, as its parent lists it.
bool IsLink(const std::string& path) {
  const std::string name = FilePart(path);
  if (name.empty()) return false;
  for (const auto& entry : pf::ListDirectory(DirectoryPart(path), name))
    if (EqualsNoCase(entry.name, name)) return entry.isLink;
  return false;
}

// Everything below path and path itself; true when all of it went. A link
// goes as a link: what it points to is never entered. A copy's marker goes
// last, so a removal cut off leaves a copy that is still known as one.
bool RemoveTreeBelow(const std::string& path) {
  bool ok = true;
  const std::string folder = path + "\\";
  bool marker = false;
  for (const auto& entry : pf::ListDirectory(folder, "*")) {
    const std::string child = folder + entry.name;
    if (entry.isLink) ok = pf::RemoveLink(child) && ok;
    else if (entry.isDirectory) ok = RemoveTreeBelow(child) && ok;
    else if (EqualsNoCase(entry.name, kCopyMarker)) marker = true;
    else ok = pf::DeletePath(child) && ok;
  }
  if (marker) {
    if (!ok) return false;
    ok = pf::DeletePath(folder + kCopyMarker);
  }
  return pf::RemoveDirectoryPath(path) && ok;
}

bool RemoveTree(const std::string& path) {
  const std::string folder = WithoutBackslash(path);
  return IsLink(folder) ? pf::RemoveLink(folder) : RemoveTreeBelow(folder);
}

bool WriteFile(const std::string& path, const std::string& text) {
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::CreateWrite);
  if (!file) return false;
  const bool written = pf::FileWrite(file, text.data(), static_cast<std::int64_t>(text.size())) ==
                       static_cast<std::int64_t>(text.size());
  return pf::FileClose(file) && written;
}

bool WriteMarker(const std::string& copy) {
  return WriteFile(copy + "\\" + kCopyMarker, "A copy of a farm job folder that Tallowbridge is replacing.\r\n");
}

// Every file of the job into the folder; the first failure names itself.
bool WriteFiles(const FarmJob& job, const std::string& folder, std::string& failed) {
  std::vector<std::pair<std::string, std::string>> files = {{"submit.sh", SubmitScript(job)},
                                                            {"cancel.sh", CancelScript()},
                                                            {"job.txt", JobDescription(job)},
                                                            {"README.txt", ReadmeText(job)}};
  for (const auto& scene : job.scenes)
    if (scene.plan.Tasks() > 0) files.emplace_back(SceneScriptName(scene.number), SceneScript(job, scene));
  for (const char* sub : {"log", "status"}) {
    if (!pf::MakeDirectory(folder + sub)) {
      failed = folder + sub;
      return false;
    }
  }
  for (const auto& [name, text] : files) {
    if (!WriteFile(folder + name, text)) {
      failed = folder + name;
      return false;
    }
  }
  return true;
}

// "night.farm.tb-temp-1234": the tag, then digits only.
bool IsCopyName(const std::string& name, const std::string& target) {
  for (const char* tag : kCopyTags) {
    const std::string start = target + tag;
    if (name.size() > start.size() && EqualsNoCase(std::string_view(name).substr(0, start.size()), start) &&
        name.find_first_not_of("0123456789", start.size()) == std::string::npos)
      return true;
  }
  return false;
}

// Copies left by a write that was cut off: named like a copy of this job
// folder and holding the marker, or empty. Anything else stays.
void RemoveLeftoverCopies(const std::string& target) {
  const std::string parent = DirectoryPart(target), name = FilePart(target);
  for (const auto& entry : pf::ListDirectory(parent, name + ".tb-*")) {
    if (!entry.isDirectory || entry.isLink || !IsCopyName(entry.name, name)) continue;
    const std::string copy = parent + entry.name;
    if (pf::QueryFileSize(copy + "\\" + kCopyMarker) >= 0) RemoveTree(copy);
    else pf::RemoveDirectoryPath(copy);
  }
}

std::string CopyName(const std::string& target, int tag) {
  return target + kCopyTags[tag] + std::to_string(pf::CurrentProcessId());
}

}  // namespace

std::string JobFolderFor(const std::string& projectPath) {
  if (projectPath.empty()) return {};
  const std::string name = FilePart(projectPath);
  const std::size_t dot = name.rfind('.');
  return DirectoryPart(projectPath) + (dot == std::string::npos ? name : name.substr(0, dot)) + ".farm\\";
}

bool UnderShare(const std::string& path, const FarmSettings& farm) {
  const std::string here = WithoutBackslash(farm.shareHere);
  if (here.empty() || path.size() < here.size() || !EqualsNoCase(std::string_view(path).substr(0, here.size()), here))
    return false;
  return path.size() == here.size() || path[here.size()] == '\\';
}

std::string ClusterPath(const std::string& folder, const FarmSettings& farm) {
  if (farm.shareOnCluster.empty() || !UnderShare(folder, farm)) return folder;
  std::string rest = folder.substr(WithoutBackslash(farm.shareHere).size());
  while (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
  for (char& c : rest)
    if (c == '\\') c = '/';
  std::string there = farm.shareOnCluster;
  if (!there.empty() && there.back() != '/') there += '/';
  return there + rest;
}

bool FolderExists(const std::string& folder) { return pf::QueryFileSize(WithoutBackslash(folder)) == -2; }

JobFolderKind KindOfJobFolder(const std::string& folder) {
  const std::string target = WithoutBackslash(folder);
  if (target.empty() || pf::PathMissing(target)) return JobFolderKind::kMissing;
  if (!FolderExists(target) || IsLink(target)) return JobFolderKind::kOther;
  if (pf::ListDirectory(target + "\\", "*").empty()) return JobFolderKind::kEmpty;
  const bool own = PreferenceFile::OpenForReading(target + "\\job.txt") && PreferenceFile::SelectGroup("Farm Job");
  PreferenceFile::Close();
  return own ? JobFolderKind::kOwnJob : JobFolderKind::kOther;
}

std::string JobFolderRefusal(const std::string& folder) {
  if (KindOfJobFolder(folder) != JobFolderKind::kOther) return {};
  return "The folder " + folder +
         " is not a farm job folder of Tallowbridge (it holds no job.txt of a farm job) and is not empty: "
         "nothing was written and nothing in it changed. Choose a new or empty folder.";
}

bool WriteJobFolder(const FarmJob& job, const std::string& folder, std::string& error) {
  const std::string target = WithoutBackslash(folder);
  error = JobFolderRefusal(folder);
  if (!error.empty()) return false;
  RemoveLeftoverCopies(target);
  const std::string temp = CopyName(target, 0), old = CopyName(target, 1);
  std::string failed;
  if (!pf::MakeDirectory(temp)) {
    error = "Could not create the folder " + temp + " (read-only or full share?)";
    return false;
  }
  if (!WriteMarker(temp) || !WriteFiles(job, temp + "\\", failed)) {
    RemoveTree(temp);
    error = "Could not write " + (failed.empty() ? temp : failed) + " (full share?); the job folder was left as it was.";
    return false;
  }
  const bool hadOld = FolderExists(target);
  if (hadOld && !pf::RenamePath(target, old)) {
    RemoveTree(temp);
    error = "Could not replace " + folder + " (in use?); it was left as it was.";
    return false;
  }
  if (!pf::RenamePath(temp, target)) {
    if (hadOld) pf::RenamePath(old, target);
    RemoveTree(temp);
    error = "Could not put the new job folder in place of " + folder + "; it was left as it was.";
    return false;
  }
  // The marker of a copy has no place in the job folder itself.
  pf::DeletePath(target + "\\" + kCopyMarker);
  if (hadOld) {
    WriteMarker(old);
    RemoveTree(old);
  }
  return true;
}

std::string WrittenMessage(const FarmJob& job, const std::string& folder) {
  std::string text = std::to_string(job.ScenesWithTasks()) + " scene(s) in " + std::to_string(job.Tasks()) +
                     " task(s) written to " + folder;
  if (job.ScenesWithTasks() > 0)
    text += "\n" + std::to_string(job.MissingFrames()) + " frame(s) of " + std::to_string(job.ScenesWithTasks()) +
            " scene(s) are missing and will be rendered.";
  std::string complete;
  for (const auto& scene : job.scenes)
    if (scene.plan.Tasks() <= 0) complete += "\n  " + FilePart(scene.scenePath);
  if (!complete.empty()) text += "\nNo frames left, no job:" + complete;
  const std::string unseen = UnseenPathsText(job);
  if (!unseen.empty()) text += "\n\n" + unseen;
  text += "\n\nRun on the cluster:\n  sh " + ShellQuote(ClusterPath(folder, job.farm) + "submit.sh");
  return text;
}
