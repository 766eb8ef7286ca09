// The line reader, the scene check and the reading of a scene's render keys
// on any bytes: the lines and the tail give back the file exactly, the
// check accepts exactly the files whose first line is LWSC, and the entry
// holds what the last line of each key says.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/program_state.h"
#include "fuzz/fuzz_support.h"
#include "platform/headless/headless.h"
#include "scene/line_reader.h"
#include "scene/scene_reader.h"

namespace {

const std::string kScene = "C:\\s\\a.lws";

void CheckLines(std::string_view bytes) {
  int count = LineReaderOpen(kScene);
  auto lines = fuzz::SceneLines(bytes);
  FUZZ_CHECK(static_cast<std::size_t>(count) == lines.size(),
              "line count " + std::to_string(count) + ", CRs " + std::to_string(lines.size()));
  std::string whole;
  for (int n = 1; n <= count; ++n) {
    std::string_view line = LineReaderLine(n);
    FUZZ_CHECK(line == lines[n - 1], "line " + std::to_string(n) + " differs");
    std::string_view withEnd = LineReaderLineWithEnd(n);
    FUZZ_CHECK(withEnd.substr(0, line.size()) == line, "line " + std::to_string(n) + " with its end differs");
    whole.append(withEnd);
  }
  whole.append(LineReaderTail());
  FUZZ_CHECK(whole == bytes, "lines and tail do not give back the file");
  FUZZ_CHECK(LineReaderLine(0).empty() && LineReaderLine(count + 1).empty(), "a line outside the file");
  LineReaderClose();
  FUZZ_CHECK(LineReaderCount() == 0 && LineReaderTail().empty(), "the reader holds a closed file");
}

void CheckSceneTest(std::string_view bytes) {
  auto lines = fuzz::SceneLines(bytes);
  bool scene = !lines.empty() && lines[0] == "LWSC";
  std::size_t messages = headless::Messages().size();
  FUZZ_CHECK(CheckSceneFile(kScene) == scene, "the scene check is wrong");
  FUZZ_CHECK(headless::Messages().size() == messages + (scene ? 0 : 1), "the scene check's message");
}

// Keys whose whole value the entry takes, with the default an empty field
// gets on any other line (nullptr: none).
struct WholeKey {
  const char* keyword;
  SceneField field;
  const char* fallback;
};
constexpr std::array<WholeKey, 8> kWholeKeys{{
    {"FirstFrame ", kFieldFirstFrame, "0"},
    {"LastFrame ", kFieldLastFrame, "60"},
    {"FrameStep ", kFieldFrameStep, "1"},
    {"FramesPerSecond ", kFieldFramesPerSecond, "30"},
    {"RenderMode ", kFieldRenderMode, "2"},
    {"OutputFilenameFormat ", kFieldOutputFilenameFormat, "3"},
    {"RGBImageSaver ", kFieldImageSaver, nullptr},
    {"EnhancedAA ", kFieldEnhancedAA, nullptr},
}};

void CheckEntry(std::string_view bytes) {
  auto lines = fuzz::SceneLines(bytes);
  int row = fuzz::QueueScene(kScene);
  ReadSceneEntry(row);
  const SceneEntry& entry = g.queue.fields[row];
  if (lines.empty()) {
    FUZZ_CHECK(entry == SceneEntry{}, "a file without lines filled the entry");
    return;
  }
  std::array<std::string_view, kWholeKeys.size()> expected{};
  for (std::string_view line : lines) {
    for (std::size_t k = 0; k < kWholeKeys.size(); ++k) {
      std::string_view keyword(kWholeKeys[k].keyword);
      if (!line.empty() && line[0] == keyword[0] && line.substr(0, keyword.size()) == keyword)
        expected[k] = line.substr(keyword.size());
      else if (expected[k].empty() && kWholeKeys[k].fallback)
        expected[k] = kWholeKeys[k].fallback;
    }
  }
  for (std::size_t k = 0; k < kWholeKeys.size(); ++k) {
    const WholeKey& key = kWholeKeys[k];
    FUZZ_CHECK(entry[key.field] == expected[k], std::string("the entry's ") + key.keyword + "is '" +
                                                    entry[key.field] + "', the scene says '" +
                                                    std::string(expected[k]) + "'");
  }
  const std::string& saver = entry[kFieldImageSaver];
  std::string extension = saver.size() >= 5 ? saver.substr(saver.size() - 5, 4) : saver.substr(0, 4);
  FUZZ_CHECK(entry[kFieldImageExtension] == extension, "the image extension is not the saver's");
  for (const auto& field : entry)
    FUZZ_CHECK(field.find('\r') == std::string::npos, "a field holds a CR");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Begin();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::WriteFile(kScene, bytes);
  CheckLines(bytes);
  CheckSceneTest(bytes);
  CheckEntry(bytes);
  FUZZ_CHECK(fuzz::ReadFile(kScene) == bytes, "reading changed the scene");
  FUZZ_CHECK(fuzz::FilesIn("C:\\s") == std::vector<std::string>{"a.lws"}, "reading left files behind");
  return 0;
}
