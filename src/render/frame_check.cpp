#include "render/frame_check.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/text.h"
#include "platform/platform.h"
#include "render/frame_numbers.h"
#include "render/output_tools.h"

namespace {

// The most of a frame's start any judgement needs (a BMP's headers), and
// how far from its end an end marker is looked for: writers may add bytes
// after it, but never 64 KB.
constexpr std::int64_t kHeadBytes = 34;
constexpr std::int64_t kTailBytes = 64 * 1024;

// What a frame's own bytes can tell: its size, its first and its last bytes
// (each at most the lengths above, fewer in a smaller file).
struct FrameBytes {
  std::int64_t size = 0;
  std::string_view head, tail;
};

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// An uncompressed BMP's pixels end at the data offset plus its rows; the
// file-size field is written by some programs as 0 or wrongly.
bool BmpCut(const FrameBytes& f) {
  const std::uint32_t infoSize = LittleEndian(f.head, 14, 4);
  std::int64_t width = 0, height = 0, bits = 0;
  if (infoSize == 12) {   // the old OS/2 header: never compressed
    width = LittleEndian(f.head, 18, 2);
    height = static_cast<std::int16_t>(LittleEndian(f.head, 20, 2));
    bits = LittleEndian(f.head, 24, 2);
  } else if (infoSize >= 40) {
    if (LittleEndian(f.head, 30, 4) != 0) return false;   // not BI_RGB
    width = static_cast<std::int32_t>(LittleEndian(f.head, 18, 4));
    height = static_cast<std::int32_t>(LittleEndian(f.head, 22, 4));
    bits = LittleEndian(f.head, 28, 2);
  } else {
    return false;
  }
  if (width <= 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) return false;
  const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
  return f.size < std::int64_t{LittleEndian(f.head, 10, 4)} + rowBytes * (height < 0 ? -height : height);
}

bool PngCut(const FrameBytes& f) {
  constexpr std::string_view kIend("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
  return f.tail.find(kIend) == std::string_view::npos;
}

bool JpegCut(const FrameBytes& f) { return f.tail.find("\xFF\xD9") == std::string_view::npos; }

// The FORM length counts what follows its own 8 bytes of name and length.
bool IffCut(const FrameBytes& f) { return f.size < std::int64_t{BigEndian32(f.head, 4)} + 8; }

// Bits per pixel or colour map entry, whole bytes on the disk (15 bits take 2).
std::int64_t BytesOf(unsigned char bits) { return (bits + 7) / 8; }

// Only the uncompressed image types have a size that follows from the
// header. A TGA has no signature: a colour map type or pixel depth no TGA
// writer uses says the file is something else, which is not judged.
bool TgaCut(const FrameBytes& f) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(f.head[at]); };
  const unsigned char mapType = byte(1), imageType = byte(2), depth = byte(16);
  if (imageType < 1 || imageType > 3 || mapType > 1) return false;
  if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
  const std::int64_t map = mapType ? std::int64_t{LittleEndian(f.head, 5, 2)} * BytesOf(byte(7)) : 0;
  const std::int64_t pixels =
      std::int64_t{LittleEndian(f.head, 12, 2)} * LittleEndian(f.head, 14, 2) * BytesOf(depth);
  return f.size < 18 + byte(0) + map + pixels;
}

// A format judged by its bytes: the extension it is saved under, the bytes
// every such file starts with, how many first bytes its header takes.
struct FrameFormat {
  std::string_view extension;
  std::string_view signature;
  std::size_t headerBytes;
  bool (*cut)(const FrameBytes&);
};

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1A\n", 8);
constexpr FrameFormat kFormats[] = {
    {"bmp", "BM", 34, BmpCut},          {"tga", "", 18, TgaCut},
    {"png", kPngSignature, 8, PngCut},  {"jpg", "\xFF\xD8", 2, JpegCut},
    {"jpeg", "\xFF\xD8", 2, JpegCut},   {"iff", "FORM", 8, IffCut},
    {"ilbm", "FORM", 8, IffCut},        {"lwi", "FORM", 8, IffCut},
};

