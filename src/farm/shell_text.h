// Text put into the job folder's shell scripts. Everything that comes from
// a scene, a path or a setting is quoted, so a path holding $(...),
// backticks, quotes or blanks is passed on as it stands and runs nothing.
#pragma once

#include <string>
#include <string_view>

// One shell word that stands for exactly `text`: single quotes around it,
// each ' written as '\''. Bytes above 127 pass unchanged.
std::string ShellQuote(std::string_view text);

// A name for the scheduler's own lines (#SBATCH, job names): letters,
// digits, "." "_" "-" kept, anything else "_", at most 64 characters.
std::string SchedulerName(std::string_view text);
