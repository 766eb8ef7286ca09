// Shared set-up for the headless tests: a fresh temporary drive folder per
// test, the headless backend reset onto it, and the program state reset.
#pragma once

#include <string>

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

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string root_;   // host folder holding the drive folders
};
