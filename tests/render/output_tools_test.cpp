// The output directory tools: counting and listing frame files, the log
// view, deleting all frames and opening the last one.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "render/frame_numbers.h"
#include "render/output_tools.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Messages;
using headless::PushGadget;
using headless::PushListSelect;
using Texts = std::vector<std::string>;

const std::string kSeparator(39, '-');

// Files (a trailing "/" makes a folder) in C:\Out\.
void MakeFiles(const Texts& names) {
  for (const auto& name : names) {
    if (name.back() == '/') std::filesystem::create_directories(headless::HostPath("C:\\Out\\" + name));
    else WriteWinFile("C:\\Out\\" + name, "frame");
  }
}

Texts SplitLines(const std::string& text) {
  Texts lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TEST(FrameFileNameTest, OnlyThePrefixDigitsAndExtension) {
  struct Row {
    const char *name, *prefix, *extension;
    bool frame;
  };
  const Row rows[] = {
      {"img0001.tga", "img", ".tga", true},   {"IMG0001.TGA", "img", ".tga", true},
      {"img_0001.tga", "img", ".tga", true},  {"img0001", "img", "", true},
      {"img0001.tga", "img", "", false},      {"img.tga", "img", ".tga", false},
      {"img_.tga", "img", ".tga", false},     {"img__0001.tga", "img", ".tga", false},
      {"img-final.tga", "img", ".tga", false}, {"img0001.tga.bak", "img", ".tga", false},
      {"imgx0001.tga", "img", ".tga", false}, {"0001.tga", "", ".tga", false},
      {"a.b0001.tga", "a.b", ".tga", true},   {"aXb0001.tga", "a.b", ".tga", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(IsFrameFileName(row.name, row.prefix, row.extension), row.frame)
        << row.name << " prefix " << row.prefix << " ext " << row.extension;
}

// A frame's number by the scene's file-name format, and whether it is one
// of the scene's frames (1 to 20, step 2 here): names of a scene whose
// prefix starts like this one's, old frames beyond the range and frames off
// the step are no frames of it.
TEST(FrameFileNameTest, TheNumberIsReadByTheFormatAndKeptOnlyOnTheScenesFrames) {
  struct Row {
    const char* format;
    const char* name;
    long long number;   // -1: no frame number
    bool sceneFrame;
  };
  const Row rows[] = {
      {"0", "shot001", 1, true},          {"0", "shot001.tga", -1, false}, {"0", "shot01", -1, false},
      {"0", "shot1001", 1001, false},     {"0", "shot0001", -1, false},    {"1", "SHOT005.TGA", 5, true},
      {"1", "shot005", -1, false},        {"2", "shot0003", 3, true},      {"2", "shot003", -1, false},
      {"3", "shot0019.tga", 19, true},    {"3", "shot0020.tga", 20, false}, {"3", "shot0021.tga", 21, false},
      {"3", "shot20001.tga", 20001, false}, {"3", "shot_0001.tga", -1, false}, {"4", "shot_001", 1, true},
      {"4", "shot001", -1, false},        {"5", "shot_007.tga", 7, true},  {"5", "shot__007.tga", -1, false},
      {"6", "shot_0009", 9, true},        {"7", "shot_0011.tga", 11, true}, {"7", "shot_0011.tga.cut", -1, false},
      {"3", "shot0000.tga", 0, false},    {"9", "shot_17", 17, true}, {"9", "shot17", 17, true},
      {"3", "shot9999999999999999999.tga", -1, false},
  };
  SceneEntry entry{};
  entry[kFieldOutputPrefix] = "shot";
  entry[kFieldImageExtension] = ".tga";
  entry[kFieldFirstFrame] = "1";
  entry[kFieldLastFrame] = "20";
  entry[kFieldFrameStep] = "2";
  for (const Row& row : rows) {
    entry[kFieldOutputFilenameFormat] = row.format;
    const auto number = FrameNumberOfName(row.name, entry);
    EXPECT_EQ(number.value_or(-1), row.number) << row.format << " " << row.name;
    EXPECT_EQ(number && IsSceneFrame(entry, *number), row.sceneFrame) << row.format << " " << row.name;
  }
  // "shot20001.tga" is frame 1 of a scene "shot2" beside it.
  entry[kFieldOutputPrefix] = "shot2";
  entry[kFieldOutputFilenameFormat] = "3";
  EXPECT_EQ(FrameNumberOfName("shot20001.tga", entry).value_or(-1), 1);
}

class OutputListingTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    CreateMainWindow(g.programTitle);
    AppendQueueRow("C:\\S\\a.lws");
    SceneEntry& entry = g.queue.fields[0];
    entry[kFieldFirstFrame] = "1";
    entry[kFieldLastFrame] = "10";
    entry[kFieldFrameStep] = "1";
    entry[kFieldOutputDir] = "C:\\Out\\";
    entry[kFieldOutputPrefix] = "img";
    entry[kFieldOutputFilenameFormat] = "3";
    entry[kFieldImageExtension] = ".tga";
    pf::SetControlState(kQueueList, 0);
  }
};

TEST_F(OutputListingTest, CountsAndListsTheFramesOfThePattern) {
  struct Row {
    const char* what;
    const char *directory, *prefix, *format;
    Texts files;
    int found;
    Texts listed;   // the file lines of the open view
  };
  const Row rows[] = {
      {"prefix*.tga, letter case ignored, folders and other files skipped", "C:\\Out\\", "img", "3",
       {"img0001.tga", "IMG0002.TGA", "notes.txt", "img0003.png", "img0009.tga/"}, 2,
       {"img0001.tga", "IMG0002.TGA"}},
      {"a format without extension counts every prefix* file", "C:\\Out\\", "img", "2",
       {"img0001", "img0002.tga", "img-final.psd", "other0001"}, 3, {"img-final.psd", "img0001", "img0002.tga"}},
      {"an unknown format value counts like one without extension", "C:\\Out\\", "img", "9", {"img0001"}, 1,
       {"img0001"}},
      {"a directory without its backslash", "C:\\Out", "img", "3", {"img0001.tga"}, 1, {"img0001.tga"}},
      {"an output directory that does not exist", "C:\\Missing\\", "img", "3", {}, 0, {}},
      {"an output directory that is a file", "C:\\Out\\file.tga\\", "img", "3", {"file.tga"}, 0, {}},
  };
  for (bool open : {false, true}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (open ? ", view open" : ", view closed"));
      std::filesystem::remove_all(headless::HostPath("C:\\Out\\"));
      MakeFiles(row.files);
      SceneEntry& entry = g.queue.fields[0];
      entry[kFieldOutputDir] = row.directory;
      entry[kFieldOutputPrefix] = row.prefix;
      entry[kFieldOutputFilenameFormat] = row.format;
      g.outputViewOpen = open;
      pf::SetControlText(kOutputListingView, "old");
      RefreshOutputListing();
      EXPECT_EQ(g.framesFound - 2, row.found);
      EXPECT_EQ(pf::ControlText(kFramesRenderedText), row.found ? std::to_string(row.found) + " of 10" : "none");
      if (!open) {
        EXPECT_EQ(pf::ControlText(kOutputListingView), "old");
        continue;
      }
      Texts expected = {"Viewing Output Dir: " + std::string(row.directory), kSeparator};
      expected.insert(expected.end(), row.listed.begin(), row.listed.end());
      expected.push_back(kSeparator);
      expected.push_back("End Of Output");
      EXPECT_EQ(SplitLines(pf::ControlText(kOutputListingView)), expected);
    }
  }
}

