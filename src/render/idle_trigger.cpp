#include "render/idle_trigger.h"

#include "core/program_state.h"
#include "platform/platform.h"
#include "ui/main_window.h"

namespace {

constexpr int kSecondsPerTick = 3;

void SetRendererClass(int priorityClass, int checked) {
  g.rendererPriority = priorityClass;
  pf::SetProcessPriority(g.rendererProcess, priorityClass);
  pf::SetControlState(kHighPriorityCheck, checked);
}

}  // namespace

int MouseSample() {
  int x = 0, y = 0;
  pf::PointerPosition(x, y);
  const int left = pf::WindowInnerX(kMainWindow), top = pf::WindowInnerY(kMainWindow);
  const int width = pf::WindowInnerWidth(kMainWindow), height = pf::WindowInnerHeight(kMainWindow);
  if (x < left || x > left + width || y < top || y > top + height) return -1;
  return x - left;
}

// The boost needs at least one still tick and then the timeout reached or
// passed: a skipped tick cannot switch the trigger off for the rest of the
// run, and a timeout of 0 does not boost on the first tick.
void IdleTick() {
  const int current = MouseSample();
  const bool still = current == g.previousMouseX;
  if (still && !g.idleBoosted && g.settings.detectMouseInactivity) g.idleSeconds += kSecondsPerTick;
  const long long threshold = static_cast<long long>(g.settings.idleTimeout) * 60;
  if (g.settings.detectMouseInactivity && !g.idleBoosted && g.idleSeconds >= kSecondsPerTick &&
      g.idleSeconds >= threshold && g.rendererProcess >= 1) {
    SetRendererClass(pf::kPriorityHigh, 1);
    g.idleBoosted = 1;
  }
  if (!still && g.idleBoosted) {
    g.idleBoosted = 0;
    if (g.rendererProcess >= 1) SetRendererClass(pf::kPriorityIdle, 0);
    g.idleSeconds = 0;
  }
  g.previousMouseX = MouseSample();
}
