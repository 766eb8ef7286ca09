#include "scene/scene_rewriter.h"

#include <array>
#include <string_view>

#include "core/program_state.h"
#include "core/text.h"
#include "platform/platform.h"
#include "scene/scene_layout.h"
#include "scene/scene_pass.h"
#include "scene/scene_reader.h"

namespace {

int lastImageFormatChoice = 0;

// ---- the current scene ---------------------------------------------------

bool HasCurrentScene() {
  int row = g.queue.currentScene;
  return row >= 0 && static_cast<std::size_t>(row) < g.queue.fields.size() &&
         static_cast<std::size_t>(row) < g.queue.scenePaths.size() &&
         !g.queue.scenePaths[row].empty();
}
SceneEntry& CurrentEntry() { return g.queue.fields[g.queue.currentScene]; }
const std::string& CurrentScenePath() { return g.queue.scenePaths[g.queue.currentScene]; }

// ---- messages --------------------------------------------------------------

void ReportNoLines(const std::string& scenePath) {
  pf::ShowMessage("Error!", "Could not access '" + scenePath + "'\n\rCheck source file, and try again!",
                  pf::kBoxError);
}

void ReportCannotWrite(RewriteMode mode) {
  if (mode == RewriteMode::kCopy)
    pf::ShowMessage("Error!", "Could not create file!\n\rDisk full?", pf::kBoxError);
  else
    pf::ShowMessage("Error!", "Could not create or overwrite temporary file!\n\rAlready in use by other software?",
                    pf::kBoxError);
}

void ReportCannotReplace(const std::string& target) {
  pf::ShowMessage("Error!",
                  "Could not replace '" + target +
                      "'\n\rThe file was left unchanged. Already in use by other software, or write-protected?",
                  pf::kBoxError);
}

// The output lines need a "SaveRGB 1" line, or a DataOverlayLabel line in a
// scene without any SaveRGB line, to stand at; reporting the save as done
// would leave a scene that renders no frames.
void ReportNowhereToPlace(const std::string& scenePath) {
  pf::ShowMessage("Error!",
                  "Could not write the output settings into '" + scenePath +
                      "'\n\rThe scene has no 'SaveRGB 1' line and no 'DataOverlayLabel' line to put them at. "
                      "Switch on saving RGB images for it in LightWave and save it once.",
                  pf::kBoxError);
}

// A scene of format 4 and later renders the frame size of one camera (or
// the global one it asks for); where that has no FrameSize line, a new frame
// scale has nowhere to go, and writing only the rest would leave the scene
// at a size the user did not choose.
void ReportNoCameraFrameSize(const std::string& scenePath) {
  pf::ShowMessage("Error!",
                  "Could not change the frame scale of '" + scenePath +
                      "'\n\rIts rendering camera has no FrameSize line. The scene was left unchanged.",
                  pf::kBoxError);
}

// A write or close that failed is reported as the output file that could not
// be made, since that is what the user has to look into (space, rights).
void ReportFailure(PassResult result, RewriteMode mode, const std::string& scenePath, const std::string& target) {
  switch (result) {
    case PassResult::kDone: break;
    case PassResult::kNoLines: ReportNoLines(scenePath); break;
    case PassResult::kCreateFailed:
    case PassResult::kWriteFailed: ReportCannotWrite(mode); break;
    case PassResult::kReplaceFailed: ReportCannotReplace(target); break;
    case PassResult::kNothingPlaced: ReportNowhereToPlace(scenePath); break;
  }
}

// ---- output lines ----------------------------------------------------------

// The placeholder is no path: a scene is never given it as its output path.
bool OutputPathKnown(const SceneEntry& entry) {
  return entry[kFieldOutputDir] != g.placeholder && entry[kFieldOutputPrefix] != g.placeholder;
}
std::string PrefixLine(const SceneEntry& entry) {
  return "SaveRGBImagesPrefix " + entry[kFieldOutputDir] + entry[kFieldOutputPrefix];
}
std::string SaverLine(const SceneEntry& entry) { return "RGBImageSaver " + entry[kFieldImageSaver]; }
std::string FormatLine(const SceneEntry& entry) {
  return "OutputFilenameFormat " + entry[kFieldOutputFilenameFormat];
}

// ---- scene settings rewrite ----------------------------------------------

enum SettingsKey { kKeyMultiplier, kKeyFrameSize, kKeyRenderMode, kKeyAntialiasing, kKeyFilenameFormat, kSettingsKeys };
constexpr std::array<std::string_view, kSettingsKeys> kSettingsKeyTexts{
    "ResolutionMultiplier ", "FrameSize ", "RenderMode ", "Antialiasing ", "OutputFilenameFormat "};
constexpr std::array<SceneField, kSettingsKeys> kSettingsKeyFields{
    kFieldResolutionMultiplier, kFieldFrameSize, kFieldRenderMode, kFieldAntialiasing, kFieldOutputFilenameFormat};

struct SettingsPlan {
  std::array<std::string, kSettingsKeys> value;   // empty: the key is not marked
  std::string enhanced;                           // EnhancedAA value of the new level
  bool everyRenderModeLine = false;
  std::array<bool, kSettingsKeys> replaced{};
  // A key the scene keeps in a line of its rendering camera (format 4 and
  // later) is replaced at that line alone, written with its own key text
  // ("GlobalFrameSize " for the global values); 0: found by its key text.
  std::array<int, kSettingsKeys> atLine{};
  std::array<std::string, kSettingsKeys> keyText;
};

SettingsPlan PlanSettings(const SceneSettingsChange& change) {
  SettingsPlan plan;
  if (change.frameScaleChanged && !FrameScaleValue(change.frameScale).empty()) {
    plan.value[kKeyMultiplier] = FrameScaleValue(change.frameScale);
    plan.value[kKeyFrameSize] =
        std::to_string(change.scaledSize.width) + " " + std::to_string(change.scaledSize.height);
  }
  plan.value[kKeyRenderMode] = RenderModeValue(change.renderMode);
  // Quickshade and Wireframe must not be left standing in any RenderMode
  // line; Realistic replaces only the first.
  plan.everyRenderModeLine =
      change.renderMode == kRenderModeQuickshade || change.renderMode == kRenderModeWireframe;
  if (change.antialiasingChanged) {
    plan.value[kKeyAntialiasing] = AntialiasingLevelValue(change.antialiasing);
    plan.enhanced = AntialiasingEnhancedValue(change.antialiasing);
  }
  if (change.filenameFormatChanged) plan.value[kKeyFilenameFormat] = FilenameFormatValue(change.filenameFormat);
  for (int k = 0; k < kSettingsKeys; ++k) plan.keyText[k] = kSettingsKeyTexts[k];
  return plan;
}

// Format 4 and later: the frame size and scale go into the lines the
// rendering camera takes them from, and only there; the antialiasing lines
// at the top level are left over from older versions, so nothing is written
// to them. False when a frame scale was chosen but the camera has no
// FrameSize line.
bool PlaceOnRenderingCamera(const SceneLayout& layout, SettingsPlan& plan) {
  if (!layout.PerCamera()) return true;
  plan.value[kKeyAntialiasing].clear();
  plan.enhanced.clear();
  if (plan.value[kKeyFrameSize].empty()) return true;
  RenderingResolution r = layout.Rendering();
  if (!r.frameSize.Found()) return false;
  plan.atLine[kKeyFrameSize] = r.frameSize.line;
  plan.keyText[kKeyFrameSize] = r.global ? "GlobalFrameSize " : "FrameSize ";
  plan.atLine[kKeyMultiplier] = r.multiplier.line;
  plan.keyText[kKeyMultiplier] = r.global ? "GlobalMultiplier " : "ResolutionMultiplier ";
  // A camera without a multiplier line gets none, as an older scene does.
  if (!r.multiplier.Found()) plan.value[kKeyMultiplier].clear();
  return true;
}

// The marked key this line is replaced for, or -1. A key is given up at the
// first kept line that holds its text anywhere. A line replaced for one key
// gives up no other: its text is gone from the scene, and a second run of the
// same change would look past it (the same change twice must write the same
// scene).
int SettingsKeyOfLine(std::string_view line, const SettingsPlan& plan, std::array<bool, kSettingsKeys>& looking) {
  for (int k = 0; k < kSettingsKeys; ++k) {
    if (!looking[k] || !StartsWith(line, kSettingsKeyTexts[k])) continue;
    if (k != kKeyRenderMode || !plan.everyRenderModeLine) looking[k] = false;
    return k;
  }
  for (int k = 0; k < kSettingsKeys; ++k) {
    if (!looking[k] || (k == kKeyRenderMode && plan.everyRenderModeLine)) continue;
    if (line.find(kSettingsKeyTexts[k]) != std::string_view::npos) looking[k] = false;
  }
  return -1;
}

// What becomes of each line in a scene settings rewrite.
struct SettingsRule {
  SettingsPlan& plan;
  std::array<bool, kSettingsKeys> looking{};
  bool dropEnhancedLine = false;   // the line after a replaced Antialiasing line
  int lineNumber = 0;

