#include "render/output_tools.h"

#include <string>
#include <utility>
#include <vector>

#include "core/text.h"
#include "platform/platform.h"
#include "render/build_detection.h"
#include "core/scene_queue.h"
#include "render/progress.h"
#include "scene/line_reader.h"
#include "ui/main_window.h"

namespace {

constexpr const char* kSeparator = "---------------------------------------";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// The folder as a prefix for its file names; an empty one stays empty, so
// names are taken relative to the program directory like the listing.
std::string WithBackslash(const std::string& directory) {
  if (directory.empty() || directory.back() == '\\') return directory;
  return directory + '\\';
}

// The current scene's entry after the selection has been made current, or
// nullptr when it has no known output directory and prefix.
const SceneEntry* ListableEntry() {
  int row = g.queue.currentScene;
  if (row < 0 || row >= g.queue.count || row >= static_cast<int>(g.queue.fields.size())) return nullptr;
  const SceneEntry& entry = g.queue.fields[row];
  if (entry[kFieldOutputDir] == g.placeholder || entry[kFieldOutputPrefix] == g.placeholder) return nullptr;
  return &entry;
}

// The files (never folders) that the entry's prefix*extension pattern
// matches in its output directory: what the frame count counts.
std::vector<std::string> PatternFiles(const SceneEntry& entry, const std::string& extension) {
  std::vector<std::string> names;
  for (auto& file : pf::ListDirectory(entry[kFieldOutputDir], entry[kFieldOutputPrefix] + "*" + extension))
    if (!file.isDirectory) names.push_back(std::move(file.name));
  return names;
}

}  // namespace

std::int64_t CountFrameFiles(const SceneEntry& entry) {
  if (entry[kFieldOutputDir] == g.placeholder || entry[kFieldOutputPrefix] == g.placeholder) return 0;
  return static_cast<std::int64_t>(PatternFiles(entry, FramePatternExtension(entry)).size());
}

namespace {

// The listing's last two lines, below the names.
// Appended piece by piece: GCC 12 warns of an overlap in string + literal.
std::string ListingTrailer() {
  std::string trailer = kSeparator;
  trailer += "\r\nEnd Of Output";
  return trailer;
}

// Shows header and names (body) above the trailer. An unchanged listing is
// not set again, and names added at the end are appended, so the view keeps
// its scroll position while frames arrive and costs nothing when none did.
void ShowListing(std::string body) {
  std::string& shown = g.listingBodyShown;
  if (body == shown) return;
  if (!shown.empty() && body.size() > shown.size() && body.compare(0, shown.size(), shown) == 0)
    pf::ReplaceLastLines(kOutputListingView, 2, body.substr(shown.size()) + ListingTrailer());
  else
    pf::SetControlText(kOutputListingView, body + ListingTrailer());
  shown = std::move(body);
}

void ClearListing() {
  if (g.listingBodyShown.empty() && pf::ControlText(kOutputListingView).empty()) return;
  pf::SetControlText(kOutputListingView, "");
  g.listingBodyShown.clear();
}

// Counts (and with the view open lists, and in delete mode deletes) the
// frame files of the entry.
void ListFrames(const SceneEntry& entry) {
  const std::string& directory = entry[kFieldOutputDir];
  const std::string& prefix = entry[kFieldOutputPrefix];
  const std::string extension = FramePatternExtension(entry);
  const bool listing = g.outputViewOpen != 0;
  std::string text;
  if (listing) text = "Viewing Output Dir: " + directory + "\r\n" + kSeparator + "\r\n";
  for (const std::string& name : PatternFiles(entry, extension)) {
    const bool frame = IsFrameFileName(name, prefix, extension);
    if (listing) {
      text += name;
      text += "\r\n";
      if (g.deleteFramesMode && frame) pf::DeletePath(WithBackslash(directory) + name);
    }
    if (frame) g.lastOutputFileName = name;
    ++g.framesFound;
  }
  if (listing) ShowListing(std::move(text));
}

}  // namespace

std::string FramePatternExtension(const SceneEntry& entry) {
  const std::string& format = entry[kFieldOutputFilenameFormat];
  if (format == "1" || format == "3" || format == "5" || format == "7") return entry[kFieldImageExtension];
  return {};
}

bool IsFrameFileName(std::string_view name, std::string_view prefix, std::string_view extension) {
  if (prefix.empty() || !StartsWithNoCase(name, prefix)) return false;
  std::string_view rest = name.substr(prefix.size());
  if (!rest.empty() && rest.front() == '_') rest.remove_prefix(1);
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  if (digits == 0) return false;
  rest.remove_prefix(digits);
  return rest.size() == extension.size() && EqualsNoCase(rest, extension);
}

void RefreshOutputListing() {
  int selected = pf::ControlState(kQueueList);
  g.queue.currentScene = selected >= 0 ? selected : 0;
  g.queue.filenameSuffix.clear();
  g.framesFound = 2;
  // The last frame belongs to the scene counted now, never to one before.
  g.lastOutputFileName.clear();
  if (const SceneEntry* entry = ListableEntry()) ListFrames(*entry);
  else ClearListing();
  ShowProgress();
}

void RefreshLogView() {
  if (!g.logCapableBuild) return;
  pf::SetControlText(kLogView, "");
  const std::string path = RendererLogPath();
  // The line reader cannot open an empty file: a missing log is made one blank.
  if (pf::QueryFileSize(path) == -1) {
    if (pf::FileHandle file = pf::FileOpen(path, pf::FileMode::CreateWrite)) {
      pf::FileWrite(file, " ", 1);
      pf::FileClose(file);
    }
  }
  int count = LineReaderOpen(path);
  if (count >= 5) {
    std::string text;
    for (int n = 1; n <= count; ++n) {
      text += LineReaderLine(n);
      text += '\r';
    }
    pf::SetControlText(kLogView, text);
  }
  LineReaderClose();
}

// The listing is refreshed first, so that the question is asked about the
// frames the view shows (a display-mode switch may have changed the row).
void DeleteAllFrames() {
  RefreshOutputListing();
  if (g.framesFound - 2 < 1) return;
  if (pf::ShowMessage("Question", "Do you really want to delete all rendered frames?:", pf::kBoxQuestion) !=
      pf::kAnswerYes)
    return;
  g.deleteFramesMode = 1;
  RefreshOutputListing();
  g.deleteFramesMode = 0;
  RefreshOutputListing();
  g.queue.detailsReenable = 1;
  ShowProgress();
  RefreshQueueState();
}

void ViewLastImage() {
  const SceneEntry* entry = ListableEntry();
  bool opened = false;
  if (entry && !g.lastOutputFileName.empty()) {
    const std::string directory = WithBackslash((*entry)[kFieldOutputDir]);
    opened = pf::OpenWithShell(directory + g.lastOutputFileName, directory);
  }
  if (!opened)
    pf::ShowMessage("Error!",
                    "Could not open image, or your system does\r\nnot have any suitable viewer for this fileformat!",
                    pf::kBoxError);
}