// Every refresh while the view is open: an unchanged folder sets nothing
// (no redraw, the scroll position stays), new frames are appended below the
// names shown, and anything else sets the whole listing.
TEST_F(OutputListingTest, AnOpenListingIsSetOnlyWhenItChangesAndGrowsAtItsEnd) {
  MakeFiles({"img0001.tga", "img0002.tga", "img0003.tga"});
  g.outputViewOpen = 1;
  auto listed = [](Texts names) {
    Texts lines = {"Viewing Output Dir: C:\\Out\\", kSeparator};
    lines.insert(lines.end(), names.begin(), names.end());
    lines.push_back(kSeparator);
    lines.push_back("End Of Output");
    return lines;
  };
  auto sets = [] { return headless::Control(kOutputListingView)->textSets; };
  RefreshOutputListing();
  const int first = sets();
  RefreshOutputListing();
  RefreshOutputListing();
  EXPECT_EQ(sets(), first);
  MakeFiles({"img0004.tga", "img0005.tga"});
  RefreshOutputListing();
  EXPECT_EQ(sets(), first);
  EXPECT_EQ(SplitLines(pf::ControlText(kOutputListingView)),
            listed({"img0001.tga", "img0002.tga", "img0003.tga", "img0004.tga", "img0005.tga"}));
  std::filesystem::remove(headless::HostPath("C:\\Out\\img0002.tga"));
  RefreshOutputListing();
  EXPECT_EQ(sets(), first + 1);
  EXPECT_EQ(SplitLines(pf::ControlText(kOutputListingView)),
            listed({"img0001.tga", "img0003.tga", "img0004.tga", "img0005.tga"}));
}

