// The copy pass writes copied lines that already end in CR LF straight from
// the line reader's memory and gathers everything else; whatever the mixture,
// the file must come out as the lines written, in order, each with CR LF.
#include <random>
#include <string>
#include <vector>

#include "scene/scene_pass.h"
#include "scene/scene_test_util.h"

namespace {

const std::string kScene = "C:\\pass\\s.lws";

// Replaces lines starting with 'X', drops lines starting with 'D' and writes
// lines starting with 'W' twice; copies every other line.
void TestRule(std::string_view line, PassOutput& out) {
  char first = line.empty() ? '\0' : line[0];
  if (first == 'X') {
    WriteNewLine(out, "replaced");
  } else if (first == 'W') {
    WriteNewLine(out, line);
    WriteNewLine(out, line);
  } else if (first != 'D') {
    WriteNewLine(out, line);
  }
}

// What TestRule must give, worked out from the lines alone.
std::string Expected(const std::vector<std::string>& lines, const std::string& tail) {
  std::string out;
  for (const auto& line : lines) {
    char first = line.empty() ? '\0' : line[0];
    if (first == 'X') out += "replaced\r\n";
    else if (first == 'W') out += line + "\r\n" + line + "\r\n";
    else if (first != 'D') out += line + "\r\n";
  }
  return out + tail;
}

class ScenePassTest : public HeadlessTest {};

TEST_F(ScenePassTest, MixedLineEndsShortAndLongRunsComeOutInOrder) {
  std::mt19937 random(3);
  const char* kinds[] = {"X", "W", "D", "k", "k", "k", "k", "k"};
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::string> lines;
    std::string bytes;
    // Stretches of copied CR LF lines long enough to be written on their
    // own, stretches where copied lines alternate with new and dropped ones,
    // and stretches where some lines end in CR alone.
    std::size_t lineCount = 8000 + random() % 20000;
    for (std::size_t i = 0; i < lineCount; ++i) {
      std::size_t stretch = (i / 4000 + round) % 3;
      const char* kind = stretch == 0 ? "k" : kinds[random() % 8];
      std::string line = kind + std::to_string(i) + std::string(random() % 40, 'v');
      if (random() % 500 == 0) line.clear();
      lines.push_back(line);
      bool crAlone = stretch == 2 && random() % 3 == 0;
      bytes += line + (crAlone ? "\r" : "\r\n");
    }
    std::string tail = round % 2 ? "tail\n\n" : "";
    bytes += tail;
    WriteWinFile(kScene, bytes);
    ASSERT_EQ(RunScenePass(kScene, kScene, TestRule), PassResult::kDone);
    EXPECT_TRUE(ReadWinFile(kScene) == Expected(lines, tail));
  }
}

TEST_F(ScenePassTest, AFileOfOnlyCopiedCrLfLinesIsCopiedByteForByte) {
  std::string bytes;
  for (int i = 0; i < 50000; ++i) bytes += "  Key " + std::to_string(i) + " 0 0\r\n";
  bytes += "no line end";
  WriteWinFile(kScene, bytes);
  const std::string copy = "C:\\pass\\copy.lws";
  ASSERT_EQ(RunScenePass(kScene, copy, TestRule), PassResult::kDone);
  EXPECT_TRUE(ReadWinFile(copy) == bytes);
  EXPECT_TRUE(ReadWinFile(kScene) == bytes);
}

}  // namespace