  explicit SettingsRule(SettingsPlan& p) : plan(p) {
    for (int k = 0; k < kSettingsKeys; ++k) looking[k] = !plan.value[k].empty() && plan.atLine[k] == 0;
  }

  // The key whose camera line this is, or -1.
  int KeyAtThisLine() const {
    for (int k = 0; k < kSettingsKeys; ++k)
      if (plan.atLine[k] == lineNumber && !plan.value[k].empty()) return k;
    return -1;
  }

  void operator()(std::string_view line, PassOutput& out) {
    ++lineNumber;
    // The EnhancedAA line belongs right below Antialiasing: the old ones
    // there go in any case (a second one left standing would override the
    // new level), and a new one is written for an enhanced level.
    if (dropEnhancedLine) {
      if (StartsWith(line, "EnhancedAA ")) return;
      dropEnhancedLine = false;
    }
    int key = KeyAtThisLine();
    if (key < 0) key = SettingsKeyOfLine(line, plan, looking);
    if (key < 0) {
      WriteNewLine(out, line);
      return;
    }
    plan.replaced[key] = true;
    std::string newLine(plan.keyText[key]);
    newLine += plan.value[key];
    WriteNewLine(out, newLine);
    if (key != kKeyAntialiasing) return;
    if (!plan.enhanced.empty()) WriteNewLine(out, "EnhancedAA " + plan.enhanced);
    dropEnhancedLine = true;
  }
};

// The entry takes what now stands in the scene.
void StoreWrittenSettings(const SettingsPlan& plan, SceneEntry& entry) {
  for (int k = 0; k < kSettingsKeys; ++k)
    if (plan.replaced[k]) entry[kSettingsKeyFields[k]] = plan.value[k];
  if (plan.replaced[kKeyAntialiasing]) entry[kFieldEnhancedAA] = plan.enhanced;
}

// ---- output settings rewrite ---------------------------------------------

struct OutputPlan {
  std::string frameKey;        // key text of a pending frame change, or empty
  std::string frameLine;
  bool switchPending = false;
  bool writeOutputPath = false;
  bool blockAtOverlayLabel = false;
  bool blockDue = false;       // a DataOverlayLabel line was met: the block follows it
  // The scene saves its frames with a saver line but names no path (how
  // LightWave 2019 saves a scene whose output path was never set): the path
  // goes in alone, right after the SaveRGB line; a whole block would name
  // the format and the saver a second time.
  bool prefixAfterSaveRgb = false;
  std::string formatLine, prefixLine, saverLine;
  bool changed = false;        // a line was replaced or inserted
  bool pathWritten = false;    // the output path went into the scene
  bool switchSettled = false;
};

struct FrameKey {
  const char* text;
  SceneField field;
};
FrameKey FrameKeyOf(FrameChange frame) {
  switch (frame) {
    case FrameChange::kFirstFrame: return {"FirstFrame ", kFieldFirstFrame};
    case FrameChange::kLastFrame: return {"LastFrame ", kFieldLastFrame};
    case FrameChange::kFrameStep: return {"FrameStep ", kFieldFrameStep};
    case FrameChange::kNone: break;
  }
  return {"", kFieldPercentDone};   // never written: no key
}

// Which saver the scene gets. A format picked in the output filename window
// decides; otherwise the scene keeps its own saver, even one that is none of
// the known seven. Only a scene without any saver takes the last choice.
void ChooseImageSaver(SceneEntry& entry, int pickedImageFormat) {
  if (!ImageFormatSaver(pickedImageFormat).empty()) {
    RememberImageFormatChoice(pickedImageFormat);
    entry[kFieldImageSaver] = ImageFormatSaver(pickedImageFormat);
    int byExtension = ImageFormatIndex(entry[kFieldImageExtension]);
    if (!entry[kFieldImageExtension].empty() && byExtension != kNoIndex)
      entry[kFieldImageSaver] = ImageFormatSaver(byExtension);
  } else if (entry[kFieldImageSaver].empty()) {
    entry[kFieldImageSaver] = ImageFormatSaver(lastImageFormatChoice);
  }
}

OutputPlan PlanOutput(const SceneEntry& entry, FrameChange frame, bool outputSwitch) {
  OutputPlan plan;
  FrameKey key = FrameKeyOf(frame);
  plan.frameKey = key.text;
  if (!plan.frameKey.empty()) plan.frameLine = plan.frameKey + entry[key.field];
  plan.switchPending = outputSwitch;
  plan.writeOutputPath = OutputPathKnown(entry);
  // "2": the scene has no SaveRGB line, so the whole block goes in.
  plan.blockAtOverlayLabel = plan.writeOutputPath && entry[kFieldSaveRGB] == "2";
  plan.formatLine = FormatLine(entry);
  plan.prefixLine = PrefixLine(entry);
  plan.saverLine = SaverLine(entry);
  return plan;
}

// What becomes of each line in an output settings rewrite: the first rule
// that fits decides.
struct OutputRule {
  OutputPlan& plan;

