// The output filename window driven as a user: what it shows of a scene, and
// what OK and Cancel leave in the queue entry and the scene file.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "support/test_support.h"
#include "ui/main_window.h"
#include "ui/output_filename_window.h"

namespace {

using headless::Control;
using headless::PushGadget;
using Lines = std::vector<std::string>;
using K = pf::ControlKind;

const std::string kScene = "C:\\S\\a.lws";

std::string Crlf(const Lines& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

class OutputFilenameWindowTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    RememberImageFormatChoice(0);
    CreateMainWindow(g.programTitle);
    pf::PlaceWindow(kMainWindow, 300, 200);
    pf::SetWindowVisible(kMainWindow, true);
  }
  // Queues the scene as the current row; its output folder is C:\Out\.
  static SceneEntry& Queue(const Lines& scene) {
    WriteWinFile(kScene, Crlf(scene));
    AppendQueueRow(kScene);
    ReadSceneEntry(0);
    g.queue.fields[0][kFieldOutputDir] = "C:\\Out\\";
    return g.queue.fields[0];
  }
  // Opens the window; each step runs once the events pushed before it are handled.
  static void Open(std::vector<std::function<void()>> steps) {
    auto next = std::make_shared<std::size_t>(0);
    headless::OnEventsDrained([steps = std::move(steps), next] {
      while (headless::PendingEvents() == 0 && *next < steps.size()) steps[(*next)++]();
      return headless::PendingEvents() > 0;
    });
    OpenOutputFilenameWindow();
  }
};

