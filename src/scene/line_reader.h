// The line reader for files read at random or shown whole (the renderer's
// log): a whole file in memory with the position of every carriage return,
// so that any line is fetched directly by number. Scenes are read front to
// back through line_stream.h instead. Lines end at CR; one LF right after a CR belongs to the line end.
// Text after the last CR is not a line (a file with LF-only line ends has no
// lines); it is kept as the file's tail.
//
// One file at a time: LineReaderOpen, then LineReaderLine for the lines
// needed, then LineReaderClose. The texts returned stay valid until Close.
#pragma once

#include <string>
#include <string_view>

// Loads the file and returns its number of lines. On failure (cannot be
// opened, empty, cannot be read) beeps twice and returns 0. A file still
// open from before is closed first.
int LineReaderOpen(const std::string& path);

// Line n, 1 <= n <= the number of lines, without its line end. Any other n
// gives a short beep and an empty text.
std::string_view LineReaderLine(int n);

// Line n with its line end as it stands in the file (CR, or CR LF), so that
// a rewrite can copy runs of unchanged lines straight from memory. Any other
// n gives a short beep and an empty text.
std::string_view LineReaderLineWithEnd(int n);

// The bytes after the line end of the last line; empty for a file that ends
// with its last line end, and the whole file when it has no lines.
std::string_view LineReaderTail();

int LineReaderCount();

// Releases the file and its index.
void LineReaderClose();
