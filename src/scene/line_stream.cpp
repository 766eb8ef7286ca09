#include "scene/line_stream.h"

#include <algorithm>
#include <cstring>

#include "scene/cr_index.h"

namespace {

constexpr std::size_t kPiece = 256 * 1024;   // read at a time; stays in the cache

void BeepOpenFailed() {
  pf::SoundBeep(400, 300);
  pf::SoundBeep(100, 300);
}

}  // namespace

bool LineStream::Open(const std::string& path) {
  Close();
  // Reading needs no write access: a write-protected scene is still a scene.
  file_ = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (file_ != 0) {
    capacity_ = 2 * kPiece;
    buffer_.reset(new char[capacity_]);
    // A file without a single line is refused at once.
    while (crs_.empty() && !eof_ && !failed_) Refill();
  }
  if (file_ == 0 || crs_.empty() || failed_) {
    Close();
    BeepOpenFailed();
    return false;
  }
  return true;
}

void LineStream::Close() {
  if (file_) pf::FileClose(file_);
  file_ = 0;
  buffer_.reset();
  capacity_ = begin_ = end_ = nextCr_ = 0;
  crs_.clear();
  eof_ = failed_ = false;
}

// The bytes not yet taken move to the front, and the rest of the buffer is
// filled; a line longer than the buffer doubles it.
void LineStream::Refill() {
  // What is kept holds no CR, or one at its very end whose LF may follow.
  const bool crAtEnd = nextCr_ < crs_.size();
  const std::size_t kept = end_ - begin_;
  if (begin_ > 0 && kept > 0) std::memmove(buffer_.get(), buffer_.get() + begin_, kept);
  begin_ = 0;
  end_ = kept;
  if (capacity_ - end_ < kPiece) {
    std::size_t grown = std::max(capacity_ * 2, end_ + kPiece);
    std::unique_ptr<char[]> bigger(new char[grown]);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  const std::int64_t got = pf::FileRead(file_, buffer_.get() + end_, static_cast<std::int64_t>(kPiece));
  if (got < 0) failed_ = true;
  // At the end the file is let go at once: a pass replaces it next, which
  // Windows refuses while it is open.
  if (got <= 0) {
    eof_ = true;
    pf::FileClose(file_);
    file_ = 0;
  }
  if (got > 0) end_ += static_cast<std::size_t>(got);
  crs_.clear();
  nextCr_ = 0;
  if (crAtEnd) crs_.push_back(kept - 1);
  crindex::IndexCarriageReturns(buffer_.get(), kept, end_, crs_);
}

bool LineStream::TakeLine(std::string_view& withEnd) {
  if (nextCr_ >= crs_.size()) return false;
  std::size_t cr = crs_[nextCr_];
  // An LF after a CR at the buffer's end may still be unread.
  if (cr + 1 == end_ && !eof_) return false;
  std::size_t after = cr + 1 < end_ && buffer_[cr + 1] == '\n' ? cr + 2 : cr + 1;
  withEnd = std::string_view(buffer_.get() + begin_, after - begin_);
  begin_ = after;
  ++nextCr_;
  return true;
}

std::string_view LineStream::Tail() const {
  if (!buffer_) return {};
  return std::string_view(buffer_.get() + begin_, end_ - begin_);
}
