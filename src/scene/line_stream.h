// A scene read line by line in one pass, for the operations that only walk
// it from top to bottom (the validity test, reading the render keys, the
// rewrites). Its lines are exactly those of the line reader (line_reader.h):
// they end at CR, one LF right after a CR belongs to the line end, and text
// after the last CR is no line but the tail. Only one piece of the file and
// the current line are held in memory, so a large scene costs neither the
// memory nor the time of loading it whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

struct LineStream {
  pf::FileHandle file = 0;
  std::unique_ptr<char[]> piece;
  std::size_t pieceSize = 0;
  std::vector<std::uint32_t> crs;   // CR offsets in the current piece
  std::size_t nextCr = 0;           // first of crs not yet used
  std::size_t position = 0;         // first byte of the piece not yet used
  std::string carry;                // start of a line that began in an earlier piece
  bool skipLf = false;              // a CR ended the last piece: drop an LF that starts the next
  bool atEnd = false;
  bool failed = false;
  std::int64_t lines = 0;
};

// Opens the file for reading. A file that cannot be opened or is empty
// gives the two beeps of a failed open and false.
bool LineStreamOpen(LineStream& stream, const std::string& path);

// The next line, without its line end; valid until the next call. False at
// the end of the file, and when reading fails (after the two beeps; the
// lines given so far must then be disregarded).
bool LineStreamNext(LineStream& stream, std::string_view& line);

// After the last line: the bytes that follow its line end.
std::string_view LineStreamTail(const LineStream& stream);

void LineStreamClose(LineStream& stream);