TEST_F(OutputListingTest, UnknownOutputPathClearsTheViewAndCountsNothing) {
  MakeFiles({"img0001.tga", "img0002.tga"});
  g.outputViewOpen = 1;
  for (int field : {kFieldOutputDir, kFieldOutputPrefix}) {
    SceneEntry& entry = g.queue.fields[0];
    std::string kept = entry[field];
    entry[field] = g.placeholder;
    pf::SetControlText(kOutputListingView, "old");
    RefreshOutputListing();
    EXPECT_EQ(g.framesFound, 2) << field;
    EXPECT_EQ(pf::ControlText(kOutputListingView), "") << field;
    entry[field] = kept;
  }
  // Nothing selected: row 0 is the scene counted.
  pf::SetControlState(kQueueList, -1);
  g.queue.currentScene = 5;
  RefreshOutputListing();
  EXPECT_EQ(g.queue.currentScene, 0);
  EXPECT_EQ(g.framesFound, 4);
}

TEST_F(OutputListingTest, HundredThousandFilesAreCountedInFull) {
  constexpr int kFiles = 100000;
  std::string folder = headless::HostPath("C:\\Out\\");
  std::filesystem::create_directories(folder);
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/img%06d.tga", i);
    std::ofstream(folder + name).put('x');
  }
  g.queue.fields[0][kFieldLastFrame] = std::to_string(kFiles);
  RefreshOutputListing();
  EXPECT_EQ(g.framesFound - 2, kFiles);
  EXPECT_EQ(pf::ControlText(kPercentDoneText), "(100% done)");
  EXPECT_EQ(g.lastOutputFileName, "img099999.tga");
}

TEST_F(OutputListingTest, LogViewShowsLogsOfFiveLinesOrMore) {
  const std::string log = "C:\\LW\\Programs\\lwsn_tallowbridge.log";
  g.settings.rendererPath = "C:\\LW\\Programs\\lwsn.exe";
  WriteWinFile(g.settings.rendererPath, "MZ");
  struct Row {
    bool logCapable;
    const char* content;   // nullptr: no log file
    const char* shown;
    const char* fileAfter;   // nullptr: still no file
  };
  const Row rows[] = {
      {true, nullptr, "", " "},   // a missing log is made one blank so it can be read
      {true, "1\r2\r3\r4\r", "", "1\r2\r3\r4\r"},
      {true, "1\r2\r3\r4\r5\r", "1\r2\r3\r4\r5\r", "1\r2\r3\r4\r5\r"},
      {true, "a\r\nb\r\nc\r\nd\r\ne\r\ntail", "a\rb\rc\rd\re\r", "a\r\nb\r\nc\r\nd\r\ne\r\ntail"},
      {false, nullptr, "old", nullptr},   // builds without a log: nothing touched
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.content ? row.content : "(none)");
    std::filesystem::remove(headless::HostPath(log));
    if (row.content) WriteWinFile(log, row.content);
    g.logCapableBuild = row.logCapable;
    pf::SetControlText(kLogView, "old");
    RefreshLogView();
    EXPECT_EQ(pf::ControlText(kLogView), row.shown);
    EXPECT_EQ(WinFileExists(log), row.fileAfter != nullptr);
    if (row.fileAfter) {
      EXPECT_EQ(ReadWinFile(log), row.fileAfter);
    }
  }
  // No length limit: a log of a megabyte is shown whole.
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "Rendering frame " + std::to_string(i) + ", pass 1 of 1 ......\r";
  WriteWinFile(log, big);
  g.logCapableBuild = 1;
  RefreshLogView();
  EXPECT_EQ(pf::ControlText(kLogView), big);
}

