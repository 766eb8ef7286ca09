#include <string>

#include "scene/line_reader.h"
#include "scene/scene_test_util.h"

namespace {

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

  std::vector<std::string> beeps;
  for (const auto& line : headless::Log())
    if (line.rfind("beep", 0) == 0) beeps.push_back(line);
  std::vector<std::string> expected;
  for (int i = 0; i < 4; ++i) {
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

}  // namespace
