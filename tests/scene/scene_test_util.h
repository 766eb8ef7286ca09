// Helpers shared by the scene file tests.
#pragma once

#include <string>
#include <vector>

#include "core/program_state.h"
#include "support/test_support.h"

namespace scenetest {

// Appends a blank queue row for the scene and makes it the current scene.
int QueueScene(const std::string& windowsPath);

// The bytes a rewrite that changes no key must give: every line end (a CR
// and one LF after it, if any) becomes CR LF; everything else unchanged.
std::string WithCrLfLineEnds(const std::string& bytes);

// Lines of a CR LF file (the text after the last CR LF is dropped) and back.
std::vector<std::string> SplitCrLf(const std::string& bytes);
std::string JoinCrLf(const std::vector<std::string>& lines);

// Position (0-based) of the first line that equals text; -1 when none.
int FindLine(const std::vector<std::string>& lines, const std::string& text);

// Messages shown so far with this title.
int CountMessages(const std::string& title);

// Files in the scene's folder whose name ends with "_temp".
std::vector<std::string> TemporaryFilesBeside(const std::string& windowsPath);

// A small valid scene with one of every key the program reads or writes,
// in the order LightWave writes them.
std::string SampleScene();

}  // namespace scenetest
