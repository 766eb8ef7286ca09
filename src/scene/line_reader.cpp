#include "scene/line_reader.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "scene/cr_index.h"


namespace {

struct LineReaderState {
  // The content, read whole. Not mapped: a mapped file on a share that drops
  // mid-read raises an in-page error instead of a failed read, and a mapped
  // log could not be rewritten by the renderer.
  std::unique_ptr<char[]> bytes;
  std::string_view content;
  // The offset of every CR, in order: 32 bits each for a file under 4 GiB,
  // which halves the index a large scene needs.
  std::vector<std::uint32_t> narrowPositions;
  std::vector<std::uint64_t> widePositions;
  bool wide = false;
};

LineReaderState reader;

void BeepOpenFailed() {
  pf::SoundBeep(400, 300);
  pf::SoundBeep(100, 300);
}

std::size_t CrCount() { return reader.wide ? reader.widePositions.size() : reader.narrowPositions.size(); }
std::size_t CrAt(std::size_t index) {
  return reader.wide ? static_cast<std::size_t>(reader.widePositions[index]) : reader.narrowPositions[index];
}

// Reads the whole file into memory with one read (the platform reads in
// large pieces) into a buffer that is not zeroed first. A file that shrank
// since its length was taken gives what is there; a failed read gives false.
// Reads the whole file into memory piece by piece, indexing each piece while
// it is still in the processor's cache. A file that shrank since its length
// was taken gives what is there; a failed read gives false.
bool ReadAndIndex(pf::FileHandle file, std::int64_t length) {
  if (length <= 0 || static_cast<std::uint64_t>(length) > std::numeric_limits<std::size_t>::max()) return false;
  const auto size = static_cast<std::size_t>(length);
  reader.bytes.reset(new (std::nothrow) char[size]);
  if (!reader.bytes) return false;
  const std::size_t expected = std::max<std::size_t>(32768, size / 10);
  reader.wide = size > std::numeric_limits<std::uint32_t>::max();
  if (reader.wide) reader.widePositions.reserve(expected);
  else reader.narrowPositions.reserve(expected);
  constexpr std::size_t kPiece = 1u << 16;
  char* bytes = reader.bytes.get();
  std::size_t got = 0;
  while (got < size) {
    const std::int64_t n = pf::FileRead(file, bytes + got, static_cast<std::int64_t>(std::min(kPiece, size - got)));
    if (n < 0) return false;
    if (n == 0) break;
    const std::size_t end = got + static_cast<std::size_t>(n);
    if (reader.wide) crindex::IndexCarriageReturns(bytes, got, end, reader.widePositions);
    else crindex::IndexCarriageReturns(bytes, got, end, reader.narrowPositions);
    got = end;
  }
  reader.content = std::string_view(bytes, got);
  return got > 0 && CrCount() <= static_cast<std::size_t>(INT_MAX);
}

// Loads the whole file and indexes it; false on any failure or an empty file.
bool LoadFile(const std::string& path) {
  // Reading needs no write access: a write-protected scene is still a scene.
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (file == 0) return false;
  const bool read = ReadAndIndex(file, pf::FileLength(file));
  pf::FileClose(file);
  return read;
}

// Where the text after the CR at offset cr begins: past one LF, if any.
std::size_t AfterLineEnd(std::size_t cr) {
  std::size_t next = cr + 1;
  if (next < reader.content.size() && reader.content[next] == '\n') ++next;
  return next;
}

std::size_t LineStart(std::size_t index) { return index == 0 ? 0 : AfterLineEnd(CrAt(index - 1)); }

bool ValidLineNumber(int n) {
  if (n >= 1 && n <= LineReaderCount()) return true;
  pf::SoundBeep(100, 100);
  return false;
}

}  // namespace

int LineReaderOpen(const std::string& path) {
  LineReaderClose();
  if (!LoadFile(path)) {
    LineReaderClose();
    BeepOpenFailed();
    return 0;
  }
  return LineReaderCount();
}

int LineReaderCount() { return static_cast<int>(CrCount()); }

std::string_view LineReaderLine(int n) {
  if (!ValidLineNumber(n)) return {};
  auto index = static_cast<std::size_t>(n - 1);
  std::size_t start = LineStart(index);
  return reader.content.substr(start, CrAt(index) - start);
}

std::string_view LineReaderLineWithEnd(int n) {
  if (!ValidLineNumber(n)) return {};
  auto index = static_cast<std::size_t>(n - 1);
  std::size_t start = LineStart(index);
  return reader.content.substr(start, AfterLineEnd(CrAt(index)) - start);
}

std::string_view LineReaderTail() {
  if (CrCount() == 0) return reader.content;
  return reader.content.substr(AfterLineEnd(CrAt(CrCount() - 1)));
}

void LineReaderClose() {
  reader.content = {};
  reader.bytes.reset();
  std::vector<std::uint32_t>().swap(reader.narrowPositions);
  std::vector<std::uint64_t>().swap(reader.widePositions);
  reader.wide = false;
}
