#include "persist/preference_file.h"

#include <vector>

#include "core/text.h"
#include "platform/platform.h"

namespace PreferenceFile {
namespace {

enum class Mode { Closed, Reading, Writing };

constexpr std::size_t kNoGroup = std::string::npos;

struct State {
  Mode mode = Mode::Closed;
  pf::FileHandle file = 0;
  std::string content;              // reading: the file up to its first NUL
  std::size_t groupPos = kNoGroup;  // reading: where key searches start
  bool writesOk = true;             // writing: every line reached the file
};

State s;

// Start of the line after the one holding pos: past the next LF and past one
// CR directly after it.
std::size_t NextLine(std::size_t pos) {
  auto lf = s.content.find('\n', pos);
  if (lf == std::string::npos) return s.content.size();
  ++lf;
  if (lf < s.content.size() && s.content[lf] == '\r') ++lf;
  return lf;
}

bool ReadWhole(pf::FileHandle file, std::string& out) {
  out.clear();
  std::vector<char> chunk(64 * 1024);
  for (;;) {
    auto got = pf::FileRead(file, chunk.data(), static_cast<std::int64_t>(chunk.size()));
    if (got < 0) return false;
    if (got == 0) break;
    out.append(chunk.data(), static_cast<std::size_t>(got));
  }
  // A NUL byte ends the readable content.
  auto nul = out.find('\0');
  if (nul != std::string::npos) out.resize(nul);
  return true;
}

// Whether the line at pos is the header of group: "[" in column 0, the name
// up to the first "]" or the end of the line.
bool IsHeaderOf(std::size_t pos, std::string_view group) {
  const std::string& c = s.content;
  if (pos >= c.size() || c[pos] != '[') return false;
  auto start = pos + 1;
  auto stop = c.find_first_of("]\r\n", start);
  if (stop == std::string::npos) stop = c.size();
  return EqualsNoCase(std::string_view(c).substr(start, stop - start), group);
}

// Position of the value of key in the selected group, or npos.
std::size_t FindValue(std::string_view key) {
  if (s.mode != Mode::Reading || s.groupPos == kNoGroup || key.empty()) return std::string::npos;
  const std::string& c = s.content;
  const std::size_t n = c.size();
  for (std::size_t line = s.groupPos; line < n; line = NextLine(line)) {
    if (c[line] == '[') break;  // the next group begins
    std::size_t p = line;
    while (p < n && c[p] == ' ') ++p;
    if (p < n && c[p] == ';') continue;
    const std::size_t keyStart = p;
    while (p < n && c[p] != '=' && c[p] != '\n') ++p;
    if (p >= n || c[p] != '=') continue;
    std::size_t keyEnd = p;
    while (keyEnd > keyStart && c[keyEnd - 1] == ' ') --keyEnd;
    if (!EqualsNoCase(std::string_view(c).substr(keyStart, keyEnd - keyStart), key)) continue;
    ++p;
    while (p < n && c[p] == ' ') ++p;
    return p;
  }
  return std::string::npos;
}

// The value starting at pos, up to the end of its line.
std::string_view ValueAt(std::size_t pos) {
  auto end = s.content.find_first_of("\r\n", pos);
  if (end == std::string::npos) end = s.content.size();
  return std::string_view(s.content).substr(pos, end - pos);
}

void WriteLine(std::string line) {
  if (s.mode != Mode::Writing) return;
  line += "\r\n";
  auto size = static_cast<std::int64_t>(line.size());
  if (pf::FileWrite(s.file, line.data(), size) != size) s.writesOk = false;
}

}  // namespace

bool OpenForReading(const std::string& path) {
  Close();
  auto file = pf::FileOpen(path, pf::FileMode::ReadShared);
  if (file == 0) return false;
  if (!ReadWhole(file, s.content)) {
    pf::FileClose(file);
    s.content.clear();
    return false;
  }
  s.file = file;
  s.mode = Mode::Reading;
  s.groupPos = 0;  // the lines above the first group
  return true;
}

bool CreateForWriting(const std::string& path) {
  Close();
  auto file = pf::FileOpen(path, pf::FileMode::CreateWrite);
  if (file == 0) return false;
  s.file = file;
  s.mode = Mode::Writing;
  s.writesOk = true;
  return true;
}

bool SelectGroup(std::string_view group) {
  s.groupPos = kNoGroup;
  if (s.mode == Mode::Writing) {
    std::string line = "[";
    line.append(group);
    WriteLine(line + "]");
    return true;
  }
  if (s.mode != Mode::Reading) return false;
  for (std::size_t line = 0; line < s.content.size(); line = NextLine(line)) {
    if (IsHeaderOf(line, group)) {
      s.groupPos = NextLine(line);
      return true;
    }
  }
  return false;
}

std::string ReadString(std::string_view key, std::string_view fallback) {
  auto pos = FindValue(key);
  if (pos == std::string::npos) return std::string(fallback);
  return std::string(ValueAt(pos));
}

std::int32_t ReadNumber(std::string_view key, std::int32_t fallback) {
  auto pos = FindValue(key);
  if (pos == std::string::npos) return fallback;
  auto value = ValueAt(pos);
  // atoi also passes over tabs, vertical tabs and form feeds.
  auto first = value.find_first_not_of(" \t\v\f");
  if (first == std::string_view::npos) return 0;
  return ::ReadNumber(value.substr(first));
}

void WriteString(std::string_view key, std::string_view value) {
  if (key.empty()) return;
  std::string line(key);
  WriteLine(line.append(" = ").append(value));
}

void WriteNumber(std::string_view key, std::int32_t value) {
  if (key.empty()) return;
  std::string line(key);
  WriteLine(line.append(" = ").append(std::to_string(value)));
}

void WriteComment(std::string_view text) {
  std::string line = ";";
  WriteLine(line.append(text));
}

bool Close() {
  bool ok = true;
  if (s.file != 0) {
    bool closed = pf::FileClose(s.file);
    if (s.mode == Mode::Writing) ok = closed && s.writesOk;
  }
  s = State{};
  return ok;
}

}  // namespace PreferenceFile
