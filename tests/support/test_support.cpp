#include "support/test_support.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>

#include "core/program_state.h"
#include "core/startup.h"

namespace fs = std::filesystem;

std::string SceneSamplePath(const std::string& name) { return std::string(TB_SCENES_DIR) + "/" + name; }

std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  fs::create_directories(fs::path(hostPath).parent_path());
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadWinFile(const std::string& windowsPath) { return ReadHostFile(headless::HostPath(windowsPath)); }
void WriteWinFile(const std::string& windowsPath, const std::string& bytes) {
  WriteHostFile(headless::HostPath(windowsPath), bytes);
}
bool WinFileExists(const std::string& windowsPath) { return fs::exists(headless::HostPath(windowsPath)); }

void HeadlessTest::SetUp() {
  // Memory-backed when the machine has it: some tests make 100,000 files.
  std::error_code ec;
  fs::path base = fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                                    : fs::temp_directory_path();
  std::string pattern = (base / "tbtest-XXXXXX").string();
  root_ = mkdtemp(pattern.data()) ? pattern : std::string();
  ASSERT_FALSE(root_.empty());
  headless::Reset(root_);
  // A test that clicks what no user could reach has a fault of its own.
  headless::OnUnreachableEvent([](const std::string& why) { ADD_FAILURE() << "headless: " << why; });
  ResetProgramState();
}

void HeadlessTest::TearDown() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::string SmallTga(std::size_t keep) {
  std::string header(18, '\0');
  header[2] = 2;
  header[12] = 2;
  header[14] = 2;
  header[16] = 24;
  return (header + std::string(12, '\x7f')).substr(0, keep);
}

std::string MakeScene(int first, int last, int step, const std::string& outputPrefix,
                      const std::string& filenameFormat) {
  std::string scene = "LWSC\r\n3\r\n\r\nFirstFrame " + std::to_string(first) + "\r\nLastFrame " +
                      std::to_string(last) + "\r\nFrameStep " + std::to_string(step) + "\r\n";
  if (!outputPrefix.empty())
    scene += "SaveRGB 1\r\nOutputFilenameFormat " + filenameFormat + "\r\nSaveRGBImagesPrefix " + outputPrefix +
             "\r\nRGBImageSaver LW_TGA24(.tga)\r\n";
  return scene + "FrameSize 640 480\r\n";
}

void ProgramTest::SetUp() {
  HeadlessTest::SetUp();
  WriteWinFile("C:\\LW\\Programs\\lwsn.exe", "MZ stand-in");
  WriteWinFile("C:\\Tallowbridge\\Tallowbridge.ini",
               "[Required Settings]\r\nLWSN.EXE Location = C:\\LW\\Programs\\lwsn.exe\r\n"
               "Content Directory = C:\\LW\\\r\n[Program Settings]\r\n"
               "Confirm overwrite scene file (if changed) = NO\r\nLoad last project upon startup = NO\r\n"
               "Continue rendering upon startup = NO\r\n");
}

void ProgramTest::Run(std::vector<std::function<void()>> steps) {
  auto next = std::make_shared<std::size_t>(0);
  headless::OnEventsDrained([steps = std::move(steps), next] {
    while (headless::PendingEvents() == 0 && *next < steps.size()) steps[(*next)++]();
    return headless::PendingEvents() > 0;
  });
  StartUp();
}

std::vector<std::string> ProgramTest::Lines(int control) { return headless::Control(control)->items; }
std::string ProgramTest::Text(int control) { return pf::ControlText(control); }
bool ProgramTest::Enabled(int control) { return headless::Control(control)->enabled; }
int ProgramTest::State(int control) { return headless::Control(control)->state; }

const std::string kDefaultsAt233x177 =
    "[Required Settings]\r\n"
    "LWSN.EXE Location = \r\n"
    "Content Directory = \r\n"
    ";\r\n"
    "[Program Settings]\r\n"
    "WindowX = 233\r\n"
    "WindowY = 177\r\n"
    "Timeout = 10\r\n"
    "Load last project upon startup = NO\r\n"
    "Continue rendering upon startup = NO\r\n"
    "Confirm overwrite scene file (if changed) = NO\r\n"
    "Detect mouse inactivity = NO\r\n"
    "Last Saved Project = \r\n"
    "Last Scene Directory = \r\n";
