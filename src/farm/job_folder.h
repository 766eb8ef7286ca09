// Writing a farm job folder onto the share the cluster sees, and telling
// the user what was written and what to run there.
#pragma once

#include <string>

#include "farm/farm_job.h"

// night.tbp gives night.farm\ beside it (with its backslash); no project
// gives empty text.
std::string JobFolderFor(const std::string& projectPath);

// The folder as the cluster sees it: under "Share on the cluster" when it
// lies under "Share on this computer" (backslashes become slashes), else as
// it is.
std::string ClusterPath(const std::string& folder, const FarmSettings& farm);

bool FolderExists(const std::string& folder);

// Writes the job into folder_temp\ and then puts that in the folder's
// place, so a failure (a full or read-only share) leaves no half-written
// folder and the old one as it was. False with the reason in `error`.
bool WriteJobFolder(const FarmJob& job, const std::string& folder, std::string& error);

// "3 scenes in 7 tasks written to ... Run on the cluster: sh /mnt/.../submit.sh",
// naming the scenes whose frames are all there.
std::string WrittenMessage(const FarmJob& job, const std::string& folder);
