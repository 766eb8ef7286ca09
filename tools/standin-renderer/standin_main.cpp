// A stand-in for LightWave's command-line renderer lwsn.exe, for tests:
//   lwsn.exe -3 -q -d<content dir> [-l<log name>] <scene> <first> <last> <step>
// It writes one test-pattern frame file per frame where the scene says, keeps
// a CR-separated log in its working directory when asked, and can be told by
// environment variables, or per scene by "StandinBehaviour" lines in the
// scene, to be slow, fail, crash or hang (see README.md).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "standin.h"

#ifndef STANDIN_BUILD
#define STANDIN_BUILD "690"
#endif

namespace {

// The version text Tallowbridge reads: a NUL-separated run holding "$VER:",
// whose characters 47 to 49 are the build number.
#define STANDIN_VERSION_PREFIX "$VER: lwsn stand-in (Tallowbridge test) build "
static_assert(sizeof(STANDIN_VERSION_PREFIX) - 1 == 46, "the build must start at character 47");
extern const char kVersion[];
const char kVersion[] = "\0" STANDIN_VERSION_PREFIX STANDIN_BUILD " (c) stand-in\0";

struct Arguments {
  std::string contentDir;
  std::string logName;
  std::string scene;
  int first = 1, last = 1, step = 1;
};

int EnvNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::atoi(value) : fallback;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Options first, then the scene and three numbers. An unquoted scene path
// with blanks arrives in pieces; the pieces are joined again when the joined
// name is an existing file.
bool ParseArguments(int argc, char** argv, Arguments& args) {
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (rest.empty() && a.size() >= 2 && a[0] == '-') {
      if (a[1] == 'd') args.contentDir = a.substr(2);
      if (a[1] == 'l') args.logName = a.substr(2);
      continue;
    }
    rest.push_back(a);
  }
  if (rest.size() < 4) return false;
  size_t n = rest.size();
  args.first = std::atoi(rest[n - 3].c_str());
  args.last = std::atoi(rest[n - 2].c_str());
  args.step = std::atoi(rest[n - 1].c_str());
  args.scene = rest[n - 4];
  for (size_t start = 0; start + 4 < n; ++start) {
    std::string joined = rest[start];
    for (size_t k = start + 1; k <= n - 4; ++k) joined += " " + rest[k];
    if (Exists(joined)) {
      args.scene = joined;
      break;
    }
  }
  return true;
}

std::string InContent(const std::string& path, const std::string& contentDir) {
  bool absolute = (path.size() > 1 && path[1] == ':') || (!path.empty() && path[0] == '\\');
  return absolute ? path : contentDir + path;
}

// The log is rewritten whole after every line so that a reader always sees
// complete lines.
struct Log {
  std::string name;
  std::string text;
  void Line(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (name.empty()) return;
    text += line + "\r";
    if (std::FILE* f = std::fopen(name.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
  }
};

// Records this process's id, so that a test can look at the process itself,
// and then the exact command line and working directory: once a test sees
// the command line, the id beside it is this run's.
void RecordInvocation() {
  const char* pidFile = std::getenv("TB_STANDIN_PID_FILE");
  if (pidFile && *pidFile) {
    // Written beside and then moved over the old file, so that a reader never
    // sees a half-written id.
    std::string temporary = std::string(pidFile) + ".new";
    if (std::FILE* f = std::fopen(temporary.c_str(), "wb")) {
      std::fprintf(f, "%lu\n", static_cast<unsigned long>(GetCurrentProcessId()));
      std::fclose(f);
      MoveFileExA(temporary.c_str(), pidFile, MOVEFILE_REPLACE_EXISTING);
    }
  }
  const char* file = std::getenv("TB_STANDIN_ARGS_FILE");
  if (file && *file) {
    char cwd[MAX_PATH * 4] = {};
    GetCurrentDirectoryA(sizeof cwd, cwd);
    if (std::FILE* f = std::fopen(file, "ab")) {
      std::fprintf(f, "%s\n%s\n", GetCommandLineA(), cwd);
      std::fclose(f);
    }
  }
}

// The environment's orders; the scene's "StandinBehaviour" lines may
// change them when it is read.
standin::Behaviour BehaviourFromEnvironment() {
  standin::Behaviour b;
  b.frameMs = EnvNumber("TB_STANDIN_FRAME_MS", b.frameMs);
  b.failAfter = EnvNumber("TB_STANDIN_FAIL_AFTER", 0);
  b.crash = EnvNumber("TB_STANDIN_CRASH", 0) != 0;
  b.hang = EnvNumber("TB_STANDIN_HANG", 0) != 0;
  const char* code = std::getenv("TB_STANDIN_EXIT");
  b.exits = code && *code;
  b.exitCode = b.exits ? std::atoi(code) : 0;
  return b;
}

// The failure asked for, once failAfter frames are done.
void FailIfAsked(const standin::Behaviour& b, Log& log) {
  if (b.crash) {
    log.Line("Crashing as asked.");
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  }
  if (b.hang) {
    log.Line("Hanging as asked.");
    for (;;) Sleep(60000);
  }
  if (b.exits) {
    log.Line("Failing as asked.");
    ExitProcess(static_cast<UINT>(b.exitCode));
  }
}

}  // namespace

int main(int argc, char** argv) {
  RecordInvocation();
  Arguments args;
  Log log;
  if (!ParseArguments(argc, argv, args)) {
    std::fprintf(stderr, "usage: lwsn -3 -q -d<content> [-l<log>] <scene> <first> <last> <step>\n");
    return 1;
  }
  log.name = args.logName;
  log.Line(std::string("LightWave command-line renderer ") + (kVersion + 1));
  std::string scenePath = InContent(args.scene, args.contentDir);
  standin::SceneOutput scene;
  scene.behaviour = BehaviourFromEnvironment();
  log.Line("Loading scene " + scenePath);
  if (!standin::ReadScene(scenePath, scene)) {
    log.Line("Cannot read scene " + scenePath);
    return 2;
  }
  const standin::Behaviour& behaviour = scene.behaviour;
  int step = args.step > 0 ? args.step : 1;
  int done = 0;
  for (int frame = args.first; frame <= args.last; frame += step) {
    if (behaviour.failOnFrame ? frame == behaviour.failOn : done == behaviour.failAfter) FailIfAsked(behaviour, log);
    if (behaviour.frameMs > 0) Sleep(static_cast<DWORD>(behaviour.frameMs));
    if (scene.saveRgb && !scene.prefix.empty()) {
      std::string path = standin::FramePath(scene, args.contentDir, frame);
      if (!standin::WriteFrameImage(path, standin::SaverExtension(scene.saver), scene.width, scene.height,
                                    frame)) {
        log.Line("Cannot write " + path);
        return 3;
      }
      log.Line("Frame " + std::to_string(frame) + " saved as " + path);
    } else {
      log.Line("Frame " + std::to_string(frame) + " rendered (not saved)");
    }
    ++done;
  }
  if (!behaviour.failOnFrame) FailIfAsked(behaviour, log);
  log.Line("Rendering done.");
  return 0;
}
