// Reading group-and-key files of any bytes: every group and key the file
// seems to hold is looked up, a value never holds a line end or a NUL, a
// number is the value read as atoi reads it, and whatever was read is
// written back by the writer and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "persist/preference_file.h"

namespace {

const std::string kFile = "C:\\Tallowbridge\\p.ini";
const std::string kCopy = "C:\\Tallowbridge\\q.ini";
const std::string kMissing = "\n";   // no value holds a line end
constexpr std::size_t kMaxNames = 24;

struct Group {
  std::string name;
  std::vector<std::pair<std::string, std::string>> values;   // key, value read
};

bool AlreadyIn(const std::vector<std::string>& names, std::string_view name) {
  for (const auto& n : names)
    if (EqualsNoCase(n, name)) return true;
  return false;
}

// Group names ("[" at a line start, up to "]" or the line end) and key
// names (the text before "=", without blanks around it) as a reader of the
// file would guess them; "" stands for the lines above the first group.
void GuessNames(std::string_view bytes, std::vector<std::string>& groups, std::vector<std::string>& keys) {
  groups.push_back("");
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line[0] == '[') {
      std::string name(line.substr(1, line.find(']') == std::string_view::npos ? line.npos : line.find(']') - 1));
      if (groups.size() < kMaxNames && !AlreadyIn(groups, name)) groups.push_back(name);
      continue;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = line.substr(0, equals);
    while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    if (key.empty() || key[0] == ';' || key[0] == '[' || key.find('\0') != std::string_view::npos) continue;
    if (keys.size() < kMaxNames && !AlreadyIn(keys, key)) keys.emplace_back(key);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Begin();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::WriteFile(kFile, bytes);
  std::vector<std::string> groupNames, keys;
  GuessNames(bytes, groupNames, keys);

  FUZZ_CHECK(PreferenceFile::OpenForReading(kFile), "an existing file could not be opened");
  std::vector<Group> groups;
  for (const auto& name : groupNames) {
    // "" selects the lines above the first group only right after opening.
    bool found = name.empty() ? (PreferenceFile::OpenForReading(kFile), true) : PreferenceFile::SelectGroup(name);
    if (!found) continue;
    Group group{name, {}};
    for (const auto& key : keys) {
      std::string value = PreferenceFile::ReadString(key, kMissing);
      std::int32_t number = PreferenceFile::ReadNumber(key, 123456789);
      if (value == kMissing) {
        FUZZ_CHECK(number == 123456789, "a number read for a missing key");
        continue;
      }
      FUZZ_CHECK(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                 "the value of '" + key + "' holds a line end or a NUL");
      FUZZ_CHECK(value.empty() || value[0] != ' ', "the value of '" + key + "' starts with a blank");
      std::size_t first = value.find_first_not_of(" \t\v\f");
      FUZZ_CHECK(number == (first == std::string::npos ? 0 : ReadNumber(std::string_view(value).substr(first))),
                 "the number of '" + key + "' is not its value read as a number");
      group.values.emplace_back(key, value);
    }
    groups.push_back(std::move(group));
  }
  PreferenceFile::Close();

  // Written back and read again, every value is the same.
  FUZZ_CHECK(PreferenceFile::CreateForWriting(kCopy), "the copy could not be created");
  for (const auto& group : groups) {
    if (!group.name.empty() && group.name.find_first_of(std::string_view("]\r\n\0", 4)) != std::string::npos) continue;
    if (!group.name.empty() || &group != &groups.front()) PreferenceFile::SelectGroup(group.name);
    for (const auto& [key, value] : group.values) PreferenceFile::WriteString(key, value);
  }
  FUZZ_CHECK(PreferenceFile::Close(), "the copy was not written whole");
  FUZZ_CHECK(PreferenceFile::OpenForReading(kCopy), "the copy could not be read");
  for (const auto& group : groups) {
    if (!group.name.empty() && group.name.find_first_of(std::string_view("]\r\n\0", 4)) != std::string::npos) continue;
    if (group.name.empty()) {
      if (&group != &groups.front()) continue;
      PreferenceFile::OpenForReading(kCopy);
    } else {
      FUZZ_CHECK(PreferenceFile::SelectGroup(group.name), "group '" + group.name + "' lost in the copy");
    }
    for (const auto& [key, value] : group.values)
      FUZZ_CHECK(PreferenceFile::ReadString(key, kMissing) == value,
                 "'" + key + "' of group '" + group.name + "' reads otherwise in the copy");
  }
  PreferenceFile::Close();
  return 0;
}
