// The [Overnight] group at the end of the settings file. It is written only
// while a value differs from its default, so a user who never changes one
// keeps the settings file of 14 lines; older copies of the program skip the
// group unharmed.
#pragma once

#include <string>

#include "core/program_state.h"

// Reads the group from the open preference file: numbers clamped (Retries
// 0 to 3, Frame timeout 0 to 1440), unknown words and a "Start at" that is
// no 24-hour HH:MM read as the default.
OvernightSettings ReadOvernightGroup();

// Writes the group into the preference file being written, when it differs
// from the defaults.
void WriteOvernightGroup(const OvernightSettings& overnight);

// "HH:MM" for a valid 24-hour time (one-digit hours allowed, written with
// two), otherwise empty.
std::string NormalisedClockTime(const std::string& text);

// The words of the group's settings, as the file and the Overnight window
// show them.
const char* WhenSceneFailsWord(WhenSceneFails value);
const char* WhenQueueDoneWord(WhenQueueDone value);
