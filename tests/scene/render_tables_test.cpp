#include <gtest/gtest.h>

#include "scene/render_tables.h"

namespace {

TEST(RenderTables, StoredValuesFindTheirListPositionsByExactText) {
  EXPECT_EQ(FrameScaleIndex(".5"), 1);
  EXPECT_EQ(FrameScaleIndex("0.5"), kNoIndex);
  EXPECT_EQ(FrameScaleIndex("1"), kNoIndex);
  EXPECT_EQ(AntialiasingIndexOfLabel("Enhanced Medium"), 4);
  EXPECT_EQ(AntialiasingIndexOfLabel("2"), kNoIndex);
  EXPECT_EQ(AntialiasingIndex("3", "1"), 6);
  EXPECT_EQ(AntialiasingIndex("2", "0"), kNoIndex);
  EXPECT_EQ(FilenameFormatIndex("8"), kNoIndex);
  EXPECT_EQ(FilenameFormatIndex("07"), kNoIndex);
  EXPECT_EQ(ImageFormatIndex(""), 0);
  EXPECT_EQ(ImageFormatIndex(".cin"), kNoIndex);
  EXPECT_EQ(ImageFormatIndex(".PNG"), kNoIndex);
  EXPECT_EQ(ImageFormatIndexOfSaver("LW_TGA32(.tga)"), kNoIndex);
}

TEST(RenderTables, PositionsOutsideAListGiveNoValue) {
  EXPECT_EQ(FrameScaleValue(5), "");
  EXPECT_EQ(AntialiasingEnhancedValue(kNoIndex), "");
  EXPECT_FALSE(AntialiasingIsEnhanced(kNoIndex));
  EXPECT_EQ(RenderModeValue(3), "");
  EXPECT_EQ(ImageFormatSaver(-1), "");
  // Every saver ends in its own extension, as the reader derives it.
  for (const auto& row : kImageFormats) {
    std::string saver = row.saver;
    EXPECT_EQ(saver.substr(saver.size() - 5, 4), row.extension);
  }
}

TEST(RenderTables, FrameSizeLabelsTryRowsFromTheTopWithTheirPixelAspect) {
  EXPECT_EQ(FrameSizeLabel("720x576", "1.0667"), "720x576 (DV PAL)");
  EXPECT_EQ(FrameSizeLabel("720x576", "1.0"), "720x576 (DV SQUARE PAL)");
  EXPECT_EQ(FrameSizeLabel("720x576", "1.07"), "720x576");
  EXPECT_EQ(FrameSizeLabel("1280x720", "1.2"), "1280x720 (XGA)");
  EXPECT_EQ(FrameSizeLabel("1920x1080", "1.0"), "1920x1080 (HDTV)");
  EXPECT_EQ(FrameSizeLabel("1920x1080", "1"), "1920x1080");
  EXPECT_EQ(FrameSizeLabel("0x0", ""), "0x0 (Are you insane?!)");

  SceneEntry entry{};
  entry[kFieldFrameSizeLabel] = "640 481";
  entry[kFieldPixelAspect] = "1.0";
  LabelFrameSize(entry);
  EXPECT_EQ(entry[kFieldFrameSizeLabel], "640x481 (LW Custom)");
  entry[kFieldFrameSizeLabel] = kDefaultFrameSizeLabel;
  LabelFrameSize(entry);
  EXPECT_EQ(entry[kFieldFrameSizeLabel], "640 x 480 (VGA)");
}

TEST(RenderTables, AntialiasingIsLabelledOnceFromItsDigitAndEnhancedValue) {
  SceneEntry entry{};
  entry[kFieldAntialiasing] = "4";
  entry[kFieldEnhancedAA] = "1";
  LabelAntialiasing(entry);
  EXPECT_EQ(entry[kFieldAntialiasing], "Enhanced Extreme");
  LabelAntialiasing(entry);   // a label matches no level and stays
  EXPECT_EQ(entry[kFieldAntialiasing], "Enhanced Extreme");
}

TEST(RenderTables, ScaledFrameSizeShiftsFromTheStoredScaleToTheChosenOne) {
  auto size = ScaledFrameSize("640 480", "1.0", 4);
  EXPECT_EQ(size.width, 2560);
  EXPECT_EQ(size.height, 1920);
  EXPECT_EQ(ScaledFrameSizeLabel(size, "1.0"), "2560x1920");
  size = ScaledFrameSize("640 480", "1.0", 3);
  EXPECT_EQ(ScaledFrameSizeLabel(size, "1.0"), "1280x960 (XGA)");
  size = ScaledFrameSize("641 481", "1.0", 1);   // halving drops the remainder
  EXPECT_EQ(size.width, 320);
  EXPECT_EQ(size.height, 240);
  size = ScaledFrameSize("1280 960", "4.0", 0);  // a sixteenth
  EXPECT_EQ(size.width, 80);
  EXPECT_EQ(size.height, 60);
  size = ScaledFrameSize("-33 7", ".25", 1);     // arithmetic shifts keep the sign
  EXPECT_EQ(size.width, -66);
  size = ScaledFrameSize("-33 7", "4.0", 3);
  EXPECT_EQ(size.width, -17);
  EXPECT_EQ(size.height, 3);
}

TEST(RenderTables, ScaledFrameSizeKeepsTheSizeWithoutAKnownStoredScale) {
  auto size = ScaledFrameSize("640 480", "0.5", 0);
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, 480);
  size = ScaledFrameSize("640 480", "3.0", 3);
  EXPECT_EQ(size.width, 640);
  size = ScaledFrameSize("", "1.0", 4);          // no FrameSize line: 0 by 0
  EXPECT_EQ(ScaledFrameSizeLabel(size, "1.0"), "0x0 (Are you insane?!)");
  size = ScaledFrameSize("+720 576x", "1.0", 2);
  EXPECT_EQ(size.width, 720);
  EXPECT_EQ(size.height, 576);
  size = ScaledFrameSize(" 720 576", "1.0", 2);   // split at the first blank
  EXPECT_EQ(size.width, 0);
  EXPECT_EQ(size.height, 720);
  size = ScaledFrameSize("99999999999 1", ".25", 4);   // huge sizes neither trap nor hang
  EXPECT_EQ(size.height, 16);
}

TEST(RenderTables, OutputFilenameDisplayTextBracketsAnExtensionTheFramesLack) {
  SceneEntry entry{};
  entry[kFieldOutputPrefix] = "frame";
  entry[kFieldImageExtension] = ".png";
  const char* withExtension[] = {"1", "3", "5", "7"};
  const char* without[] = {"0", "2", "4", "6"};
  for (const char* v : withExtension) {
    entry[kFieldOutputFilenameFormat] = v;
    EXPECT_EQ(OutputFilenameDisplayText(entry), "frame.png");
  }
  for (const char* v : without) {
    entry[kFieldOutputFilenameFormat] = v;
    EXPECT_EQ(OutputFilenameDisplayText(entry), "frame (.png)");
  }
  entry[kFieldOutputFilenameFormat] = "9";
  EXPECT_EQ(OutputFilenameDisplayText(entry), "frame");
}

}  // namespace
