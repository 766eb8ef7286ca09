// Reading the renderer build from the "$VER:" text inside lwsn.exe.
#include <fstream>
#include <string>

#include "core/program_state.h"
#include "render/build_detection.h"
#include "support/test_support.h"

namespace {

const std::string kRenderer = "C:\\LW\\Programs\\lwsn.exe";
const std::string kMissingText = "lwsn.exe was not found in this specificed directory, please check path!\r";
constexpr int kRefreshLogButton = 97;

// A version text whose characters 47 to 49 are digits.
std::string VersionText(const std::string& digits) {
  std::string text = "$VER: LightWave ScreamerNet 8.0 Release Build ";
  text.resize(46, ' ');
  return text + digits + " (Win32) 03-Mar-2004";
}

// Executable-like bytes around a version text.
std::string Executable(const std::string& version) {
  return std::string("MZ\x90\0\x03\0\0\0", 8) + "This program cannot be run in DOS mode.\r\n" +
         std::string(300, '\0') + version + std::string("\0\0", 2) + "tail $VER: " + std::string(60, '9');
}

class BuildDetectionTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    pf::OpenWindowAt(0, 150, 150, 294, 451, "Tallowbridge v1.1", 0);
    pf::CreateControl(0, {kRefreshLogButton, pf::ControlKind::Button, 508, 424, 87, 22, "Refresh Log", "",
                          pf::kFontRegular});
    g.settings.rendererPath = kRenderer;
  }
  // Detects the build of a renderer file holding bytes; true when the log
  // features came on, checked to agree with the button.
  bool DetectWith(const std::string& bytes) {
    WriteWinFile(kRenderer, bytes);
    DetectRendererBuild();
    EXPECT_EQ(headless::Control(kRefreshLogButton)->visible, g.logCapableBuild == 1);
    return g.logCapableBuild == 1;
  }
};

TEST_F(BuildDetectionTest, ThresholdIsBuild681) {
  EXPECT_FALSE(DetectWith(Executable(VersionText("680"))));
  EXPECT_TRUE(DetectWith(Executable(VersionText("681"))));
  EXPECT_FALSE(DetectWith(Executable(VersionText("7a1"))));
  EXPECT_TRUE(DetectWith(Executable(VersionText("690"))));
  EXPECT_FALSE(DetectWith(Executable(VersionText("7A1"))));
  EXPECT_FALSE(DetectWith(Executable(VersionText("6800"))));  // three characters only
  EXPECT_FALSE(DetectWith(Executable(VersionText(" 99"))));
  EXPECT_FALSE(DetectWith(Executable(VersionText("-90"))));
  EXPECT_TRUE(headless::Messages().empty());
}

TEST_F(BuildDetectionTest, ShortOrMissingVersionTextIsAnOldBuild) {
  std::string shortText = VersionText("690").substr(0, 46);
  EXPECT_FALSE(DetectWith(Executable(shortText)));
  EXPECT_FALSE(DetectWith(std::string("no marker here\0\r\n", 17) + std::string(1000, 'z')));
  // The marker is case-sensitive.
  std::string lower = VersionText("690");
  lower.replace(0, 5, "$ver:");
  EXPECT_FALSE(DetectWith(lower));
  EXPECT_TRUE(headless::Messages().empty());
}

TEST_F(BuildDetectionTest, RunsEndAtNulCrAndLf) {
  // The digits must belong to the run holding the marker.
  EXPECT_FALSE(DetectWith("$VER: short\r" + std::string(45, 'x') + "690"));
  EXPECT_FALSE(DetectWith("$VER: short\n" + std::string(45, 'x') + "690"));
  EXPECT_FALSE(DetectWith(std::string("$VER: short\0", 12) + std::string(45, 'x') + "690"));
  // The first run with a marker decides, even when a later one says more.
  EXPECT_FALSE(DetectWith(VersionText("600") + "\r\n" + VersionText("690")));
  // The marker may stand anywhere in its run; the digits count from the run's start.
  std::string markerLate = std::string(46, 'a') + "700 and then $VER: x";
  EXPECT_TRUE(DetectWith("junk\n" + markerLate + "\nmore"));
}

TEST_F(BuildDetectionTest, MarkerAcrossReadBoundariesIsFound) {
  for (std::size_t offset : {65536u - 3u, 65536u - 46u, 65536u - 48u, 65536u}) {
    std::string bytes(offset, '\0');
    EXPECT_TRUE(DetectWith(bytes + VersionText("690"))) << offset;
  }
  // A run that starts in one chunk and reaches its build digits in the next.
  std::string bytes(65536 - 10, '\n');
  EXPECT_TRUE(DetectWith(bytes + VersionText("681")));
}

