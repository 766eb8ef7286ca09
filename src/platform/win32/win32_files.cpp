// Files and directories through the A-functions. Relative names are taken
// from the program's directory, never the working directory.
#include <algorithm>
#include <cctype>

#include "platform/win32/win32_internal.h"

#include <winver.h>

namespace {

HANDLE ToHandle(pf::FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// Windows wildcards: * and ?, letters without case. Matched here against the
// long name only: FindFirstFile would also match the 8.3 short name, so that
// "*.tga" would find "a.tgax".
bool Matches(const char* pattern, const char* name) {
  while (*pattern) {
    if (*pattern == '*') {
      while (*pattern == '*') ++pattern;
      if (!*pattern) return true;
      for (; *name; ++name)
        if (Matches(pattern, name)) return true;
      return false;
    }
    if (!*name) return false;
    if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                               std::tolower(static_cast<unsigned char>(*name)))
      return false;
    ++pattern;
    ++name;
  }
  return *name == '\0';
}

std::string Lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

}  // namespace

namespace pf {

FileHandle FileOpen(const std::string& path, FileMode mode) {
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  DWORD disposition = OPEN_EXISTING;
  if (mode == FileMode::ReadWriteShared) access = GENERIC_READ | GENERIC_WRITE;
  // Refused with a sharing violation while a writer holds the file open.
  if (mode == FileMode::ReadDenyWrite) share = FILE_SHARE_READ;
  if (mode == FileMode::CreateWrite) {
    access = GENERIC_WRITE;
    share = FILE_SHARE_READ;
    disposition = CREATE_ALWAYS;
  }
  HANDLE h = CreateFileA(win32::ResolvePath(path).c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<FileHandle>(h);
}

std::int64_t FileRead(FileHandle file, void* buffer, std::int64_t bytes) {
  if (!file || bytes < 0) return -1;
  std::int64_t total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < bytes) {
    DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(bytes - total, 1 << 30));
    DWORD got = 0;
    if (!ReadFile(ToHandle(file), out + total, chunk, &got, nullptr)) return -1;
    if (got == 0) break;
    total += got;
  }
  return total;
}

// A short write (disk full) is a failed write.
std::int64_t FileWrite(FileHandle file, const void* buffer, std::int64_t bytes) {
  if (!file || bytes < 0) return -1;
  std::int64_t total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (total < bytes) {
    DWORD chunk = static_cast<DWORD>(std::min<std::int64_t>(bytes - total, 1 << 30));
    DWORD put = 0;
    if (!WriteFile(ToHandle(file), in + total, chunk, &put, nullptr) || put == 0) return -1;
    total += put;
  }
  return total;
}

std::int64_t FileLength(FileHandle file) {
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(ToHandle(file), &size)) return -1;
  return size.QuadPart;
}

bool FileSeek(FileHandle file, std::int64_t offset) {
  LARGE_INTEGER to{};
  to.QuadPart = offset;
  return file && offset >= 0 && SetFilePointerEx(ToHandle(file), to, nullptr, FILE_BEGIN);
}

bool FileClose(FileHandle file) { return file && CloseHandle(ToHandle(file)); }

bool FileFlush(FileHandle file) { return file && FlushFileBuffers(ToHandle(file)); }

std::int64_t QueryFileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(win32::ResolvePath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -2;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::int64_t FileWrittenAgoMs(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(win32::ResolvePath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  // 100-nanosecond ticks; a write stamped in the future counts as just now.
  const std::int64_t ago = (ticks(now) - ticks(data.ftLastWriteTime)) / 10000;
  return ago < 0 ? 0 : ago;
}

std::string FileVersion(const std::string& path) {
  const std::string resolved = win32::ResolvePath(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(resolved.c_str(), &ignored);
  if (size == 0) return {};
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(resolved.c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != 0xFEEF04BD)
    return {};
  std::string text = std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) +
                     "." + std::to_string(HIWORD(info->dwFileVersionLS));
  if (LOWORD(info->dwFileVersionLS) != 0) text += "." + std::to_string(LOWORD(info->dwFileVersionLS));
  return text;
}

bool PathMissing(const std::string& path) {
  if (GetFileAttributesA(win32::ResolvePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool DeletePath(const std::string& path) { return DeleteFileA(win32::ResolvePath(path).c_str()) != 0; }

bool MovePathOver(const std::string& source, const std::string& target) {
  return MoveFileExA(win32::ResolvePath(source).c_str(), win32::ResolvePath(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool MakeDirectory(const std::string& path) {
  return CreateDirectoryA(win32::ResolvePath(path).c_str(), nullptr) != 0;
}

bool RenamePath(const std::string& source, const std::string& target) {
  return MoveFileA(win32::ResolvePath(source).c_str(), win32::ResolvePath(target).c_str()) != 0;
}

bool RemoveDirectoryPath(const std::string& path) {
  return RemoveDirectoryA(win32::ResolvePath(path).c_str()) != 0;
}

// A link to a folder goes with RemoveDirectory, one to a file with
// DeleteFile; neither touches what the link points to.
bool RemoveLink(const std::string& path) {
  const std::string resolved = win32::ResolvePath(path);
  const DWORD attributes = GetFileAttributesA(resolved.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryA(resolved.c_str()) != 0;
  return DeleteFileA(resolved.c_str()) != 0;
}

std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return text;
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide <= 0) return text;
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return text;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

std::vector<DirEntry> ListDirectory(const std::string& directory, const std::string& pattern) {
  std::vector<DirEntry> out;
  std::string base = win32::ResolvePath(directory);
  if (!base.empty() && base.back() != '\\' && base.back() != '/') base.push_back('\\');
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return out;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == ".." || !Matches(pattern.c_str(), name.c_str())) continue;
    DirEntry entry;
    entry.name = name;
    entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    entry.writeTime = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                                data.ftLastWriteTime.dwLowDateTime);
    out.push_back(entry);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  // In name order without regard to case, as NTFS lists them on every volume.
  std::sort(out.begin(), out.end(),
            [](const DirEntry& a, const DirEntry& b) { return Lower(a.name) < Lower(b.name); });
  return out;
}

std::vector<std::string> ListDriveRoots() {
  std::vector<std::string> roots;
  DWORD size = GetLogicalDriveStringsA(0, nullptr);
  if (size == 0) return roots;
  std::string buffer(size + 1, '\0');
  DWORD n = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
  for (size_t i = 0; i < n && buffer[i];) {
    std::string root = buffer.c_str() + i;
    i += root.size() + 1;
    roots.push_back(root);
  }
  return roots;
}

}  // namespace pf
