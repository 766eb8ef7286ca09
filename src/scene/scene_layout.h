// Where a scene keeps the values that render. LightWave 7 and 8 (scene
// format 1 to 3, the number on the line after "LWSC") keep the frame size and
// frame scale at the top level. From LightWave 9 on (format 4 and later) each
// camera has its own, and the one that renders is the camera `CurrentCamera`
// names, or the global values when that camera says `UseGlobalResolution 1`.
// Antialiasing is then the camera's sampling; the top-level `Antialiasing`
// lines are left over from older versions and the renderer ignores them.
//
// The layout is found in one pass over the scene's lines, fed in order; the
// reader feeds it while it reads, a rewrite scans the scene first so that it
// knows which lines it replaces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A value of the scene and the number of the line that holds it (from 1);
// line 0: the scene has no such line.
struct LayoutLine {
  int line = 0;
  std::string value;
  bool Found() const { return line != 0; }
};

// A camera's own lines: the first of each key between its `AddCamera` line
// and the end of its settings (its `Plugin CameraHandler` line, or the next
// item of the scene).
struct SceneCamera {
  LayoutLine frameSize, multiplier, pixelAspect;
  LayoutLine useGlobal, aaSamples, minimumSamples, maximumSamples;
};

// The frame size, frame scale and pixel aspect that render, wherever they
// stand.
struct RenderingResolution {
  LayoutLine frameSize, multiplier, pixelAspect;
  bool global = false;   // the global values, not the camera's own
  int camera = -1;       // the rendering camera (0-based); -1: the scene has none
  std::string samplingText;
};

struct SceneLayout {
  int format = 1;
  std::vector<SceneCamera> cameras;
  LayoutLine globalFrameSize, globalMultiplier, globalPixelAspect;
  LayoutLine currentCamera;   // the last `CurrentCamera` line
  int prefixLines = 0;        // lines starting "SaveRGBImagesPrefix "
  int saverLines = 0;         // lines starting "RGBImageSaver "
  int savingOnLines = 0;      // lines starting "SaveRGB 1"

  // Format 4 and later: per-camera frame size and sampling.
  bool PerCamera() const { return format >= 4; }
  // The camera `CurrentCamera` names, the first one when it names none of
  // them (or the scene has no such line).
  RenderingResolution Rendering() const;
};

// The first format with the frame size inside each camera.
constexpr int kFirstPerCameraFormat = 4;

class LayoutScan {
 public:
  // Line n of the scene, without its line end; lines come in order from 1.
  void Take(std::string_view line);
  const SceneLayout& Layout() const { return layout_; }

 private:
  SceneLayout layout_;
  int lineNumber_ = 0;
  bool inCamera_ = false;
};

// Scans the scene at path; false, after the line reader's beeps, when it
// has no line or cannot be read to its end.
bool ScanSceneLayout(const std::string& path, SceneLayout& layout);

// "Camera: 1 to 8 samples" from the camera's minimum and maximum samples,
// or its AASamples where those are missing.
std::string CameraSamplingText(const SceneCamera& camera);

// Shown for a frame size the rendering camera has no line for.
inline constexpr const char* kFrameSizeNotFound = "Not found";
