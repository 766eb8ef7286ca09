// Tallowbridge.exe /farm night.tbp [/force]: writes the project's farm job
// folder (night.farm\ beside it) with the settings' [Farm] values and ends,
// without a window and without waiting for anyone: exit code 0 when
// written, otherwise 1 with the reason in night.farm-error.txt beside the
// project. Without /force it refuses a folder whose submitted jobs have
// tasks not ended, and a job with paths the nodes cannot see. A folder that
// is not the program's own job folder is refused always. It runs also while
// another copy holds the program folder.
#pragma once

#include <string>

// The project named after /farm on the command line, as a full path; empty
// when the program was not started that way.
std::string FarmCommandProject();

[[noreturn]] void RunFarmCommand(const std::string& project);
