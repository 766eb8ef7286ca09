#include "scene/scene_layout.h"

#include "core/text.h"
#include "scene/line_stream.h"

namespace {

// The rest of the line after key (which ends in its blank), when the line
// starts with it.
bool TakeKey(std::string_view line, std::string_view key, std::string_view& rest) {
  if (!StartsWith(line, key)) return false;
  rest = line.substr(key.size());
  return true;
}

// The first line of a key wins: a camera's plugin blocks further down may
// use the same words.
void KeepFirst(LayoutLine& slot, int lineNumber, std::string_view value) {
  if (slot.Found()) return;
  slot.line = lineNumber;
  slot.value.assign(value);
}

bool IsAddCameraLine(std::string_view line) { return line == "AddCamera" || StartsWith(line, "AddCamera "); }

// A camera's settings end at its handler plugin; a camera damaged without
// one ends where the next item of the scene starts.
bool EndsCamera(std::string_view line) {
  return StartsWith(line, "Plugin CameraHandler") || StartsWith(line, "Add") || StartsWith(line, "Load");
}

void TakeCameraLine(SceneCamera& camera, int n, std::string_view line) {
  std::string_view rest;
  if (TakeKey(line, "FrameSize ", rest)) KeepFirst(camera.frameSize, n, rest);
  else if (TakeKey(line, "ResolutionMultiplier ", rest)) KeepFirst(camera.multiplier, n, rest);
  else if (TakeKey(line, "PixelAspect ", rest)) KeepFirst(camera.pixelAspect, n, rest);
  else if (TakeKey(line, "UseGlobalResolution ", rest)) KeepFirst(camera.useGlobal, n, rest);
  else if (TakeKey(line, "AASamples ", rest)) KeepFirst(camera.aaSamples, n, rest);
  else if (TakeKey(line, "MinimumSamples ", rest)) KeepFirst(camera.minimumSamples, n, rest);
  else if (TakeKey(line, "MaximumSamples ", rest)) KeepFirst(camera.maximumSamples, n, rest);
}

std::string Samples(const std::string& count) { return count + (count == "1" ? " sample" : " samples"); }

}  // namespace

void LayoutScan::Take(std::string_view line) {
  const int n = ++lineNumber_;
  if (n == 2) {
    // A format line that is no number is read as the oldest format. It is
    // still looked at as any other line: a damaged scene may hold a key there.
    std::int32_t format = ReadNumber(line);
    layout_.format = format > 0 ? format : 1;
  }
  // The output lines are counted wherever they stand, as the rewrites that
  // rely on these counts take them wherever they stand.
  if (StartsWith(line, "SaveRGBImagesPrefix ")) ++layout_.prefixLines;
  else if (StartsWith(line, "RGBImageSaver ")) ++layout_.saverLines;
  else if (StartsWith(line, "SaveRGB 1")) ++layout_.savingOnLines;
  if (IsAddCameraLine(line)) {
    layout_.cameras.emplace_back();
    inCamera_ = true;
    return;
  }
  if (inCamera_ && EndsCamera(line)) inCamera_ = false;
  if (inCamera_) {
    TakeCameraLine(layout_.cameras.back(), n, line);
    return;
  }
  std::string_view rest;
  if (TakeKey(line, "CurrentCamera ", rest)) {
    layout_.currentCamera.line = n;
    layout_.currentCamera.value.assign(rest);
  } else if (TakeKey(line, "GlobalFrameSize ", rest)) {
    KeepFirst(layout_.globalFrameSize, n, rest);
  } else if (TakeKey(line, "GlobalMultiplier ", rest)) {
    KeepFirst(layout_.globalMultiplier, n, rest);
  } else if (TakeKey(line, "GlobalPixelAspect ", rest)) {
    KeepFirst(layout_.globalPixelAspect, n, rest);
  }
}

RenderingResolution SceneLayout::Rendering() const {
  RenderingResolution r;
  if (cameras.empty()) return r;
  // A number past the cameras (a damaged scene) falls back to the first
  // camera, as LightWave does; nothing is said about it.
  std::int32_t named = currentCamera.Found() ? ReadNumber(currentCamera.value) : 0;
  r.camera = named >= 0 && static_cast<std::size_t>(named) < cameras.size() ? named : 0;
  const SceneCamera& camera = cameras[static_cast<std::size_t>(r.camera)];
  r.samplingText = CameraSamplingText(camera);
  r.global = Trim(camera.useGlobal.value) == "1";
  if (r.global) {
    r.frameSize = globalFrameSize;
    r.multiplier = globalMultiplier;
    r.pixelAspect = globalPixelAspect;
  } else {
    r.frameSize = camera.frameSize;
    r.multiplier = camera.multiplier;
    r.pixelAspect = camera.pixelAspect;
  }
  return r;
}

std::string CameraSamplingText(const SceneCamera& camera) {
  std::string minimum = Trim(camera.minimumSamples.value);
  std::string maximum = Trim(camera.maximumSamples.value);
  if (camera.minimumSamples.Found() && camera.maximumSamples.Found())
    return "Camera: " + (minimum == maximum ? Samples(minimum) : minimum + " to " + Samples(maximum));
  if (camera.aaSamples.Found()) return "Camera: " + Samples(Trim(camera.aaSamples.value));
  return "Camera: samples not found";
}

bool ScanSceneLayout(const std::string& path, SceneLayout& layout) {
  LineStream lines;
  if (!lines.Open(path)) return false;
  LayoutScan scan;
  for (std::string_view withEnd; lines.Next(withEnd);)
    scan.Take(withEnd.substr(0, withEnd.size() - (withEnd.back() == '\n' ? 2 : 1)));
  if (lines.Failed()) return false;
  layout = scan.Layout();
  return true;
}
