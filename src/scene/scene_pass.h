// One copy pass over a scene file: its lines are visited in order and each is
// copied, replaced by new lines or dropped; every written line ends with
// CR LF. The new text goes to a temporary file beside the target, every
// write and the close are checked, and only a complete file takes the
// target's place, in one step. Whatever fails, the target keeps its old
// bytes and no temporary file is left behind.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"

enum class PassResult {
  kDone,
  kNoLines,         // the scene is missing, unreadable, empty or has no CR
  kCreateFailed,    // the temporary file could not be created
  kWriteFailed,     // a write or the close of the temporary file failed
  kReplaceFailed,   // the temporary file could not take the target's place
};

// The new file while a pass writes it.
struct PassOutput {
  pf::FileHandle file = 0;
  std::string buffer;     // new lines not yet written
  std::string_view run;   // unchanged scene bytes not yet written
  bool failed = false;
};

// Writes text followed by CR LF.
void WriteNewLine(PassOutput& out, std::string_view text);
// Copies line n of the scene unchanged, with a CR LF line end.
void CopyLine(PassOutput& out, int n);

// Visits the lines 1 to count of the open scene, writing to out.
using LineVisitor = std::function<void(int count, PassOutput& out)>;

// The temporary file a pass writes for target.
std::string TemporaryPathFor(const std::string& target);

// Reads scenePath, lets visit write the new lines, copies the bytes after the
// scene's last line end unchanged, and replaces target by the result.
PassResult RunScenePass(const std::string& scenePath, const std::string& target,
                        const LineVisitor& visit);
