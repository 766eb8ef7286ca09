// A program with scenes to render: scenes C:\S\s1.lws ... whose frames go to
// C:\Out\s1\img0001.tga ..., added through "Add Scene", and a renderer whose
// frames and exit the test writes.
#pragma once

#include <filesystem>
#include <string>

#include "support/test_support.h"
#include "ui/main_window.h"

class RenderingTest : public ProgramTest {
 protected:
  // Scenes 1 to count, each with frames 1 to `last`.
  static void Scenes(int count, int last = 3) {
    // The folder the scenes' output folders are made in.
    std::filesystem::create_directories(headless::HostPath("C:\\Out"));
    for (int i = 1; i <= count; ++i) {
      std::string n = std::to_string(i);
      WriteWinFile("C:\\S\\s" + n + ".lws", MakeScene(1, last, 1, "C:\\Out\\s" + n + "\\img"));
    }
  }
  static void AddScenes(int count) {
    for (int i = 1; i <= count; ++i) {
      headless::QueueFileAnswer("C:\\S\\s" + std::to_string(i) + ".lws");
      headless::PushGadget(kAddSceneButton);
    }
  }
  // The renderer of the last launch writes these frames of scene n.
  static void RenderFrames(int scene, int from, int to) {
    for (int f = from; f <= to; ++f) {
      std::string number = std::to_string(10000 + f).substr(1);
      WriteWinFile("C:\\Out\\s" + std::to_string(scene) + "\\img" + number + ".tga", "frame");
    }
  }
  static void EndLastLaunch(int exitCode) { headless::SetExitCode(headless::Launches().back().handle, exitCode); }
};
