// Writing a farm job folder onto the share the cluster sees, and telling
// the user what was written and what to run there. Only the program's own
// job folder (its job.txt holds the [Farm Job] group) or an empty folder is
// ever replaced; any other folder the user names is left as it is.
#pragma once

#include <string>

#include "farm/farm_job.h"

// night.tbp gives night.farm\ beside it (with its backslash); no project
// gives empty text.
std::string JobFolderFor(const std::string& projectPath);

// Whether path lies under "Share on this computer", at a folder boundary
// (P:\Jobs2\ is not under P:\Jobs), letter case ignored.
bool UnderShare(const std::string& path, const FarmSettings& farm);

// The folder as the cluster sees it: under "Share on the cluster" when it
// lies under "Share on this computer" (backslashes become slashes), else as
// it is.
std::string ClusterPath(const std::string& folder, const FarmSettings& farm);

bool FolderExists(const std::string& folder);

enum class JobFolderKind { kMissing, kEmpty, kOwnJob, kOther };
JobFolderKind KindOfJobFolder(const std::string& folder);

// Why the folder may not be written (a folder that is neither the
// program's own job folder nor empty); empty text when it may.
std::string JobFolderRefusal(const std::string& folder);

// Writes the job into a temporary folder beside it and then puts that in
// the folder's place, so a failure (a full or read-only share) leaves no
// half-written folder and the old one as it was. A folder that may not be
// written is refused. False with the reason in `error`.
bool WriteJobFolder(const FarmJob& job, const std::string& folder, std::string& error);

// "3 scenes in 7 tasks written to ... Run on the cluster: sh '/mnt/.../submit.sh'",
// naming the scenes whose frames are all there and how many frames are
// missing; the command is one shell word.
std::string WrittenMessage(const FarmJob& job, const std::string& folder);
