#include <random>
#include <string>
#include <vector>

#include "scene/line_reader.h"
#include "scene/line_stream.h"
#include "scene/scene_test_util.h"

namespace {

constexpr std::size_t kPiece = 256 * 1024;   // the reader loads the file in pieces of this size

class LineReaderTest : public HeadlessTest {
 protected:
  void TearDown() override {
    LineReaderClose();
    HeadlessTest::TearDown();
  }
  int Open(const std::string& bytes) {
    WriteWinFile("C:\\r\\file.txt", bytes);
    return LineReaderOpen("C:\\r\\file.txt");
  }
  static int Beeps(const std::string& which) {
    int n = 0;
    for (const auto& line : headless::Log()) n += line == which;
    return n;
  }
};

TEST_F(LineReaderTest, LinesEndAtCrAndOneLfAfterItBelongsToTheLineEnd) {
  ASSERT_EQ(Open("LWSC\r\n3\r\rCR only\r\n\nstarts with LF\r"), 5);
  EXPECT_EQ(LineReaderLine(1), "LWSC");
  EXPECT_EQ(LineReaderLine(2), "3");
  EXPECT_EQ(LineReaderLine(3), "");
  EXPECT_EQ(LineReaderLine(4), "CR only");
  EXPECT_EQ(LineReaderLine(5), "\nstarts with LF");   // only one LF is a line end
  EXPECT_TRUE(LineReaderTail().empty());
  EXPECT_EQ(Beeps("beep 100 100"), 0);
}

TEST_F(LineReaderTest, TextAfterTheLastCrIsNoLineButIsKeptAsTail) {
  ASSERT_EQ(Open("LWSC\r\nFirstFrame 1\r\nno line end"), 2);
  EXPECT_EQ(LineReaderLine(2), "FirstFrame 1");
  EXPECT_EQ(LineReaderTail(), "no line end");
  ASSERT_EQ(Open("LWSC\r\n\n"), 1);
  EXPECT_EQ(LineReaderTail(), "\n");
}

TEST_F(LineReaderTest, EveryLineWithItsEndIsTheFileInOrder) {
  const std::string bytes = "LWSC\r\n3\r\rCR only\r\n\nstarts with LF\rtail\n";
  ASSERT_EQ(Open(bytes), 5);
  EXPECT_EQ(LineReaderLineWithEnd(1), "LWSC\r\n");
  EXPECT_EQ(LineReaderLineWithEnd(3), "\r");
  EXPECT_EQ(LineReaderLineWithEnd(5), "\nstarts with LF\r");
  std::string joined;
  for (int n = 1; n <= 5; ++n) joined += LineReaderLineWithEnd(n);
  EXPECT_EQ(joined + std::string(LineReaderTail()), bytes);
  headless::ClearLog();
  EXPECT_EQ(LineReaderLineWithEnd(6), "");
  EXPECT_EQ(Beeps("beep 100 100"), 1);
}

// A CR as the last byte of a piece with its LF first in the next one; a CR
// LF whose LF ends a piece followed by an LF that belongs to the next line;
// a CR alone at a piece's end.
TEST_F(LineReaderTest, LineEndsAcrossThePiecesOfLoadingAreWhole) {
  for (std::size_t at : {kPiece - 1, kPiece - 2, 2 * kPiece - 1}) {
    SCOPED_TRACE(at);
    ASSERT_EQ(Open(std::string(at, 'a') + "\r\n\nnext\r\r\n"), 3);
    EXPECT_EQ(LineReaderLine(1).size(), at);
    EXPECT_EQ(LineReaderLine(2), "\nnext");
    EXPECT_EQ(LineReaderLine(3), "");
    EXPECT_TRUE(LineReaderTail().empty());
  }
  ASSERT_EQ(Open(std::string(kPiece - 1, 'b') + "\rc\r"), 2);
  EXPECT_EQ(LineReaderLine(2), "c");
}

// CRs next to each other, bytes close to CR (0x0c, 0x0e, 0x8d) and every
// other byte value must give exactly the lines a byte-by-byte reading gives.
TEST_F(LineReaderTest, EveryByteValueAtEveryPlaceGivesTheSameLinesAsByteByByte) {
  std::mt19937 random(11);
  const char nearCr[] = {'\r', '\r', '\n', '\x0c', '\x0e', '\x8d', '\0', '\xff'};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::string bytes(1 + random() % 300, 'k');
    for (auto& b : bytes) b = random() % 3 == 0 ? nearCr[random() % sizeof nearCr] : static_cast<char>(random());
    std::vector<std::string> expected;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] != '\r') {
        line += bytes[i];
        continue;
      }
      expected.push_back(line);
      line.clear();
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    int count = Open(bytes);
    ASSERT_EQ(count, static_cast<int>(expected.size()));
    for (int n = 1; n <= count; ++n) ASSERT_EQ(LineReaderLine(n), expected[n - 1]) << n;
    EXPECT_EQ(LineReaderTail(), count == 0 ? bytes : line);
  }
}

