// The one reader and writer of the program's group-and-key text files (the
// program settings file and the project files).
//
// Written lines: "[group]", "key = value", ";comment", each ending in CR LF.
// Read: a group header starts with "[" in column 0; entry lines may begin
// with blanks (not tabs); keys and group names match ignoring case at their
// exact length; the first matching group and the first matching key win;
// trailing blanks stay part of a value; a NUL byte ends the content.
//
// There is one preference file for the whole process: opening one closes
// whatever was open before.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace PreferenceFile {

// Closes any open file, reads path whole (relative to the program
// directory) and searches the lines above the first group until a group is
// selected. False when the file cannot be opened.
bool OpenForReading(const std::string& path);

// Closes any open file, creates or truncates path (relative to the program
// directory). False when the file cannot be created.
bool CreateForWriting(const std::string& path);

// Writing: writes the header line and returns true. Reading: true when a
// group of that name exists; until the next successful call reads search
// its lines, and after a failed one every read gives its default.
bool SelectGroup(std::string_view group);

// The key's value in the selected group, or fallback when it is missing. A
// key present with an empty value gives empty text, not the fallback.
std::string ReadString(std::string_view key, std::string_view fallback);
// The key's value converted as C atoi does (a non-numeric value gives 0),
// or fallback when the key is missing. Values beyond 32 bits are clamped.
std::int32_t ReadNumber(std::string_view key, std::int32_t fallback);

// Each write emits its line at once. An empty key writes nothing.
void WriteString(std::string_view key, std::string_view value);
void WriteNumber(std::string_view key, std::int32_t value);
void WriteComment(std::string_view text);

// Closes the file; safe when nothing is open. In writing mode the result
// tells whether every line and the close itself reached the file, so a
// caller that cares can refuse to use a partly written file.
bool Close();

}  // namespace PreferenceFile
