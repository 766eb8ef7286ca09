// Finding the carriage returns of a text fast: the line readers index a
// piece of a file at a time with it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace crindex {

// Appends the offset of every CR in bytes [from, to) of text. Scene lines
// are short, so a call per line (memchr) costs more than the search itself:
// where SSE2 is there, 64 bytes are compared at a time and the CRs taken
// from the bit mask of the matches.
template <typename Offset>
inline void IndexCarriageReturnsOneByOne(const char* text, std::size_t from, std::size_t to,
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
inline std::uint64_t CarriageReturnMask(const char* block) {
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

}  // namespace crindex
