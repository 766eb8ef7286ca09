// One copy pass over a scene file: the scene is loaded by the line reader,
// its lines are visited in order from the first to the last and each is
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
  kWriteFailed,     // a write or the close of the temporary file failed
  kReplaceFailed,   // the temporary file could not take the target's place
  kNothingPlaced,   // the lines the pass was for had nowhere to go: the scene is left as it was
};

// The new file while a pass writes it. New lines are gathered in a buffer
// and written in large pieces. Most lines of a scene are copied as they
// stand, and where they already end in CR LF they are not gathered at all:
// consecutive ones form a run that is written straight from the line
// reader's memory. What is written is the buffer, then the run.
struct PassOutput {
  pf::FileHandle file = 0;
  std::string buffer;
  std::string_view run;           // copied lines with their CR LF, after the buffer
  std::string_view line;          // the line being visited ...
  std::string_view lineWithEnd;   // ... and the same with its line end in the file
  bool failed = false;
};

constexpr std::size_t kPassBufferLimit = 256 * 1024;   // the buffer is written when it holds this much

// Moves the run out: a short one joins the buffer, a long one is written
// after the buffer. A failed write marks out failed.
void EndCopiedRun(PassOutput& out);
// Writes the buffer to the file.
void FlushPassOutput(PassOutput& out);

// Adds bytes that lie in the line reader's memory to the run; bytes that do
// not follow the run directly start a new one.
inline void CopyFromReader(PassOutput& out, std::string_view bytes) {
  if (!out.run.empty() && out.run.data() + out.run.size() != bytes.data()) EndCopiedRun(out);
  out.run = out.run.empty() ? bytes : std::string_view(out.run.data(), out.run.size() + bytes.size());
}

// Writes text followed by CR LF. The line being visited, passed unchanged,
// is copied as it stands when it already ends in CR LF.
inline void WriteNewLine(PassOutput& out, std::string_view text) {
  bool visitedLine = text.data() == out.line.data() && text.size() == out.line.size();
  if (visitedLine && out.lineWithEnd.size() == text.size() + 2) {
    CopyFromReader(out, out.lineWithEnd);
    return;
  }
  if (!out.run.empty()) EndCopiedRun(out);
  out.buffer.append(text);
  out.buffer.append("\r\n", 2);
  if (out.buffer.size() >= kPassBufferLimit) FlushPassOutput(out);
}

// The temporary file a pass writes for target.
std::string TemporaryPathFor(const std::string& target);

// Parts of RunScenePass that need no knowledge of the rule.
bool BeginPassOutput(PassOutput& out, const std::string& target);
PassResult FinishScenePass(PassOutput& out, const std::string& target, std::string_view tail);
// Drops what a pass wrote: the temporary file goes, the target stays.
PassResult AbandonScenePass(PassOutput& out, const std::string& target, PassResult result);

inline bool KeepEveryPass() { return true; }

// Reads scenePath once, front to back, and calls rule(line, out) for each
// of its lines in order; then replaces target by what was written, unless
// keep() says the pass placed nothing it was for. A scene that cannot be
// read to its end is left as it was (kNoLines, as for one without lines).
template <typename Rule, typename Keep = bool (*)()>
PassResult RunScenePass(const std::string& scenePath, const std::string& target, Rule&& rule,
                        Keep keep = KeepEveryPass) {
  LineStream lines;
  // A scene without a single line is refused before anything is created.
  if (!lines.Open(scenePath)) return PassResult::kNoLines;
  PassOutput out;
  if (!BeginPassOutput(out, target)) return PassResult::kCreateFailed;
  std::string_view withEnd;
  // The copied run lies in the stream's buffer: it goes out before the
  // buffer is filled again. A full disk ends the pass at once.
  while (!out.failed && lines.Next(withEnd, [&out] { EndCopiedRun(out); })) {
    // Without the line end: its CR, and the LF after it if there is one.
    std::size_t end = withEnd.back() == '\n' ? 2 : 1;
    out.lineWithEnd = withEnd;
    out.line = withEnd.substr(0, withEnd.size() - end);
    rule(out.line, out);
  }
  if (lines.Failed()) return AbandonScenePass(out, target, PassResult::kNoLines);
  // A rule that holds lines back until it has seen the next one writes
  // them after the last line.
  if constexpr (requires { rule.Finish(out); }) {
    if (!out.failed) rule.Finish(out);
  }
  if (!out.failed && !keep()) return AbandonScenePass(out, target, PassResult::kNothingPlaced);
  return FinishScenePass(out, target, lines.Tail());
}
