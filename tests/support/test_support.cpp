#include "support/test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/program_state.h"

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
  std::string pattern = (fs::temp_directory_path() / "tbtest-XXXXXX").string();
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
