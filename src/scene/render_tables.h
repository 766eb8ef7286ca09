// The fixed choice lists of the render settings the program edits, and the
// lookups between a list position, the value text stored in a scene file and
// the label kept in a queue entry. All comparisons are exact text
// comparisons: "1.0" and "1" are different values, as are "0.5" and ".5".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/program_state.h"

// Lookups that find nothing return this instead of a list position.
constexpr int kNoIndex = -1;

// ---- the tables ----------------------------------------------------------

struct FrameScaleRow {
  const char* listText;
  const char* multiplier;   // ResolutionMultiplier value
};
inline constexpr std::array<FrameScaleRow, 5> kFrameScales{{
    {"0.25 (25%)", ".25"},
    {"0.5 (50%)", ".5"},
    {"1.0 (100%)", "1.0"},
    {"2.0 (200%)", "2.0"},
    {"4.0 (400%)", "4.0"},
}};
constexpr int kFrameScaleInitial = 2;

struct AntialiasingRow {
  const char* label;        // list text and the label kept in the entry
  const char* level;        // Antialiasing value
  const char* enhanced;     // EnhancedAA value, "" for the plain levels
};
inline constexpr std::array<AntialiasingRow, 9> kAntialiasingLevels{{
    {"Off", "0", ""},
    {"Low", "1", ""},
    {"Enhanced Low", "1", "1"},
    {"Medium", "2", ""},
    {"Enhanced Medium", "2", "1"},
    {"High", "3", ""},
    {"Enhanced High", "3", "1"},
    {"Extreme", "4", ""},
    {"Enhanced Extreme", "4", "1"},
}};
constexpr int kAntialiasingInitial = 0;

// Index is the RenderMode value: 0 Wireframe, 1 Quickshade, 2 Realistic.
struct RenderModeRow {
  const char* caption;
  const char* value;
};
inline constexpr std::array<RenderModeRow, 3> kRenderModes{{
    {"Wireframe", "0"},
    {"Quickshade", "1"},
    {"Realistic", "2"},
}};
constexpr int kRenderModeWireframe = 0;
constexpr int kRenderModeQuickshade = 1;
constexpr int kRenderModeRealistic = 2;

// Index is the OutputFilenameFormat value. "NAME" is the output prefix,
// "x" a counter digit, "yyy" the file extension.
struct FilenameFormatRow {
  const char* listText;
  const char* value;
  bool hasExtension;        // the renderer's frames carry the extension
};
inline constexpr std::array<FilenameFormatRow, 8> kFilenameFormats{{
    {"NAMExxx", "0", false},
    {"NAMExxx.yyy", "1", true},
    {"NAMExxxx", "2", false},
    {"NAMExxxx.yyy", "3", true},
    {"NAME_xxx", "4", false},
    {"NAME_xxx.yyy", "5", true},
    {"NAME_xxxx", "6", false},
    {"NAME_xxxx.yyy", "7", true},
}};
constexpr int kFilenameFormatInitial = 1;

struct ImageFormatRow {
  const char* extension;    // list text and the entry's image extension
  const char* saver;        // RGBImageSaver value
};
inline constexpr std::array<ImageFormatRow, 7> kImageFormats{{
    {".bmp", "LW_BMP24(.bmp)"},
    {".tga", "LW_TGA24(.tga)"},
    {".jpg", "LW_JPEG(.jpg)"},
    {".tif", "LW_TIFF24(.tif)"},
    {".psd", "LW_PShop24(.psd)"},
    {".png", "LW_PNG24(.png)"},
    {".pcx", "LW_PCX(.pcx)"},
}};

// A preset sets three lists at once; kNoIndex leaves a list unchanged.
struct PresetRow {
  const char* caption;
  int frameScale;
  int antialiasing;
  int renderMode;
  const char* tooltip;
};
inline constexpr std::array<PresetRow, 4> kPresets{{
    {"Preset 01", 1, 1, kRenderModeQuickshade,
     "50% resolution with LOW antialising and QUICKSHADE rendermode."},
    {"Preset 02", 3, 0, kRenderModeWireframe,
     "200% resolution with NO antialising and WIREFRAME rendermode."},
    {"Preset 03", 0, 0, kRenderModeRealistic,
     "25% resolution with NO antialising and REALISTIC rendermode."},
    {"None", kNoIndex, kNoIndex, kNoIndex, "Leave original scene settings alone"},
}};

