// The scene settings window driven as a user: what it shows of a scene, the
// presets, and what Overwrite, Save A Scene Copy and Cancel leave on disk.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "scene/scene_reader.h"
#include "support/test_support.h"
#include "ui/main_window.h"
#include "ui/scene_settings_window.h"

namespace {

using headless::Control;
using headless::Messages;
using headless::PushGadget;
using headless::PushListSelect;
using Lines = std::vector<std::string>;
using Ints = std::vector<int>;
using K = pf::ControlKind;

const std::string kScene = "D:\\x\\a.lws";
const std::string kCopy = "D:\\x\\a_copy.lws";

std::string Crlf(const Lines& lines, const char* end = "\r\n") {
  std::string bytes;
  for (const auto& line : lines) bytes += line + end;
  return bytes;
}

// 640 by 480 at scale 1.0, antialiasing off, realistic, format 3.
const Lines kPlain = {"LWSC", "3", "FramesPerSecond 25", "ResolutionMultiplier 1.0", "FrameSize 640 480",
                      "PixelAspect 1.0", "Antialiasing 0", "AdaptiveSampling 1", "RenderMode 2",
                      "OutputFilenameFormat 3"};

class SceneSettingsWindowTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    headless::SetDrives({"C:\\", "D:\\"});
    CreateMainWindow(g.programTitle);
    pf::PlaceWindow(kMainWindow, 300, 200);
    pf::SetWindowVisible(kMainWindow, true);
  }
  // Queues the scene as a new row and selects it in the queue list.
  static void Queue(const std::string& bytes, const std::string& path = kScene) {
    WriteWinFile(path, bytes);
    AppendQueueRow(path);
    ReadSceneEntry(g.queue.count - 1);
    pf::SetControlState(kQueueList, g.queue.count - 1);
  }
  // Opens the window; each step runs once the events pushed before it are handled.
  static void Open(std::vector<std::function<void()>> steps) {
    auto next = std::make_shared<std::size_t>(0);
    headless::OnEventsDrained([steps = std::move(steps), next] {
      while (headless::PendingEvents() == 0 && *next < steps.size()) steps[(*next)++]();
      return headless::PendingEvents() > 0;
    });
    OpenSceneSettingsWindow();
  }
  static int State(int id) { return Control(id)->state; }
  static std::string Text(int id) { return Control(id)->text; }
  // The checked option of a group (-1 none, -2 several).
  static int Checked(int first, int count) {
    int checked = -1;
    for (int i = 0; i < count; ++i)
      if (State(first + i)) checked = checked == -1 ? i : -2;
    return checked;
  }
  // Frame scale, antialiasing, format, render mode (0 Wireframe .. 2 Realistic), preset (3 None), saving.
  static Ints Shown() {
    return {State(kFrameScaleCombo), State(kAntialiasingCombo), State(kFilenameFormatCombo),
            Checked(kWireframeOption, 3), Checked(kPreset1Option, 4),
            Control(kOverwriteSceneButton)->enabled + Control(kSaveSceneCopyButton)->enabled};
  }
};

