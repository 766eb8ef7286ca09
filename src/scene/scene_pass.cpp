#include "scene/scene_pass.h"

#include <cstdint>

#include "scene/line_reader.h"

namespace {

constexpr std::size_t kBufferLimit = 256 * 1024;

void WriteAll(PassOutput& out, std::string_view bytes) {
  while (!out.failed && !bytes.empty()) {
    std::int64_t wrote = pf::FileWrite(out.file, bytes.data(), static_cast<std::int64_t>(bytes.size()));
    if (wrote <= 0) {
      out.failed = true;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
}

void FlushBuffer(PassOutput& out) {
  WriteAll(out, out.buffer);
  out.buffer.clear();
}

void FlushRun(PassOutput& out) {
  WriteAll(out, out.run);
  out.run = {};
}

// Bytes that go out unchanged. Neighbouring pieces of the scene are joined
// and written straight from the reader's memory in one piece.
void WriteUnchanged(PassOutput& out, std::string_view bytes) {
  if (!out.buffer.empty()) FlushBuffer(out);
  if (!out.run.empty() && out.run.data() + out.run.size() != bytes.data()) FlushRun(out);
  out.run = out.run.empty() ? bytes : std::string_view(out.run.data(), out.run.size() + bytes.size());
}

}  // namespace

void WriteNewLine(PassOutput& out, std::string_view text) {
  if (!out.run.empty()) FlushRun(out);
  out.buffer.append(text);
  out.buffer.append("\r\n");
  if (out.buffer.size() >= kBufferLimit) FlushBuffer(out);
}

void CopyLine(PassOutput& out, int n) {
  std::string_view raw = LineReaderRawLine(n);
  // A line that already ends in CR LF goes out as it stands; any other line
  // end (a CR alone) becomes CR LF.
  if (raw.size() >= 2 && raw.substr(raw.size() - 2) == "\r\n")
    WriteUnchanged(out, raw);
  else
    WriteNewLine(out, LineReaderLine(n));
}

std::string TemporaryPathFor(const std::string& target) { return target + "_temp"; }

PassResult RunScenePass(const std::string& scenePath, const std::string& target,
                        const LineVisitor& visit) {
  int count = LineReaderOpen(scenePath);
  if (count < 1) {
    LineReaderClose();
    return PassResult::kNoLines;
  }
  std::string temporary = TemporaryPathFor(target);
  PassOutput out;
  out.file = pf::FileOpen(temporary, pf::FileMode::CreateWrite);
  if (out.file == 0) {
    LineReaderClose();
    return PassResult::kCreateFailed;
  }
  visit(count, out);
  // Text after the last line end is no line, but it is part of the scene.
  std::string_view tail = LineReaderTail();
  if (!tail.empty()) WriteUnchanged(out, tail);
  FlushBuffer(out);
  FlushRun(out);
  bool closed = pf::FileClose(out.file);
  LineReaderClose();
  if (out.failed || !closed) {
    pf::DeletePath(temporary);
    return PassResult::kWriteFailed;
  }
  if (!pf::MovePathOver(temporary, target)) {
    pf::DeletePath(temporary);
    return PassResult::kReplaceFailed;
  }
  return PassResult::kDone;
}
