#include "scene_bench_scene.h"

#include <cstdint>
#include <cstdio>

namespace {

// Deterministic numbers, so every run measures the same file.
std::uint64_t state = 0x9e3779b97f4a7c15ull;
double NextValue() {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<double>(state >> 11) / 9007199254740992.0 * 20.0 - 10.0;
}

void Line(std::string& out, const std::string& text) { out += text + "\r\n"; }

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

void AppendHeader(std::string& out) {
  for (const char* line : {"LWSC", "3", "", "RenderRangeType 0", "FirstFrame 1", "LastFrame 300", "FrameStep 1",
                           "RenderRangeObject 0", "RenderRangeArbitrary 1-300", "PreviewFirstFrame 0",
                           "PreviewLastFrame 300", "PreviewFrameStep 1", "CurrentFrame 0", "FramesPerSecond 25",
                           "ChangeScene 0", ""})
    Line(out, line);
}

void AppendEnvelope(std::string& out, int channel, int keys) {
  Line(out, "Channel " + std::to_string(channel));
  Line(out, "{ Envelope");
  Line(out, "  " + std::to_string(keys));
  for (int k = 0; k < keys; ++k)
    Line(out, "  Key " + Number(NextValue()) + " " + Number(k / 25.0) + " 0 0 0 0 " + Number(NextValue()) + " " +
                  Number(NextValue()) + " 0");
  Line(out, "  Behaviors 1 1");
  Line(out, "}");
}

void AppendObject(std::string& out, int number) {
  Line(out, "LoadObjectLayer 1 " + std::to_string(10000000 + number) + " Objects\\Props\\part_" +
                std::to_string(number) + ".lwo");
  Line(out, "ChangeObject 0");
  Line(out, "ShowObject 7 -1 0.376471 0.878431 0.941176");
  Line(out, "Group 0");
  Line(out, "ObjectMotion");
  Line(out, "NumChannels 9");
  for (int c = 0; c < 9; ++c) AppendEnvelope(out, c, 1 + static_cast<int>(state % 6));
  for (const char* line : {"IKInitCustomFrame 0", "GoalStrength 1", "IKFKBlending 0", "IKSoftMin 0.25",
                           "IKSoftMax 0.75", "CtrlPosItemBlend 1", "CtrlRotItemBlend 1", "CtrlScaleItemBlend 1", "",
                           "PathAlignLookAhead 0.033", "PathAlignMaxLookSteps 10", "PathAlignReliableDist 0.001",
                           "IKInitialState 0", "SubPatchLevel 3 3", "APSDisplay", "{ APS", "  Version 1",
                           "  Method 0", "  { VParm", "    { ObjectLevel", "      0", "      { VariantParameter",
                           "        3", "        0", "        { ParameterValue", "          3", "          0",
                           "        }", "      }", "    }", "  }", "}", "ShadowOptions 7", ""})
    Line(out, line);
}

void AppendRenderSettings(std::string& out) {
  for (const char* line :
       {"AddCamera 30000000", "CameraName Camera", "ShowCamera 1 -1 0.125490 0.878431 0.125490",
        "ZoomFactor 3.2", "ResolutionMultiplier 1.0", "FrameSize 720 576", "PixelAspect 1.0667",
        "MaskPosition 0 0 720 576", "MotionBlur 0", "", "GlobalFrameSize 720 576", "GlobalMultiplier 1.0", "",
        "Antialiasing 2", "EnhancedAA 1", "AdaptiveSampling 1", "", "SolidBackdrop 1", "BackdropColor 0 0 0", "",
        "RenderMode 2", "RayTraceEffects 0", "RayRecursionLimit 16", "DataOverlayLabel  ",
        "OutputFilenameFormat 3", "SaveRGB 1", "SaveRGBImagesPrefix C:\\renders\\shot01\\frame_",
        "RGBImageSaver LW_TGA24(.tga)", "SaveAlpha 0", "", "ViewConfiguration 0", "DefineView 0", "ViewType 7",
        "GridNumber 80", "GridSize 1", "CurrentObject 0", "CurrentLight 0", "CurrentCamera 0"})
    Line(out, line);
}

}  // namespace

std::string GenerateLargeScene(std::size_t targetBytes) {
  std::string out;
  out.reserve(targetBytes + (1 << 20));
  AppendHeader(out);
  for (int number = 0; out.size() < targetBytes - 4096; ++number) AppendObject(out, number);
  AppendRenderSettings(out);
  return out;
}