TEST_F(SceneSettingsWindowTest, LayoutForTheSelectedScene) {
  Queue(Crlf({"LWSC"}), "D:\\x\\other.lws");
  Queue(Crlf(kPlain));
  g.queue.currentScene = 0;   // the window takes the queue list's selection
  struct Row { int id; K kind; int x, y, w, h; const char* text; pf::FontId font; };
  const Row rows[] = {
      {kSceneSettingsTabs, K::TabPanel, 5, 7, 285, 290, "", pf::kFontRegular},
      {kFramesPerSecondLabel, K::LabelRight, 0, 9, 118, 16, "Frames Per Second:", pf::kFontBold},
      {kFramesPerSecondField, K::ReadOnlyField, 123, 6, 151, 20, "25", pf::kFontRegular},
      {kFrameSizeLabel, K::LabelRight, 0, 32, 118, 16, "Frame Size:", pf::kFontBold},
      {kFrameSizeField, K::ReadOnlyField, 123, 29, 151, 20, "640x480 (VGA)", pf::kFontRegular},
      {kPixelAspectLabel, K::LabelRight, 0, 55, 118, 16, "Pixel Aspect Ratio:", pf::kFontBold},
      {kPixelAspectField, K::ReadOnlyField, 123, 52, 151, 20, "1.0", pf::kFontRegular},
      {kFrameScaleLabel, K::Label, 7, 78, 147, 17, "Frame Scale Factor:", pf::kFontBold},
      {kFrameScaleCombo, K::DropDownList, 123, 74, 151, 20, "", pf::kFontSystem},
      {kAntialiasingLabel, K::LabelRight, 0, 99, 118, 16, "Antialiasing:", pf::kFontBold},
      {kAntialiasingCombo, K::DropDownList, 123, 96, 151, 20, "", pf::kFontSystem},
      {kRenderModeLabel, K::LabelRight, 2, 131, 125, 15, "Output Render Mode:", pf::kFontHeading},
      {kWireframeOption, K::OptionButton, 182, 147, 71, 20, "Wireframe", pf::kFontSystem},
      {kQuickshadeOption, K::OptionButton, 85, 147, 79, 20, "Quickshade", pf::kFontSystem},
      {kRealisticOption, K::OptionButton, 6, 147, 71, 20, "Realistic", pf::kFontSystem},
      {kFilenameFormatLabel, K::LabelRight, 4, 176, 218, 15, "Output Filename Prefix/Suffix Format:", pf::kFontHeading},
      {kFilenameFormatCombo, K::DropDownList, 6, 193, 116, 20, "", pf::kFontSystem},
      {kFilenameFormatHint, K::Label, 128, 197, 218, 15, "(x=counter, yyy=extension)", pf::kFontSystem},
      {kPresetLabel, K::LabelRight, 3, 225, 162, 15, "Predefined Render Settings:", pf::kFontHeading},
      {kPreset1Option, K::OptionButton, 6, 240, 67, 20, "Preset 01", pf::kFontSystem},
      {kPreset2Option, K::OptionButton, 80, 240, 67, 20, "Preset 02", pf::kFontSystem},
      {kPreset3Option, K::OptionButton, 154, 240, 67, 20, "Preset 03", pf::kFontSystem},
      {kPresetNoneOption, K::OptionButton, 228, 240, 48, 20, "None", pf::kFontSystem},
      {kOverwriteSceneButton, K::Button, 4, 302, 111, 20, "Overwrite Scene", pf::kFontBold},
      {kSaveSceneCopyButton, K::Button, 122, 302, 112, 20, "Save A Scene Copy", pf::kFontRegular},
      {kSceneSettingsCancelButton, K::Button, 242, 302, 47, 20, "Cancel", pf::kFontRegular},
  };
  Open({[&rows] {
    const int w = kSceneSettingsWindow;
    EXPECT_EQ(pf::WindowTitle(w), "Edit Scene - Tallowbridge v1.1");
    EXPECT_EQ(Ints({pf::WindowInnerWidth(w), pf::WindowInnerHeight(w), pf::WindowX(w), pf::WindowY(w)}),
              Ints({295, 329, 320, 220}));
    EXPECT_TRUE(pf::IsWindowVisible(w) && headless::IsTopmost(w));
    Ints order;
    for (const Row& r : rows) {
      order.push_back(r.id);
      const auto* c = Control(r.id);
      bool onPanel = r.id != kSceneSettingsTabs && r.id < kOverwriteSceneButton;
      EXPECT_EQ(Ints({int(c->kind), c->x, c->y, c->width, c->height, c->font, c->tabPanel, c->tabIndex}),
                Ints({int(r.kind), r.x, r.y, r.w, r.h, r.font, onPanel ? kSceneSettingsTabs : -1, 0})) << r.id;
      EXPECT_EQ(c->text, r.text) << r.id;
    }
    EXPECT_EQ(headless::ControlsOf(w), order);
    EXPECT_EQ(Control(kSceneSettingsTabs)->items, Lines{"Edit Current Scene Settings"});
    EXPECT_EQ(Control(kFrameScaleCombo)->items[0], "0.25 (25%)");
    EXPECT_EQ(Control(kAntialiasingCombo)->items.back(), "Enhanced Extreme");
    EXPECT_EQ(Control(kFilenameFormatCombo)->items.back(), "NAME_xxxx.yyy");
    EXPECT_EQ(Control(kPreset2Option)->tooltip, "200% resolution with NO antialising and WIREFRAME rendermode.");
    EXPECT_EQ(Control(kPresetNoneOption)->tooltip, "Leave original scene settings alone");
    PushGadget(kSceneSettingsCancelButton);
  }});
  EXPECT_EQ(g.queue.currentScene, 1);
}

