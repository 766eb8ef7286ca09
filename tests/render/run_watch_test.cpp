// Beside the queue: the system kept awake while the renderer works, the
// render history, the tray's notifications and the time-left estimate, for
// every way a job and a run end.
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/startup.h"
#include "render/job_history.h"
#include "render/run_watch.h"
#include "render/rendering_fixture.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Launches;
using headless::PushGadget;

const char* const kHistory = "C:\\Tallowbridge\\Tallowbridge-history.csv";
const std::string kHeader = std::string(kHistoryHeader) + "\r\n";

class WatchTest : public RenderingTest {
 protected:
  static void AddAndStart(int count) {
    AddScenes(count);
    PushGadget(kStartQueueButton);
  }
  static std::vector<std::string> Balloons() {
    std::vector<std::string> out;
    for (const auto& b : headless::Balloons()) out.push_back(b.title + ": " + b.text);
    return out;
  }
  static bool Logged(const std::string& line) {
    for (const auto& l : headless::Log())
      if (l == line) return true;
    return false;
  }
};

TEST(CsvFieldTest, QuotesOnlyWhatCsvNeedsQuoted) {
  const std::pair<const char*, const char*> rows[] = {
      {"C:\\S\\a.lws", "C:\\S\\a.lws"},
      {"", ""},
      {"C:\\Shots, final\\a.lws", "\"C:\\Shots, final\\a.lws\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"\"", "\"\"\"\""},
  };
  for (const auto& [text, field] : rows) EXPECT_EQ(CsvField(text), field) << text;
}

TEST(DurationTextTest, SecondsMinutesAndHours) {
  const std::pair<long long, const char*> rows[] = {
      {-5000, "0 s"}, {0, "0 s"}, {59999, "59 s"}, {60000, "1 min"}, {3599999, "59 min"}, {4320000, "1 h 12 min"},
  };
  for (const auto& [ms, text] : rows) EXPECT_EQ(DurationText(ms), text) << ms;
}

// One scene of four frames; two are rendered in the first minute, then the
// job ends one way or another. The history line, the balloon and the
// system's awake state after each.
TEST_F(WatchTest, EveryWayAJobEndsIsRecordedAndReleasesTheSystem) {
  enum class End { kFinish, kFinishWindowShown, kFail, kCrash, kStop, kNoLaunch };
  struct Row {
    End end;
    const char* tail;      // the history line after the scene path's fields
    const char* balloon;   // "" for none
  };
  const Row rows[] = {
      {End::kFinish, "0,4,finished,0,15.00", "Tallowbridge v1.1: Queue finished: 1 scene, 4 frames in 1 min"},
      {End::kFinishWindowShown, "0,4,finished,0,15.00", ""},
      {End::kFail, "0,2,failed,3,30.00", "Tallowbridge v1.1: Scene failed: s1.lws (exit code 3)"},
      {End::kCrash, "0,2,failed,-1073741819,30.00", "Tallowbridge v1.1: Scene terminated: s1.lws"},
      {End::kStop, "0,2,stopped,,30.00", ""},
      {End::kNoLaunch, "0,0,not started (the renderer did not start),,", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tail);
    TearDown();
    SetUp();
    Scenes(1, 4);
    const End end = row.end;
    Run({[end] {
           headless::SetLocalTime("2026-12-07T22:00:00+01:00");
           if (end == End::kNoLaunch) headless::FailNextLaunch();
           AddAndStart(1);
         },
         [end] {
           if (end == End::kNoLaunch) return;
           EXPECT_TRUE(headless::SystemRequired());
           RenderFrames(1, 1, 2);
           headless::AdvanceClock(60000);
           headless::SetLocalTime("2026-12-07T22:01:00+01:00");
           if (end == End::kFinish || end == End::kFinishWindowShown) RenderFrames(1, 3, 4);
           if (end == End::kFinishWindowShown) headless::PushTray(0);
           if (end == End::kFail) EndLastLaunch(3);
           if (end == End::kCrash) EndLastLaunch(-1073741819);
           if (end == End::kStop) {
             headless::PushTray(0);
             PushGadget(kStartQueueButton);
             return;
           }
           if (end != End::kCrash && end != End::kFail) EndLastLaunch(0);
           headless::PushTimer();
         }});
    const std::string end_time = row.end == End::kNoLaunch ? "22:00:00" : "22:01:00";
    EXPECT_EQ(ReadWinFile(kHistory), kHeader + "2026-12-07T22:00:00+01:00,2026-12-07T" + end_time +
                                         "+01:00,C:\\S\\s1.lws,1,4,1," + row.tail + "\r\n");
    EXPECT_EQ(Balloons(), row.balloon[0] ? std::vector<std::string>{row.balloon} : std::vector<std::string>{});
    EXPECT_FALSE(headless::SystemRequired());
    EXPECT_EQ(Logged("system required on"), row.end != End::kNoLaunch);
    EXPECT_EQ(headless::Control(kPercentDoneText)->tooltip, "");
  }
}