TEST_F(LineReaderTest, LinesAndTailsLongerThanAPieceAreKept) {
  ASSERT_EQ(Open("LWSC\r\n" + std::string(3 * kPiece + 17, 'x') + "\r\n" + std::string(kPiece + 5, 'y')), 2);
  EXPECT_EQ(LineReaderLine(2).size(), 3 * kPiece + 17);
  EXPECT_EQ(LineReaderTail().size(), kPiece + 5);
}

TEST_F(LineReaderTest, LfOnlyFileHasNoLinesButOpensWithoutBeeps) {
  EXPECT_EQ(Open("LWSC\n3\nFirstFrame 1\n"), 0);
  EXPECT_EQ(Beeps("beep 400 300"), 0);
  EXPECT_EQ(LineReaderTail(), "LWSC\n3\nFirstFrame 1\n");
}

TEST_F(LineReaderTest, FailedOpenBeepsTwiceAndGivesNoLines) {
  EXPECT_EQ(Open(""), 0);
  EXPECT_EQ(LineReaderOpen("C:\\r\\missing.lws"), 0);
  WriteWinFile("C:\\r\\locked.lws", "LWSC\r\n");
  headless::LockPath("C:\\r\\locked.lws");
  EXPECT_EQ(LineReaderOpen("C:\\r\\locked.lws"), 0);
  EXPECT_EQ(LineReaderOpen("Q:\\no\\drive.lws"), 0);
  // A share that drops in the middle of the read: a failed read, no crash.
  WriteWinFile("C:\\r\\share.lws", "LWSC\r\nFirstFrame 1\r\n");
  headless::FailFileOperation(3);   // open, length, read
  EXPECT_EQ(LineReaderOpen("C:\\r\\share.lws"), 0);
  EXPECT_EQ(headless::FileOperations()[2], "read");

  std::vector<std::string> beeps;
  for (const auto& line : headless::Log())
    if (line.rfind("beep", 0) == 0) beeps.push_back(line);
  std::vector<std::string> expected;
  for (int i = 0; i < 5; ++i) {
    expected.push_back("beep 400 300");
    expected.push_back("beep 100 300");
  }
  EXPECT_EQ(beeps, expected);
  EXPECT_EQ(LineReaderLine(1), "");   // nothing is held after a failure
}

TEST_F(LineReaderTest, AWriteProtectedFileIsStillReadable) {
  WriteWinFile("C:\\r\\cd.lws", "LWSC\r\n");
  headless::SetReadOnly("C:\\r\\cd.lws");
  EXPECT_EQ(LineReaderOpen("C:\\r\\cd.lws"), 1);
}

TEST_F(LineReaderTest, LineNumbersOutsideTheFileBeepShortAndGiveNothing) {
  ASSERT_EQ(Open("a\rb\r"), 2);
  headless::ClearLog();
  EXPECT_EQ(LineReaderLine(0), "");
  EXPECT_EQ(LineReaderLine(3), "");
  EXPECT_EQ(LineReaderLine(-7), "");
  EXPECT_EQ(Beeps("beep 100 100"), 3);
  EXPECT_EQ(LineReaderLine(2), "b");
  LineReaderClose();
  EXPECT_EQ(LineReaderLine(1), "");   // closed: no lines
}

