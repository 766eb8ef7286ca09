// The [Farm] group at the end of the settings file, after [Overnight]. It
// is written only while a value differs from its default.
#pragma once

#include "core/program_state.h"

// Reads the group from the open preference file: "Frames per task" clamped
// to 1 to 100000 (text that is no number reads as the default 10), switches
// YES or NO, an unknown engine read as SLURM.
FarmSettings ReadFarmGroup();

// Writes the group into the preference file being written, when it differs
// from the defaults.
void WriteFarmGroup(const FarmSettings& farm);
