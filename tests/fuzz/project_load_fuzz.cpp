// Loading a project file of any bytes into a queue that holds one scene: a
// file that is no project is refused and the queue stays as it was; a
// project fills the queue consistently, and saving it and loading the saved
// file gives the same queue again. No file is left beside the projects.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "fuzz/fuzz_support.h"
#include "persist/project_file.h"
#include "platform/headless/headless.h"
#include "ui/main_window.h"

namespace {

const std::string kProject = "C:\\Jobs\\p.tbp";
const std::string kSaved = "C:\\Jobs\\q.tbp";

void CheckQueueConsistent(const char* when) {
  const auto& q = g.queue;
  const auto rows = static_cast<std::size_t>(q.count);
  FUZZ_CHECK(q.scenePaths.size() == rows && q.displayTexts.size() == rows && q.fields.size() == rows &&
                 q.renderStates.size() == rows && pf::CountControlItems(kQueueList) == q.count,
             std::string("the queue's lists disagree ") + when);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Begin();
  fuzz::WriteFile("C:\\LW\\Programs\\lwsn.exe", "MZ");
  fuzz::WriteFile("C:\\Scenes\\a.lws",
                  "LWSC\r\n3\r\n\r\nFirstFrame 1\r\nLastFrame 10\r\nFrameStep 1\r\nSaveRGB 1\r\n"
                  "OutputFilenameFormat 3\r\nSaveRGBImagesPrefix C:\\Out\\a\r\nRGBImageSaver LW_TGA24(.tga)\r\n");
  fuzz::WriteFile("C:\\Scenes\\b.lws", "LWSC\r\n3\r\n\r\nFirstFrame 5\r\nLastFrame 20\r\nFrameStep 2\r\n");
  fuzz::WriteFile(kProject, std::string_view(reinterpret_cast<const char*>(data), size));
  CreateMainWindow(g.programTitle);
  g.settings.rendererPath = "C:\\LW\\Programs\\lwsn.exe";
  AppendQueueRow("C:\\Scenes\\b.lws");
  const std::vector<std::string> queueBefore = g.queue.scenePaths;
  std::size_t messages = headless::Messages().size();

  g.currentProjectPath = kProject;
  LoadProject();
  CheckQueueConsistent("after loading");
  if (g.projectLoadFailed) {
    FUZZ_CHECK(g.queue.scenePaths == queueBefore, "a refused project changed the queue");
    FUZZ_CHECK(fuzz::ErrorShown(messages), "a refused project was not reported");
    return 0;
  }
  FUZZ_CHECK(!fuzz::ErrorShown(messages), "a loaded project reported an error");

  // Saved and loaded again, the project gives the same queue.
  const std::vector<std::string> loaded = g.queue.scenePaths;
  const Settings settings = g.settings;
  headless::QueueFileAnswer(kSaved);
  messages = headless::Messages().size();
  SaveProject();
  FUZZ_CHECK(!fuzz::ErrorShown(messages), "saving the loaded project failed");
  g.currentProjectPath = kSaved;
  LoadProject();
  CheckQueueConsistent("after loading the saved project");
  FUZZ_CHECK(!g.projectLoadFailed && !fuzz::ErrorShown(messages), "the saved project was refused");
  FUZZ_CHECK(g.queue.scenePaths == loaded, "the saved project holds another queue");
  FUZZ_CHECK(g.settings.rendererPath == settings.rendererPath &&
                 g.settings.contentDirectory == settings.contentDirectory &&
                 g.settings.lastSceneDirectory == settings.lastSceneDirectory,
             "the saved project holds other settings");
  FUZZ_CHECK(fuzz::FilesIn("C:\\Jobs") == (std::vector<std::string>{"p.tbp", "q.tbp"}),
             "files left beside the projects");
  return 0;
}
