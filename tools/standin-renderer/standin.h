// The stand-in renderer's pieces: what it reads from a scene, how it names
// and draws frames.
#pragma once

#include <string>

namespace standin {

// Orders for the stand-in itself, from the environment and from the scene's
// "StandinBehaviour" lines; a value the scene gives wins.
struct Behaviour {
  int frameMs = 200;      // time per frame
  int failAfter = 0;      // frames rendered before the failure below
  bool failOnFrame = false;   // the failure comes at frame failOn instead, in any run that reaches it
  int failOn = 0;
  bool exits = false;     // exit with exitCode instead of finishing
  int exitCode = 0;
  bool crash = false;     // end with an access violation
  bool hang = false;      // stop working and wait forever
};

struct SceneOutput {
  int width = 640;
  int height = 480;
  bool saveRgb = false;
  std::string prefix;        // SaveRGBImagesPrefix: directory and name start
  std::string saver;         // RGBImageSaver value
  int filenameFormat = 3;    // OutputFilenameFormat 0..7
  Behaviour behaviour;
};

// Reads the render keys of a scene file and its "StandinBehaviour" lines
// into out (whose behaviour holds the environment's orders beforehand);
// false when it cannot be read or is not a scene.
bool ReadScene(const std::string& path, SceneOutput& out);

// Applies the words of one "StandinBehaviour" line: "frameMs N", "exit N",
// "crash", "hang", "after N", in any order and number. Unknown words are
// passed over.
void ApplyBehaviourWords(const std::string& words, Behaviour& behaviour);

// Full path of the frame file for one frame, by the scene's prefix, counter
// format and saver extension; relative prefixes lie in the content directory.
std::string FramePath(const SceneOutput& scene, const std::string& contentDir, int frame);

// Extension of a saver value: "LW_TGA24(.tga)" gives ".tga".
std::string SaverExtension(const std::string& saver);

// Writes a test pattern for one frame: TGA for ".tga", BMP otherwise.
bool WriteFrameImage(const std::string& path, const std::string& extension, int width, int height,
                     int frame);

}  // namespace standin
