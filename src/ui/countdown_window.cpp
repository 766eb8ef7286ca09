#include "ui/countdown_window.h"

#include <cstdint>
#include <string>

#include "core/program_state.h"
#include "persist/settings_file.h"
#include "render/job_history.h"
#include "platform/platform.h"
#include "ui/main_window.h"
#include "ui/nested_loop.h"

namespace {

using pf::ControlKind;

constexpr int kTickMs = 1000;

// The countdown that runs now; the loop's handler has no other way to it.
struct Countdown {
  WhenQueueDone action = WhenQueueDone::kNothing;
  std::int64_t deadlineMs = 0;   // steady clock
  bool reachedZero = false;
};
Countdown countdown;

const char* ActionWord(WhenQueueDone action) {
  return action == WhenQueueDone::kSleep ? "sleep" : action == WhenQueueDone::kHibernate ? "hibernate" : "shut down";
}

// The system said no (hibernation off, a policy): the program stays, and
// says so where the user looks in the morning.
void TellRefusal(WhenQueueDone action) {
  const std::string text = std::string("Windows refused to ") + ActionWord(action) + " the computer.";
  pf::SetControlText(kStatusText, text);
  AppendHistoryLine(NoteLine(pf::LocalTimeIso(), text));
}

std::string CountdownText(WhenQueueDone action, std::int64_t seconds) {
  const char* what = action == WhenQueueDone::kSleep       ? "will go to sleep in "
                     : action == WhenQueueDone::kHibernate ? "will hibernate in "
                                                           : "will shut down in ";
  return std::string("The queue is done. The computer ") + what + std::to_string(seconds) +
         (seconds == 1 ? " second." : " seconds.");
}

// Whole seconds left, rounded up, from the clock rather than from the ticks
// counted: a late tick (a busy system, a dragged window) does not stretch
// the minute.
std::int64_t SecondsLeft() {
  std::int64_t left = countdown.deadlineMs - pf::SteadyMilliseconds();
  return left <= 0 ? 0 : (left + kTickMs - 1) / kTickMs;
}

pf::PowerAction PowerActionOf(WhenQueueDone action) {
  switch (action) {
    case WhenQueueDone::kSleep: return pf::PowerAction::kSleep;
    case WhenQueueDone::kHibernate: return pf::PowerAction::kHibernate;
    default: return pf::PowerAction::kShutdown;
  }
}

void CreateCountdownWindow() {
  pf::OpenWindowAt(kCountdownWindow, 150, 150, 350, 67, "Tallowbridge", pf::kWindowSystemMenu | pf::kWindowHidden);
  const pf::ControlSpec controls[] = {
      {kCountdownLabel, ControlKind::Label, 10, 12, 330, 20, "", nullptr, pf::kFontRegular},
      {kCountdownCancelButton, ControlKind::Button, 147, 40, 56, 20, "Cancel", nullptr, pf::kFontBold},
  };
  for (const auto& layout : controls) pf::CreateControl(kCountdownWindow, layout);
}

// Handles one event of the window; false when the countdown is over.
bool HandleCountdownEvent(const pf::Event& event) {
  if (event.code == pf::kEventClose) return false;
  if (event.code == pf::kEventGadget) return event.control != kCountdownCancelButton;
  if (event.code != pf::kEventTimer || event.timer != kCountdownTimer) return true;
  std::int64_t seconds = SecondsLeft();
  if (seconds == 0) {
    countdown.reachedZero = true;
    return false;
  }
  pf::SetControlText(kCountdownLabel, CountdownText(countdown.action, seconds));
  return true;
}

}  // namespace

void OfferQueueDoneAction() {
  const WhenQueueDone action = g.settings.overnight.whenQueueDone;
  if (action == WhenQueueDone::kNothing) return;
  // A minute; the tests shorten it.
  const std::int64_t countdownMs = pf::MinuteMs();
  countdown = {action, pf::SteadyMilliseconds() + countdownMs, false};

  int x = pf::WindowX(kMainWindow);
  int y = pf::WindowY(kMainWindow);
  CreateCountdownWindow();
  pf::SetControlText(kCountdownLabel, CountdownText(action, (countdownMs + kTickMs - 1) / kTickMs));
  pf::PlaceWindow(kCountdownWindow, x + 20, y + 20);
  pf::SetWindowVisible(kCountdownWindow, true);
  // Whoever is at the computer must see it, above whatever they work in.
  pf::SetWindowTopmost(kCountdownWindow, true);
  pf::ActivateWindowNumber(kCountdownWindow);
  pf::StartTimer(kCountdownWindow, kCountdownTimer, kTickMs);
  RunWindowEventLoop(kCountdownWindow, HandleCountdownEvent);
  pf::StopTimer(kCountdownWindow, kCountdownTimer);
  pf::CloseWindowNumber(kCountdownWindow);
  if (!countdown.reachedZero) return;
  SaveSettings();
  // History lines that wait in memory go out while there is a disk to
  // write them to.
  if (!g.historyBacklog.empty()) AppendHistoryLine("");
  if (!pf::RequestPowerAction(PowerActionOf(countdown.action))) TellRefusal(countdown.action);
}
