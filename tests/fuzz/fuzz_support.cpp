#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/program_state.h"
#include "platform/headless/headless.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"

namespace fs = std::filesystem;

namespace fuzz {
namespace {

std::string& Root() {
  static std::string root;
  return root;
}

void RemoveRoot() {
  std::error_code ec;
  if (!Root().empty()) fs::remove_all(Root(), ec);
}

// Memory-backed when the machine has it: every input writes a few files.
void MakeRoot() {
  std::error_code ec;
  fs::path base = fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                                    : fs::temp_directory_path();
  std::string pattern = (base / "tbfuzz-XXXXXX").string();
  if (!mkdtemp(pattern.data())) Fail("cannot make a temporary folder");
  Root() = pattern;
  std::atexit(RemoveRoot);
}

bool StartsWithAny(std::string_view line, const std::vector<std::string>& keys, std::string_view* key = nullptr) {
  for (const auto& k : keys) {
    if (line.substr(0, k.size()) == k) {
      if (key) *key = k;
      return true;
    }
  }
  return false;
}

std::string Shown(std::string_view line) {
  std::string out;
  for (char c : line.substr(0, 80)) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 32 && u < 127) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    }
  }
  return "'" + out + (line.size() > 80 ? "...'" : "'");
}

}  // namespace

void Begin() {
  if (Root().empty()) MakeRoot();
  std::error_code ec;
  fs::remove_all(fs::path(Root()) / "C", ec);
  headless::Reset(Root());
  ResetProgramState();
  RememberImageFormatChoice(0);
}