  void WriteBlock(PassOutput& out) {
    WriteNewLine(out, "SaveRGB 1");
    WriteNewLine(out, plan.formatLine);
    WriteNewLine(out, plan.prefixLine);
    WriteNewLine(out, plan.saverLine);
    plan.changed = plan.pathWritten = true;
  }

  // The block goes below the DataOverlayLabel line unless it stands there
  // already: a scene read as having no SaveRGB line may hold a later one the
  // reader takes for "none" (such as "SaveRGB 2"), and each save would add
  // one more block.
  void PlaceDueBlock(std::string_view line, PassOutput& out) {
    plan.blockDue = false;
    if (!StartsWith(line, "SaveRGB 1")) WriteBlock(out);
  }

  void Finish(PassOutput& out) {
    if (plan.blockDue) PlaceDueBlock(std::string_view(), out);
  }

  void operator()(std::string_view line, PassOutput& out) {
    if (plan.blockDue) PlaceDueBlock(line, out);
    Apply(line, out);
    if (plan.prefixAfterSaveRgb && (StartsWith(line, "SaveRGB 0") || StartsWith(line, "SaveRGB 1"))) {
      WriteNewLine(out, plan.prefixLine);
      plan.prefixAfterSaveRgb = false;
      plan.changed = plan.pathWritten = true;
    }
  }

