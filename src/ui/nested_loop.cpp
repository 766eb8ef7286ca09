#include "ui/nested_loop.h"

#include "platform/platform.h"

void RunNestedLoop(bool (*handleControl)(int control)) {
  for (;;) {
    pf::Event event = pf::WaitWindowEvent();
    if (event.code == pf::kEventNone) return;   // the platform is shutting down
    if (event.code != pf::kEventGadget) continue;
    if (!handleControl(event.control)) return;
  }
}

void RunWindowEventLoop(int window, bool (*handleEvent)(const pf::Event& event)) {
  for (;;) {
    pf::Event event = pf::WaitWindowEvent();
    if (event.code == pf::kEventNone) return;
    if (event.window != window) continue;
    if (!handleEvent(event)) return;
  }
}
