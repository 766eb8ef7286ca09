// Small text helpers shared by every part of the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Everything up to and including the last backslash; empty if none.
std::string DirectoryPart(std::string_view path);
// Everything after the last backslash.
std::string FilePart(std::string_view path);
// Everything after the last "." that follows the last backslash.
std::string ExtensionPart(std::string_view path);

// Lenient number reading: leading blanks, optional sign, decimal digits up
// to the first other character; no digits reads as 0. Values beyond 32 bits
// are clamped.
std::int32_t ReadNumber(std::string_view text);

std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);
// Without the blanks and tabs at either end.
std::string Trim(std::string_view text);