TEST_F(SceneSettingsWindowTest, ShowsTheSceneAndCancelLeavesSceneAndEntryAlone) {
  struct Row {
    Lines scene;
    Ints shown;                  // at opening, as Shown() gives it
    Lines fields;                // frames per second, frame size, pixel aspect
    const char* sizeAt200;       // after picking "2.0 (200%)"
  };
  const Row rows[] = {
      {{"LWSC", "FramesPerSecond 25", "ResolutionMultiplier 3.0", "FrameSize 640 480", "PixelAspect 1.0667",
        "Antialiasing 2", "EnhancedAA 1", "RenderMode 1", "OutputFilenameFormat 9"},
       {2, 4, 1, 1, 3, 0}, {"25", "640x480 (VGA)", "1.0667"}, "640x480 (VGA)"},
      {{"LWSC", "ResolutionMultiplier .5", "FrameSize 720 576", "PixelAspect 1.0667", "Antialiasing 2",
        "EnhancedAA 0", "RenderMode 7", "OutputFilenameFormat 6"},
       {1, 0, 6, -1, 3, 0}, {"30", "720x576 (DV PAL)", "1.0667"}, "2880x2304"},
      // Without a FrameSize line the size reads as 0 by 0.
      {{"LWSC", "RenderMode 0"}, {2, 0, 3, 0, 3, 0}, {"30", "640 x 480 (VGA)", "1.0"}, "0x0 (Are you insane?!)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.sizeAt200);
    TearDown();
    SetUp();
    Queue(Crlf(row.scene));
    const SceneEntry before = g.queue.fields[0];
    pf::Event menu;
    menu.code = pf::kEventMenu;
    Open({[&row] {
            EXPECT_EQ(Shown(), row.shown);
            EXPECT_EQ(Lines({Text(kFramesPerSecondField), Text(kFrameSizeField), Text(kPixelAspectField)}), row.fields);
            PushListSelect(kFrameScaleCombo, 3);
          },
          [&row, menu] {
            EXPECT_EQ(Text(kFrameSizeField), row.sizeAt200);
            PushListSelect(kAntialiasingCombo, 5);
            PushListSelect(kFilenameFormatCombo, 0);
            PushGadget(kRealisticOption);
            // Everything but this window's controls is taken and dropped.
            headless::PushTimer(1, kMainWindow);
            headless::PushTray(1);
            headless::PushEvent(menu);
            headless::PushClose(kMainWindow);
            headless::PushClose(kSceneSettingsWindow);
            PushGadget(kAddSceneButton);
            PushGadget(kSceneSettingsCancelButton);
            headless::PushTimer(1, kMainWindow);
          }});
    EXPECT_EQ(headless::PendingEvents(), 1);   // the loop ended at Cancel, not before
    EXPECT_FALSE(pf::WindowExists(kSceneSettingsWindow));
    EXPECT_EQ(ReadWinFile(kScene), Crlf(row.scene));
    EXPECT_FALSE(WinFileExists(kCopy));
    EXPECT_TRUE(Messages().empty() && headless::Requesters().empty());
    EXPECT_EQ(g.queue.fields[0], before);   // no picked size stays behind in the entry
  }
}

TEST_F(SceneSettingsWindowTest, PresetsSetTheListsAndNoneKeepsOnlyTheFormatChange) {
  Queue(Crlf(kPlain));
  struct Row { int click; Ints shown; const char* size; };
  const Row rows[] = {
      {kPreset2Option, {3, 0, 3, 0, 1, 2}, "1280x960 (XGA)"},  {kPresetNoneOption, {3, 0, 3, 0, 3, 0}, "1280x960 (XGA)"},
      {kPreset1Option, {1, 1, 3, 1, 0, 2}, "320x240"},         {kPreset3Option, {0, 0, 3, 2, 2, 2}, "160x120"},
      {kPresetNoneOption, {0, 0, 3, 2, 3, 0}, "160x120"},
  };
  std::vector<std::function<void()>> steps;
  for (const Row& row : rows) {
    steps.push_back([&row] { PushGadget(row.click); });
    steps.push_back([&row] {
      EXPECT_EQ(Shown(), row.shown) << row.click;
      EXPECT_EQ(Text(kFrameSizeField), row.size);
    });
  }
  // A changed format survives "None"; the render mode picked next is the only other change written.
  steps.push_back([] {
    PushListSelect(kFilenameFormatCombo, 5);
    PushGadget(kPresetNoneOption);
  });
  steps.push_back([] {
    EXPECT_EQ(Shown(), Ints({0, 0, 5, 2, 3, 0}));
    PushGadget(kQuickshadeOption);
    PushGadget(kOverwriteSceneButton);
  });
  Open(steps);
  Lines after = kPlain;
  after[8] = "RenderMode 1";
  after[9] = "OutputFilenameFormat 5";
  EXPECT_EQ(ReadWinFile(kScene), Crlf(after));
  EXPECT_EQ(g.queue.fields[0][kFieldOutputFilenameFormat], "5");
  EXPECT_FALSE(pf::WindowExists(kSceneSettingsWindow));
}

TEST_F(SceneSettingsWindowTest, OverwriteWritesOrFailsAndClosesEitherWay) {
  struct Row { Lines before; int level; bool confirm, locked; Lines after; const char* label; Lines messages; };
  const Row rows[] = {
      {{"LWSC", "Antialiasing 2", "EnhancedAA 1", "AdaptiveSampling 1"}, 5, false, false,
       {"LWSC", "Antialiasing 3", "AdaptiveSampling 1"}, "High", {}},
      {{"LWSC", "Antialiasing 1", "AdaptiveSampling 1"}, 2, true, false,
       {"LWSC", "Antialiasing 1", "EnhancedAA 1", "AdaptiveSampling 1"}, "Enhanced Low",
       {"Do you really want to overwrite:\nD:\\x\\a.lws ?"}},
      {{"LWSC", "Antialiasing 1", "FrameSize 640 480"}, 2, false, true, {"LWSC", "Antialiasing 1", "FrameSize 640 480"},
       "Low", {"Could not access 'D:\\x\\a.lws'\n\rCheck source file, and try again!"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    TearDown();
    SetUp();
    g.settings.confirmOverwrite = row.confirm;
    Queue(Crlf(row.before));
    const std::string sizeLabel = g.queue.fields[0][kFieldFrameSizeLabel];
    headless::QueueAnswer(pf::kAnswerYes);
    headless::LockPath(kScene, row.locked);
    Open({[&row] {
      PushListSelect(kFrameScaleCombo, 4);   // written nowhere: its size must not stay in the entry
      PushListSelect(kAntialiasingCombo, row.level);
      PushGadget(kOverwriteSceneButton);
    }});
    headless::LockPath(kScene, false);
    EXPECT_FALSE(pf::WindowExists(kSceneSettingsWindow));
    EXPECT_EQ(ReadWinFile(kScene), Crlf(row.after));
    EXPECT_EQ(g.queue.fields[0][kFieldAntialiasing], row.label);
    EXPECT_EQ(g.queue.fields[0][kFieldFrameSizeLabel], sizeLabel);
    Lines shown;
    for (const auto& message : Messages()) shown.push_back(message.text);
    EXPECT_EQ(shown, row.messages);
  }
}

// No to the question sets the window back as it was opened, render mode
// choice included, and leaves saving possible; a failed copy keeps the
// window open and every change made before it.
TEST_F(SceneSettingsWindowTest, NoAndAFailedCopyKeepTheWindowOpen) {
  Queue(Crlf(kPlain, "\r"));   // CR-only line ends come back as CR LF
  const SceneEntry before = g.queue.fields[0];
  g.settings.confirmOverwrite = 1;
  headless::QueueAnswer(pf::kAnswerNo);
  headless::SetReadOnly(kCopy);
  Open({[] {
          PushGadget(kPreset2Option);
          PushListSelect(kFilenameFormatCombo, 0);
          PushGadget(kOverwriteSceneButton);
        },
        [] {
          EXPECT_EQ(Messages().back().text, "Do you really want to overwrite:\nD:\\x\\a.lws ?");
          EXPECT_EQ(Shown(), Ints({2, 0, 3, 2, 3, 2}));
          EXPECT_EQ(Text(kFrameSizeField), "640x480 (VGA)");
          PushListSelect(kAntialiasingCombo, 3);
          PushListSelect(kFilenameFormatCombo, 7);
          PushListSelect(kFrameScaleCombo, 3);
          PushGadget(kSaveSceneCopyButton);
        },
        [] {
          EXPECT_EQ(Messages().back().title, "Error!");
          // The lists still show what a further save writes.
          EXPECT_EQ(Shown(), Ints({3, 3, 7, 2, 3, 2}));
          headless::SetReadOnly(kCopy, false);
          PushGadget(kSaveSceneCopyButton);
        }});
  Lines copy = kPlain;
  copy[3] = "ResolutionMultiplier 2.0";
  copy[4] = "FrameSize 1280 960";
  copy[6] = "Antialiasing 2";
  copy[9] = "OutputFilenameFormat 7";
  EXPECT_EQ(ReadWinFile(kCopy), Crlf(copy));
  EXPECT_EQ(Messages().back().text, "Scene was saved sucessfully as:\n\rD:\\x\\a_copy.lws");
  EXPECT_EQ(ReadWinFile(kScene), Crlf(kPlain, "\r"));
  EXPECT_EQ(g.queue.fields[0], before);
  EXPECT_FALSE(pf::WindowExists(kSceneSettingsWindow));
}

// A scene of format 4 and later with three cameras, the middle one
// rendering: the window shows that camera's size and sampling, the
// sampling cannot be changed, and a preset writes the middle camera's size,
// scale and the render mode, leaving every sampling and antialiasing line.
TEST_F(SceneSettingsWindowTest, PerCameraScenesShowAndScaleTheRenderingCamera) {
  const Lines scene = {"LWSC", "5", "FramesPerSecond 30",
                       "AddCamera 30000000", "ResolutionMultiplier 1.0", "FrameSize 320 240", "PixelAspect 1",
                       "AASamples 3", "Plugin CameraHandler 1 Perspective", "EndPlugin",
                       "AddCamera 30000001", "ResolutionMultiplier 1.0", "FrameSize 1280 720", "PixelAspect 1",
                       "AASamples 1", "MinimumSamples 2", "MaximumSamples 16", "Plugin CameraHandler 1 Perspective",
                       "EndPlugin",
                       "AddCamera 30000002", "ResolutionMultiplier 1.0", "FrameSize 1024 768", "PixelAspect 1",
                       "Plugin CameraHandler 1 Perspective", "EndPlugin",
                       "Antialiasing 0", "AntiAliasingLevel -1", "RenderMode 2", "CurrentCamera 1"};
  Queue(Crlf(scene));
  Open({[] {
          EXPECT_EQ(Text(kFrameSizeField), "1280x720 (XGA)");
          EXPECT_EQ(Control(kAntialiasingCombo)->items, Lines{"Camera: 2 to 16 samples"});
          EXPECT_EQ(State(kAntialiasingCombo), 0);
          EXPECT_FALSE(Control(kAntialiasingCombo)->enabled);
          PushGadget(kPreset1Option);
        },
        [] {
          EXPECT_EQ(Shown(), Ints({1, 0, 3, 1, 0, 2}));
          EXPECT_EQ(Text(kFrameSizeField), "640x360");
          EXPECT_EQ(Control(kAntialiasingCombo)->items, Lines{"Camera: 2 to 16 samples"});
          PushGadget(kOverwriteSceneButton);
        }});
  Lines after = scene;
  after[11] = "ResolutionMultiplier .5";
  after[12] = "FrameSize 640 360";
  after[27] = "RenderMode 1";
  EXPECT_EQ(ReadWinFile(kScene), Crlf(after));
  EXPECT_EQ(g.queue.fields[0][kFieldFrameSizeLabel], "640x360");
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
