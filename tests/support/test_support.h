// Shared set-up for the headless tests: a fresh temporary drive folder per
// test, the headless backend reset onto it, and the program state reset.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/headless/headless.h"

// Real LightWave scenes kept beside the project.
std::string SceneSamplePath(const std::string& name);
std::string ReadHostFile(const std::string& hostPath);
void WriteHostFile(const std::string& hostPath, const std::string& bytes);
// Windows-path conveniences over the headless drive mapping.
std::string ReadWinFile(const std::string& windowsPath);
void WriteWinFile(const std::string& windowsPath, const std::string& bytes);
bool WinFileExists(const std::string& windowsPath);

// A scene file LightWave could have written: CR LF line ends, the frame
// range, and the output lines when outputPrefix is not empty (a full path
// such as C:\Out\img) with the TGA saver and the given filename format.
// The settings file with every default, the main window's frame at 233, 177:
// the described 14 lines every save writes while no addition is changed.
extern const std::string kDefaultsAt233x177;

// A TGA frame of 2 x 2 pixels at 24 bits, whole or cut after `keep` bytes.
std::string SmallTga(std::size_t keep = std::string::npos);

std::string MakeScene(int first, int last, int step, const std::string& outputPrefix = "",
                      const std::string& filenameFormat = "3");

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string root_;   // host folder holding the drive folders
};

// The program started as a returning user would find it: the settings file
// names C:\LW\Programs\lwsn.exe, so start-up goes straight to the main window.
class ProgramTest : public HeadlessTest {
 protected:
  void SetUp() override;
  // Starts the program. Each step runs once the events pushed before it are
  // handled; the program ends when a step pushes nothing and none is left.
  static void Run(std::vector<std::function<void()>> steps);
  static std::vector<std::string> Lines(int control);   // list items
  static std::string Text(int control);
  static bool Enabled(int control);
  static int State(int control);
};
