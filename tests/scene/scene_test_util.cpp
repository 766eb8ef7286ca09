#include "scene/scene_test_util.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace scenetest {

int QueueScene(const std::string& windowsPath) {
  g.queue.scenePaths.push_back(windowsPath);
  g.queue.displayTexts.push_back(windowsPath);
  g.queue.fields.push_back(SceneEntry{});
  g.queue.renderStates.push_back(0);
  g.queue.count = static_cast<int>(g.queue.scenePaths.size());
  g.queue.currentScene = g.queue.count - 1;
  return g.queue.currentScene;
}

std::string WithCrLfLineEnds(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      out += bytes[i];
      continue;
    }
    out += "\r\n";
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  return out;
}

std::vector<std::string> SplitCrLf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(bytes.substr(start, at - start));
  return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

int FindLine(const std::vector<std::string>& lines, const std::string& text) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == text) return static_cast<int>(i);
  return -1;
}

int CountMessages(const std::string& title) {
  int count = 0;
  for (const auto& m : headless::Messages()) count += m.title == title;
  return count;
}

std::vector<std::string> TemporaryFilesBeside(const std::string& windowsPath) {
  std::vector<std::string> found;
  fs::path folder = fs::path(headless::HostPath(windowsPath)).parent_path();
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(folder, ec)) {
    std::string name = item.path().filename().string();
    if (name.size() >= 5 && name.compare(name.size() - 5, 5, "_temp") == 0) found.push_back(name);
  }
  return found;
}

std::string SampleScene() {
  return JoinCrLf({
      "LWSC",
      "3",
      "",
      "FirstFrame 1",
      "LastFrame 60",
      "FrameStep 1",
      "FramesPerSecond 25",
      "",
      "LoadObjectLayer 1 cube.lwo",
      "ShowObject 7 -1",
      "ResolutionMultiplier 1.0",
      "FrameSize 720 576",
      "PixelAspect 1.0667",
      "GlobalFrameSize 720 576",
      "Antialiasing 2",
      "EnhancedAA 1",
      "AdaptiveSampling 1",
      "RenderMode 2",
      "RayTraceEffects 0",
      "DataOverlayLabel  ",
      "OutputFilenameFormat 3",
      "SaveRGB 1",
      "SaveRGBImagesPrefix D:\\renders\\shot01\\frame_",
      "RGBImageSaver LW_PNG24(.png)",
      "SaveAlpha 0",
      "",
      "ViewConfiguration 0",
  });
}

}  // namespace scenetest
