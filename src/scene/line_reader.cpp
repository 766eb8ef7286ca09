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

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

// Appends the offset of every CR in bytes [from, to) of text. Scene lines
// are short, so a call per line (memchr) costs more than the search itself:
// where SSE2 is there, 64 bytes are compared at a time and the CRs taken
// from the bit mask of the matches.
template <typename Offset>
void IndexCarriageReturnsOneByOne(const char* text, std::size_t from, std::size_t to,
                                  std::vector<Offset>& positions) {
  while (from < to) {
    const void* cr = std::memchr(text + from, '\r', to - from);
    if (cr == nullptr) return;
    auto at = static_cast<std::size_t>(static_cast<const char*>(cr) - text);
    positions.push_back(static_cast<Offset>(at));
    from = at + 1;
  }
}

#if defined(__SSE2__) || defined(_M_X64)
std::uint64_t CarriageReturnMask(const char* block) {
  const __m128i cr = _mm_set1_epi8('\r');
  std::uint64_t mask = 0;
  for (int part = 0; part < 4; ++part) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
    mask |= std::uint64_t{bits} << (16 * part);
  }
  return mask;
}

template <typename Offset>
void IndexCarriageReturns(const char* text, std::size_t from, std::size_t to, std::vector<Offset>& positions) {
  for (; from + 64 <= to; from += 64) {
    for (std::uint64_t mask = CarriageReturnMask(text + from); mask != 0; mask &= mask - 1)
      positions.push_back(static_cast<Offset>(from + static_cast<std::size_t>(std::countr_zero(mask))));
  }
  IndexCarriageReturnsOneByOne(text, from, to, positions);
}
#else
template <typename Offset>
void IndexCarriageReturns(const char* text, std::size_t from, std::size_t to, std::vector<Offset>& positions) {
  IndexCarriageReturnsOneByOne(text, from, to, positions);
}
#endif

std::size_t CrCount() { return reader.wide ? reader.widePositions.size() : reader.narrowPositions.size(); }
std::size_t CrAt(std::size_t index) {
  return reader.wide ? static_cast<std::size_t>(reader.widePositions[index]) : reader.narrowPositions[index];
}

// Reads the whole file into memory with one read (the platform reads in
// large pieces) into a buffer that is not zeroed first. A file that shrank
// since its length was taken gives what is there; a failed read gives false.
bool ReadWhole(pf::FileHandle file, std::int64_t length) {
  if (length <= 0 || static_cast<std::uint64_t>(length) > std::numeric_limits<std::size_t>::max()) return false;
  reader.bytes.reset(new (std::nothrow) char[static_cast<std::size_t>(length)]);
  if (!reader.bytes) return false;
  const std::int64_t got = pf::FileRead(file, reader.bytes.get(), length);
  if (got <= 0) return false;
  reader.content = std::string_view(reader.bytes.get(), static_cast<std::size_t>(got));
  return true;
}

// Indexes the content in one pass.
bool IndexContent() {
  const std::size_t size = reader.content.size();
  const std::size_t expected = std::max<std::size_t>(32768, size / 10);
  reader.wide = size > std::numeric_limits<std::uint32_t>::max();
  if (reader.wide) {
    reader.widePositions.reserve(expected);
    IndexCarriageReturns(reader.content.data(), 0, size, reader.widePositions);
  } else {
    reader.narrowPositions.reserve(expected);
    IndexCarriageReturns(reader.content.data(), 0, size, reader.narrowPositions);
  }
  return CrCount() <= static_cast<std::size_t>(INT_MAX);
}

// Loads the whole file and indexes it; false on any failure or an empty file.
bool LoadFile(const std::string& path) {
  // Reading needs no write access: a write-protected scene is still a scene.
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (file == 0) return false;
  const bool read = ReadWhole(file, pf::FileLength(file));
  pf::FileClose(file);
  return read && IndexContent();
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
