#include "farm/job_folder.h"

#include <vector>

#include "core/text.h"
#include "platform/platform.h"

namespace {

std::string WithoutBackslash(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// Everything below path and path itself; true when all of it went.
bool RemoveTree(const std::string& path) {
  bool ok = true;
  const std::string folder = WithoutBackslash(path) + "\\";
  for (const auto& entry : pf::ListDirectory(folder, "*")) {
    const std::string child = folder + entry.name;
    ok = (entry.isDirectory ? RemoveTree(child) : pf::DeletePath(child)) && ok;
  }
  return pf::RemoveDirectoryPath(WithoutBackslash(path)) && ok;
}

bool WriteFile(const std::string& path, const std::string& text) {
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::CreateWrite);
  if (!file) return false;
  const bool written = pf::FileWrite(file, text.data(), static_cast<std::int64_t>(text.size())) ==
                       static_cast<std::int64_t>(text.size());
  return pf::FileClose(file) && written;
}

// Every file of the job into the empty folder; the first failure names itself.
bool WriteFiles(const FarmJob& job, const std::string& folder, std::string& failed) {
  std::vector<std::pair<std::string, std::string>> files = {
      {"submit.sh", SubmitScript(job)}, {"job.txt", JobDescription(job)}, {"README.txt", ReadmeText(job)}};
  for (const auto& scene : job.scenes)
    if (scene.plan.tasks > 0) files.emplace_back(SceneScriptName(scene.number), SceneScript(job, scene));
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

}  // namespace

std::string JobFolderFor(const std::string& projectPath) {
  if (projectPath.empty()) return {};
  const std::string name = FilePart(projectPath);
  const std::size_t dot = name.rfind('.');
  return DirectoryPart(projectPath) + (dot == std::string::npos ? name : name.substr(0, dot)) + ".farm\\";
}

std::string ClusterPath(const std::string& folder, const FarmSettings& farm) {
  const std::string& here = farm.shareHere;
  if (here.empty() || farm.shareOnCluster.empty() || folder.size() < here.size() ||
      !EqualsNoCase(std::string_view(folder).substr(0, here.size()), here))
    return folder;
  std::string rest = folder.substr(here.size());
  while (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
  for (char& c : rest)
    if (c == '\\') c = '/';
  std::string there = farm.shareOnCluster;
  if (!there.empty() && there.back() != '/') there += '/';
  return there + rest;
}

bool FolderExists(const std::string& folder) { return pf::QueryFileSize(WithoutBackslash(folder)) == -2; }

bool WriteJobFolder(const FarmJob& job, const std::string& folder, std::string& error) {
  const std::string target = WithoutBackslash(folder);
  const std::string temp = target + "_temp", old = target + "_old";
  // Leftovers of an earlier write that was cut off.
  if (FolderExists(temp)) RemoveTree(temp);
  if (FolderExists(old)) RemoveTree(old);
  std::string failed;
  if (!pf::MakeDirectory(temp)) {
    error = "Could not create the folder " + temp + " (read-only or full share?)";
    return false;
  }
  if (!WriteFiles(job, temp + "\\", failed)) {
    RemoveTree(temp);
    error = "Could not write " + failed + " (full share?); the job folder was left as it was.";
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
  if (hadOld) RemoveTree(old);
  return true;
}

std::string WrittenMessage(const FarmJob& job, const std::string& folder) {
  std::string text = std::to_string(job.ScenesWithTasks()) + " scene(s) in " + std::to_string(job.Tasks()) +
                     " task(s) written to " + folder;
  std::string complete;
  for (const auto& scene : job.scenes)
    if (scene.plan.tasks <= 0) complete += "\n  " + FilePart(scene.scenePath);
  if (!complete.empty()) text += "\nNo frames left, no job:" + complete;
  const std::string there = ClusterPath(folder, job.farm);
  const bool onCluster = there != folder;
  text += "\n\nRun on the cluster:\n  sh " + (onCluster ? there + "submit.sh" : folder + "submit.sh");
  return text;
}
