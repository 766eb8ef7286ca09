// Scenario "standin": the stand-in lwsn.exe keeps the renderer contract the
// other scenarios rely on: command line, frame files, log, version text and
// the failures it can be told to show, by the environment or by the scene.
#include <cstdio>
#include <vector>

#include "driver.h"

namespace e2e {

namespace {

std::string Scene(const char* saver, int format, const char* prefix) {
  return std::string("LWSC\r\n3\r\n\r\nFirstFrame 1\r\nLastFrame 5\r\nFrameStep 1\r\n") +
         "FrameSize 64 48\r\nSaveRGB 1\r\nSaveRGBImagesPrefix " + prefix + "\r\nRGBImageSaver " + saver +
         "\r\nOutputFilenameFormat " + std::to_string(format) + "\r\n";
}

// Runs the renderer with parameters in folder and waits for its end; the
// exit code, or 259 when it is still running after waitMs (then it is ended).
// pid, when given, receives the process id.
DWORD Render(const std::string& renderer, const std::string& parameters, const std::string& folder,
             int waitMs = 20000, DWORD* pid = nullptr) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string commandLine = "\"" + renderer + "\"" + parameters;
  if (!CreateProcessA(renderer.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &si, &pi))
    return 0xFFFFFFFF;
  if (pid) *pid = pi.dwProcessId;
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(waitMs)) == WAIT_OBJECT_0)
    GetExitCodeProcess(pi.hProcess, &code);
  else
    TerminateProcess(pi.hProcess, 0);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return code;
}