const FrameFormat* FormatOf(const std::string& path) {
  const std::string extension = ExtensionPart(path);
  for (const FrameFormat& format : kFormats)
    if (EqualsNoCase(extension, format.extension)) return &format;
  return nullptr;
}

// bytes from offset into out; false unless all of them came. A fresh handle
// stands at the file's start, so the head needs no seek.
bool ReadAt(pf::FileHandle file, std::int64_t offset, std::int64_t bytes, std::string& out) {
  if (offset > 0 && !pf::FileSeek(file, offset)) return false;
  out.resize(static_cast<std::size_t>(bytes));
  return pf::FileRead(file, out.data(), bytes) == bytes;
}

// A header that does not parse as the format's tells nothing: neither one
// cut inside its header nor another kind of file under the extension.
bool Judge(const FrameFormat& format, const FrameBytes& bytes) {
  if (bytes.head.size() < format.headerBytes) return false;
  if (bytes.head.substr(0, format.signature.size()) != format.signature) return false;
  return format.cut(bytes);
}

bool OpenFileIncomplete(pf::FileHandle file, const FrameFormat* format) {
  FrameBytes bytes;
  bytes.size = pf::FileLength(file);
  if (bytes.size < 0) return false;
  if (bytes.size == 0) return true;
  if (!format) return false;
  std::string head, tail;
  if (bytes.size <= kTailBytes) {
    // One read: the whole file is its own end.
    if (!ReadAt(file, 0, bytes.size, tail)) return false;
    bytes.tail = tail;
    bytes.head = bytes.tail.substr(0, static_cast<std::size_t>(std::min(bytes.size, kHeadBytes)));
  } else {
    if (!ReadAt(file, 0, kHeadBytes, head) || !ReadAt(file, bytes.size - kTailBytes, kTailBytes, tail)) return false;
    bytes.head = head;
    bytes.tail = tail;
  }
  return Judge(*format, bytes);
}

std::string WithBackslash(const std::string& directory) {
  if (directory.empty() || directory.back() == '\\') return directory;
  return directory + '\\';
}

// Another program may still be writing the file: it was written less than
// a minute ago, or it is open for writing.
bool MayBeBeingWritten(const std::string& path, bool writerEnded) {
  const std::int64_t ago = pf::FileWrittenAgoMs(path);
  if (ago < 0 || (!writerEnded && ago < pf::MinuteMs())) return true;
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::ReadDenyWrite);
  if (!file) return true;
  pf::FileClose(file);
  return false;
}

}  // namespace

bool FrameProvablyIncomplete(const std::string& path) {
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (!file) return false;
  const bool incomplete = OpenFileIncomplete(file, FormatOf(path));
  pf::FileClose(file);
  return incomplete;
}

std::string HighestFrameFile(const SceneEntry& entry) {
  const auto frames = ListSceneFrames(entry);
  return frames.empty() ? std::string() : WithBackslash(entry[kFieldOutputDir]) + frames.back().name;
}

std::string CutFrameName(const std::string& directory, const std::string& name, const std::string& extension) {
  for (int n = 1; n <= 99; ++n) {
    const std::string mark = n == 1 ? "cut" : "cut" + std::to_string(n);
    // A ".cut" ending keeps "*.tga" from matching; without an extension the
    // prefix must no longer stand first.
    const std::string moved = extension.empty() ? mark + "_" + name : name + "." + mark;
    if (pf::QueryFileSize(WithBackslash(directory) + moved) == -1) return moved;
  }
  return {};
}

std::string MoveAsideCutOffLastFrame(const SceneEntry& entry, bool writerEnded) {
  const auto frames = ListSceneFrames(entry);
  if (frames.empty()) return {};
  const std::string directory = WithBackslash(entry[kFieldOutputDir]);
  const std::string frame = directory + frames.back().name;
  if (MayBeBeingWritten(frame, writerEnded) || !FrameProvablyIncomplete(frame)) return {};
  const std::string moved = CutFrameName(directory, frames.back().name, FramePatternExtension(entry));
  if (moved.empty() || !pf::RenamePath(frame, directory + moved)) return {};
  return directory + moved;
}
