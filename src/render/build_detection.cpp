#include "render/build_detection.h"

#include <vector>

#include "core/program_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

constexpr int kRefreshLogButton = 97;
constexpr int kFirstLogCapableBuild = 681;
// The build digits are characters 47 to 49 of the version text.
constexpr std::size_t kBuildDigitsStart = 46;
constexpr std::size_t kBuildDigitsLength = 3;
constexpr std::string_view kVersionMarker = "$VER:";

bool IsRunSeparator(char c) { return c == '\0' || c == '\r' || c == '\n'; }

// Scans the file run by run (runs end at NUL, CR or LF) for the first run
// holding "$VER:" and returns its start, as far as the build digits reach,
// in lower case. Empty text when no run holds the marker. Only the start of
// the current run is kept, so an executable of any size is scanned in
// constant memory.
std::string FindVersionText(pf::FileHandle file) {
  const std::size_t keep = kBuildDigitsStart + kBuildDigitsLength;
  std::vector<char> chunk(64 * 1024);
  std::string runStart;
  std::size_t matched = 0;  // characters of the marker matched so far
  bool found = false;
  for (;;) {
    auto got = pf::FileRead(file, chunk.data(), static_cast<std::int64_t>(chunk.size()));
    if (got <= 0) break;
    for (std::int64_t i = 0; i < got; ++i) {
      char c = chunk[static_cast<std::size_t>(i)];
      if (IsRunSeparator(c)) {
        if (found) return ToLowerAscii(runStart);
        runStart.clear();
        matched = 0;
        continue;
      }
      if (runStart.size() < keep) runStart += c;
      // The marker starts with its only "$", so a mismatch restarts the
      // match at this character.
      if (!found) {
        if (c == kVersionMarker[matched]) {
          found = ++matched == kVersionMarker.size();
        } else {
          matched = c == kVersionMarker[0] ? 1 : 0;
        }
      }
      if (found && runStart.size() >= keep) return ToLowerAscii(runStart);
    }
  }
  return found ? ToLowerAscii(runStart) : std::string();
}

int BuildNumberOf(const std::string& versionText) {
  if (versionText.size() <= kBuildDigitsStart) return 0;
  return ReadNumber(std::string_view(versionText).substr(kBuildDigitsStart, kBuildDigitsLength));
}

void SetLogCapable(bool capable) {
  g.logCapableBuild = capable ? 1 : 0;
  pf::SetControlVisible(kRefreshLogButton, capable);
}

void ReportMissingRenderer() {
  pf::ShowMessage("Error!",
                  "lwsn.exe was not found in this specificed directory, please check path!\r" +
                      g.settings.rendererPath,
                  pf::kBoxError);
  SetLogCapable(false);
}

}  // namespace

void DetectRendererBuild() {
  const std::string& path = g.settings.rendererPath;
  g.rendererVersion.clear();
  // A directory is never opened, and so never taken for an empty file.
  const std::int64_t size = pf::QueryFileSize(path);
  pf::FileHandle file = size >= 0 ? pf::FileOpen(path, pf::FileMode::ReadShared) : 0;
  if (file == 0 || size == 0) {
    ReportMissingRenderer();
    // An empty lwsn.exe is no renderer; it is removed so that it is not
    // mistaken for one later.
    if (file != 0) {
      pf::FileClose(file);
      pf::DeletePath(path);
    }
    return;
  }
  std::string versionText = FindVersionText(file);
  pf::FileClose(file);
  // The log option follows the build text alone: a renderer without one
  // gets none, whatever its version resource says.
  SetLogCapable(BuildNumberOf(versionText) >= kFirstLogCapableBuild);
  g.rendererVersion = pf::FileVersion(path);
}

std::string RendererVersionText() {
  if (g.rendererVersion.empty()) return {};
  return FilePart(g.settings.rendererPath) + " " + g.rendererVersion;
}

std::string LayoutProgramPath() {
  const std::string folder = DirectoryPart(g.settings.rendererPath);
  const std::string lightwave = folder + "lightwav.exe";
  const std::string layout = folder + "Layout.exe";
  if (pf::QueryFileSize(lightwave) < 0 && pf::QueryFileSize(layout) >= 0) return layout;
  return lightwave;
}

std::string RendererLogPath() { return DirectoryPart(g.settings.rendererPath) + "lwsn_tallowbridge.log"; }

void DeleteRendererLog() {
  if (g.logCapableBuild) pf::DeletePath(RendererLogPath());
}
