#include "core/program_state.h"

ProgramState g;

void ResetProgramState() {
  g = ProgramState{};
  g.programTitle = "Tallowbridge v1.1";
  g.buildText = "(Compiled: 17/8-2004)";
  g.settingsFileName = "Tallowbridge.ini";
  g.placeholder = "Not found, please specify";
  g.settingsWindowTitle = "Settings - " + g.programTitle;
  g.sceneSettingsWindowTitle = "Edit Scene - " + g.programTitle;
  g.programDirectory = pf::ProgramDirectory();
  g.framesFound = 2;
  g.rendererPriority = pf::kPriorityIdle;
  g.settings.idleTimeout = 10;
}
