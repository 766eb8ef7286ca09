// Scripted events: tests push them, the program's loops take them in order.
// A control event is held to the rules Windows holds a user to: it is
// delivered only to a control the user could reach at that moment, and a
// click's effect on a check box, option button or list happens on delivery.
#include <cstdio>
#include <cstdlib>

#include "platform/headless/headless_internal.h"

using headless::detail::Record;
using headless::detail::S;

namespace {

// Why a user could not use the control now; empty when they could.
std::string WhyUnreachable(int control) {
  auto& s = S();
  auto c = s.controls.find(control);
  if (c == s.controls.end()) return "does not exist";
  const auto& info = c->second;
  auto w = s.windows.find(info.window);
  if (w == s.windows.end()) return "has no window";
  if (!w->second.visible) return "is on a hidden window";
  if (w->second.minimised) return "is on a minimised window";
  if (!info.visible) return "is hidden";
  if (!info.enabled) return "is disabled";
  // Controls beyond the window's inner area (the output view of a narrow
  // main window) cannot be seen, let alone clicked.
  if (info.x >= w->second.width || info.y >= w->second.height) return "lies outside its window";
  if (info.tabPanel >= 0) {
    auto panel = s.controls.find(info.tabPanel);
    if (panel != s.controls.end() && panel->second.state != info.tabIndex) return "is on another tab page";
  }
  return {};
}

// The click's own effect, before the program hears of it, as on Windows.
void ApplyClick(int control, int selectLine) {
  auto& info = S().controls[control];
  if (info.kind == pf::ControlKind::CheckBox) info.state = info.state ? 0 : 1;
  if (info.kind == pf::ControlKind::OptionButton) info.state = 1;
  if (selectLine != -2) pf::SetControlState(control, selectLine);
}

void ReportUnreachable(const pf::Event& e, const std::string& why) {
  std::string message = "event for control " + std::to_string(e.control) + " that " + why;
  Record("unreachable " + message);
  if (S().unreachable) {
    S().unreachable(message);
    return;
  }
  std::fprintf(stderr, "headless: %s\n", message.c_str());
  std::abort();
}

void Push(const pf::Event& event, int selectLine = -2) { S().events.push_back({event, selectLine}); }

}  // namespace

namespace pf {

// Once the script is drained the platform is shutting down: every loop,
// nested ones included, then sees kEventNone and ends. A control event no
// user could have caused is reported and not delivered.
Event WaitWindowEvent() {
  auto& s = S();
  for (;;) {
    while (s.events.empty()) {
      if (s.shuttingDown) return Event{};
      auto drained = s.drained;   // the hook may replace itself
      if (!drained || !drained() || s.events.empty()) {
        s.shuttingDown = true;
        return Event{};
      }
    }
    auto pushed = s.events.front();
    s.events.pop_front();
    if (pushed.event.code != kEventGadget) return pushed.event;
    std::string why = WhyUnreachable(pushed.event.control);
    if (why.empty()) {
      pushed.event.window = s.controls[pushed.event.control].window;
      ApplyClick(pushed.event.control, pushed.selectLine);
      return pushed.event;
    }
    ReportUnreachable(pushed.event, why);
  }
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

void PushEvent(const pf::Event& event) { Push(event); }

void PushGadget(int control, int type) {
  pf::Event e;
  e.code = pf::kEventGadget;
  e.control = control;
  e.type = type;
  Push(e);
}

void PushListSelect(int control, int line, int type) {
  pf::Event e;
  e.code = pf::kEventGadget;
  e.control = control;
  e.type = type;
  Push(e, line);
}

void PushClose(int window) {
  pf::Event e;
  e.code = pf::kEventClose;
  e.window = window;
  Push(e);
}

void PushTimer(int timer, int window) {
  pf::Event e;
  e.code = pf::kEventTimer;
  e.window = window;
  e.timer = timer;
  Push(e);
}

void PushTray(int type) {
  pf::Event e;
  e.code = pf::kEventTray;
  e.type = type;
  Push(e);
}

void OnEventsDrained(std::function<bool()> fn) { S().drained = std::move(fn); }
int PendingEvents() { return static_cast<int>(S().events.size()); }
void OnUnreachableEvent(std::function<void(const std::string&)> fn) { S().unreachable = std::move(fn); }

}  // namespace headless
