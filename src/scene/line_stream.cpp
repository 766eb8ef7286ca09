#include "scene/line_stream.h"

#include <cstring>

namespace {

// Small enough to stay in the processor's cache while its lines are used.
constexpr std::size_t kPieceBytes = 256 * 1024;

void BeepReadFailed() {
  pf::SoundBeep(400, 300);
  pf::SoundBeep(100, 300);
}

// Offsets of every CR in text[0, size). Eight bytes are tested at a time: a
// byte that equals CR becomes zero after the XOR, and the usual zero-byte
// test marks it.
void FindCarriageReturns(const char* text, std::size_t size, std::vector<std::uint32_t>& crs) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighs = 0x8080808080808080ull;
  constexpr std::uint64_t kCrs = kOnes * '\r';
  crs.clear();
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text + i, 8);
    word ^= kCrs;
    if (((word - kOnes) & ~word & kHighs) == 0) continue;
    for (std::size_t j = i; j < i + 8; ++j)
      if (text[j] == '\r') crs.push_back(static_cast<std::uint32_t>(j));
  }
  for (; i < size; ++i)
    if (text[i] == '\r') crs.push_back(static_cast<std::uint32_t>(i));
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
    s.crs.clear();
    s.nextCr = 0;
    s.atEnd = true;
    return false;
  }
  s.pieceSize = static_cast<std::size_t>(got);
  s.position = 0;
  if (s.skipLf && s.piece[0] == '\n') s.position = 1;
  s.skipLf = false;
  FindCarriageReturns(s.piece.get(), s.pieceSize, s.crs);
  s.nextCr = 0;
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
  stream.crs.reserve(kPieceBytes / 8);
  return true;
}

bool LineStreamNext(LineStream& s, std::string_view& line) {
  s.carry.clear();
  while (!s.atEnd) {
    if (s.nextCr < s.crs.size()) {
      std::size_t cr = s.crs[s.nextCr++];
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
      ++s.lines;
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
