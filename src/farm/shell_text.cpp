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