  void Apply(std::string_view line, PassOutput& out) {
    char first = line.empty() ? '\0' : line[0];
    if (first != 'F' && first != 'L' && first != 'S' && first != 'D' && first != 'R') {
      WriteNewLine(out, line);   // no rule concerns this line
    } else if (!plan.frameKey.empty() && StartsWith(line, plan.frameKey)) {
      WriteNewLine(out, plan.frameLine);
      plan.frameKey.clear();
      plan.changed = true;
    } else if (plan.switchPending && StartsWith(line, "SaveRGB 0")) {
      WriteNewLine(out, "SaveRGB 1");
      plan.switchPending = false;
      plan.switchSettled = plan.changed = true;
    } else if (plan.switchPending && StartsWith(line, "SaveRGB 1")) {
      WriteNewLine(out, line);
      plan.switchPending = false;
      plan.switchSettled = true;
    } else if (plan.blockAtOverlayLabel && StartsWith(line, "DataOverlayLabel ")) {
      // The line stays as it stands (its label text is the user's), and the
      // whole block follows it, once. The lines after it still follow the
      // rules: a scene read as having no SaveRGB line may hold one further
      // down (a value the reader takes for "none", such as "SaveRGB 2"), and
      // an old "SaveRGB 0", path or saver left below the block would switch
      // saving off again or name another path.
      WriteNewLine(out, line);
      plan.blockAtOverlayLabel = false;
      plan.blockDue = true;
    } else if (plan.writeOutputPath && StartsWith(line, "SaveRGBImagesPrefix ")) {
      WriteNewLine(out, plan.prefixLine);
      plan.changed = plan.pathWritten = true;
    } else if (StartsWith(line, "RGBImageSaver ")) {
      WriteNewLine(out, plan.saverLine);
      plan.changed = true;
    } else {
      WriteNewLine(out, line);
    }
  }
};

// Writes the output lines below every "SaveRGB 1" line.
PassResult OutputBlockPass() {
  const SceneEntry& entry = CurrentEntry();
  const std::string path = CurrentScenePath();
  std::array<std::string, 3> block{FormatLine(entry), PrefixLine(entry), SaverLine(entry)};
  bool placed = false;
  auto rule = [&block, &placed](std::string_view line, PassOutput& out) {
    if (!StartsWith(line, "SaveRGB 1")) {
      WriteNewLine(out, line);
      return;
    }
    WriteNewLine(out, "SaveRGB 1");
    for (const auto& text : block) WriteNewLine(out, text);
    placed = true;
  };
  // A scene with no line to put the block at is told so before any file is
  // made: a temporary file that then could not be removed would stay behind.
  SceneLayout layout;
  PassResult result = !ScanSceneLayout(path, layout) ? PassResult::kNoLines
                      : layout.savingOnLines == 0   ? PassResult::kNothingPlaced
                                                    : RunScenePass(path, path, rule, [&placed] { return placed; });
  // Reported like any other rewrite: a block that silently failed to go in
  // would leave the user believing the scene saves its frames.
  ReportFailure(result, RewriteMode::kOverwrite, path, path);
  return result;
}

bool OutputSettingsPass(FrameChange frame, const std::string& previousText, bool outputSwitch,
                        int pickedImageFormat, bool secondPass) {
  const std::string path = CurrentScenePath();
  const std::string saverBefore = CurrentEntry()[kFieldImageSaver];
  ChooseImageSaver(CurrentEntry(), pickedImageFormat);
  OutputPlan plan = PlanOutput(CurrentEntry(), frame, outputSwitch);
  // Where the path goes depends on the lines the scene holds: a scene that
  // cannot be looked at first is not written at all.
  PassResult result = PassResult::kDone;
  SceneLayout layout;
  if (plan.writeOutputPath) {
    if (ScanSceneLayout(path, layout)) plan.prefixAfterSaveRgb = layout.prefixLines == 0 && layout.saverLines > 0;
    else result = PassResult::kNoLines;
  }
  if (result == PassResult::kDone) result = RunScenePass(path, path, OutputRule{plan});
  if (result != PassResult::kDone) {
    ReportFailure(result, RewriteMode::kOverwrite, path, path);
    CurrentEntry()[kFieldImageSaver] = saverBefore;
    if (frame != FrameChange::kNone) CurrentEntry()[FrameKeyOf(frame).field] = previousText;
    return false;
  }
  // A scene without a line for the frame key (a damaged one) got no new
  // value: the field keeps what the file gives.
  if (!plan.frameKey.empty()) CurrentEntry()[FrameKeyOf(frame).field] = previousText;
  // A known output path that did not go in is written by the block
  // insertion, as the last pass: also in a scene whose saver line alone was
  // rewritten, which would otherwise be reported saved without the path the
  // user chose.
  bool complete = true;
  const bool secondPassFollows = plan.switchSettled && !secondPass;
  if (!plan.pathWritten && !secondPassFollows && OutputPathKnown(CurrentEntry()))
    complete = OutputBlockPass() == PassResult::kDone;
  // The entry shows what is now on disk, as complete as the last pass that
  // got through. The saver chosen for writing is the scene's only if a line
  // of the scene now names it: a scene whose output path is unknown gets no
  // saver line, and must not look as if it saved BMP frames. A scene that
  // cannot be read back keeps the saver just written.
  const std::string writtenSaver = CurrentEntry()[kFieldImageSaver];
  CurrentEntry()[kFieldImageSaver].clear();
  if (!ReadSceneEntry(g.queue.currentScene)) CurrentEntry()[kFieldImageSaver] = writtenSaver;
  if (!complete) return false;
  // A scene whose SaveRGB line was met is written once more, so that the
  // output lines go in below it when the scene had none.
  if (plan.switchSettled && !secondPass)
    return OutputSettingsPass(FrameChange::kNone, std::string(), false, pickedImageFormat, true);
  return true;
}

}  // namespace

