#include "scene/scene_pass.h"

#include <cstdint>

namespace {

constexpr std::size_t kBufferLimit = 256 * 1024;

void FlushBuffer(PassOutput& out) {
  std::string_view bytes = out.buffer;
  while (!out.failed && !bytes.empty()) {
    std::int64_t wrote = pf::FileWrite(out.file, bytes.data(), static_cast<std::int64_t>(bytes.size()));
    if (wrote <= 0) out.failed = true;
    else bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  out.buffer.clear();
}

}  // namespace

void WriteNewLine(PassOutput& out, std::string_view text) {
  out.buffer.append(text);
  out.buffer.append("\r\n");
  if (out.buffer.size() >= kBufferLimit) FlushBuffer(out);
}

std::string TemporaryPathFor(const std::string& target) { return target + "_temp"; }

bool BeginPassOutput(PassOutput& out, const std::string& target) {
  out.file = pf::FileOpen(TemporaryPathFor(target), pf::FileMode::CreateWrite);
  out.buffer.reserve(kBufferLimit + 4096);
  return out.file != 0;
}

PassResult FinishScenePass(LineStream& in, PassOutput& out, const std::string& target) {
  bool readFailed = in.failed;
  if (!readFailed && !out.failed) {
    // Text after the last line end is no line, but it is part of the scene.
    out.buffer.append(LineStreamTail(in));
    FlushBuffer(out);
  }
  LineStreamClose(in);
  bool closed = pf::FileClose(out.file);
  std::string temporary = TemporaryPathFor(target);
  if (readFailed || out.failed || !closed) {
    pf::DeletePath(temporary);
    return readFailed ? PassResult::kReadFailed : PassResult::kWriteFailed;
  }
  if (!pf::MovePathOver(temporary, target)) {
    pf::DeletePath(temporary);
    return PassResult::kReplaceFailed;
  }
  return PassResult::kDone;
}
