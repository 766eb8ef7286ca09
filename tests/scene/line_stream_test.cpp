#include <random>
#include <string>
#include <vector>

#include "scene/line_reader.h"
#include "scene/line_stream.h"
#include "scene/scene_test_util.h"

namespace {

constexpr std::size_t kPiece = 256 * 1024;   // the stream's reading piece

class LineStreamTest : public HeadlessTest {
 protected:
  struct Read {
    std::vector<std::string> lines;
    std::string tail;
    bool opened = false;
  };
  Read Stream(const std::string& bytes) {
    WriteWinFile("C:\\s\\f.lws", bytes);
    Read r;
    LineStream stream;
    r.opened = LineStreamOpen(stream, "C:\\s\\f.lws");
    std::string_view line;
    while (r.opened && LineStreamNext(stream, line)) r.lines.emplace_back(line);
    r.tail = std::string(LineStreamTail(stream));
    LineStreamClose(stream);
    return r;
  }
  // What the whole-file line reader makes of the same bytes.
  Read Whole(const std::string& bytes) {
    WriteWinFile("C:\\s\\f.lws", bytes);
    Read r;
    int count = LineReaderOpen("C:\\s\\f.lws");
    r.opened = count > 0 || !bytes.empty();
    for (int n = 1; n <= count; ++n) r.lines.emplace_back(LineReaderLine(n));
    r.tail = std::string(LineReaderTail());
    LineReaderClose();
    return r;
  }
  void ExpectSameAsLineReader(const std::string& bytes) {
    Read streamed = Stream(bytes);
    Read whole = Whole(bytes);
    ASSERT_EQ(streamed.lines.size(), whole.lines.size());
    for (std::size_t i = 0; i < whole.lines.size(); ++i) ASSERT_TRUE(streamed.lines[i] == whole.lines[i]) << i;
    EXPECT_TRUE(streamed.tail == whole.tail);
  }
};

TEST_F(LineStreamTest, LinesAreTheLineReadersLines) {
  Read r = Stream("LWSC\r\n3\r\rCR only\r\n\nstarts with LF\rtail\n");
  EXPECT_EQ(r.lines, (std::vector<std::string>{"LWSC", "3", "", "CR only", "\nstarts with LF"}));
  EXPECT_EQ(r.tail, "tail\n");
  r = Stream("LWSC\nLF only\n");
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(r.tail, "LWSC\nLF only\n");
}

TEST_F(LineStreamTest, LineEndsSplitBetweenPiecesAreFoundWhole) {
  // A CR as the last byte of a piece with its LF first in the next one; a CR
  // LF whose LF ends a piece followed by an LF that belongs to the next line;
  // a CR alone at a piece's end.
  for (std::size_t at : {kPiece - 1, kPiece - 2, 2 * kPiece - 1}) {
    SCOPED_TRACE(at);
    std::string bytes(at, 'a');
    bytes += "\r\n\nnext\r\r\n";
    ExpectSameAsLineReader(bytes);
    Read r = Stream(bytes);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[1], "\nnext");
  }
  std::string loneCr(kPiece - 1, 'b');
  loneCr += "\rc\r";
  ExpectSameAsLineReader(loneCr);
}

TEST_F(LineStreamTest, LinesLongerThanAPieceAndLongTailsAreKept) {
  std::string bytes = "LWSC\r\n" + std::string(3 * kPiece + 17, 'x') + "\r\n" + std::string(kPiece + 5, 'y');
  Read r = Stream(bytes);
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[1].size(), 3 * kPiece + 17);
  EXPECT_EQ(r.tail.size(), kPiece + 5);
}

TEST_F(LineStreamTest, RandomContentGivesTheSameLinesAsTheLineReader) {
  std::mt19937 random(7);
  const char alphabet[] = {'\r', '\n', 'a', ' ', '\0', '\xff'};
  const char nearEnds[] = {'\r', '\n', 'a'};
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    std::size_t size = kPiece - 64 + random() % (2 * kPiece);
    std::string bytes(size, 'k');
    // Line ends bunched around the piece boundaries, sparse elsewhere.
    for (std::size_t i = 0; i < size; ++i) {
      bool nearBoundary = i % kPiece < 3 || i % kPiece > kPiece - 3;
      if (nearBoundary)
        bytes[i] = nearEnds[random() % sizeof nearEnds];
      else if (random() % 40 == 0)
        bytes[i] = alphabet[random() % sizeof alphabet];
    }
    ExpectSameAsLineReader(bytes);
  }
}

TEST_F(LineStreamTest, FilesThatCannotBeReadBeepTwice) {
  Read r = Stream("");
  EXPECT_FALSE(r.opened);
  LineStream stream;
  EXPECT_FALSE(LineStreamOpen(stream, "C:\\s\\missing.lws"));
  std::vector<std::string> beeps;
  for (const auto& line : headless::Log())
    if (line.rfind("beep", 0) == 0) beeps.push_back(line);
  EXPECT_EQ(beeps, (std::vector<std::string>{"beep 400 300", "beep 100 300", "beep 400 300", "beep 100 300"}));
}

}  // namespace
