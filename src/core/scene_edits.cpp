#include "core/scene_edits.h"

#include <cstdint>
#include <string>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "core/text.h"
#include "platform/platform.h"
#include "render/output_tools.h"
#include "scene/scene_rewriter.h"
#include "ui/main_window.h"
#include "ui/output_filename_window.h"
#include "ui/scene_settings_window.h"

namespace {

bool HasCurrentScene() {
  int row = g.queue.currentScene;
  return row >= 0 && row < g.queue.count && row < static_cast<int>(g.queue.fields.size());
}

SceneEntry& Current() { return g.queue.fields[g.queue.currentScene]; }

// The typed number, read leniently and stopped at the 32-bit limits.
std::int64_t AskNumber(const char* title, const char* prompt, SceneField field) {
  return ReadNumber(pf::RequestInput(title, prompt, Current()[field]));
}

// Writes the new value into the entry and re-saves the scene; the rewrite
// gives the field its old text back when the scene cannot be written.
void SaveFrameField(SceneField field, FrameChange change, std::int64_t value) {
  std::string before = Current()[field];
  Current()[field] = std::to_string(value);
  RewriteOutputSettings(change, before, false, kNoIndex);
}

}  // namespace

bool ConfirmSceneOverwrite() {
  if (!g.settings.confirmOverwrite) return true;
  std::string path = HasCurrentScene() ? g.queue.scenePaths[g.queue.currentScene] : std::string();
  return pf::ShowMessage("Question", "Do you really want to overwrite:\n" + path + " ?", pf::kBoxQuestion) ==
         pf::kAnswerYes;
}

void EditFirstFrame() {
  if (!HasCurrentScene() || !ConfirmSceneOverwrite()) return;
  const std::int64_t old = ReadNumber(Current()[kFieldFirstFrame]);
  const std::int64_t last = ReadNumber(Current()[kFieldLastFrame]);
  std::int64_t value =
      AskNumber("First frame", "Specify new FIRST FRAME. (Scene file will be re-saved)", kFieldFirstFrame);
  if (value > last) value = last;
  if (value < -32766) value = -32767;
  if (value != old) g.queue.detailsReenable = 1;
  SaveFrameField(kFieldFirstFrame, FrameChange::kFirstFrame, value);
  g.queue.renderStates[g.queue.currentScene] = 0;
  RefreshQueueState();
  pf::SetControlState(kQueueList, g.queue.currentScene);
  BringMainWindowToFront();
}

// The range cannot end before a frame already rendered: the last of F
// frames from the first frame on is first + (F - 1) * step (F itself for a
// scene from frame 1 with step 1). Without any frame there is no such
// bound, and a value below the first frame is raised to it.
void EditLastFrame() {
  if (!HasCurrentScene() || !ConfirmSceneOverwrite()) return;
  const std::int64_t old = ReadNumber(Current()[kFieldLastFrame]);
  const std::int64_t first = ReadNumber(Current()[kFieldFirstFrame]);
  std::int64_t step = ReadNumber(Current()[kFieldFrameStep]);
  if (step < 1) step = 1;
  const std::int64_t rendered = std::int64_t{g.framesFound} - 2;
  const std::int64_t lastRendered = first + (rendered - 1) * step;
  std::int64_t value =
      AskNumber("Last frame", "Specify new LAST FRAME. (Scene file will be re-saved)", kFieldLastFrame);
  if (rendered >= 1 && value < lastRendered) {
    value = old;
    g.queue.detailsReenable = 0;
  }
  if (value < first) value = first;
  if (value > 32766) value = 32767;
  if (value != old) g.queue.detailsReenable = 1;
  g.queue.renderStates[g.queue.currentScene] = 0;
  SaveFrameField(kFieldLastFrame, FrameChange::kLastFrame, value);
  RefreshQueueState();
  RefreshOutputListing();
  BringMainWindowToFront();
}

void EditFrameStep() {
  if (!HasCurrentScene() || !ConfirmSceneOverwrite()) return;
  std::int64_t value =
      AskNumber("Frame Step", "Specify new FRAME STEP. (Scene file will be re-saved)", kFieldFrameStep);
  if (value < 1) value = 1;
  if (value > 32766) value = 32767;
  SaveFrameField(kFieldFrameStep, FrameChange::kFrameStep, value);
  RefreshQueueState();
  BringMainWindowToFront();
}

// A cancelled requester changes nothing, so nothing is re-saved: a re-save
// would switch the scene's image saving on although the user chose nothing.
void ChangeOutputDirectory() {
  if (!HasCurrentScene() || !ConfirmSceneOverwrite()) return;
  const SceneEntry before = Current();
  if (ChooseOutputDirectory() && Current()[kFieldOutputPrefix] != g.placeholder) RewriteOutputPath(before, kNoIndex);
  RefreshQueueState();
}

void ChangeOutputFilename() {
  if (!HasCurrentScene()) return;
  if (Current()[kFieldOutputDir] == g.placeholder) {
    pf::ShowMessage("Info", "Please specify a output directory first!", pf::kBoxInfo);
    return;
  }
  if (!ConfirmSceneOverwrite()) return;
  OpenOutputFilenameWindow();
  RefreshQueueState();
}

void OpenSceneEditor() {
  if (!HasCurrentScene()) return;
  bool directoryKnown = Current()[kFieldOutputDir] != g.placeholder;
  bool prefixKnown = Current()[kFieldOutputPrefix] != g.placeholder;
  if (!directoryKnown) pf::ShowMessage("Info", "Please specify a output directory!", pf::kBoxInfo);
  if (!prefixKnown) pf::ShowMessage("Info", "Please specify a output filename and extension!", pf::kBoxInfo);
  if (directoryKnown && prefixKnown) OpenSceneSettingsWindow();
}