TEST_F(BuildDetectionTest, MissingRendererIsReportedAndNotCreated) {
  g.logCapableBuild = 1;
  DetectRendererBuild();
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_EQ(headless::Messages()[0].title, "Error!");
  EXPECT_EQ(headless::Messages()[0].text, kMissingText + kRenderer);
  EXPECT_EQ(headless::Messages()[0].style, pf::kBoxError);
  EXPECT_EQ(g.logCapableBuild, 0);
  EXPECT_FALSE(headless::Control(kRefreshLogButton)->visible);
  EXPECT_FALSE(WinFileExists(kRenderer));
}

TEST_F(BuildDetectionTest, EmptyRendererIsReportedAndDeleted) {
  g.logCapableBuild = 1;
  WriteWinFile(kRenderer, "");
  DetectRendererBuild();
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_EQ(headless::Messages()[0].text, kMissingText + kRenderer);
  EXPECT_EQ(g.logCapableBuild, 0);
  EXPECT_FALSE(headless::Control(kRefreshLogButton)->visible);
  EXPECT_FALSE(WinFileExists(kRenderer));
}

TEST_F(BuildDetectionTest, DirectoryAtTheRendererPathIsReportedButKept) {
  ASSERT_TRUE(pf::MakeDirectory("C:\\LW"));
  g.settings.rendererPath = "C:\\LW";
  DetectRendererBuild();
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_EQ(pf::QueryFileSize("C:\\LW"), -2);
}

// Resident set size figures from /proc/self/status, in kB; -1 when absent.
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return -1;
}

TEST_F(BuildDetectionTest, HugeExecutableIsScannedInSmallMemory) {
  const std::string host = headless::HostPath(kRenderer);
  WriteWinFile(kRenderer, "");
  {
    // 100 MB in one run without a marker, then a version text at the very end.
    std::ofstream out(host, std::ios::binary);
    std::string block(1 << 20, 'A');
    for (int i = 0; i < 100; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out << "\n" << VersionText("690");
  }
  std::ofstream peakReset("/proc/self/clear_refs");
  peakReset << "5";  // the peak resident size starts again from here
  peakReset.close();
  const long before = StatusKb("VmRSS:");
  if (peakReset.fail() || before < 0) GTEST_SKIP() << "peak resident size cannot be reset here";

  DetectRendererBuild();
  EXPECT_EQ(g.logCapableBuild, 1);
  const long peak = StatusKb("VmHWM:");
  EXPECT_LT(peak - before, 50 * 1024) << "peak " << peak << " kB, before " << before << " kB";
}

// Recent renderers carry no build text, only a version resource: it is
// shown, and the log option still follows the build text alone.
TEST_F(BuildDetectionTest, TheVersionResourceIsShownAndTheLogFollowsTheBuildText) {
  struct Row {
    std::string bytes;
    const char* resource;   // nullptr: none
    bool log;
    const char* shown;
  };
  const std::string noBuildText = std::string("MZ\x90\0\x03\0", 6) + "no build text" + std::string(300, '\0');
  const Row rows[] = {
      {noBuildText, "2019.1.5", false, "lwsn.exe 2019.1.5"},
      {Executable(VersionText("690")), "8.0.1.690", true, "lwsn.exe 8.0.1.690"},
      {noBuildText, nullptr, false, ""},
      {"not a program at all", nullptr, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.shown);
    TearDown();
    SetUp();
    if (row.resource) headless::SetFileVersion(kRenderer, row.resource);
    EXPECT_EQ(DetectWith(row.bytes), row.log);
    EXPECT_EQ(RendererVersionText(), row.shown);
  }
  // A renderer that is gone takes its version with it.
  pf::DeletePath(kRenderer);
  DetectRendererBuild();
  EXPECT_EQ(RendererVersionText(), "");
}

// "View Scene (LW)" starts lightwav.exe, or Layout.exe where only that is
// in the renderer's folder.
TEST_F(BuildDetectionTest, LayoutIsLightwavOrElseLayoutExe) {
  const std::string lightwav = "C:\\LW\\Programs\\lightwav.exe";
  const std::string layout = "C:\\LW\\Programs\\Layout.exe";
  struct Row { bool hasLightwav, hasLayout; std::string started; };
  const Row rows[] = {{false, false, lightwav}, {true, false, lightwav}, {false, true, layout}, {true, true, lightwav}};
  for (const Row& row : rows) {
    pf::DeletePath(lightwav);
    pf::DeletePath(layout);
    if (row.hasLightwav) WriteWinFile(lightwav, "MZ");
    if (row.hasLayout) WriteWinFile(layout, "MZ");
    EXPECT_EQ(LayoutProgramPath(), row.started) << row.hasLightwav << row.hasLayout;
  }
}

TEST_F(BuildDetectionTest, LogIsDeletedOnQuitOnlyForLogCapableBuilds) {
  const std::string log = "C:\\LW\\Programs\\lwsn_tallowbridge.log";
  WriteWinFile(log, "frame 1\r");
  g.logCapableBuild = 0;
  DeleteRendererLog();
  EXPECT_TRUE(WinFileExists(log));
  g.logCapableBuild = 1;
  DeleteRendererLog();
  EXPECT_FALSE(WinFileExists(log));
}

}  // namespace
