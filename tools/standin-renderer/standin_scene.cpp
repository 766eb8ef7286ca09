// Reading the scene's output keys and naming frame files as LightWave does.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "standin.h"

namespace standin {

namespace {

// Lines end at CR or LF; LightWave writes CR LF, older tools CR or LF alone.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char ch : text) {
    if (ch == '\r' || ch == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line.push_back(ch);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool StartsWithKey(const std::string& line, const char* key, std::string& rest) {
  std::string k = std::string(key) + " ";
  if (line.compare(0, k.size(), k) != 0) return false;
  rest = line.substr(k.size());
  return true;
}

}  // namespace

bool ReadScene(const std::string& path, SceneOutput& out) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  std::vector<std::string> lines = SplitLines(content.str());
  if (lines.empty() || lines[0] != "LWSC") return false;
  double multiplier = 1.0;
  for (const auto& line : lines) {
    std::string rest;
    if (StartsWithKey(line, "FrameSize", rest)) {
      int w = 0, h = 0;
      if (std::sscanf(rest.c_str(), "%d %d", &w, &h) == 2 && w > 0 && h > 0) {
        out.width = w;
        out.height = h;
      }
    } else if (StartsWithKey(line, "ResolutionMultiplier", rest)) {
      multiplier = std::atof(rest.c_str());
    } else if (StartsWithKey(line, "SaveRGB", rest)) {
      out.saveRgb = !rest.empty() && rest[0] == '1';
    } else if (StartsWithKey(line, "SaveRGBImagesPrefix", rest)) {
      out.prefix = rest;
    } else if (StartsWithKey(line, "RGBImageSaver", rest)) {
      out.saver = rest;
    } else if (StartsWithKey(line, "OutputFilenameFormat", rest)) {
      out.filenameFormat = std::atoi(rest.c_str());
    } else if (StartsWithKey(line, "StandinBehaviour", rest)) {
      ApplyBehaviourWords(rest, out.behaviour);
    }
  }
  if (multiplier > 0.0) {
    out.width = static_cast<int>(out.width * multiplier + 0.5);
    out.height = static_cast<int>(out.height * multiplier + 0.5);
  }
  // A test pattern has no need of huge frames.
  if (out.width < 1) out.width = 1;
  if (out.height < 1) out.height = 1;
  if (out.width > 4096) out.width = 4096;
  if (out.height > 4096) out.height = 4096;
  return true;
}

void ApplyBehaviourWords(const std::string& words, Behaviour& behaviour) {
  std::istringstream in(words);
  std::string word;
  while (in >> word) {
    if (word == "crash") {
      behaviour.crash = true;
    } else if (word == "hang") {
      behaviour.hang = true;
    } else if (word == "frameMs" || word == "exit" || word == "after" || word == "failOn") {
      int value = 0;
      if (!(in >> value)) break;
      if (word == "frameMs") behaviour.frameMs = value;
      if (word == "exit") {
        behaviour.exits = true;
        behaviour.exitCode = value;
      }
      if (word == "after") behaviour.failAfter = value;
      if (word == "failOn") {
        behaviour.failOnFrame = true;
        behaviour.failOn = value;
      }
    }
  }
}

std::string SaverExtension(const std::string& saver) {
  std::string last = saver.size() > 5 ? saver.substr(saver.size() - 5) : saver;
  return last.substr(0, 4);
}

std::string FramePath(const SceneOutput& scene, const std::string& contentDir, int frame) {
  int format = scene.filenameFormat;
  if (format < 0 || format > 7) format = 3;
  int digits = (format == 2 || format == 3 || format == 6 || format == 7) ? 4 : 3;
  bool underscore = format >= 4;
  bool extension = format % 2 == 1;
  char counter[32];
  std::snprintf(counter, sizeof counter, "%0*d", digits, frame);
  std::string path = scene.prefix;
  bool absolute = (path.size() > 1 && path[1] == ':') || (!path.empty() && path[0] == '\\');
  if (!absolute) path = contentDir + path;
  path += underscore ? "_" : "";
  path += counter;
  if (extension) path += SaverExtension(scene.saver);
  return path;
}

}  // namespace standin