void WriteFile(const std::string& windowsPath, std::string_view bytes) {
  std::string host = headless::HostPath(windowsPath);
  fs::create_directories(fs::path(host).parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write " + host);
}

std::string ReadFile(const std::string& windowsPath) {
  std::ifstream in(headless::HostPath(windowsPath), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool FileExists(const std::string& windowsPath) { return fs::exists(headless::HostPath(windowsPath)); }

std::vector<std::string> FilesIn(const std::string& windowsFolder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(headless::HostPath(windowsFolder), ec))
    names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

int QueueScene(const std::string& windowsPath) {
  g.queue.scenePaths.push_back(windowsPath);
  g.queue.displayTexts.push_back(windowsPath);
  g.queue.fields.push_back(SceneEntry{});
  g.queue.renderStates.push_back(0);
  g.queue.count = static_cast<int>(g.queue.scenePaths.size());
  g.queue.currentScene = g.queue.count - 1;
  return g.queue.currentScene;
}

int QueueAndRead(const std::string& windowsPath, std::string_view bytes) {
  WriteFile(windowsPath, bytes);
  int row = QueueScene(windowsPath);
  ReadSceneEntry(row);
  return row;
}

bool ErrorShown(std::size_t since) {
  const auto& messages = headless::Messages();
  for (std::size_t i = since; i < messages.size(); ++i)
    if (messages[i].title == "Error!") return true;
  return false;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "\n==== finding: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

// ---- rewrite inputs --------------------------------------------------------

RewriteInput::RewriteInput(const std::uint8_t* data, std::size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  if (all.empty()) return;
  std::size_t count = std::min<std::size_t>(static_cast<std::uint8_t>(all.back()) % 64, all.size() - 1);
  all.remove_suffix(1);
  scene_ = all.substr(0, all.size() - count);
  choices_ = all.substr(all.size() - count);
}

std::uint8_t RewriteInput::Byte(std::size_t i) const {
  return i < choices_.size() ? static_cast<std::uint8_t>(choices_[i]) : 0;
}

std::uint32_t RewriteInput::Number(std::size_t i, std::uint32_t limit) const {
  if (limit == 0) return 0;
  return ((std::uint32_t{Byte(i)} << 8) | Byte(i + 1)) % limit;
}

std::string RewriteInput::Text(std::size_t i) const {
  std::string_view rest = choices_.size() > kChoiceBytes ? choices_.substr(kChoiceBytes) : std::string_view();
  for (; i > 0 && !rest.empty(); --i) {
    std::size_t lf = rest.find('\n');
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
  }
  std::string text(rest.substr(0, rest.find('\n')));
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '"'; }), text.end());
  return text;
}

std::string RewriteInput::ArmFault(std::size_t faultByte) const {
  switch (Byte(faultByte) % 8) {
    case 4: {
      auto budget = Number(faultByte + 1, static_cast<std::uint32_t>(scene_.size() * 2 + 64));
      headless::FailWritesAfter(budget);
      return "disk full after " + std::to_string(budget) + " bytes";
    }
    case 5:
    case 6: {
      int n = 1 + Byte(faultByte + 1) % 32;
      headless::FailFileOperation(n);
      return "file operation " + std::to_string(n) + " fails";
    }
    case 7: headless::FailReplace(); return "replace fails";
    default: return "no fault";
  }
}

// ---- comparing a rewrite with its scene ------------------------------------

std::vector<std::string_view> SceneLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t cr; (cr = bytes.find('\r', start)) != std::string_view::npos;) {
    lines.push_back(bytes.substr(start, cr - start));
    start = cr + 1;
    if (start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return lines;
}

// Whether the written lines are the old ones with the rules' replacements,
// insertions and drops. A line may fit more than one way (an inserted line
// can equal a copied one, a droppable line may have been kept), so every way
// is tried; a pair of positions that failed once is not tried again.
struct Alignment {
  const std::vector<std::string_view>& old;
  const std::vector<std::string_view>& written;
  const RewriteRules& rules;
  std::set<std::pair<std::size_t, std::size_t>> failed;
  std::size_t furthestOld = 0, furthestWritten = 0;

  bool NewLineOk(std::string_view line) const {
    return rules.newLines.empty() ||
           std::find(rules.newLines.begin(), rules.newLines.end(), line) != rules.newLines.end();
  }

  bool Aligns(std::size_t i, std::size_t j) {
    // Long runs of equal lines are taken without branching.
    while (i < old.size() && j < written.size() && old[i] == written[j]) ++i, ++j;
    if (i == old.size() && j == written.size()) return true;
    if (failed.count({i, j})) return false;
    if (i > furthestOld || (i == furthestOld && j > furthestWritten)) furthestOld = i, furthestWritten = j;
    const bool both = i < old.size() && j < written.size();
    std::string_view oldKey, newKey;
    if (both && StartsWithAny(old[i], rules.replaced, &oldKey) && StartsWithAny(written[j], rules.replaced, &newKey) &&
        oldKey == newKey && NewLineOk(written[j]) && Aligns(i + 1, j + 1))
      return true;
    if (j < written.size() && StartsWithAny(written[j], rules.inserted) && NewLineOk(written[j]) && Aligns(i, j + 1))
      return true;
    if (i < old.size() && StartsWithAny(old[i], rules.dropped) && Aligns(i + 1, j)) return true;
    failed.insert({i, j});
    return false;
  }
};

std::string RewriteDifference(std::string_view before, std::string_view after, const RewriteRules& rules) {
  // The bytes after the last line end come through unchanged.
  std::size_t lastCr = before.rfind('\r');
  std::size_t tailStart = 0;
  if (lastCr != std::string_view::npos) {
    tailStart = lastCr + 1;
    if (tailStart < before.size() && before[tailStart] == '\n') ++tailStart;
  }
  std::string_view tail = before.substr(tailStart);
  if (after.size() < tail.size() || after.substr(after.size() - tail.size()) != tail)
    return "the bytes after the last line end changed";
  std::string_view head = after.substr(0, after.size() - tail.size());
  // Every line written ends with CR LF, and no CR stands anywhere else.
  std::vector<std::string_view> written;
  std::size_t start = 0;
  for (std::size_t cr; (cr = head.find('\r', start)) != std::string_view::npos; start = cr + 2) {
    if (cr + 1 >= head.size() || head[cr + 1] != '\n')
      return "a CR without LF at byte " + std::to_string(cr) + " of the result";
    written.push_back(head.substr(start, cr - start));
  }
  if (start != head.size()) return "the result's last line has no line end";

  std::vector<std::string_view> old = SceneLines(before);
  Alignment alignment{old, written, rules, {}, 0, 0};
  if (alignment.Aligns(0, 0)) return {};
  const std::size_t i = alignment.furthestOld, j = alignment.furthestWritten;
  return "line " + std::to_string(i + 1) + " of the scene " + (i < old.size() ? Shown(old[i]) : "(none)") +
         " against line " + std::to_string(j + 1) + " of the result " +
         (j < written.size() ? Shown(written[j]) : "(none)");
}

}  // namespace fuzz
