// Finding the frame a crash cut off: what a frame's own bytes prove, and
// which file of the output folder is looked at and moved aside.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/program_state.h"
#include "render/frame_check.h"
#include "support/test_support.h"

namespace {

using Texts = std::vector<std::string>;

std::string Le16(std::uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
std::string Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 8 & 0xFF),
          static_cast<char>(v & 0xFF)};
}

std::string Cut(const std::string& bytes, std::size_t missing = 1) {
  return bytes.substr(0, bytes.size() - missing);
}

// A 24-bit BMP: file header, info header, rows padded to 4 bytes. Some
// writers put 0 or a wrong number in the file-size field; a negative height
// stores the rows top down.
std::string Bmp(int width, int height, std::int64_t sizeField = -1, std::uint32_t compression = 0) {
  const std::uint32_t row = (width * 3 + 3) / 4 * 4, pixels = row * (height < 0 ? -height : height);
  const std::uint32_t size = sizeField < 0 ? 54 + pixels : static_cast<std::uint32_t>(sizeField);
  return "BM" + Le32(size) + Le32(0) + Le32(54) + Le32(40) + Le32(width) + Le32(static_cast<std::uint32_t>(height)) +
         Le16(1) + Le16(24) + Le32(compression) + Le32(pixels) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0) +
         std::string(pixels, '\x40');
}

// A TGA with its image ID and colour map (mapLength entries of mapBits)
// and width x height pixels of depth bits, uncompressed.
std::string Tga(int type, int width, int height, int depth, const std::string& id = "", int mapLength = 0,
                int mapBits = 0) {
  std::string header = {static_cast<char>(id.size()), static_cast<char>(mapLength > 0 ? 1 : 0),
                        static_cast<char>(type)};
  header += Le16(0) + Le16(mapLength) + static_cast<char>(mapBits) + Le16(0) + Le16(0) + Le16(width) +
            Le16(height) + static_cast<char>(depth) + '\x20';
  return header + id + std::string(mapLength * ((mapBits + 7) / 8), '\x11') +
         std::string(static_cast<std::size_t>(width) * height * ((depth + 7) / 8), '\x22');
}

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320 : 0);
  }
  return ~crc;
}

std::string PngChunk(const std::string& type, const std::string& data) {
  return Be32(static_cast<std::uint32_t>(data.size())) + type + data + Be32(Crc32(type + data));
}

const std::string kPngSignature("\x89PNG\r\n\x1A\n", 8);

// Signature, header, one data chunk of dataBytes, IEND.
std::string Png(std::size_t dataBytes) {
  return kPngSignature + PngChunk("IHDR", Be32(16) + Be32(16) + std::string("\x08\x02\0\0\0", 5)) +
         PngChunk("IDAT", std::string(dataBytes, '\x33')) + PngChunk("IEND", "");
}

std::string Jpeg(std::size_t scanBytes) {
  return std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20) + std::string(scanBytes, '\x44') +
         "\xFF\xD9";
}

// FORM ILBM with a bitmap header and a body of bodyBytes (even).
std::string Iff(std::uint32_t bodyBytes) {
  const std::string chunks = "ILBM" + std::string("BMHD") + Be32(20) + std::string(20, '\x01') + "BODY" +
                             Be32(bodyBytes) + std::string(bodyBytes, '\x55');
  return "FORM" + Be32(static_cast<std::uint32_t>(chunks.size())) + chunks;
}

class FrameCheckTest : public HeadlessTest {};

