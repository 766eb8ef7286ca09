// Start, end, drives and the program directory of the headless backend.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/headless/headless_internal.h"

namespace fs = std::filesystem;
using headless::detail::S;

namespace headless::detail {

State& S() {
  static State state;
  return state;
}

void Record(const std::string& line) { S().log.push_back(line); }

static std::string Absolute(const std::string& path) {
  bool hasDrive = path.size() >= 2 && path[1] == ':';
  bool unc = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
  if (hasDrive || unc) return path;
  if (!path.empty() && path[0] == '\\') return S().programDirectory.substr(0, 2) + path;
  return S().programDirectory + path;
}

std::string Normalised(const std::string& windowsPath) {
  std::string out = Absolute(windowsPath);
  for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Host(const std::string& windowsPath) {
  std::string path = Absolute(windowsPath);
  if (path.size() < 2 || path[1] != ':') return {};
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  bool known = false;
  for (const auto& d : S().drives)
    if (!d.empty() && std::toupper(static_cast<unsigned char>(d[0])) == letter) known = true;
  if (!known) return {};
  std::string host = S().root + "/" + std::string(1, letter);
  std::error_code ec;
  fs::create_directories(host, ec);
  std::string rest = path.substr(2);
  for (auto& c : rest)
    if (c == '\\') c = '/';
  if (!rest.empty() && rest[0] != '/') rest = "/" + rest;
  return host + rest;
}

}  // namespace headless::detail

namespace headless {

void Reset(const std::string& root, const std::string& programDirectory) {
  auto& s = S();
  s = detail::State{};
  s.root = root;
  s.programDirectory = programDirectory;
  s.drives = {"C:\\"};
  std::error_code ec;
  fs::create_directories(detail::Host(programDirectory), ec);
}

std::string HostPath(const std::string& windowsPath) { return detail::Host(windowsPath); }
void SetDrives(const std::vector<std::string>& roots) { S().drives = roots; }
const std::vector<std::string>& Log() { return S().log; }
void ClearLog() { S().log.clear(); }

}  // namespace headless

namespace pf {

bool InitPlatform() {
  S().shuttingDown = false;
  return true;
}

void ShutdownPlatform() {
  S().shuttingDown = true;
  S().windows.clear();
  S().trayIcons.clear();
  headless::detail::Record("shutdown");
}

// A test sees the program's ending through a death test: the log goes to
// standard error first, so the test can match what happened before the exit.
void ExitProcessWith(int code) {
  headless::detail::Record("exit " + std::to_string(code));
  for (const auto& line : S().log) std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  std::_Exit(code);
}

std::string ProgramDirectory() { return S().programDirectory; }

}  // namespace pf
