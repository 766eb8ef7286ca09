// The minute before the computer sleeps, hibernates or shuts down at the end
// of a queue: what it shows second by second, and how it ends.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "support/test_support.h"
#include "ui/countdown_window.h"

namespace {

const std::string kIni = "C:\\Tallowbridge\\Tallowbridge.ini";

std::vector<std::string> PowerRequests() {
  std::vector<std::string> requests;
  for (const auto& line : headless::Log())
    if (line.rfind("power request", 0) == 0) requests.push_back(line);
  return requests;
}

bool Logged(const std::string& line) {
  const auto& log = headless::Log();
  return std::find(log.begin(), log.end(), line) != log.end();
}

class CountdownWindowTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    pf::OpenWindowAt(0, 233, 177, 294, 451, g.programTitle, pf::kWindowSystemMenu);
  }
  // Offers the action; each step runs once the events pushed before it are handled.
  static void Offer(std::vector<std::function<void()>> steps) {
    auto next = std::make_shared<std::size_t>(0);
    headless::OnEventsDrained([steps = std::move(steps), next] {
      while (headless::PendingEvents() == 0 && *next < steps.size()) steps[(*next)++]();
      return headless::PendingEvents() > 0;
    });
    OfferQueueDoneAction();
  }
  // The clock moves on, then the window's timer ticks.
  static void TickAfter(std::int64_t milliseconds) {
    headless::AdvanceClock(milliseconds);
    headless::PushTimer(kCountdownTimer, kCountdownWindow);
  }
  static std::string Shown() { return pf::ControlText(kCountdownLabel); }
};

// The seconds left come from the clock, rounded up: ticks of other windows
// do not count, and a late last tick ends the minute on time. History lines
// waiting in memory are written before the request; a request the system
// refuses is written into the history too, and the program goes on.
TEST_F(CountdownWindowTest, ShowsTheSecondsLeftAndActsAtZero) {
  struct Row {
    WhenQueueDone action;
    const char* verb;
    const char* request;
    bool refused;
  };
  const Row rows[] = {
      {WhenQueueDone::kShutdown, "will shut down in", "power request shutdown", false},
      {WhenQueueDone::kSleep, "will go to sleep in", "power request sleep", false},
      {WhenQueueDone::kHibernate, "will hibernate in", "power request hibernate", false},
      {WhenQueueDone::kHibernate, "will hibernate in", "power request hibernate", true},
  };
  const std::string history = "C:\\Tallowbridge\\Tallowbridge-history.csv";
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.verb) + (row.refused ? ", refused" : ""));
    TearDown();
    SetUp();
    g.settings.overnight.whenQueueDone = row.action;
    g.historyBacklog = "a line the history could not take before\r\n";
    headless::RefusePowerAction(row.refused);
    const std::string text = std::string("The queue is done. The computer ") + row.verb;
    bool savedBeforeRequest = false;
    headless::OnFileReplaced([&savedBeforeRequest](const std::string& path) {
      if (path == g.settingsFileName) savedBeforeRequest = PowerRequests().empty();
    });
    Offer({[&text] {
             EXPECT_TRUE(pf::IsWindowVisible(kCountdownWindow));
             EXPECT_EQ(Shown(), text + " 60 seconds.");
             headless::AdvanceClock(1000);
             headless::PushTimer(1, 0);   // the main window's render timer
           },
           [&text] {
             EXPECT_EQ(Shown(), text + " 60 seconds.");
             headless::PushTimer(kCountdownTimer, kCountdownWindow);
           },
           [&text] {
             EXPECT_EQ(Shown(), text + " 59 seconds.");
             TickAfter(57999);
           },
           [&text] {
             EXPECT_EQ(Shown(), text + " 2 seconds.");
             TickAfter(1);
           },
           [&text] {
             EXPECT_EQ(Shown(), text + " 1 second.");
             EXPECT_TRUE(PowerRequests().empty());
             TickAfter(4000);
           }});
    EXPECT_FALSE(pf::WindowExists(kCountdownWindow));
    EXPECT_EQ(PowerRequests(), std::vector<std::string>({row.request}));
    EXPECT_TRUE(savedBeforeRequest);
    EXPECT_NE(ReadWinFile(kIni).find("[Overnight]\r\n"), std::string::npos);
    EXPECT_NE(ReadWinFile(history).find("a line the history could not take before"), std::string::npos);
    EXPECT_EQ(ReadWinFile(history).find("Windows refused to hibernate the computer.") != std::string::npos,
              row.refused);
    EXPECT_EQ(headless::PendingEvents(), 0);
  }
}

TEST_F(CountdownWindowTest, CancelClosingOrNothingChosenLeaveTheComputerAndTheFileAlone) {
  enum Ending { kCancel, kClose, kNoWindow };
  struct Row {
    const char* what;
    WhenQueueDone action;
    std::int64_t waitMs;   // before the user ends it
    Ending ending;
  };
  const Row rows[] = {
      {"Cancel at once", WhenQueueDone::kShutdown, 0, kCancel},
      {"Cancel a second before zero", WhenQueueDone::kHibernate, 59000, kCancel},
      {"the window closed", WhenQueueDone::kSleep, 30000, kClose},
      {"nothing chosen", WhenQueueDone::kNothing, 0, kNoWindow},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    g.settings.overnight.whenQueueDone = row.action;
    bool windowSeen = false;
    Offer({[&row] {
             if (row.waitMs > 0) TickAfter(row.waitMs);
           },
           [&row, &windowSeen] {
             windowSeen = pf::IsWindowVisible(kCountdownWindow);
             if (row.ending == kCancel) headless::PushGadget(kCountdownCancelButton);
             if (row.ending == kClose) headless::PushClose(kCountdownWindow);
           },
           [] {
             // Had the loop gone on, this would be its zero.
             TickAfter(60000);
           }});
    EXPECT_EQ(windowSeen, row.ending != kNoWindow);
    EXPECT_EQ(Logged("open window 240 Tallowbridge"), row.ending != kNoWindow);
    EXPECT_FALSE(pf::WindowExists(kCountdownWindow));
    EXPECT_TRUE(PowerRequests().empty());
    EXPECT_FALSE(WinFileExists(kIni));
  }
}

}  // namespace
