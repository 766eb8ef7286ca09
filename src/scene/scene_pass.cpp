#include "scene/scene_pass.h"

#include <cstdint>

namespace {

// A run shorter than this is gathered into the buffer rather than written
// on its own, so scenes whose lines alternate between CR and CR LF ends are
// still written in large pieces.
constexpr std::size_t kShortRun = 64 * 1024;

void WriteAll(PassOutput& out, std::string_view bytes) {
  while (!out.failed && !bytes.empty()) {
    std::int64_t wrote = pf::FileWrite(out.file, bytes.data(), static_cast<std::int64_t>(bytes.size()));
    if (wrote <= 0) out.failed = true;
    else bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
}

}  // namespace

void FlushPassOutput(PassOutput& out) {
  WriteAll(out, out.buffer);
  out.buffer.clear();
}

void EndCopiedRun(PassOutput& out) {
  if (out.run.size() < kShortRun) {
    out.buffer.append(out.run);
    if (out.buffer.size() >= kPassBufferLimit) FlushPassOutput(out);
  } else {
    FlushPassOutput(out);
    WriteAll(out, out.run);
  }
  out.run = {};
}

std::string TemporaryPathFor(const std::string& target) { return target + "_temp"; }

bool BeginPassOutput(PassOutput& out, const std::string& target) {
  out.file = pf::FileOpen(TemporaryPathFor(target), pf::FileMode::CreateWrite);
  out.buffer.reserve(512 * 1024);
  return out.file != 0;
}

PassResult AbandonScenePass(PassOutput& out, const std::string& target, PassResult result) {
  pf::FileClose(out.file);
  pf::DeletePath(TemporaryPathFor(target));
  return result;
}

PassResult FinishScenePass(PassOutput& out, const std::string& target, std::string_view tail) {
  // The run and the tail lie in the stream's buffer: both are written
  // before it is released.
  if (!out.failed) {
    // Text after the last line end is no line, but it is part of the scene.
    CopyFromReader(out, tail);
    EndCopiedRun(out);
    FlushPassOutput(out);
  }
  bool closed = pf::FileClose(out.file);
  std::string temporary = TemporaryPathFor(target);
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
