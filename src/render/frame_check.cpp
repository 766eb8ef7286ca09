#include "render/frame_check.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/text.h"
#include "platform/platform.h"
#include "render/output_tools.h"

namespace {

// The most of a frame's start and end that any judgement needs: a TGA's
// header, and the IEND chunk a PNG ends with. Far below the 64 KB a frame
// check may read, so a frame of any size costs two small reads.
constexpr std::int64_t kHeadBytes = 18;
constexpr std::int64_t kTailBytes = 12;

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

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Each judgement below sees a head at least as long as its format's header.
bool BmpCut(const FrameBytes& f) { return f.size < LittleEndian(f.head, 2, 4); }

bool PngCut(const FrameBytes& f) {
  constexpr std::string_view kIend("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
  return !EndsWith(f.tail, kIend);
}

bool JpegCut(const FrameBytes& f) { return !EndsWith(f.tail, "\xFF\xD9"); }

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
  return f.size < kHeadBytes + byte(0) + map + pixels;
}

// A format judged by its bytes: the extension it is saved under, the bytes
// every such file starts with, how many first bytes the judgement needs.
struct FrameFormat {
  std::string_view extension;
  std::string_view signature;
  std::size_t headerBytes;
  bool (*cut)(const FrameBytes&);
};

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1A\n", 8);
constexpr FrameFormat kFormats[] = {
    {"bmp", "BM", 6, BmpCut},           {"tga", "", 18, TgaCut},
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

// A file that is short inside the very bytes its format must start with was
// cut while its header was written; one whose first bytes differ from the
// signature is another kind of file and tells nothing.
bool Judge(const FrameFormat& format, const FrameBytes& bytes) {
  const std::size_t shared = std::min(bytes.head.size(), format.signature.size());
  if (bytes.head.substr(0, shared) != format.signature.substr(0, shared)) return false;
  // A TGA has no signature: under its 18 header bytes nothing says the file
  // is one at all (a placeholder a pipeline writes), so it is left alone.
  if (bytes.head.size() < format.headerBytes) return !format.signature.empty();
  return format.cut(bytes);
}

bool OpenFileIncomplete(pf::FileHandle file, const FrameFormat* format) {
  FrameBytes bytes;
  bytes.size = pf::FileLength(file);
  if (bytes.size < 0) return false;
  if (bytes.size == 0) return true;
  if (!format) return false;
  std::string head, tail;
  if (!ReadAt(file, 0, std::min(bytes.size, kHeadBytes), head)) return false;
  if (bytes.size <= kHeadBytes) tail = head;
  else if (!ReadAt(file, bytes.size - kTailBytes, kTailBytes, tail)) return false;
  bytes.head = head;
  bytes.tail = tail;
  return Judge(*format, bytes);
}

std::string WithBackslash(const std::string& directory) {
  if (directory.empty() || directory.back() == '\\') return directory;
  return directory + '\\';
}

// The frame number's digits of a name IsFrameFileName accepted, without
// leading zeros, so that numbers of any length compare as text.
std::string_view FrameNumber(std::string_view name, std::size_t prefixLength) {
  std::string_view rest = name.substr(prefixLength);
  if (rest.front() == '_') rest.remove_prefix(1);
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  rest = rest.substr(0, digits);
  while (rest.size() > 1 && rest.front() == '0') rest.remove_prefix(1);
  return rest;
}

bool NumberAbove(std::string_view a, std::string_view b) {
  return a.size() != b.size() ? a.size() > b.size() : a > b;
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
  const std::string& directory = entry[kFieldOutputDir];
  const std::string& prefix = entry[kFieldOutputPrefix];
  if (directory == g.placeholder || prefix == g.placeholder || prefix.empty()) return {};
  const std::string extension = FramePatternExtension(entry);
  std::string highest;
  std::string_view highestNumber;
  const auto files = pf::ListDirectory(directory, prefix + "*" + extension);
  for (const pf::DirEntry& file : files) {
    if (file.isDirectory || !IsFrameFileName(file.name, prefix, extension)) continue;
    const std::string_view number = FrameNumber(file.name, prefix.size());
    if (!highest.empty() && !NumberAbove(number, highestNumber)) continue;
    highest = file.name;
    highestNumber = number;
  }
  return highest.empty() ? highest : WithBackslash(directory) + highest;
}

bool DropCutOffLastFrame(const SceneEntry& entry) {
  const std::string frame = HighestFrameFile(entry);
  return !frame.empty() && FrameProvablyIncomplete(frame) && pf::DeletePath(frame);
}
