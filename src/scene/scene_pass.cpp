#include "scene/scene_pass.h"

#include <cstdint>

void FlushPassOutput(PassOutput& out) {
  std::string_view bytes = out.buffer;
  while (!out.failed && !bytes.empty()) {
    std::int64_t wrote = pf::FileWrite(out.file, bytes.data(), static_cast<std::int64_t>(bytes.size()));
    if (wrote <= 0) out.failed = true;
    else bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  out.buffer.clear();
}

std::string TemporaryPathFor(const std::string& target) { return target + "_temp"; }

bool BeginPassOutput(PassOutput& out, const std::string& target) {
  out.file = pf::FileOpen(TemporaryPathFor(target), pf::FileMode::CreateWrite);
  out.buffer.reserve(512 * 1024);
  return out.file != 0;
}

PassResult FinishScenePass(LineStream& in, PassOutput& out, const std::string& target) {
  bool readFailed = in.failed;
  if (!readFailed && !out.failed) {
    // Text after the last line end is no line, but it is part of the scene.
    out.buffer.append(LineStreamTail(in));
    FlushPassOutput(out);
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