TEST_F(FrameCheckTest, OnlyAFramesOwnBytesProveItCutOff) {
  struct Row {
    std::string name, bytes;
    bool incomplete;
  };
  std::string notTga = Cut(Tga(2, 4, 3, 24));
  notTga[1] = 5;   // a colour map type no TGA has
  const std::string bigTga = Tga(2, 1024, 1707, 24), bigPng = Png(5 << 20);
  const std::vector<Row> rows = {
      {"empty.bmp", "", true},
      {"empty.tga", "", true},
      {"empty.png", "", true},
      {"empty.jpg", "", true},
      {"empty.iff", "", true},
      {"empty.exr", "", true},
      {"empty", "", true},
      {"whole.bmp", Bmp(3, 2), false},
      {"cut.bmp", Cut(Bmp(3, 2)), true},
      {"CUT.BMP", Cut(Bmp(3, 2), 20), true},
      {"size field 0.bmp", Bmp(3, 2, 0), false},
      {"size field too big.bmp", Bmp(3, 2, 5000), false},
      {"size field 0, cut.bmp", Cut(Bmp(3, 2, 0)), true},
      {"top down.bmp", Bmp(3, -2), false},
      {"top down cut.bmp", Cut(Bmp(3, -2)), true},
      {"rle8.bmp", Cut(Bmp(3, 2, -1, 1)), false},
      {"header.bmp", "BM\x10", false},
      {"text.bmp", "not a bitmap at all", false},
      {"type2.tga", Tga(2, 4, 3, 24), false},
      {"type2cut.tga", Cut(Tga(2, 4, 3, 24)), true},
      {"type2-15bit.tga", Cut(Tga(2, 4, 3, 15)), true},
      {"footer.tga", Tga(2, 4, 3, 32) + std::string(8, '\0') + "TRUEVISION-XFILE.", false},
      {"type3.tga", Tga(3, 5, 5, 8), false},
      {"type3cut.tga", Cut(Tga(3, 5, 5, 8), 10), true},
      {"mapped.tga", Tga(1, 4, 4, 8, "frame id", 16, 15), false},
      {"mappedcut.tga", Cut(Tga(1, 4, 4, 8, "frame id", 16, 15)), true},
      {"header.tga", Tga(2, 4, 3, 24).substr(0, 17), false},   // nothing says it is a TGA at all
      {"rle.tga", Tga(10, 4, 3, 24).substr(0, 30), false},
      {"nottga.tga", notTga, false},
      {"whole.png", Png(100), false},
      {"cut.png", Cut(Png(100)), true},
      {"trailing.png", Png(100) + '\0', false},
      {"trailing 64 KB.png", Png(100) + std::string(64 * 1024, '\0'), true},
      {"signature.png", kPngSignature, true},
      {"half a signature.png", kPngSignature.substr(0, 4), false},
      {"jpeg.png", Cut(Jpeg(50)), false},
      {"whole.jpg", Jpeg(50), false},
      {"cut.jpg", Cut(Jpeg(50)), true},
      {"WHOLE.JPEG", Jpeg(50), false},
      {"cut.jpeg", Cut(Jpeg(50), 3), true},
      {"trailing.jpg", Jpeg(50) + "padding", false},
      {"whole.iff", Iff(40), false},
      {"cut.iff", Cut(Iff(40)), true},
      {"cut.lwi", Cut(Iff(40)), true},
      {"whole.ilbm", Iff(40), false},
      {"header.iff", std::string("FORM\0\0", 6), false},
      {"five.exr", "v/1\x01\x02", false},
      {"big.tga", bigTga, false},
      {"bigcut.tga", Cut(bigTga), true},
      {"big.png", bigPng, false},
      {"bigcut.png", Cut(bigPng), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = "C:\\F\\" + row.name;
    WriteWinFile(path, row.bytes);
    const std::int64_t before = headless::BytesRead();
    EXPECT_EQ(FrameProvablyIncomplete(path), row.incomplete);
    EXPECT_LE(headless::BytesRead() - before, 2 * 64 * 1024);
  }

  // What cannot be looked at is never called incomplete.
  std::filesystem::create_directories(headless::HostPath("C:\\F\\folder.tga"));
  EXPECT_FALSE(FrameProvablyIncomplete("C:\\F\\folder.tga"));
  EXPECT_FALSE(FrameProvablyIncomplete("C:\\F\\missing.tga"));
  headless::LockPath("C:\\F\\empty.tga");
  EXPECT_FALSE(FrameProvablyIncomplete("C:\\F\\empty.tga"));
  // A large cut frame is judged from its start and its end; a disk failing
  // at any step of that leaves it unjudged.
  headless::FailFileOperation(0);
  EXPECT_TRUE(FrameProvablyIncomplete("C:\\F\\bigcut.png"));
  const Texts steps = {"open C:\\F\\bigcut.png read", "length", "read", "seek", "read", "close"};
  EXPECT_EQ(headless::FileOperations(), steps);
  for (int failing = 1; failing < static_cast<int>(steps.size()); ++failing) {
    headless::FailFileOperation(failing);
    EXPECT_FALSE(FrameProvablyIncomplete("C:\\F\\bigcut.png")) << steps[failing - 1];
  }
}

TEST_F(FrameCheckTest, OnlyTheScenesHighestNumberedFrameIsMovedAsideWhenCutOff) {
  const std::string whole = Tga(2, 2, 2, 24), cut = Cut(whole);
  using Files = std::vector<std::pair<std::string, std::string>>;   // a name ending in "/" is a folder
  const Files firstFour = {
      {"img0001.tga", whole}, {"img0002.tga", whole}, {"img0003.tga", whole}, {"img0004.tga", whole}};
  auto with = [&](Files more) {
    more.insert(more.begin(), firstFour.begin(), firstFour.end());
    return more;
  };
  struct Row {
    const char* what;
    std::string prefix;
    Files files;
    std::string busy, highest, moved, movedTo;   // busy: being written; movedTo: the name it gets
    bool ownWriter = false;                      // this program's renderer wrote it and ended
  };
  const std::vector<Row> rows = {
      {"the cut last frame is moved aside", "img", with({{"img0005.tga", cut}}), "", "img0005.tga", "img0005.tga",
       "img0005.tga.cut"},
      {"numbered when that name is taken", "img", with({{"img0005.tga", cut}, {"img0005.tga.cut", cut}}), "",
       "img0005.tga", "img0005.tga", "img0005.tga.cut2"},
      {"a whole last frame stays, a 0-byte one before it too", "img",
       {{"img0001.tga", whole}, {"img0002.tga", whole}, {"img0003.tga", ""}, {"img0004.tga", whole},
        {"img0005.tga", whole}},
       "", "img0005.tga", "", ""},
      {"a 0-byte last frame is moved", "img", with({{"img0005.tga", ""}}), "", "img0005.tga", "img0005.tga",
       "img0005.tga.cut"},
      {"numbers order frames, not names", "img", {{"img0010.tga", cut}, {"img0002.tga", whole}, {"img9.tga", cut}},
       "", "img0010.tga", "img0010.tga", "img0010.tga.cut"},
      {"letter case is a frame's too", "img", with({{"IMG0005.TGA", cut}}), "", "IMG0005.TGA", "IMG0005.TGA",
       "IMG0005.TGA.cut"},
      {"an old frame above the range is never judged", "img", with({{"img0021.tga", cut}}), "", "img0004.tga", "",
       ""},
      {"a frame below the range is never judged", "img", {{"img0000.tga", cut}}, "", "", "", ""},
      {"a longer prefix's frame is not this scene's", "img", with({{"img20001.tga", cut}}), "", "img0004.tga", "",
       ""},
      {"names unlike a frame's are never chosen", "img",
       with({{"img0009.tga.bak", cut}, {"other0010.tga", cut}, {"img_0011.tga", cut}, {"img0011b.tga", cut},
             {"img0012.png", cut}}),
       "", "img0004.tga", "", ""},
      {"a folder named like a frame is passed over", "img", with({{"img0009.tga/", ""}}), "", "img0004.tga", "", ""},
      {"a frame open for writing stays", "img", with({{"img0005.tga", cut}}), "img0005.tga", "img0005.tga", "", ""},
      {"a frame written a moment ago by someone else stays", "img", with({{"img0005.tga", cut}}), "recent",
       "img0005.tga", "", ""},
      {"... unless this program's renderer wrote it and ended", "img", with({{"img0005.tga", cut}}), "recent",
       "img0005.tga", "img0005.tga", "img0005.tga.cut", true},
      {"an empty prefix has no frames", "", {{"0001.tga", cut}, {"0002.tga", cut}}, "", "", "", ""},
      {"an empty folder has no frames", "img", {}, "", "", "", ""},
  };
  SceneEntry entry{};
  entry[kFieldOutputDir] = "C:\\Out\\";
  entry[kFieldOutputFilenameFormat] = "3";
  entry[kFieldImageExtension] = ".tga";
  entry[kFieldFirstFrame] = "1";
  entry[kFieldLastFrame] = "20";
  entry[kFieldFrameStep] = "1";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove_all(headless::HostPath("C:\\Out\\"));
    std::filesystem::create_directories(headless::HostPath("C:\\Out\\"));
    for (const auto& [name, bytes] : row.files) {
      if (name.back() == '/') std::filesystem::create_directories(headless::HostPath("C:\\Out\\" + name));
      else WriteWinFile("C:\\Out\\" + name, bytes);
    }
    const std::string highestPath = "C:\\Out\\" + row.highest;
    headless::SetBeingWritten(highestPath, row.busy == row.highest && !row.highest.empty());
    headless::SetWrittenAgo(highestPath, row.busy == "recent" ? 5000 : 3600 * 1000);
    entry[kFieldOutputPrefix] = row.prefix;
    EXPECT_EQ(HighestFrameFile(entry), row.highest.empty() ? "" : highestPath);
    EXPECT_EQ(MoveAsideCutOffLastFrame(entry, row.ownWriter), row.moved.empty() ? "" : "C:\\Out\\" + row.movedTo);
    // Nothing is deleted: the moved frame keeps its bytes under its new name.
    for (const auto& [name, bytes] : row.files) {
      const std::string path = "C:\\Out\\" + name;
      if (name == row.moved) {
        EXPECT_FALSE(WinFileExists(path)) << name;
        EXPECT_EQ(ReadWinFile("C:\\Out\\" + row.movedTo), bytes);
      } else if (name.back() == '/') {
        EXPECT_TRUE(std::filesystem::is_directory(headless::HostPath(path))) << name;
      } else {
        EXPECT_EQ(ReadWinFile(path), bytes) << name;
      }
    }
    // Once moved, a second look moves nothing more: the frame before it is whole.
    if (!row.moved.empty()) EXPECT_EQ(MoveAsideCutOffLastFrame(entry, row.ownWriter), "");
    headless::SetBeingWritten(highestPath, false);
  }

  // A frame without an extension cannot be moved out of its pattern with a
  // suffix: its new name no longer starts with the prefix.
  EXPECT_EQ(CutFrameName("C:\\Out\\", "img0005", ""), "cut_img0005");

  // An output path the scene does not name: nothing is looked for, not even
  // the frames the placeholder text would find if taken as a folder (below
  // the program folder) or as a prefix.
  const Texts decoys = {"C:\\Tallowbridge\\" + g.placeholder + "\\img0001.tga",
                        "C:\\Out\\" + g.placeholder + "0001.tga"};
  for (const std::string& decoy : decoys) WriteWinFile(decoy, cut);
  for (int field : {kFieldOutputDir, kFieldOutputPrefix}) {
    SceneEntry unknown = entry;
    unknown[field] = g.placeholder;
    EXPECT_EQ(HighestFrameFile(unknown), "") << field;
    EXPECT_EQ(MoveAsideCutOffLastFrame(unknown, true), "") << field;
  }
  for (const std::string& decoy : decoys) EXPECT_TRUE(WinFileExists(decoy)) << decoy;
}

}  // namespace
