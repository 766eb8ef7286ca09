// A scene read line by line in one pass, for the operations that only walk
// it from top to bottom (the validity test, reading the render keys, the
// rewrites). Its lines are exactly those of the line reader (line_reader.h):
// they end at CR, one LF right after a CR belongs to the line end, and text
// after the last CR is no line but the tail. Only one piece of the file and
// the current line are held in memory, so a large scene costs neither the
// memory nor the time of loading it whole.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

struct LineStream {
  pf::FileHandle file = 0;
  std::unique_ptr<char[]> piece;
  std::size_t pieceSize = 0;
  std::size_t position = 0;         // first byte of the piece not yet used
  std::string carry;                // start of a line that began in an earlier piece
  bool skipLf = false;              // a CR ended the last piece: drop an LF that starts the next
  bool atEnd = false;
  bool failed = false;
};

// Opens the file for reading. A file that cannot be opened or is empty
// gives the two beeps of a failed open and false.
bool LineStreamOpen(LineStream& stream, const std::string& path);

// The next line, without its line end; valid until the next call. False at
// the end of the file, and when reading fails (after the two beeps; the
// lines given so far must then be disregarded).
bool LineStreamNext(LineStream& stream, std::string_view& line);

// Calls each(line) for every remaining line, in order, until it returns
// false. Returns false when reading failed (after the two beeps; the lines
// given so far must then be disregarded). The lines that lie wholly inside
// the piece in memory are taken here, where each() can be inlined; lines
// that cross pieces go through LineStreamNext.
template <typename Each>
bool LineStreamForEach(LineStream& s, Each&& each) {
  std::string_view line;
  for (;;) {
    s.carry.clear();
    const char* piece = s.piece.get();
    std::size_t position = s.position;
    while (position < s.pieceSize) {
      const void* found = std::memchr(piece + position, '\r', s.pieceSize - position);
      if (found == nullptr) break;
      auto cr = static_cast<std::size_t>(static_cast<const char*>(found) - piece);
      line = std::string_view(piece + position, cr - position);
      position = cr + 1;
      if (position == s.pieceSize)
        s.skipLf = true;
      else if (piece[position] == '\n')
        ++position;
      s.position = position;
      if (!each(line)) return true;
    }
    if (!LineStreamNext(s, line)) return !s.failed;
    if (!each(line)) return true;
  }
}

// After the last line: the bytes that follow its line end.
std::string_view LineStreamTail(const LineStream& stream);

void LineStreamClose(LineStream& stream);