// Deleting and opening frames from the widened main window.
class FrameToolsTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteWinFile("C:\\S\\a.lws", MakeScene(1, 10, 1, "C:\\Out\\img"));
    WriteWinFile("C:\\S\\b.lws", MakeScene(1, 10, 1, "C:\\Other\\img"));
  }
  static void AddBothAndWiden() {
    headless::QueueFileAnswer("C:\\S\\a.lws");
    PushGadget(kAddSceneButton);
    headless::QueueFileAnswer("C:\\S\\b.lws");
    PushGadget(kAddSceneButton);
    PushListSelect(kQueueList, 0);
    PushGadget(kViewOutputDirButton);
  }
  static Texts Left(const std::string& folder) {
    Texts names;
    for (const auto& e : std::filesystem::directory_iterator(headless::HostPath(folder)))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(FrameToolsTest, DeletingTouchesOnlyFramesOfTheSceneShown) {
  struct Row {
    int answer;
    Texts left;
    std::size_t listed;   // files in the listing afterwards
  };
  const Row rows[] = {
      {pf::kAnswerNo, {"img-final.tga", "img0001.tga", "img_0002.tga", "notes.txt"}, 3},
      {pf::kAnswerYes, {"img-final.tga", "notes.txt"}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer);
    TearDown();
    SetUp();
    MakeFiles({"img0001.tga", "img_0002.tga", "img-final.tga", "notes.txt"});
    WriteWinFile("C:\\Other\\img0001.tga", "b's frame");
    Run({AddBothAndWiden,
         [] {
           EXPECT_EQ(pf::WindowInnerWidth(kMainWindow), 600);
           EXPECT_EQ(pf::ControlText(kViewOutputDirButton), "Close Directory View <<");
           EXPECT_EQ(pf::ControlText(kFramesRenderedText), "3 of 10");
         },
         [&row] {
           headless::QueueAnswer(row.answer);
           PushGadget(kDeleteFramesButton);
         }});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].title, "Question");
    EXPECT_EQ(Messages()[0].text, "Do you really want to delete all rendered frames?:");
    EXPECT_EQ(Messages()[0].style, pf::kBoxQuestion);
    EXPECT_EQ(Left("C:\\Out\\"), row.left);
    EXPECT_EQ(Left("C:\\Other\\"), Texts{"img0001.tga"});
    EXPECT_EQ(SplitLines(pf::ControlText(kOutputListingView)).size(), row.listed + 4);
    EXPECT_EQ(g.deleteFramesMode, 0);
  }
}

// The view shows b's frames; a display-mode switch selects line 0 (a, with
// no frames) without showing it. The frames acted on are looked at again
// first, so nothing is asked and b's frames stay.
TEST_F(FrameToolsTest, NoFramesOfTheSelectedSceneNoQuestion) {
  WriteWinFile("C:\\Other\\img0001.tga", "b's frame");
  Run({AddBothAndWiden,
       [] {
         PushListSelect(kQueueList, 1);
         PushGadget(kSceneFileOnlyCheck);
       },
       [] {
         EXPECT_EQ(pf::ControlText(kFramesRenderedText), "1 of 10");
         PushGadget(kDeleteFramesButton);
       }});
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(WinFileExists("C:\\Other\\img0001.tga"));
  EXPECT_EQ(pf::ControlText(kFramesRenderedText), "none");
  EXPECT_FALSE(pf::IsControlEnabled(kDeleteFramesButton));
}

TEST_F(FrameToolsTest, ViewingOpensTheLastFrameOrSaysWhy) {
  MakeFiles({"img0001.tga", "img0002.tga", "img_final.tga"});
  Run({AddBothAndWiden,
       [] { PushGadget(kViewImageButton); },
       [] {
         std::filesystem::remove(headless::HostPath("C:\\Out\\img0002.tga"));
         PushGadget(kViewImageButton);   // gone since the listing: the shell cannot open it
       }});
  Texts opened;
  for (const auto& line : headless::Log())
    if (line.rfind("open C:", 0) == 0) opened.push_back(line);
  // img_final.tga is listed last but is no frame: the last frame is opened.
  EXPECT_EQ(opened, (Texts{"open C:\\Out\\img0002.tga in C:\\Out\\", "open C:\\Out\\img0002.tga in C:\\Out\\"}));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, "Error!");
  EXPECT_EQ(Messages()[0].text,
            "Could not open image, or your system does\r\nnot have any suitable viewer for this fileformat!");
}

TEST_F(FrameToolsTest, NarrowingHidesTheViewAndItsTools) {
  MakeFiles({"img0001.tga"});
  Run({AddBothAndWiden, [] { PushGadget(kViewOutputDirButton); }});
  EXPECT_EQ(pf::WindowInnerWidth(kMainWindow), 294);
  EXPECT_EQ(pf::ControlText(kViewOutputDirButton), "View Output Directory >>");
  EXPECT_EQ(g.outputViewOpen, 0);
  EXPECT_EQ(headless::FocusedControl(), kOutputListingView);
}

}  // namespace
