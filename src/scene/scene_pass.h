// One copy pass over a scene file: its lines are visited in order and each is
// copied, replaced by new lines or dropped; every written line ends with
// CR LF, and the bytes after the last line end are copied unchanged. The new
// text goes to a temporary file beside the target, every write and the close
// are checked, and only a complete file takes the target's place, in one
// step. Whatever fails, the target keeps its old bytes and no temporary file
// is left behind.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "scene/line_stream.h"

enum class PassResult {
  kDone,
  kNoLines,         // the scene is missing, unreadable, empty or has no CR
  kCreateFailed,    // the temporary file could not be created
  kReadFailed,      // reading the scene failed partway
  kWriteFailed,     // a write or the close of the temporary file failed
  kReplaceFailed,   // the temporary file could not take the target's place
};

// The new file while a pass writes it.
struct PassOutput {
  pf::FileHandle file = 0;
  std::string buffer;     // written in large pieces
  bool failed = false;
};

// Writes the buffered text to the file; a failed write marks out failed.
void FlushPassOutput(PassOutput& out);

// Writes text followed by CR LF (a copied line is written the same way).
inline void WriteNewLine(PassOutput& out, std::string_view text) {
  constexpr std::size_t kBufferLimit = 256 * 1024;
  out.buffer.append(text);
  out.buffer.append("\r\n", 2);
  if (out.buffer.size() >= kBufferLimit) FlushPassOutput(out);
}

// The temporary file a pass writes for target.
std::string TemporaryPathFor(const std::string& target);

// Parts of RunScenePass that need no knowledge of the rule.
bool BeginPassOutput(PassOutput& out, const std::string& target);
PassResult FinishScenePass(LineStream& in, PassOutput& out, const std::string& target);

// Reads scenePath and calls rule(line, out) for each of its lines in order;
// then replaces target by what was written.
template <typename Rule>
PassResult RunScenePass(const std::string& scenePath, const std::string& target, Rule&& rule) {
  LineStream in;
  std::string_view line;
  // A scene without a single line is refused before anything is created.
  if (!LineStreamOpen(in, scenePath) || !LineStreamNext(in, line)) {
    bool readError = in.failed;
    LineStreamClose(in);
    return readError ? PassResult::kReadFailed : PassResult::kNoLines;
  }
  PassOutput out;
  if (!BeginPassOutput(out, target)) {
    LineStreamClose(in);
    return PassResult::kCreateFailed;
  }
  rule(line, out);
  LineStreamForEach(in, [&rule, &out](std::string_view next) {
    rule(next, out);
    return !out.failed;   // a full disk ends the pass at once
  });
  return FinishScenePass(in, out, target);
}
