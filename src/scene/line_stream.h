// Reading a file's lines once, front to back, through a buffer of its own:
// the scene reader, the scene check and the rewrite passes take every line
// in order, so a scene of any size costs only the buffer, and the bytes are
// looked at while they are still in the processor's cache. Lines end as the
// line reader's do (line_reader.h): at CR, one LF right after it belonging
// to the line end; text after the last CR is no line but the file's tail.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

class LineStream {
 public:
  LineStream() = default;
  LineStream(const LineStream&) = delete;
  LineStream& operator=(const LineStream&) = delete;
  ~LineStream() { Close(); }

  // False, after the line reader's two beeps, when the file cannot be
  // opened, read, or holds no line at all.
  bool Open(const std::string& path);
  void Close();

  // The next line with its line end as it stands in the file; the file is
  // closed once its last byte is read, the buffer kept for the tail. The view
  // stays valid until the buffer has to be refilled: beforeRefill() is
  // called first, so that whoever still holds earlier views can let go.
  // False at the end of the file, and after a failed read (Failed()).
  template <typename BeforeRefill>
  bool Next(std::string_view& withEnd, BeforeRefill&& beforeRefill) {
    for (;;) {
      if (TakeLine(withEnd)) return true;
      if (eof_ || failed_) return false;
      beforeRefill();
      Refill();
    }
  }
  bool Next(std::string_view& withEnd) {
    return Next(withEnd, [] {});
  }

  bool Failed() const { return failed_; }
  // After the last line: the bytes after its line end.
  std::string_view Tail() const;

 private:
  bool TakeLine(std::string_view& withEnd);
  void Refill();

  pf::FileHandle file_ = 0;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0, end_ = 0;   // the bytes not yet taken
  std::vector<std::size_t> crs_;      // CR offsets in the buffer, from begin_ on
  std::size_t nextCr_ = 0;
  bool eof_ = false, failed_ = false;
};
