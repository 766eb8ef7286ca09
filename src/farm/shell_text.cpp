#include "farm/shell_text.h"

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

std::string SchedulerName(std::string_view text) {
  std::string name;
  for (char c : text.substr(0, 64)) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                      c == '_' || c == '-';
    name += kept ? c : '_';
  }
  return name.empty() ? "scene" : name;
}

std::string SchedulerWord(std::string_view text, std::string_view extra) {
  std::string word;
  for (char c : text) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                      c == '_' || c == '-' || extra.find(c) != std::string_view::npos;
    if (kept) word += c;
  }
  return word;
}
