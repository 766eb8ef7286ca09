#include "scene/line_stream.h"

#include <cstring>

namespace {

// Small enough to stay in the processor's cache while its lines are used.
constexpr std::size_t kPieceBytes = 128 * 1024;

void BeepReadFailed() {
  pf::SoundBeep(400, 300);
  pf::SoundBeep(100, 300);
}

// Reads the next piece; false at the end of the file or on a read error.
bool ReadPiece(LineStream& s) {
  std::int64_t got = pf::FileRead(s.file, s.piece.get(), static_cast<std::int64_t>(kPieceBytes));
  if (got < 0) {
    s.failed = true;
    BeepReadFailed();
  }
  if (got <= 0) {
    s.pieceSize = s.position = 0;
    s.atEnd = true;
    return false;
  }
  s.pieceSize = static_cast<std::size_t>(got);
  s.position = 0;
  if (s.skipLf && s.piece[0] == '\n') s.position = 1;
  s.skipLf = false;
  return true;
}

}  // namespace

bool LineStreamOpen(LineStream& stream, const std::string& path) {
  LineStreamClose(stream);
  stream = LineStream{};
  // Reading needs no write access: a write-protected scene is still a scene.
  stream.file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (stream.file == 0 || pf::FileLength(stream.file) <= 0) {
    LineStreamClose(stream);
    BeepReadFailed();
    return false;
  }
  stream.piece = std::make_unique_for_overwrite<char[]>(kPieceBytes);
  return true;
}

bool LineStreamNext(LineStream& s, std::string_view& line) {
  s.carry.clear();
  while (!s.atEnd) {
    const char* from = s.piece.get() + s.position;
    const void* found = s.position < s.pieceSize ? std::memchr(from, '\r', s.pieceSize - s.position) : nullptr;
    if (found != nullptr) {
      auto cr = static_cast<std::size_t>(static_cast<const char*>(found) - s.piece.get());
      std::string_view text(s.piece.get() + s.position, cr - s.position);
      s.position = cr + 1;
      if (s.position == s.pieceSize)
        s.skipLf = true;   // its LF, if any, starts the next piece
      else if (s.piece[s.position] == '\n')
        ++s.position;
      if (!s.carry.empty()) {
        s.carry.append(text);
        text = s.carry;
      }
      line = text;
      return true;
    }
    // No CR left in this piece: the rest belongs to a line (or the tail)
    // that goes on in the next piece.
    s.carry.append(s.piece.get() + s.position, s.pieceSize - s.position);
    ReadPiece(s);
  }
  return false;
}

std::string_view LineStreamTail(const LineStream& stream) { return stream.carry; }

void LineStreamClose(LineStream& stream) {
  if (stream.file != 0) pf::FileClose(stream.file);
  stream.file = 0;
  stream.piece.reset();
}
