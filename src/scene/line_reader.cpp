#include "scene/line_reader.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

struct LineReaderState {
  std::string content;
  std::vector<std::size_t> crPositions;   // offset of every CR, in order
};

LineReaderState reader;

void BeepOpenFailed() {
  pf::SoundBeep(400, 300);
  pf::SoundBeep(100, 300);
}

// Reads the whole file into content; false on any failure or an empty file.
bool LoadFile(const std::string& path, std::string& content) {
  // Reading needs no write access: a write-protected scene is still a scene.
  pf::FileHandle file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (file == 0) return false;
  std::int64_t length = pf::FileLength(file);
  bool ok = length > 0;
  if (ok) {
    content.resize(static_cast<std::size_t>(length));
    std::int64_t done = 0;
    while (done < length) {
      std::int64_t got = pf::FileRead(file, content.data() + done, length - done);
      if (got < 0) { ok = false; break; }
      if (got == 0) break;   // the file shrank meanwhile: keep what is there
      done += got;
    }
    content.resize(static_cast<std::size_t>(done));
    ok = ok && done > 0;
  }
  pf::FileClose(file);
  if (!ok) std::string().swap(content);
  return ok;
}

void IndexCarriageReturns(const std::string& content, std::vector<std::size_t>& positions) {
  positions.clear();
  positions.reserve(32768);
  const char* begin = content.data();
  const char* end = begin + content.size();
  for (const char* p = begin; p < end;) {
    const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
    if (cr == nullptr) break;
    const char* at = static_cast<const char*>(cr);
    positions.push_back(static_cast<std::size_t>(at - begin));
    p = at + 1;
  }
}

// Where the text after the CR at offset cr begins: past one LF, if any.
std::size_t AfterLineEnd(std::size_t cr) {
  std::size_t next = cr + 1;
  if (next < reader.content.size() && reader.content[next] == '\n') ++next;
  return next;
}

}  // namespace

int LineReaderOpen(const std::string& path) {
  LineReaderClose();
  if (!LoadFile(path, reader.content)) {
    BeepOpenFailed();
    return 0;
  }
  IndexCarriageReturns(reader.content, reader.crPositions);
  return LineReaderCount();
}

int LineReaderCount() { return static_cast<int>(reader.crPositions.size()); }

std::string_view LineReaderLine(int n) {
  if (n < 1 || n > LineReaderCount()) {
    pf::SoundBeep(100, 100);
    return {};
  }
  std::size_t index = static_cast<std::size_t>(n - 1);
  std::size_t start = index == 0 ? 0 : AfterLineEnd(reader.crPositions[index - 1]);
  std::size_t end = reader.crPositions[index];
  return std::string_view(reader.content).substr(start, end - start);
}

std::string_view LineReaderRawLine(int n) {
  if (n < 1 || n > LineReaderCount()) return {};
  std::size_t index = static_cast<std::size_t>(n - 1);
  std::size_t start = index == 0 ? 0 : AfterLineEnd(reader.crPositions[index - 1]);
  std::size_t end = AfterLineEnd(reader.crPositions[index]);
  return std::string_view(reader.content).substr(start, end - start);
}

std::string_view LineReaderTail() {
  std::string_view all(reader.content);
  if (reader.crPositions.empty()) return all;
  return all.substr(AfterLineEnd(reader.crPositions.back()));
}

void LineReaderClose() {
  std::string().swap(reader.content);
  std::vector<std::size_t>().swap(reader.crPositions);
}
