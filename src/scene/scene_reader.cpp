#include "scene/scene_reader.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "core/program_state.h"
#include "core/unattended.h"
#include "core/text.h"
#include "platform/platform.h"
#include "scene/line_stream.h"
#include "scene/render_tables.h"
#include "scene/scene_layout.h"

namespace {

// How a key's value (the rest of its line after the blank) fills the entry.
enum class ValueRule {
  kWhole,           // the whole rest, unchanged
  kFirstChar,       // only its first character
  kPrefixSplit,     // directory part and prefix part
  kFrameSize,       // into the frame size label and the FrameSize value
  kPixelAspect,     // "1" is stored as "1.0"
};

struct ReaderKey {
  std::string_view keyword;   // matched with one blank after it
  ValueRule rule;
  SceneField field;           // the first (or only) field it fills
};

constexpr std::array<ReaderKey, 14> kReaderKeys{{
    {"FirstFrame", ValueRule::kWhole, kFieldFirstFrame},
    {"LastFrame", ValueRule::kWhole, kFieldLastFrame},
    {"FrameStep", ValueRule::kWhole, kFieldFrameStep},
    {"SaveRGBImagesPrefix", ValueRule::kPrefixSplit, kFieldOutputDir},
    {"RGBImageSaver", ValueRule::kWhole, kFieldImageSaver},
    {"SaveRGB", ValueRule::kFirstChar, kFieldSaveRGB},
    {"FramesPerSecond", ValueRule::kWhole, kFieldFramesPerSecond},
    {"ResolutionMultiplier", ValueRule::kWhole, kFieldResolutionMultiplier},
    {"FrameSize", ValueRule::kFrameSize, kFieldFrameSizeLabel},
    {"PixelAspect", ValueRule::kPixelAspect, kFieldPixelAspect},
    {"Antialiasing", ValueRule::kWhole, kFieldAntialiasing},
    {"EnhancedAA", ValueRule::kWhole, kFieldEnhancedAA},
    {"RenderMode", ValueRule::kWhole, kFieldRenderMode},
    {"OutputFilenameFormat", ValueRule::kWhole, kFieldOutputFilenameFormat},
}};
constexpr std::size_t kLongestKeyword = 20;

using FieldMask = std::uint32_t;
constexpr FieldMask Bit(SceneField field) { return FieldMask{1} << field; }

// The fields a key's line fills.
FieldMask FieldsOf(const ReaderKey& key) {
  switch (key.rule) {
    case ValueRule::kPrefixSplit: return Bit(kFieldOutputDir) | Bit(kFieldOutputPrefix);
    case ValueRule::kFrameSize: return Bit(kFieldFrameSizeLabel) | Bit(kFieldFrameSize);
    default: return Bit(key.field);
  }
}

// The text a field gets when it is empty on a line that is not its key's;
// nullptr for fields without a default.
const char* DefaultOf(int field) {
  switch (field) {
    case kFieldFirstFrame: return "0";
    case kFieldLastFrame: return "60";
    case kFieldFrameStep: return "1";
    case kFieldOutputDir:
    case kFieldOutputPrefix: return g.placeholder.c_str();
    case kFieldSaveRGB: return "2";   // "2": the scene has no SaveRGB line
    case kFieldFramesPerSecond: return "30";
    case kFieldResolutionMultiplier: return "1.0";
    case kFieldFrameSizeLabel: return kDefaultFrameSizeLabel;
    case kFieldPixelAspect: return "1.0";
    case kFieldAntialiasing: return "0";
    case kFieldRenderMode: return "2";
    case kFieldOutputFilenameFormat: return "3";
    default: return nullptr;
  }
}

// The key whose line this is (its keyword and one blank at the very start),
// with the rest of the line after that blank.
// Most lines of a scene start with a character no key starts with; they
// are passed over at the cost of one look-up.
constexpr std::array<bool, 256> KeyInitials() {
  std::array<bool, 256> initials{};
  for (const auto& key : kReaderKeys) initials[static_cast<unsigned char>(key.keyword[0])] = true;
  return initials;
}
constexpr std::array<bool, 256> kKeyInitials = KeyInitials();

const ReaderKey* MatchKey(std::string_view line, std::string_view& rest) {
  if (line.empty() || !kKeyInitials[static_cast<unsigned char>(line[0])]) return nullptr;
  std::size_t blank = line.substr(0, kLongestKeyword + 1).find(' ');
  if (blank == std::string_view::npos || blank == 0) return nullptr;
  std::string_view keyword = line.substr(0, blank);
  for (const auto& key : kReaderKeys) {
    if (key.keyword == keyword) {
      rest = line.substr(blank + 1);
      return &key;
    }
  }
  return nullptr;
}

// A quotation mark ends a part of the output path where it stands.
std::string UpToQuote(std::string_view part) { return std::string(part.substr(0, part.find('"'))); }

void SplitOutputPath(std::string_view value, SceneEntry& entry) {
  std::size_t slash = value.rfind('\\');
  if (slash == std::string_view::npos) {
    entry[kFieldOutputDir].clear();
    entry[kFieldOutputPrefix] = UpToQuote(value);
  } else {
    entry[kFieldOutputDir] = UpToQuote(value.substr(0, slash + 1));
    entry[kFieldOutputPrefix] = UpToQuote(value.substr(slash + 1));
  }
}

void TakeValue(const ReaderKey& key, std::string_view rest, SceneEntry& entry) {
  switch (key.rule) {
    case ValueRule::kWhole: entry[key.field].assign(rest); break;
    case ValueRule::kFirstChar: entry[key.field].assign(rest.empty() ? 0 : 1, rest.empty() ? ' ' : rest[0]); break;
    case ValueRule::kPrefixSplit: SplitOutputPath(rest, entry); break;
    case ValueRule::kFrameSize:
      entry[kFieldFrameSizeLabel].assign(rest);
      entry[kFieldFrameSize].assign(rest);
      break;
    case ValueRule::kPixelAspect: entry[key.field].assign(rest == "1" ? std::string_view("1.0") : rest); break;
  }
}

FieldMask EmptyDefaultedFields(const SceneEntry& entry, FieldMask among) {
  FieldMask empty = 0;
  for (int f = 0; f < kSceneFieldCount; ++f)
    if ((among & Bit(SceneField(f))) && DefaultOf(f) && entry[f].empty()) empty |= Bit(SceneField(f));
  return empty;
}

void ApplyDefaults(SceneEntry& entry, FieldMask fields) {
  for (int f = 0; fields != 0 && f < kSceneFieldCount; ++f) {
    if (fields & Bit(SceneField(f))) {
      entry[f] = DefaultOf(f);
      fields &= ~Bit(SceneField(f));
    }
  }
}

bool ValidRow(int row) {
  return row >= 0 && static_cast<std::size_t>(row) < g.queue.fields.size() &&
         static_cast<std::size_t>(row) < g.queue.scenePaths.size();
}

// Every line is tested against every key. A field that is empty on a line
// which is not its key's line gets its default there, so a key's line found
// later overwrites the default and the last of several lines wins. Only
// fields that are empty can take a default, so the defaults still owed are
// kept as a mask instead of testing every field on every line.
struct KeyScan {
  SceneEntry entry;
  FieldMask owed = 0;   // fields still to get their default
};

void StartKeyScan(KeyScan& scan, const SceneEntry& from) {
  scan.entry = from;
  scan.owed = EmptyDefaultedFields(scan.entry, ~FieldMask{0});
}

void TakeLine(KeyScan& scan, std::string_view line) {
  std::string_view rest;
  const ReaderKey* key = MatchKey(line, rest);
  FieldMask keyFields = key ? FieldsOf(*key) : 0;
  if (scan.owed & ~keyFields) {
    ApplyDefaults(scan.entry, scan.owed & ~keyFields);
    scan.owed &= keyFields;
  }
  if (key) {
    TakeValue(*key, rest, scan.entry);
    scan.owed = (scan.owed & ~keyFields) | EmptyDefaultedFields(scan.entry, keyFields);
  }
}

// A line without its line end: its CR, and the LF after it if there is one.
std::string_view WithoutLineEnd(std::string_view withEnd) {
  return withEnd.substr(0, withEnd.size() - (withEnd.back() == '\n' ? 2 : 1));
}

// A scene of format 4 and later renders the frame size, scale and pixel
// aspect of its rendering camera (or the global ones it asks for): the
// values of other cameras, which the plain scan may have met last, are
// not the scene's. Fields are set whether or not the camera has a line, so
// an earlier read's value never stays behind.
void TakeRenderingCamera(const SceneLayout& layout, SceneEntry& entry) {
  if (!layout.PerCamera()) {
    entry[kFieldCameraSampling].clear();
    return;
  }
  RenderingResolution r = layout.Rendering();
  entry[kFieldCameraSampling] = r.samplingText;
  entry[kFieldFrameSize] = r.frameSize.value;
  entry[kFieldFrameSizeLabel] = r.frameSize.Found() ? r.frameSize.value : kFrameSizeNotFound;
  entry[kFieldResolutionMultiplier] = r.multiplier.Found() ? r.multiplier.value : DefaultOf(kFieldResolutionMultiplier);
  const std::string& aspect = r.pixelAspect.value;
  entry[kFieldPixelAspect] = !r.pixelAspect.Found() || aspect == "1" ? std::string("1.0") : aspect;
}

}  // namespace

