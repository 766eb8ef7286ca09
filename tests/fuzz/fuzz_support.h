// Shared by the fuzz targets: one drive folder for the whole run with the
// headless backend reset onto it before every input, the files below it,
// the choices a rewrite input carries, and the check that a rewritten scene
// differs from the old one only where its rules allow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// Resets the headless backend onto the run's drive folder (C:\ only), the
// program state and the image format choice. First thing for every input.
void Begin();

void WriteFile(const std::string& windowsPath, std::string_view bytes);
std::string ReadFile(const std::string& windowsPath);
bool FileExists(const std::string& windowsPath);
// Names of everything in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& windowsFolder);

// Appends a blank queue row for path and makes it the current scene.
int QueueScene(const std::string& windowsPath);
// Writes the scene, queues it as the current scene and reads it; its row.
int QueueAndRead(const std::string& windowsPath, std::string_view bytes);
// An "Error!" message was shown since the first `since` messages.
bool ErrorShown(std::size_t since);

// Ends the run with the message: a finding.
[[noreturn]] void Fail(const std::string& what);
// The message is built only when the condition fails.
#define FUZZ_CHECK(condition, what) \
  do {                              \
    if (!(condition)) ::fuzz::Fail(what); \
  } while (false)

// A rewrite input: the scene's bytes, then the choice bytes, then one byte
// telling how many choice bytes there are (mod 64). A real scene works as it
// is: its last bytes are taken as the choices.
class RewriteInput {
 public:
  RewriteInput(const std::uint8_t* data, std::size_t size);
  std::string_view Scene() const { return scene_; }
  // Choice byte i, 0 past the end.
  std::uint8_t Byte(std::size_t i) const;
  // A number in [0, limit) from choice bytes i and i + 1.
  std::uint32_t Number(std::size_t i, std::uint32_t limit) const;
  // Text i of the LF-separated texts after the first kChoiceBytes bytes,
  // with every CR, LF and quotation mark left out (none can reach a scene
  // through the windows that set these values); empty past the last.
  std::string Text(std::size_t i) const;
  static constexpr std::size_t kChoiceBytes = 8;

  // Arms one fault from choice byte faultByte and the two after it: none,
  // a disk that fills up after some bytes, the n-th file operation failing,
  // or a replace that fails. Returns what it armed, for messages.
  std::string ArmFault(std::size_t faultByte) const;

 private:
  std::string_view scene_;
  std::string_view choices_;
};

// What a rewrite may do to the lines of a scene.
struct RewriteRules {
  std::vector<std::string> replaced;   // key texts whose lines may be replaced by a line of the same key
  std::vector<std::string> dropped;    // key texts whose lines may go
  std::vector<std::string> inserted;   // key texts a new line may start with
  // When not empty, the only texts a new or replacing line may have.
  std::vector<std::string> newLines;
};

// Empty when after holds the lines of before, each ending with CR LF, with
// only key lines replaced, dropped or inserted as rules allow, followed by
// before's bytes after its last line end; otherwise where they differ.
std::string RewriteDifference(std::string_view before, std::string_view after, const RewriteRules& rules);

// Lines of a scene as the line reader sees them: split at CR, one LF after
// a CR belonging to the line end; the bytes after the last line end are
// left out.
std::vector<std::string_view> SceneLines(std::string_view bytes);

}  // namespace fuzz