TEST_F(OutputFilenameWindowTest, ShowsPrefixAndFormatAndCancelChangesNothing) {
  struct Layout { int id; K kind; int x, y, w, h; const char* text; pf::FontId font; };
  const Layout layout[] = {
      {kFilenamePromptLabel, K::Label, 8, 3, 224, 20, "Type in a filename for the frames:", pf::kFontBold},
      {kFilenameField, K::EditField, 8, 18, 260, 20, "", pf::kFontRegular},
      {kFileFormatLabel, K::Label, 38, 46, 120, 20, "Choose file format:", pf::kFontBold},
      {kFileFormatCombo, K::DropDownList, 148, 43, 120, 20, "", pf::kFontSystem},
      {kFilenameOkButton, K::Button, 8, 69, 188, 20, "OK (scene file will be updated)", pf::kFontBold},
      {kFilenameCancelButton, K::Button, 206, 69, 63, 20, "Cancel", pf::kFontRegular},
  };
  struct Row { Lines scene; const char* field; int format; };
  const Row rows[] = {
      {{"LWSC", "SaveRGBImagesPrefix C:\\Out\\frame", "RGBImageSaver LW_PNG24(.png)"}, "frame", 5},
      {{"LWSC", "SaveRGB 0"}, "", 0},   // no prefix, no saver
      {{"LWSC", "SaveRGBImagesPrefix C:\\Out\\x", "RGBImageSaver LW_Cineon(.cin)"}, "x", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    TearDown();
    SetUp();
    const SceneEntry before = Queue(row.scene);
    Open({[&row, &layout] {
      const int w = kOutputFilenameWindow;
      EXPECT_EQ(std::vector<int>({pf::WindowInnerWidth(w), pf::WindowInnerHeight(w), pf::WindowX(w), pf::WindowY(w)}),
                std::vector<int>({275, 98, 312, 540}));
      EXPECT_TRUE(pf::IsWindowVisible(w) && headless::IsTopmost(w) && pf::WindowTitle(w) == "Output Filename");
      for (const Layout& l : layout) {
        const auto* c = Control(l.id);
        EXPECT_EQ(std::vector<int>({int(c->kind), c->x, c->y, c->width, c->height, c->font}),
                  std::vector<int>({int(l.kind), l.x, l.y, l.w, l.h, l.font})) << l.id;
        EXPECT_EQ(c->text, l.id == kFilenameField ? row.field : l.text) << l.id;
      }
      EXPECT_EQ(Control(kFileFormatCombo)->items, (Lines{".bmp", ".tga", ".jpg", ".tif", ".psd", ".png", ".pcx"}));
      EXPECT_EQ(Control(kFileFormatCombo)->state, row.format);
      headless::SetText(kFilenameField, "typed");
      headless::PushTimer(1, kMainWindow);   // everything but this window's controls is dropped
      headless::PushTray(0);
      headless::PushClose(kMainWindow);
      PushGadget(kAddSceneButton);
      PushGadget(kFilenameField);
      PushGadget(kFilenameCancelButton);
      headless::PushTimer(1, kMainWindow);
    }});
    EXPECT_EQ(headless::PendingEvents(), 1);   // the loop ended at Cancel, not before
    EXPECT_FALSE(pf::WindowExists(kOutputFilenameWindow));
    EXPECT_EQ(g.queue.fields[0], before);
    EXPECT_EQ(ReadWinFile(kScene), Crlf(row.scene));
    EXPECT_TRUE(headless::Messages().empty() && headless::Requesters().empty());
    // Brought to the front without staying there.
    const auto& log = headless::Log();
    EXPECT_EQ(Lines(log.end() - 2, log.end()), (Lines{"topmost window 0", "not topmost window 0"}));
  }
}

TEST_F(OutputFilenameWindowTest, OkWritesPrefixAndSaverAndSwitchesSavingOn) {
  struct Row { Lines scene; const char* name; int format; Lines written; const char* extension; };
  const Row rows[] = {
      // Two passes: "SaveRGB 1" first, then the output lines right below it.
      {{"LWSC", "SaveRGB 0", "AdaptiveSampling 1"}, "frame_", 1,
       {"LWSC", "SaveRGB 1", "OutputFilenameFormat 3", "SaveRGBImagesPrefix C:\\Out\\frame_",
        "RGBImageSaver LW_TGA24(.tga)", "AdaptiveSampling 1"}, ".tga"},
      {{"LWSC", "DataOverlayLabel  (x)", "AdaptiveSampling 1"}, "img", 5,
       {"LWSC", "DataOverlayLabel  (x)", "SaveRGB 1", "OutputFilenameFormat 3", "SaveRGBImagesPrefix C:\\Out\\img",
        "RGBImageSaver LW_PNG24(.png)", "AdaptiveSampling 1"}, ".png"},
      {{"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\Out\\old", "RGBImageSaver LW_TGA24(.tga)"}, "new", 6,
       {"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\Out\\new", "RGBImageSaver LW_PCX(.pcx)"}, ".pcx"},
      // No format selected: the scene keeps its own saver.
      {{"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\Out\\old", "RGBImageSaver LW_Cineon(.cin)"}, "new", -1,
       {"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\Out\\new", "RGBImageSaver LW_Cineon(.cin)"}, ".cin"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    Queue(row.scene);
    Open({[&row] {
      headless::SetText(kFilenameField, row.name);
      if (row.format >= 0) headless::PushListSelect(kFileFormatCombo, row.format);
      PushGadget(kFilenameOkButton);
    }});
    EXPECT_FALSE(pf::WindowExists(kOutputFilenameWindow));
    EXPECT_EQ(ReadWinFile(kScene), Crlf(row.written));
    EXPECT_EQ(Lines({g.queue.fields[0][kFieldOutputPrefix], g.queue.fields[0][kFieldImageExtension]}),
              Lines({row.name, row.extension}));
    EXPECT_EQ(LastImageFormatChoice(), row.format >= 0 ? row.format : 0);
  }
}

TEST_F(OutputFilenameWindowTest, WildcardNamesAreRefusedAndAnEmptyNameWritesNothing) {
  const Lines scene = {"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\Out\\frame", "RGBImageSaver LW_TGA24(.tga)"};
  const SceneEntry before = Queue(scene);
  std::vector<std::function<void()>> steps;
  for (const char* name : {"a*", "a?b", "say\"hi\"", "<a", "a>", "a|b"}) {
    steps.push_back([name] {
      headless::SetText(kFilenameField, name);
      headless::PushListSelect(kFileFormatCombo, 2);
      PushGadget(kFilenameOkButton);
    });
    steps.push_back([name, &before] {
      ASSERT_TRUE(pf::WindowExists(kOutputFilenameWindow)) << name;
      EXPECT_EQ(headless::Messages().back().title, "Error!");
      EXPECT_EQ(g.queue.fields[0], before);
    });
  }
  steps.push_back([] {
    headless::SetText(kFilenameField, "");
    PushGadget(kFilenameOkButton);
  });
  Open(steps);
  EXPECT_FALSE(pf::WindowExists(kOutputFilenameWindow));
  EXPECT_EQ(headless::Messages().size(), 6u);
  EXPECT_EQ(LastImageFormatChoice(), 2);   // taken at every OK, even one that writes nothing
  EXPECT_EQ(ReadWinFile(kScene), Crlf(scene));
  SceneEntry expected = before;
  expected[kFieldOutputPrefix] = g.placeholder;
  EXPECT_EQ(g.queue.fields[0], expected);
}

}  // namespace
