// The Overnight window driven as a user: what OK takes from each control
// and writes to the settings file, what Cancel and a refused start time
// leave alone.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "persist/settings_file.h"
#include "support/test_support.h"
#include "ui/overnight_window.h"

namespace {

using headless::Messages;
using headless::PushGadget;
using headless::PushListSelect;
using headless::SetText;

const std::string kIni = "C:\\Tallowbridge\\Tallowbridge.ini";


// Written by hand, so that any save shows as the whole file rewritten.
const std::string kHandWritten =
    "[Program Settings]\r\nLoad last project upon startup = NO\r\nContinue rendering upon startup = NO\r\n"
    "Confirm overwrite scene file (if changed) = NO\r\n";

std::string Group(const std::string& fails, int retries, int timeout, const std::string& check,
                  const std::string& done, const std::string& start) {
  return "[Overnight]\r\nWhen a scene fails = " + fails + "\r\nRetries = " + std::to_string(retries) +
         "\r\nFrame timeout = " + std::to_string(timeout) + "\r\nCheck last frame = " + check +
         "\r\nWhen the queue is done = " + done + "\r\nStart at = " + start + "\r\n";
}

class OvernightWindowTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    pf::OpenWindowAt(0, 233, 177, 294, 451, g.programTitle, pf::kWindowSystemMenu);
    pf::PlaceWindow(0, 233, 177);
  }
  // Opens the window; each step runs once the events pushed before it are handled.
  static void Open(std::vector<std::function<void()>> steps) {
    auto next = std::make_shared<std::size_t>(0);
    headless::OnEventsDrained([steps = std::move(steps), next] {
      while (headless::PendingEvents() == 0 && *next < steps.size()) steps[(*next)++]();
      return headless::PendingEvents() > 0;
    });
    OpenOvernightWindow();
  }
};

TEST_F(OvernightWindowTest, OkTakesTheControlsAndSavesCancelAndABadStartTimeLeaveAll) {
  struct Row {
    const char* what;
    std::string groupBefore;         // below kHandWritten
    std::function<void()> set;       // what the user does before the button
    int button;
    bool staysOpen;                  // Cancel closes it afterwards
    OvernightSettings after;
    const char* fileAfter;           // below the defaults; nullptr: the file as it was
  };
  auto with = [](auto change) {
    OvernightSettings o;
    change(o);
    return o;
  };
  const OvernightSettings everyValue = with([](OvernightSettings& o) {
    o.whenSceneFails = WhenSceneFails::kNext;
    o.retries = 3;
    o.frameTimeoutMinutes = 90;
    o.checkLastFrame = false;
    o.whenQueueDone = WhenQueueDone::kShutdown;
    o.startAt = "07:05";
  });
  const std::string everyGroup = Group("NEXT", 3, 90, "NO", "SHUTDOWN", "07:05");
  const std::string sleepAtOnce = Group("STOP", 0, 0, "YES", "SLEEP", "");
  const Row rows[] = {
      {"OK at the defaults writes the file of 14 lines", "", [] {}, kOvernightOkButton, false, {}, ""},
      {"OK with every control changed appends the group", "",
       [] {
         PushListSelect(kWhenSceneFailsCombo, 1);
         PushListSelect(kRetriesCombo, 3);
         SetText(kFrameTimeoutField, " 90 min");
         PushGadget(kCheckLastFrameCheck);
         PushListSelect(kWhenQueueDoneCombo, 3);
         SetText(kStartAtField, " 7:05 ");
       },
       kOvernightOkButton, false, everyValue, everyGroup.c_str()},
      {"the window shows the file's values and OK keeps them", everyGroup, [] {}, kOvernightOkButton, false,
       everyValue, everyGroup.c_str()},
      {"a timeout above a day is a day", "", [] { SetText(kFrameTimeoutField, "99999"); }, kOvernightOkButton, false,
       with([](OvernightSettings& o) { o.frameTimeoutMinutes = 1440; }),
       "[Overnight]\r\nWhen a scene fails = STOP\r\nRetries = 0\r\nFrame timeout = 1440\r\nCheck last frame = YES\r\n"
       "When the queue is done = NOTHING\r\nStart at = \r\n"},
      {"a negative timeout is none, and the defaults drop the group", "[Overnight]\r\nFrame timeout = 30\r\n",
       [] { SetText(kFrameTimeoutField, "-3"); }, kOvernightOkButton, false, {}, ""},
      {"a timeout that is no number is none", "[Overnight]\r\nFrame timeout = 30\r\nWhen the queue is done = SLEEP\r\n",
       [] { SetText(kFrameTimeoutField, "soon"); }, kOvernightOkButton, false,
       with([](OvernightSettings& o) { o.whenQueueDone = WhenQueueDone::kSleep; }), sleepAtOnce.c_str()},
      {"an emptied start time starts at once", "[Overnight]\r\nStart at = 22:00\r\nWhen the queue is done = SLEEP\r\n",
       [] { SetText(kStartAtField, ""); }, kOvernightOkButton, false,
       with([](OvernightSettings& o) { o.whenQueueDone = WhenQueueDone::kSleep; }), sleepAtOnce.c_str()},
      {"Cancel after changes leaves the settings and the file", "[Overnight]\r\nRetries = 2\r\n",
       [] {
         PushListSelect(kWhenSceneFailsCombo, 1);
         PushListSelect(kRetriesCombo, 0);
         SetText(kFrameTimeoutField, "60");
         PushGadget(kCheckLastFrameCheck);
         PushListSelect(kWhenQueueDoneCombo, 2);
         SetText(kStartAtField, "23:00");
       },
       kOvernightCancelButton, false, with([](OvernightSettings& o) { o.retries = 2; }), nullptr},
      {"a start time that is no time keeps the window open", "",
       [] {
         PushListSelect(kRetriesCombo, 1);
         SetText(kStartAtField, "24:00");
       },
       kOvernightOkButton, true, {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile(kIni, kHandWritten + row.groupBefore);
    LoadSettings();
    bool openAfterButton = false;
    Open({[&row] {
            EXPECT_TRUE(pf::IsWindowVisible(kOvernightWindow));
            row.set();
            PushGadget(row.button);
          },
          [&openAfterButton] {
            openAfterButton = pf::IsWindowVisible(kOvernightWindow);
            if (openAfterButton) PushGadget(kOvernightCancelButton);
          }});
    EXPECT_FALSE(pf::WindowExists(kOvernightWindow));
    EXPECT_EQ(openAfterButton, row.staysOpen);
    EXPECT_TRUE(g.settings.overnight == row.after);
    EXPECT_EQ(ReadWinFile(kIni), row.fileAfter ? kDefaultsAt233x177 + row.fileAfter : kHandWritten + row.groupBefore);
    if (row.staysOpen) {
      ASSERT_EQ(Messages().size(), 1u);
      EXPECT_EQ(Messages()[0].title, "Error!");
      EXPECT_EQ(Messages()[0].text, "Start at must be a time such as 22:00, or empty.");
      EXPECT_EQ(Messages()[0].style, pf::kBoxError);
    } else {
      EXPECT_TRUE(Messages().empty());
    }
  }
}

}  // namespace