unsigned Word(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// The first NUL-, CR- or LF-separated run holding "$VER:".
std::string VersionText(const std::string& binary) {
  size_t at = binary.find("$VER:");
  if (at == std::string::npos) return {};
  size_t start = binary.find_last_of(std::string("\0\r\n", 3), at);
  start = start == std::string::npos ? 0 : start + 1;
  size_t end = binary.find_first_of(std::string("\0\r\n", 3), at);
  return binary.substr(start, end - start);
}

void CheckVersion(const Setup& setup) {
  std::string version = VersionText(ReadFile(setup.renderer));
  Check(version.size() >= 49 && version.substr(46, 3) == "690", "lwsn.exe: build 690 at characters 47 to 49",
        version);
  std::string old = Join(setup.renderer.substr(0, setup.renderer.find_last_of('\\')), "lwsn_old.exe");
  version = VersionText(ReadFile(old));
  Check(version.size() >= 49 && version.substr(46, 3) == "600", "lwsn_old.exe: build 600", version);
}

void CheckTgaFrames(const Setup& setup, const std::string& content, const std::string& folder) {
  MakeFolders(Join(content, "Renders"));
  WriteText(Join(content, "tga.lws"), Scene("LW_TGA24(.tga)", 5, "Renders\\shot"));
  DWORD code = Render(setup.renderer, " -3 -q -d" + content + "\\ -llwsn_tallowbridge.log tga.lws 1 5 2", folder);
  Check(code == 0, "stand-in: exit code 0 after rendering", std::to_string(code));
  for (const char* name : {"shot_001.tga", "shot_003.tga", "shot_005.tga"}) {
    std::string frame = ReadFile(Join(Join(content, "Renders"), name));
    Check(frame.size() == 18 + 64 * 48 * 3 && frame[2] == 2 && Word(frame, 12) == 64 && Word(frame, 14) == 48 &&
              frame[16] == 24,
          std::string("stand-in: TGA frame ") + name + " in the scene's frame size");
  }
  Check(!Exists(Join(Join(content, "Renders"), "shot_002.tga")), "stand-in: the frame step is kept");
  std::string log = ReadFile(Join(folder, "lwsn_tallowbridge.log"));
  Check(!log.empty() && log.find('\n') == std::string::npos && log.back() == '\r',
        "stand-in: log in the working folder with CR-separated lines");
}

void CheckBmpFramesWithBlanks(const Setup& setup, const std::string& content, const std::string& folder) {
  std::string blanks = Join(content, "with blanks");
  std::string out = Join(blanks, "out dir");
  MakeFolders(out);
  WriteText(Join(blanks, "my scene.lws"), Scene("LW_BMP24(.bmp)", 2, (out + "\\img").c_str()));
  // Quoted by the Windows rules: a trailing backslash doubled before the quote.
  DWORD code = Render(setup.renderer, " -3 -q \"-d" + blanks + "\\\\\" \"" + Join(blanks, "my scene.lws") + "\" 7 8 1",
                      folder);
  Check(code == 0, "stand-in: quoted paths with blanks", std::to_string(code));
  std::string frame = ReadFile(Join(out, "img0007"));
  Check(frame.size() == 54 + 64 * 48 * 3 && frame.compare(0, 2, "BM") == 0,
        "stand-in: BMP frame img0007 without extension for format 2");
  Check(Exists(Join(out, "img0008")), "stand-in: 4-digit counter for format 2");
}

void CheckFailures(const Setup& setup, const std::string& content, const std::string& folder) {
  std::string parameters = " -3 -q -d" + content + "\\ tga.lws 1 2 1";
  SetEnvironmentVariableA("TB_STANDIN_EXIT", "5");
  Check(Render(setup.renderer, parameters, folder) == 5, "stand-in: TB_STANDIN_EXIT gives that exit code");
  SetEnvironmentVariableA("TB_STANDIN_EXIT", nullptr);
  SetEnvironmentVariableA("TB_STANDIN_CRASH", "1");
  DWORD crash = Render(setup.renderer, parameters, folder);
  Check(static_cast<int>(crash) < 0, "stand-in: TB_STANDIN_CRASH ends with a negative code",
        std::to_string(static_cast<int>(crash)));
  SetEnvironmentVariableA("TB_STANDIN_CRASH", nullptr);
  SetEnvironmentVariableA("TB_STANDIN_HANG", "1");
  Check(Render(setup.renderer, parameters, folder, 1500) == STILL_ACTIVE, "stand-in: TB_STANDIN_HANG keeps running");
  SetEnvironmentVariableA("TB_STANDIN_HANG", nullptr);
  Check(Render(setup.renderer, " -3 -q -d" + content + "\\ missing.lws 1 2 1", folder) == 2,
        "stand-in: a missing scene gives exit code 2");
}

// The frame files of "orders.lws" (format 1: shot001.tga ...) present.
std::string FramesThere(const std::string& renders) {
  std::string there;
  for (int frame = 1; frame <= 5; ++frame) {
    std::string name = "shot00" + std::to_string(frame) + ".tga";
    if (!Exists(Join(renders, name))) continue;
    if (!there.empty()) there += ' ';
    there += name;
  }
  return there;
}

// Orders written into the scene: each scene of a queue can behave its own
// way, and a scene's order wins over the environment's.
void CheckSceneOrders(const Setup& setup, const std::string& content, const std::string& folder) {
  const std::string renders = Join(content, "Orders");
  const std::string scene = Join(content, "orders.lws");
  const std::string parameters = " -3 -q -d" + content + "\\ orders.lws 1 5 1";
  MakeFolders(renders);
  auto order = [&](const std::string& lines) {
    for (int frame = 1; frame <= 5; ++frame)
      DeleteFileA(Join(renders, "shot00" + std::to_string(frame) + ".tga").c_str());
    WriteText(scene, Scene("LW_TGA24(.tga)", 1, "Orders\\shot") + lines);
  };

  order("StandinBehaviour exit 7 after 2\r\n");
  Check(Render(setup.renderer, parameters, folder) == 7, "stand-in: 'exit 7 after 2' in the scene gives exit code 7");
  Check(FramesThere(renders) == "shot001.tga shot002.tga", "stand-in: two frames before the failure",
        FramesThere(renders));

  order("StandinBehaviour crash after 1\r\n");
  DWORD crash = Render(setup.renderer, parameters, folder);
  Check(static_cast<int>(crash) < 0, "stand-in: 'crash after 1' ends with a negative code",
        std::to_string(static_cast<int>(crash)));
  Check(FramesThere(renders) == "shot001.tga", "stand-in: one frame before the crash", FramesThere(renders));

  order("StandinBehaviour hang after 3\r\n");
  Check(Render(setup.renderer, parameters, folder, 2000) == STILL_ACTIVE, "stand-in: 'hang after 3' keeps running");
  Check(FramesThere(renders) == "shot001.tga shot002.tga shot003.tga", "stand-in: three frames before the hang",
        FramesThere(renders));

  // The environment asks for no delay; the scene for 300 ms a frame.
  order("StandinBehaviour frameMs 300\r\n");
  DWORD start = GetTickCount();
  DWORD code = Render(setup.renderer, parameters, folder);
  DWORD took = GetTickCount() - start;
  Check(code == 0 && took >= 1500, "stand-in: 'frameMs 300' makes five frames take 1.5 s or more",
        std::to_string(took) + " ms, exit code " + std::to_string(code));
  Check(FramesThere(renders) == "shot001.tga shot002.tga shot003.tga shot004.tga shot005.tga",
        "stand-in: all five frames without a failure order", FramesThere(renders));

  SetEnvironmentVariableA("TB_STANDIN_EXIT", "5");
  SetEnvironmentVariableA("TB_STANDIN_FAIL_AFTER", "1");
  order("StandinBehaviour after 4\r\n");
  code = Render(setup.renderer, parameters, folder);
  Check(code == 5 && FramesThere(renders) == "shot001.tga shot002.tga shot003.tga shot004.tga",
        "stand-in: the scene's 'after 4' wins over TB_STANDIN_FAIL_AFTER=1",
        FramesThere(renders) + ", exit code " + std::to_string(code));
  SetEnvironmentVariableA("TB_STANDIN_EXIT", nullptr);
  SetEnvironmentVariableA("TB_STANDIN_FAIL_AFTER", nullptr);

  // The process id for a test that looks at the renderer's process.
  const std::string pidFile = Join(folder, "lwsn.pid");
  SetEnvironmentVariableA("TB_STANDIN_PID_FILE", pidFile.c_str());
  DWORD pid = 0;
  Render(setup.renderer, parameters, folder, 20000, &pid);
  SetEnvironmentVariableA("TB_STANDIN_PID_FILE", nullptr);
  Check(ReadFile(pidFile) == std::to_string(pid) + "\n", "stand-in: TB_STANDIN_PID_FILE holds its process id",
        ReadFile(pidFile));
}

}  // namespace

int ScenarioStandIn(const Setup& setup) {
  std::string content = Join(setup.work, "Content");
  std::string folder = Join(setup.work, "Programs");
  if (!Check(MakeFolders(content) && MakeFolders(folder), "folders prepared")) return 1;
  SetEnvironmentVariableA("TB_STANDIN_FRAME_MS", "0");
  CheckVersion(setup);
  CheckTgaFrames(setup, content, folder);
  CheckBmpFramesWithBlanks(setup, content, folder);
  CheckFailures(setup, content, folder);
  CheckSceneOrders(setup, content, folder);
  SetEnvironmentVariableA("TB_STANDIN_FRAME_MS", nullptr);
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
