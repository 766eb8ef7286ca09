// The progress display: frames text, percentage, frame tools, the start
// button's caption and the scene's render state, for every kind of range.
#include <string>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "render/progress.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

struct Row {
  const char *first, *last, *step;
  int found;                 // frame files counted
  int exitCode;              // the renderer exit code last read
  bool running;
  const char *framesText, *percentText, *percent;
  int state;                 // render state afterwards (it starts at 0)
  const char* caption;       // "-" when it stays as it was
  bool deleteOn, viewOn;
};

// Halves go to the even neighbour; ranges from frame 1 with step 1 give the
// plain figures, others count the frames they actually render.
const Row kRows[] = {
    {"1", "60", "1", 30, 0, false, "30 of 60", "(50% done)", "50", 1, "Cont. Queue!", true, true},
    {"1", "60", "1", 60, 0, false, "60 of 60", "(100% done)", "100", 2, "Scene Done!", true, true},
    {"1", "60", "1", 0, 0, false, "none", "(0% done)", "0", 1, "Start Queue!", false, false},
    {"1", "8", "1", 1, 0, false, "1 of 8", "(12% done)", "12", 1, "Cont. Queue!", true, true},
    {"1", "200", "1", 27, 0, false, "27 of 200", "(14% done)", "14", 1, "Cont. Queue!", true, true},
    {"10", "19", "1", 5, 0, false, "5 of 10", "(50% done)", "50", 1, "Cont. Queue!", true, true},
    {"1", "9", "2", 5, 0, false, "5 of 5", "(100% done)", "100", 2, "Scene Done!", true, true},
    {"1", "9", "0", 3, 0, false, "3 of 9", "(33% done)", "33", 1, "Cont. Queue!", true, true},
    {"1", "9", "", 9, 0, false, "9 of 9", "(100% done)", "100", 2, "Scene Done!", true, true},
    // More files than frames: still done.
    {"1", "4", "1", 6, 0, false, "6 of 4", "(150% done)", "150", 2, "Scene Done!", true, true},
    // The last frame before the first: nothing expected, no division, no state.
    {"5", "1", "1", 0, 0, false, "none", "(0% done)", "0", 0, "Start Queue!", false, false},
    {"5", "1", "1", 2, 0, false, "2 of 0", "(0% done)", "0", 0, "Cont. Queue!", true, true},
    // Beyond 32 bits the numbers stop at the limits; the range is counted in 64.
    {"-99999999999", "99999999999", "1", 1, 0, false, "1 of 4294967296", "(0% done)", "0", 1, "Cont. Queue!",
     true, true},
    // While the renderer runs the frames cannot be deleted; the image can be
    // viewed unless the exit code reads 0.
    {"1", "60", "1", 3, pf::kStillActive, true, "3 of 60", "(5% done)", "5", 1, "Stop Queue!", false, true},
    {"1", "60", "1", 3, 0, true, "3 of 60", "(5% done)", "5", 1, "-", false, false},
    {"1", "60", "1", 0, pf::kStillActive, true, "none", "(0% done)", "0", 1, "-", false, false},
};

class ProgressTest : public HeadlessTest {};

TEST_F(ProgressTest, ShowsFramesPercentToolsCaptionAndState) {
  CreateMainWindow(g.programTitle);
  AppendQueueRow("C:\\S\\a.lws");
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::string(row.first) + ".." + row.last + " step " + row.step + ", " +
                 std::to_string(row.found) + " found");
    SceneEntry& entry = g.queue.fields[0];
    entry[kFieldFirstFrame] = row.first;
    entry[kFieldLastFrame] = row.last;
    entry[kFieldFrameStep] = row.step;
    g.queue.renderStates[0] = 0;
    g.framesFound = 2 + row.found;
    g.rendererProcess = row.running ? 1000 : 0;
    g.rendererExitCode = row.exitCode;
    pf::SetControlText(kStartQueueButton, "-");
    ShowProgress();
    EXPECT_EQ(pf::ControlText(kFramesRenderedText), row.framesText);
    EXPECT_EQ(pf::ControlText(kPercentDoneText), row.percentText);
    EXPECT_EQ(entry[kFieldPercentDone], row.percent);
    EXPECT_EQ(g.queue.renderStates[0], row.state);
    EXPECT_EQ(pf::ControlText(kStartQueueButton), row.caption);
    EXPECT_EQ(pf::IsControlEnabled(kDeleteFramesButton), row.deleteOn);
    EXPECT_EQ(pf::IsControlEnabled(kViewImageButton), row.viewOn);
  }
}

}  // namespace
