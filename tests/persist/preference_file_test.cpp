// The group-and-key file format: exact bytes written, and the reading rules
// on well-formed, odd and damaged files.
#include <string>

#include "persist/preference_file.h"
#include "support/test_support.h"

namespace pref = PreferenceFile;

namespace {

const std::string kFile = "C:\\Tallowbridge\\test.ini";

// A string literal with its embedded NUL bytes.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

class PreferenceFileTest : public HeadlessTest {
 protected:
  void TearDown() override {
    pref::Close();
    HeadlessTest::TearDown();
  }
  // Writes bytes as the file and opens it for reading.
  void Open(const std::string& bytes) {
    WriteWinFile(kFile, bytes);
    ASSERT_TRUE(pref::OpenForReading(kFile));
  }
};

TEST_F(PreferenceFileTest, WritesExactLinesInCallOrder) {
  ASSERT_TRUE(pref::CreateForWriting(kFile));
  EXPECT_TRUE(pref::SelectGroup("Program Settings"));
  pref::WriteNumber("WindowX", 150);
  pref::WriteString("Load last project upon startup", "NO");
  pref::WriteComment("");
  pref::WriteNumber("Neg", -5);
  pref::WriteString("Empty", "");
  pref::WriteComment("note");
  pref::WriteString("", "dropped");
  pref::WriteNumber("", 1);
  pref::SelectGroup("");
  pref::WriteNumber("Min", INT32_MIN);
  EXPECT_TRUE(pref::Close());
  EXPECT_EQ(ReadWinFile(kFile),
            "[Program Settings]\r\nWindowX = 150\r\nLoad last project upon startup = NO\r\n;\r\n"
            "Neg = -5\r\nEmpty = \r\n;note\r\n[]\r\nMin = -2147483648\r\n");
}

TEST_F(PreferenceFileTest, CreateTruncatesAndReadsGiveDefaultsWhileWriting) {
  WriteWinFile(kFile, std::string(5000, 'x'));
  ASSERT_TRUE(pref::CreateForWriting(kFile));
  EXPECT_EQ(pref::ReadString("x", "dflt"), "dflt");
  EXPECT_EQ(pref::ReadNumber("x", 9), 9);
  pref::WriteComment("a");
  pref::Close();
  EXPECT_EQ(ReadWinFile(kFile), ";a\r\n");
}

TEST_F(PreferenceFileTest, RelativeNamesResolveAgainstProgramDirectory) {
  ASSERT_TRUE(pref::CreateForWriting("rel.ini"));
  pref::WriteComment("here");
  pref::Close();
  EXPECT_EQ(ReadWinFile("C:\\Tallowbridge\\rel.ini"), ";here\r\n");
  ASSERT_TRUE(pref::OpenForReading("rel.ini"));
}

TEST_F(PreferenceFileTest, FailedWritesAreReportedByClose) {
  ASSERT_TRUE(pref::CreateForWriting(kFile));
  headless::FailWritesAfter(10);
  pref::WriteString("Key", "a value longer than ten bytes");
  EXPECT_FALSE(pref::Close());

  headless::FailWritesAfter(-1);
  headless::LockPath(kFile);
  EXPECT_FALSE(pref::CreateForWriting(kFile));
  EXPECT_FALSE(pref::SelectGroup("G"));  // closed: nothing is written
}

TEST_F(PreferenceFileTest, GroupsMatchInColumnZeroIgnoringCaseAtExactLength) {
  Open("[program settings]\r\nA = 1\r\n [Other]\r\nB = 2\r\n[Program SettingsX]\r\nC = 3\r\n[Open\r\nD = 4\r\n");
  ASSERT_TRUE(pref::SelectGroup("Program Settings"));
  EXPECT_EQ(pref::ReadNumber("A", -1), 1);
  // An indented "[" is no header and does not end the group.
  EXPECT_EQ(pref::ReadNumber("B", -1), 2);
  EXPECT_EQ(pref::ReadNumber("C", -1), -1);
  EXPECT_FALSE(pref::SelectGroup("Other"));
  EXPECT_FALSE(pref::SelectGroup("Program"));
  // A header without "]" runs to the end of its line.
  ASSERT_TRUE(pref::SelectGroup("OPEN"));
  EXPECT_EQ(pref::ReadNumber("D", -1), 4);
}

TEST_F(PreferenceFileTest, FirstGroupAndFirstKeyWin) {
  Open("[G]\nK = first\nK = second\n[G]\nK = third\nL = later\n");
  ASSERT_TRUE(pref::SelectGroup("g"));
  EXPECT_EQ(pref::ReadString("K", ""), "first");
  EXPECT_EQ(pref::ReadString("L", "none"), "none");
}

TEST_F(PreferenceFileTest, FailedSelectDropsThePreviousGroup) {
  Open("[A]\nK = 1\n");
  ASSERT_TRUE(pref::SelectGroup("A"));
  EXPECT_FALSE(pref::SelectGroup("Missing"));
  EXPECT_EQ(pref::ReadNumber("K", 7), 7);
}

TEST_F(PreferenceFileTest, LeadingSectionIsSearchedUntilAGroupIsSelected) {
  Open("Top = 1\r\n[G]\r\nInner = 2\r\n");
  EXPECT_EQ(pref::ReadNumber("Top", -1), 1);
  EXPECT_EQ(pref::ReadNumber("Inner", -1), -1);
}

TEST_F(PreferenceFileTest, KeyAndValueRules) {
  Open("[G]\r\n"
       "   WindowX=200\r\n"
       "\tTabbed = 1\r\n"
       "Trail = 200   \r\n"
       "TIMEOUT   = 5\r\n"
       "Timeouts = 6\r\n"
       "Last Saved Project =\r\n"
       "Blank =   \r\n"
       "a = b = c\r\n"
       ";Comment = 5\r\n"
       "   ;Indented = 5\r\n"
       "NoEquals\r\n"
       "Unix = lf\n"
       "End = no newline");
  ASSERT_TRUE(pref::SelectGroup("G"));
  EXPECT_EQ(pref::ReadString("WindowX", ""), "200");
  EXPECT_EQ(pref::ReadNumber("windowx", 0), 200);
  EXPECT_EQ(pref::ReadString("Tabbed", "dflt"), "dflt");
  EXPECT_EQ(pref::ReadString("Trail", ""), "200   ");
  EXPECT_EQ(pref::ReadNumber("Trail", 0), 200);
  EXPECT_EQ(pref::ReadNumber("Timeout", 0), 5);
  EXPECT_EQ(pref::ReadNumber("Timeouts", 0), 6);
  EXPECT_EQ(pref::ReadString("Last Saved Project", "dflt"), "");
  EXPECT_EQ(pref::ReadString("Blank", "dflt"), "");
  EXPECT_EQ(pref::ReadString("a", ""), "b = c");
  EXPECT_EQ(pref::ReadString("Comment", "dflt"), "dflt");
  EXPECT_EQ(pref::ReadString(";Comment", "dflt"), "dflt");
  EXPECT_EQ(pref::ReadString("Indented", "dflt"), "dflt");
  EXPECT_EQ(pref::ReadString("NoEquals", "dflt"), "dflt");
  EXPECT_EQ(pref::ReadString("Unix", ""), "lf");
  EXPECT_EQ(pref::ReadString("End", ""), "no newline");
  EXPECT_EQ(pref::ReadString("", "dflt"), "dflt");
}

TEST_F(PreferenceFileTest, NumbersReadAsAtoiWithClamping) {
  Open("[N]\nNeg = -5\nMixed = 12abc\nWord = abc\nEmpty =\nPlus = +7\nTab =\t42\n"
       "Big = 99999999999999999999\nSmall = -99999999999999999999\nMax = 2147483647\n");
  ASSERT_TRUE(pref::SelectGroup("N"));
  EXPECT_EQ(pref::ReadNumber("Neg", 1), -5);
  EXPECT_EQ(pref::ReadNumber("Mixed", 1), 12);
  EXPECT_EQ(pref::ReadNumber("Word", 1), 0);  // present but not a number: 0, not the default
  EXPECT_EQ(pref::ReadNumber("Empty", 1), 0);
  EXPECT_EQ(pref::ReadNumber("Plus", 1), 7);
  EXPECT_EQ(pref::ReadNumber("Tab", 1), 42);
  EXPECT_EQ(pref::ReadNumber("Big", 1), INT32_MAX);
  EXPECT_EQ(pref::ReadNumber("Small", 1), INT32_MIN);
  EXPECT_EQ(pref::ReadNumber("Max", 1), INT32_MAX);
  EXPECT_EQ(pref::ReadNumber("Missing", 1), 1);
}

TEST_F(PreferenceFileTest, MissingFileGivesDefaultsEverywhere) {
  EXPECT_FALSE(pref::OpenForReading("C:\\nowhere\\none.ini"));
  EXPECT_FALSE(pref::SelectGroup("G"));
  EXPECT_EQ(pref::ReadString("K", "d"), "d");
  EXPECT_EQ(pref::ReadNumber("K", 3), 3);
  EXPECT_FALSE(WinFileExists("C:\\nowhere\\none.ini"));
}

TEST_F(PreferenceFileTest, DamagedFilesReadWithoutCrashing) {
  const std::string cases[] = {
      "",
      "[",
      "[G",
      "[G]",
      "[G]\r\nK",
      "[G]\r\nK =",
      "\r\r\r\n\n\n=\n= =\n[]\n",
      Bytes("\xff\xfe\x00\x01[G]\nK = 1\n"),
      Bytes("MZ\x90\x00\x03\x00\x00\x00\x04\x00[G]\nK = 2"),
  };
  for (const auto& bytes : cases) {
    Open(bytes);
    pref::SelectGroup("G");
    EXPECT_EQ(pref::ReadNumber("K", 5), bytes == "[G]\r\nK =" ? 0 : 5) << "content: " << bytes;
    EXPECT_EQ(pref::ReadString("", "d"), "d");
  }
}

TEST_F(PreferenceFileTest, NulEndsTheContent) {
  Open(Bytes("[G]\nA = 1\nB = x\0y\nC = 3\n[H]\nD = 4\n"));
  ASSERT_TRUE(pref::SelectGroup("G"));
  EXPECT_EQ(pref::ReadNumber("A", -1), 1);
  EXPECT_EQ(pref::ReadString("B", ""), "x");
  EXPECT_EQ(pref::ReadNumber("C", -1), -1);
  EXPECT_FALSE(pref::SelectGroup("H"));
}

TEST_F(PreferenceFileTest, MegabyteLinesAreReadWhole) {
  const std::string big(1 << 20, 'v');
  Open("[G]\r\nNoise" + std::string(1 << 20, ' ') + "\r\nLong = " + big + "\r\nAfter = 9\r\n");
  ASSERT_TRUE(pref::SelectGroup("G"));
  EXPECT_EQ(pref::ReadString("Long", ""), big);
  EXPECT_EQ(pref::ReadNumber("After", 0), 9);
}

TEST_F(PreferenceFileTest, OpeningAnotherFileClosesTheFirst) {
  Open("[G]\nK = 1\n");
  ASSERT_TRUE(pref::SelectGroup("G"));
  ASSERT_TRUE(pref::CreateForWriting("C:\\Tallowbridge\\other.ini"));
  EXPECT_EQ(pref::ReadNumber("K", -1), -1);
  pref::Close();
  pref::Close();  // twice is harmless
  EXPECT_EQ(pref::ReadNumber("K", -1), -1);
  EXPECT_EQ(ReadWinFile("C:\\Tallowbridge\\other.ini"), "");
}

}  // namespace