// Rows are tried from the top; a row without a pixel aspect (nullptr)
// matches any aspect.
struct FrameSizeLabelRow {
  const char* size;         // width "x" height
  const char* pixelAspect;
  const char* label;
};
inline constexpr std::array<FrameSizeLabelRow, 35> kFrameSizeLabels{{
    {"640x480", nullptr, "640x480 (VGA)"},
    {"640x400", nullptr, "640x400 (VGA)"},
    {"800x600", nullptr, "800x600 (SVGA)"},
    {"1024x768", nullptr, "1024x768 (SVGA)"},
    {"1152x864", nullptr, "1152x864 (SVGA)"},
    {"1280x720", nullptr, "1280x720 (XGA)"},
    {"1280x768", nullptr, "1280x768 (XGA)"},
    {"1280x960", nullptr, "1280x960 (XGA)"},
    {"1280x1024", nullptr, "1280x1024 (XGA)"},
    {"1360x768", nullptr, "1360x768 (XGA)"},
    {"1600x900", nullptr, "1600x900 (SXGA)"},
    {"1600x1024", nullptr, "1600x1024 (SXGA)"},
    {"1600x1200", nullptr, "1600x1200 (SXGA)"},
    {"0x0", nullptr, "0x0 (Are you insane?!)"},
    {"1x1", nullptr, "1x1 (Oh, reeeheeally?)"},
    {"640x481", "1.0", "640x481 (LW Custom)"},
    {"720x576", "1.0667", "720x576 (DV PAL)"},
    {"720x576", "1.0", "720x576 (DV SQUARE PAL)"},
    {"704x576", "1.0667", "704x576 (DV CROP PAL)"},
    {"720x576", "1.4222", "720x576 (DV PAL WS)"},
    {"752x576", "1.0186", "752x576 (D2 PAL)"},
    {"704x576", "1.4222", "704x576 (DV CROP PAL WS)"},
    {"720x480", "1.0", "720x480 (DV SQUARE NTSC)"},
    {"720x480", "1.0667", "720x480 (DV NTSC)"},
    {"720x480", "1.2", "720x480 (DV NTSC WS)"},
    {"720x486", "0.9", "720x486 (D1 NTSC)"},
    {"720x486", "1.2", "720x486 (D1 NTSC WS)"},
    {"752x480", "0.8592", "752x480 (D2 NTSC)"},
    {"704x480", "1.0667", "704x480 (DV CROP NTSC)"},
    {"704x480", "1.2", "704x480 (DV CROP NTSC WS)"},
    {"1920x1080", "1.0", "1920x1080 (HDTV)"},
    {"768x576", nullptr, "768x576 (D1 PAL OVERSCAN)"},
    {"2480x3508", nullptr, "2480x3508 (A4)"},
    {"3508x4961", nullptr, "3508x4961 (A3)"},
    {"2550x3300", nullptr, "2550x3300 (Letter)"},
}};

// The label the reader stores for a scene without a FrameSize line. It is
// shown as it stands, not turned into "640xxx480x(VGA)".
inline constexpr const char* kDefaultFrameSizeLabel = "640 x 480 (VGA)";

// ---- list position of a stored value (kNoIndex when none) ----------------

int FrameScaleIndex(std::string_view multiplier);
int AntialiasingIndexOfLabel(std::string_view label);
// The level whose Antialiasing and EnhancedAA values are exactly these.
int AntialiasingIndex(std::string_view level, std::string_view enhanced);
int RenderModeIndex(std::string_view value);
int FilenameFormatIndex(std::string_view value);
// An empty extension gives the first entry (".bmp").
int ImageFormatIndex(std::string_view extension);
int ImageFormatIndexOfSaver(std::string_view saver);

// ---- value of a list position ("" for a position outside the list) -------

std::string FrameScaleValue(int index);
std::string AntialiasingLevelValue(int index);
std::string AntialiasingEnhancedValue(int index);
bool AntialiasingIsEnhanced(int index);
std::string RenderModeValue(int index);
std::string FilenameFormatValue(int index);
std::string ImageFormatExtension(int index);
std::string ImageFormatSaver(int index);

// ---- labels --------------------------------------------------------------

// The label of a width-x-height text at a pixel aspect; the text itself when
// no row matches.
std::string FrameSizeLabel(std::string_view sizeText, std::string_view pixelAspect);
// Replaces the antialiasing digit by its level's label (left alone when no
// level matches, so a label already there stays).
void LabelAntialiasing(SceneEntry& entry);
// Turns the frame size label's blanks into "x" and labels it by the table.
void LabelFrameSize(SceneEntry& entry);
// The labelling of an entry the reader has just filled.
void LabelFreshEntry(SceneEntry& entry);

// ---- frame size at a new scale -------------------------------------------

struct FrameDimensions {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
// The scene's FrameSize value ("640 480") scaled from the scale of its
// ResolutionMultiplier value to the chosen scale by powers of two. Without a
// known stored scale the size stays as read.
FrameDimensions ScaledFrameSize(std::string_view frameSize, std::string_view multiplier,
                                int chosenScale);
// "1280x960", labelled when a row matches.
std::string ScaledFrameSizeLabel(FrameDimensions size, std::string_view pixelAspect);

// ---- main window text ----------------------------------------------------

// The output prefix with the image extension, bracketed when the filename
// format saves frames without it: "frame.png", "frame (.png)".
std::string OutputFilenameDisplayText(const SceneEntry& entry);
