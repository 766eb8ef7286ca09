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

// A setting on a scheduler's line (a partition list "render,gpu", a memory
// "16G", a time "2-00:00:00"): letters, digits, "." "_" "-" and the extra
// characters kept, anything else left out.
std::string SchedulerWord(std::string_view text, std::string_view extra);
