#include "scene/line_reader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

struct LineReaderState {
  const char* view = nullptr;        // the content, mapped
  std::int64_t viewLength = 0;
  std::string_view content;
  std::vector<std::size_t> crPositions;   // offset of every CR, in order
};

LineReaderState reader;

void BeepOpenFailed() {
  pf::SoundBeep(400, 300);
  pf::SoundBeep(100, 300);
}

// Appends the offset of every CR in bytes [from, to) of text. One memchr per
// line: on a large scene it measured faster than testing eight bytes at a
// time by hand.
void IndexCarriageReturns(const char* text, std::size_t from, std::size_t to, std::vector<std::size_t>& positions) {
  while (from < to) {
    const void* cr = std::memchr(text + from, '\r', to - from);
    if (cr == nullptr) return;
    auto at = static_cast<std::size_t>(static_cast<const char*>(cr) - text);
    positions.push_back(at);
    from = at + 1;
  }
}

// Maps the whole file into memory and indexes it in one pass: no copy of
// the content is made, so a large scene is read at the speed of the
// system's file cache.
bool MapFile(pf::FileHandle file, std::int64_t length) {
  reader.view = pf::MapFileView(file, length);
  if (reader.view == nullptr) return false;
  reader.viewLength = length;
  auto size = static_cast<std::size_t>(length);
  reader.crPositions.reserve(std::max<std::size_t>(32768, size / 10));
  IndexCarriageReturns(reader.view, 0, size, reader.crPositions);
  reader.content = std::string_view(reader.view, size);
  return reader.crPositions.size() <= static_cast<std::size_t>(INT_MAX);
}

// Loads the whole file and indexes it; false on any failure or an empty file.
bool LoadFile(const std::string& path) {
  // Reading needs no write access: a write-protected scene is still a scene.
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (file == 0) return false;
  std::int64_t length = pf::FileLength(file);
  bool ok = length > 0 && MapFile(file, length);
  pf::FileClose(file);
  return ok;
}

// Where the text after the CR at offset cr begins: past one LF, if any.
std::size_t AfterLineEnd(std::size_t cr) {
  std::size_t next = cr + 1;
  if (next < reader.content.size() && reader.content[next] == '\n') ++next;
  return next;
}

std::size_t LineStart(std::size_t index) { return index == 0 ? 0 : AfterLineEnd(reader.crPositions[index - 1]); }

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

int LineReaderCount() { return static_cast<int>(reader.crPositions.size()); }

std::string_view LineReaderLine(int n) {
  if (!ValidLineNumber(n)) return {};
  auto index = static_cast<std::size_t>(n - 1);
  std::size_t start = LineStart(index);
  return reader.content.substr(start, reader.crPositions[index] - start);
}

std::string_view LineReaderLineWithEnd(int n) {
  if (!ValidLineNumber(n)) return {};
  auto index = static_cast<std::size_t>(n - 1);
  std::size_t start = LineStart(index);
  return reader.content.substr(start, AfterLineEnd(reader.crPositions[index]) - start);
}

std::string_view LineReaderTail() {
  if (reader.crPositions.empty()) return reader.content;
  return reader.content.substr(AfterLineEnd(reader.crPositions.back()));
}

void LineReaderClose() {
  reader.content = {};
  pf::UnmapFileView(reader.view, reader.viewLength);
  reader.view = nullptr;
  reader.viewLength = 0;
  std::vector<std::size_t>().swap(reader.crPositions);
}