bool CheckSceneFile(const std::string& path) {
  // A file that cannot be read has no lines: its first line counts as empty.
  // Only the first line is read, however large the scene.
  LineStream lines;
  std::string_view first;
  bool accepted = lines.Open(path) && lines.Next(first) && WithoutLineEnd(first) == "LWSC";
  lines.Close();
  if (!accepted) {
    ShowNotice("Error!",
                    "'" + path + "'\nis corrupted, or not a valid Lightwave Scene file!\n\nNo file loaded!",
                    pf::kBoxError);
  }
  return accepted;
}

std::string ImageExtensionOfSaver(const std::string& saver) {
  std::size_t from = saver.size() > 5 ? saver.size() - 5 : 0;
  return saver.substr(from, 4);
}

void CheckOutputDrive(int row) {
  if (!ValidRow(row)) return;
  std::string& directory = g.queue.fields[row][kFieldOutputDir];
  if (directory.find(':') == std::string::npos) return;
  std::string drive = directory.substr(0, 3);
  for (const auto& root : pf::ListDriveRoots())
    if (EqualsNoCase(drive, root)) return;
  directory = g.placeholder;
  ShowNotice("INFO",
                  "Output drive '" + drive + "' in '" + FilePart(g.queue.scenePaths[row]) +
                      "' was not found on your system, please relocate.",
                  pf::kBoxInfo);
}

bool ReadSceneEntry(int row) {
  if (!ValidRow(row)) return false;
  // Without a single line nothing is scanned, and a scene that cannot be
  // read to its end (a share gone in the middle) is not taken either: the
  // entry keeps what it held and no drive is checked.
  LineStream lines;
  if (!lines.Open(g.queue.scenePaths[row])) return false;
  KeyScan scan;
  LayoutScan layout;
  StartKeyScan(scan, g.queue.fields[row]);
  for (std::string_view withEnd; lines.Next(withEnd);) {
    std::string_view line = WithoutLineEnd(withEnd);
    TakeLine(scan, line);
    layout.Take(line);
  }
  if (lines.Failed()) return false;
  lines.Close();
  SceneEntry& entry = g.queue.fields[row];
  entry = std::move(scan.entry);
  TakeRenderingCamera(layout.Layout(), entry);
  CheckOutputDrive(row);
  entry[kFieldImageExtension] = ImageExtensionOfSaver(entry[kFieldImageSaver]);
  LabelFreshEntry(entry);
  return true;
}