std::string SceneCopyPath(const std::string& scenePath) {
  std::size_t keep = scenePath.size() >= 4 ? scenePath.size() - 4 : 0;
  return scenePath.substr(0, keep) + "_copy.lws";
}

void RememberImageFormatChoice(int position) {
  if (!ImageFormatSaver(position).empty()) lastImageFormatChoice = position;
}
int LastImageFormatChoice() { return lastImageFormatChoice; }

bool RewriteSceneSettings(RewriteMode mode, const SceneSettingsChange& change) {
  if (!HasCurrentScene()) return false;
  const std::string path = CurrentScenePath();
  std::string target = mode == RewriteMode::kOverwrite ? path : SceneCopyPath(path);
  SettingsPlan plan = PlanSettings(change);
  // Which lines are written depends on the scene's format and cameras: a
  // scene that cannot be looked at first is not written at all.
  SceneLayout layout;
  if (!ScanSceneLayout(path, layout)) {
    ReportFailure(PassResult::kNoLines, mode, path, target);
    return false;
  }
  if (!PlaceOnRenderingCamera(layout, plan)) {
    ReportNoCameraFrameSize(path);
    return false;
  }
  PassResult result = RunScenePass(path, target, SettingsRule(plan));
  if (result != PassResult::kDone) {
    ReportFailure(result, mode, path, target);
    return false;
  }
  if (mode == RewriteMode::kCopy) {
    pf::ShowMessage("Info", "Scene was saved sucessfully as:\n\r" + target, pf::kBoxInfo);
    return true;
  }
  StoreWrittenSettings(plan, CurrentEntry());
  return true;
}

bool RewriteOutputSettings(FrameChange frame, const std::string& previousText, bool outputSwitch,
                           int pickedImageFormat) {
  if (!HasCurrentScene()) return false;
  return OutputSettingsPass(frame, previousText, outputSwitch, pickedImageFormat, false);
}

bool RewriteOutputPath(const SceneEntry& before, int pickedImageFormat) {
  if (RewriteOutputSettings(FrameChange::kNone, std::string(), true, pickedImageFormat)) return true;
  // The entry describes the file again: the output fields as they were
  // before the edit, then whatever the file now holds for them.
  SceneEntry& entry = CurrentEntry();
  for (SceneField field : {kFieldOutputDir, kFieldOutputPrefix, kFieldImageExtension, kFieldImageSaver, kFieldSaveRGB})
    entry[field] = before[field];
  ReadSceneEntry(g.queue.currentScene);
  return false;
}

bool InsertOutputBlock() {
  if (!HasCurrentScene()) return false;
  if (!OutputPathKnown(CurrentEntry())) return true;   // nothing that could be written
  return OutputBlockPass() == PassResult::kDone;
}