// Quitting while the renderer works stops the job: its line is written and
// the system may sleep again before the program ends.
TEST_F(WatchTest, QuittingWhileRenderingRecordsAStoppedJob) {
  Scenes(1, 4);
  auto quit = [this] {
    Run({[] { AddAndStart(1); },
         [] {
           RenderFrames(1, 1, 1);
           headless::QueueAnswer(pf::kAnswerYes);
           headless::PushClose();
         }});
  };
  EXPECT_EXIT(quit(), ::testing::ExitedWithCode(0), "system required on\n(.|\n)*terminate(.|\n)*system required off\n(.|\n)*exit 0");
  EXPECT_EQ(ReadWinFile(kHistory), kHeader +
                                       "2026-12-07T22:00:00+01:00,2026-12-07T22:00:00+01:00,C:\\S\\s1.lws,1,4,1,0,1,"
                                       "stopped,,0.00\r\n");
}

// A history that cannot be written never holds up the queue; the first
// failure of a run is told once, and what was on disk stays as it was.
TEST_F(WatchTest, AHistoryThatCannotBeWrittenIsToldOnceAndChangesNothing) {
  enum class Fault { kReadOnly, kLocked, kDiskFull };
  for (Fault fault : {Fault::kReadOnly, Fault::kLocked, Fault::kDiskFull}) {
    SCOPED_TRACE(static_cast<int>(fault));
    TearDown();
    SetUp();
    Scenes(2, 2);
    const std::string before = kHeader + "earlier line\r\n";
    WriteWinFile(kHistory, before);
    if (fault == Fault::kReadOnly) headless::SetReadOnly(kHistory);
    if (fault == Fault::kLocked) headless::LockPath(kHistory);
    Run({[fault] {
           AddAndStart(2);
           if (fault == Fault::kDiskFull) headless::FailWritesAfter(0);
         },
         [] {
           RenderFrames(1, 1, 2);
           EndLastLaunch(0);
           headless::PushTimer();
         },
         [] {
           RenderFrames(2, 1, 2);
           EndLastLaunch(0);
           headless::PushTimer();
         }});
    EXPECT_EQ(Launches().size(), 2u);
    EXPECT_EQ(g.queue.renderStates, (std::vector<int>{2, 2}));
    headless::LockPath(kHistory, false);
    EXPECT_EQ(ReadWinFile(kHistory), before);
    EXPECT_FALSE(WinFileExists(std::string(kHistory) + "_temp"));
    EXPECT_EQ(Balloons(), (std::vector<std::string>{
                              "Tallowbridge v1.1: Render history could not be written: " + std::string(kHistory),
                              "Tallowbridge v1.1: Queue finished: 2 scenes, 4 frames in 0 s"}));
  }
}

// Every file operation of a history append fails in turn, as a share that
// blinks or a disk that fills would: the history on disk is the old one or
// the old one with the new line, never shorter, and a line that could not
// go out is written, in its place, with the next.
TEST_F(WatchTest, AHistoryLosesNoLineWhateverFails) {
  const std::string before = kHeader + "earlier line\r\n";
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    TearDown();
    SetUp();
    WriteWinFile(kHistory, before);
    headless::FailFileOperation(n);
    const bool first = AppendHistoryLine("first\r\n");
    const std::size_t operations = headless::FileOperations().size();
    headless::FailFileOperation(0);
    EXPECT_EQ(ReadWinFile(kHistory), first ? before + "first\r\n" : before);
    EXPECT_TRUE(AppendHistoryLine("second\r\n"));
    EXPECT_EQ(ReadWinFile(kHistory), before + "first\r\nsecond\r\n");
    EXPECT_FALSE(WinFileExists(std::string(kHistory) + "_temp"));
    if (static_cast<std::size_t>(n) > operations) break;   // nothing failed any more
  }
  // Only "no such file" starts a new history.
  TearDown();
  SetUp();
  EXPECT_TRUE(AppendHistoryLine("only\r\n"));
  EXPECT_EQ(ReadWinFile(kHistory), kHeader + "only\r\n");
}

// The estimate follows the moments the frame count rises, on the steady
// clock: ten frames in this scene, ten in the next.
TEST_F(WatchTest, TimeLeftFollowsTheRisingFrameCount) {
  struct Row {
    int advanceMs;
    int frames;   // rendered by then
    const char* tooltip;
  };
  const Row rows[] = {
      {0, 0, "estimating\x85"},
      {10000, 1, "estimating\x85"},
      {10000, 2, "about 2 min left for this scene, 3 min for the queue"},   // 10 s a frame
      {30000, 2, "about 1 min left for this scene, 3 min for the queue"},   // 30 s of the next 80 spent
      {100000, 2, "about 0 min left for this scene, 2 min for the queue"},  // overdue: never negative
      {10000, 8, "about 1 min left for this scene, 4 min for the queue"},   // 160 s for 8: 20 s a frame
  };
  Scenes(2, 10);
  std::vector<std::function<void()>> steps = {[] { AddAndStart(2); }};
  int rendered = 0;
  for (const Row& row : rows) {
    steps.push_back([&row, &rendered] {
      headless::AdvanceClock(row.advanceMs);
      // The wall clock jumping back changes nothing: estimates use the steady clock.
      headless::SetLocalTime("2026-12-07T03:00:00+01:00");
      if (row.frames > rendered) RenderFrames(1, rendered + 1, row.frames);
      rendered = row.frames;
      headless::PushTimer();
    });
    steps.push_back([&row] {
      EXPECT_EQ(headless::Control(kFramesRenderedText)->tooltip, row.tooltip) << row.advanceMs;
      EXPECT_EQ(headless::Control(kPercentDoneText)->tooltip, row.tooltip);
    });
  }
  Run(steps);
}

}  // namespace