TEST_F(LineReaderTest, BinaryBytesLongLinesAndManyLinesComeBackWhole) {
  std::string binary("LWSC\r\n\0\x01\xff\xfe\r\n", 12);
  binary += std::string(10 * 1024 * 1024, 'x') + "\r\n";
  ASSERT_EQ(Open(binary), 3);
  EXPECT_EQ(LineReaderLine(2), std::string("\0\x01\xff\xfe", 4));
  EXPECT_EQ(LineReaderLine(3).size(), 10u * 1024 * 1024);

  // More lines than the index holds at first: it grows without losing any.
  std::string many;
  for (int i = 0; i < 100000; ++i) many += std::to_string(i) + "\r\n";
  ASSERT_EQ(Open(many), 100000);
  EXPECT_EQ(LineReaderLine(1), "0");
  EXPECT_EQ(LineReaderLine(32769), "32768");
  EXPECT_EQ(LineReaderLine(100000), "99999");
}

TEST_F(LineReaderTest, OpeningAnotherFileReleasesTheFirst) {
  ASSERT_EQ(Open("one\r\ntwo\r\n"), 2);
  WriteWinFile("C:\\r\\other.txt", "other\r");
  ASSERT_EQ(LineReaderOpen("C:\\r\\other.txt"), 1);
  EXPECT_EQ(LineReaderLine(1), "other");
  EXPECT_EQ(LineReaderCount(), 1);
}

// The stream reads through a buffer of its own: whatever falls on its
// piece boundaries (a CR LF split between two reads, a line longer than the
// buffer), it gives the lines, line ends and tail the whole-file reader
// gives, and a read failing midway is a failure, never a short scene.
TEST_F(LineReaderTest, TheStreamGivesTheLinesOfTheWholeFileReader) {
  const std::size_t piece = 256 * 1024;
  auto filler = [](std::size_t n) { return std::string(n, 'x'); };
  const std::vector<std::pair<const char*, std::string>> rows = {
      {"short CR LF lines and a tail", "LWSC\r\nFirstFrame 1\r\n\r\ntail"},
      {"CR only, empty lines", "a\r\rb\r"},
      {"LF only: no lines", "a\nb\n"},
      {"a CR LF split between two reads", filler(piece - 1) + "\r\nnext\r\n"},
      {"a CR as the last byte of a read", filler(piece - 1) + "\rnext\r"},
      {"a line longer than the buffer", "LWSC\r\n" + filler(3 * piece + 17) + "\r\nend\r\ntail"},
      {"many lines across several reads", [] {
         std::string text;
         for (int i = 0; i < 100000; ++i) text += "Line " + std::to_string(i) + (i % 3 ? "\r\n" : "\r");
         return text;
       }()},
  };
  for (const auto& [what, content] : rows) {
    SCOPED_TRACE(what);
    WriteWinFile("C:\\r\\s.lws", content);
    std::vector<std::string> expected;
    const int count = LineReaderOpen("C:\\r\\s.lws");
    for (int n = 1; n <= count; ++n) expected.emplace_back(LineReaderLineWithEnd(n));
    const std::string expectedTail(count ? LineReaderTail() : std::string_view());
    LineReaderClose();

    LineStream stream;
    ASSERT_EQ(stream.Open("C:\\r\\s.lws"), count > 0);
    if (count == 0) continue;
    std::vector<std::string> lines;
    for (std::string_view line; stream.Next(line);) lines.emplace_back(line);
    EXPECT_FALSE(stream.Failed());
    EXPECT_TRUE(lines == expected) << lines.size() << " lines, " << expected.size() << " expected";
    EXPECT_EQ(std::string(stream.Tail()), expectedTail);
  }
  // A share gone after the first read.
  WriteWinFile("C:\\r\\s.lws", "LWSC\r\n" + filler(2 * piece) + "\r\n");
  LineStream stream;
  ASSERT_TRUE(stream.Open("C:\\r\\s.lws"));
  headless::FailFileOperation(1);
  std::string_view line;
  EXPECT_TRUE(stream.Next(line));
  EXPECT_FALSE(stream.Next(line));
  EXPECT_TRUE(stream.Failed());
}

}  // namespace
