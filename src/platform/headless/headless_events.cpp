// Scripted events: tests push them, the program's loops take them in order.
#include "platform/headless/headless_internal.h"

using headless::detail::Record;
using headless::detail::S;

namespace pf {

// Once the script is drained the platform is shutting down: every loop,
// nested ones included, then sees kEventNone and ends.
Event WaitWindowEvent() {
  auto& s = S();
  while (s.events.empty()) {
    if (s.shuttingDown) return Event{};
    auto drained = s.drained;   // the hook may replace itself
    if (!drained || !drained() || s.events.empty()) {
      s.shuttingDown = true;
      return Event{};
    }
  }
  Event e = s.events.front();
  s.events.pop_front();
  return e;
}

void StartTimer(int window, int timer, int milliseconds) {
  Record("start timer " + std::to_string(window) + " " + std::to_string(timer) + " " +
         std::to_string(milliseconds));
}

void StopTimer(int window, int timer) {
  Record("stop timer " + std::to_string(window) + " " + std::to_string(timer));
}

}  // namespace pf

namespace headless {

void PushEvent(const pf::Event& event) { S().events.push_back(event); }

void PushGadget(int control, int type) {
  pf::Event e;
  e.code = pf::kEventGadget;
  e.control = control;
  e.type = type;
  auto it = S().controls.find(control);
  if (it != S().controls.end()) {
    e.window = it->second.window;
    // A click on a check box toggles it and on an option button selects it,
    // before the program hears of it, as on Windows.
    if (it->second.kind == pf::ControlKind::CheckBox) it->second.state = it->second.state ? 0 : 1;
    if (it->second.kind == pf::ControlKind::OptionButton) it->second.state = 1;
  }
  PushEvent(e);
}

void PushClose(int window) {
  pf::Event e;
  e.code = pf::kEventClose;
  e.window = window;
  PushEvent(e);
}

void PushTimer(int timer, int window) {
  pf::Event e;
  e.code = pf::kEventTimer;
  e.window = window;
  e.timer = timer;
  PushEvent(e);
}

void PushTray(int type) {
  pf::Event e;
  e.code = pf::kEventTray;
  e.type = type;
  PushEvent(e);
}

void OnEventsDrained(std::function<bool()> fn) { S().drained = std::move(fn); }
int PendingEvents() { return static_cast<int>(S().events.size()); }

}  // namespace headless
