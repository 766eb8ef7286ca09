#include "render/renderer_process.h"

#include "core/program_state.h"
#include "platform/platform.h"
#include "ui/main_window.h"

namespace {

constexpr int kEndWaitMs = 10000;

}  // namespace

void ApplyRendererPriority() {
  if (g.rendererProcess <= 0) return;
  g.rendererPriority = pf::ControlState(kHighPriorityCheck) == 1 ? pf::kPriorityHigh : pf::kPriorityIdle;
  pf::SetProcessPriority(g.rendererProcess, g.rendererPriority);
}

void ForgetRenderer() {
  if (g.rendererProcess) pf::ReleaseProcess(g.rendererProcess);
  g.rendererProcess = 0;
}

void EndRenderer(int exitCode) {
  if (g.rendererProcess <= 0) return;
  pf::TerminateProgram(g.rendererProcess, exitCode);
  pf::WaitForProcessEnd(g.rendererProcess, kEndWaitMs);
}
