// Real files below the test's drive folders, with faults a test can ask for.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>

#include "platform/headless/headless_internal.h"

namespace fs = std::filesystem;
using headless::detail::Host;
using headless::detail::Normalised;
using headless::detail::Record;
using headless::detail::S;

namespace {

struct OpenFile {
  int fd = -1;
  std::string windowsPath;
};

std::map<pf::FileHandle, OpenFile>& Files() {
  static std::map<pf::FileHandle, OpenFile> files;
  return files;
}

// Counts a file operation; true when it is the one asked to fail. Names are
// built only while operations are counted.
bool Counting() { return S().countFileOperations; }
bool Fails(std::string operation) {
  auto& s = S();
  if (!s.countFileOperations) return false;
  s.fileOperations.push_back(std::move(operation));
  return s.fileOperations.size() == s.failFileOperation;
}

const char* ModeName(pf::FileMode mode) {
  switch (mode) {
    case pf::FileMode::ReadShared: return "read";
    case pf::FileMode::ReadWriteShared: return "readwrite";
    case pf::FileMode::ReadDenyWrite: return "readdenywrite";
    case pf::FileMode::CreateWrite: return "create";
  }
  return "?";
}

// As on Windows, where no file is opened with delete sharing: a file held
// open cannot be replaced, renamed or deleted.
bool IsOpen(const std::string& path) {
  const std::string wanted = Normalised(path);
  for (const auto& [handle, file] : Files())
    if (Normalised(file.windowsPath) == wanted) return true;
  return false;
}

bool IsLocked(const std::string& path) { return S().locked.count(Normalised(path)) > 0; }
bool IsReadOnly(const std::string& path) { return S().readOnly.count(Normalised(path)) > 0; }

// Windows wildcard match: * and ?, letters compared without case.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') return Matches(pattern + 1, name) || (*name && Matches(pattern, name + 1));
  if (*name == '\0') return false;
  if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                             std::tolower(static_cast<unsigned char>(*name)))
    return false;
  return Matches(pattern + 1, name + 1);
}

}  // namespace

namespace pf {

FileHandle FileOpen(const std::string& path, FileMode mode) {
  if (Counting() && Fails("open " + path + " " + ModeName(mode))) return 0;
  std::string host = Host(path);
  if (host.empty() || IsLocked(path)) return 0;
  if (mode == FileMode::ReadDenyWrite && S().beingWritten.count(Normalised(path))) return 0;
  if (mode != FileMode::ReadShared && mode != FileMode::ReadDenyWrite && IsReadOnly(path)) return 0;
  int flags = O_RDONLY;
  if (mode == FileMode::ReadWriteShared) flags = O_RDWR;
  if (mode == FileMode::CreateWrite) flags = O_WRONLY | O_CREAT | O_TRUNC;
  struct stat st {};
  if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return 0;
  int fd = ::open(host.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  static FileHandle next = 1;
  FileHandle handle = next++;
  Files()[handle] = {fd, path};
  return handle;
}

std::int64_t FileRead(FileHandle file, void* buffer, std::int64_t bytes) {
  if (Fails("read")) return -1;
  auto it = Files().find(file);
  if (it == Files().end()) return -1;
  std::int64_t total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < bytes) {
    ssize_t n = ::read(it->second.fd, out + total, static_cast<size_t>(bytes - total));
    if (n < 0) return -1;
    if (n == 0) break;
    total += n;
  }
  S().bytesRead += total;
  return total;
}

std::int64_t FileWrite(FileHandle file, const void* buffer, std::int64_t bytes) {
  if (Fails("write")) return -1;
  auto it = Files().find(file);
  if (it == Files().end()) return -1;
  auto& budget = S().writeBudget;
  std::int64_t allowed = bytes;
  if (budget >= 0 && allowed > budget) allowed = budget;
  std::int64_t total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (total < allowed) {
    ssize_t n = ::write(it->second.fd, in + total, static_cast<size_t>(allowed - total));
    if (n <= 0) return -1;
    total += n;
  }
  if (budget >= 0) budget -= total;
  return total == bytes ? total : -1;   // a short write is a failed write (disk full)
}

std::int64_t FileLength(FileHandle file) {
  if (Fails("length")) return -1;
  auto it = Files().find(file);
  if (it == Files().end()) return -1;
  struct stat st {};
  return fstat(it->second.fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool FileSeek(FileHandle file, std::int64_t offset) {
  if (Fails("seek")) return false;
  auto it = Files().find(file);
  if (it == Files().end() || offset < 0) return false;
  return ::lseek(it->second.fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

bool FileClose(FileHandle file) {
  auto it = Files().find(file);
  if (it == Files().end()) return false;
  bool failed = Fails("close");
  bool ok = ::close(it->second.fd) == 0 && !failed;
  Files().erase(it);
  return ok;
}

bool PathMissing(const std::string& path) {
  if (Counting() && Fails("exists " + path)) return false;
  std::string host = Host(path);
  struct stat st {};
  return host.empty() || (stat(host.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR));
}

bool FileFlush(FileHandle file) {
  auto it = Files().find(file);
  if (it == Files().end() || Fails("flush")) return false;
  return ::fsync(it->second.fd) == 0;
}

std::int64_t QueryFileSize(const std::string& path) {
  if (Counting() && Fails("size " + path)) return -1;
  std::string host = Host(path);
  struct stat st {};
  if (host.empty() || stat(host.c_str(), &st) != 0) return -1;
  if (S_ISDIR(st.st_mode)) return -2;
  return static_cast<std::int64_t>(st.st_size);
}

std::int64_t FileWrittenAgoMs(const std::string& path) {
  if (QueryFileSize(path) < 0) return -1;
  const auto it = S().writtenAgoMs.find(Normalised(path));
  return it != S().writtenAgoMs.end() ? it->second : 3600 * 1000;
}

std::string FileVersion(const std::string& path) {
  auto found = S().fileVersions.find(Normalised(path));
  return found == S().fileVersions.end() || QueryFileSize(path) < 0 ? std::string() : found->second;
}

bool DeletePath(const std::string& path) {
  if (Counting() && Fails("delete " + path)) return false;
  std::string host = Host(path);
  if (host.empty() || IsLocked(path) || IsReadOnly(path) || IsOpen(path)) return false;
  Record("delete " + path);
  return ::unlink(host.c_str()) == 0;
}

bool MovePathOver(const std::string& source, const std::string& target) {
  if (Counting() && Fails("replace " + target)) return false;
  std::string from = Host(source), to = Host(target);
  if (from.empty() || to.empty() || S().failReplace) return false;
  if (IsLocked(source) || IsLocked(target) || IsReadOnly(target) || IsOpen(source) || IsOpen(target)) return false;
  Record("replace " + target + " <- " + source);
  if (std::rename(from.c_str(), to.c_str()) != 0) return false;
  if (S().replaced) S().replaced(target);
  return true;
}

bool MakeDirectory(const std::string& path) {
  if (Counting() && Fails("mkdir " + path)) return false;
  std::string host = Host(path);
  return !host.empty() && ::mkdir(host.c_str(), 0755) == 0;
}

bool RenamePath(const std::string& source, const std::string& target) {
  if (Counting() && Fails("rename " + target)) return false;
  std::string from = Host(source), to = Host(target);
  struct stat st {};
  if (from.empty() || to.empty() || IsReadOnly(source) || stat(to.c_str(), &st) == 0) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveDirectoryPath(const std::string& path) {
  if (Counting() && Fails("rmdir " + path)) return false;
  std::string host = Host(path);
  return !host.empty() && !IsReadOnly(path) && ::rmdir(host.c_str()) == 0;
}

bool RemoveLink(const std::string& path) {
  if (Counting() && Fails("unlink " + path)) return false;
  std::string host = Host(path);
  struct stat st {};
  if (host.empty() || lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  Record("unlink " + path);
  return ::unlink(host.c_str()) == 0;
}

std::string AnsiToUtf8(const std::string& text) {
  // Windows-1252's 0x80 to 0x9F; the rest of the upper half is Latin-1.
  static const char16_t kHigh[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                     0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  for (unsigned char c : text) {
    const unsigned code = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

std::vector<DirEntry> ListDirectory(const std::string& directory, const std::string& pattern) {
  if (Counting() && Fails("list " + directory)) return {};
  std::string host = Host(directory);
  std::error_code ec;
  if (host.empty() || !fs::is_directory(host, ec)) return {};
  // NTFS lists names in order, without regard to case.
  std::vector<std::pair<std::string, DirEntry>> sorted;
  for (const auto& item : fs::directory_iterator(host, ec)) {
    std::string name = item.path().filename().string();
    if (!Matches(pattern.c_str(), name.c_str())) continue;
    DirEntry entry;
    entry.isDirectory = item.is_directory(ec);
    entry.isLink = item.is_symlink(ec);
    if (!entry.isDirectory) {
      entry.size = static_cast<std::int64_t>(item.file_size(ec));
      entry.writeTime = static_cast<std::int64_t>(item.last_write_time(ec).time_since_epoch().count());
    }
    std::string key = name;
    for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    entry.name = std::move(name);
    sorted.emplace_back(std::move(key), std::move(entry));
  }
  std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<DirEntry> out;
  out.reserve(sorted.size());
  for (auto& item : sorted) out.push_back(std::move(item.second));
  return out;
}

std::vector<std::string> ListDriveRoots() { return S().drives; }

}  // namespace pf

namespace headless {

void FailWritesAfter(std::int64_t bytes) { S().writeBudget = bytes; }
void SetFileVersion(const std::string& windowsPath, const std::string& version) {
  S().fileVersions[Normalised(windowsPath)] = version;
}

void LockPath(const std::string& windowsPath, bool locked) {
  if (locked) S().locked.insert(Normalised(windowsPath));
  else S().locked.erase(Normalised(windowsPath));
}
void SetBeingWritten(const std::string& windowsPath, bool writing) {
  if (writing) S().beingWritten.insert(Normalised(windowsPath));
  else S().beingWritten.erase(Normalised(windowsPath));
}
void SetWrittenAgo(const std::string& windowsPath, std::int64_t milliseconds) {
  S().writtenAgoMs[Normalised(windowsPath)] = milliseconds;
}
void SetReadOnly(const std::string& windowsPath, bool readOnly) {
  if (readOnly) S().readOnly.insert(Normalised(windowsPath));
  else S().readOnly.erase(Normalised(windowsPath));
}
void FailReplace(bool fail) { S().failReplace = fail; }
void FailFileOperation(int n) {
  S().countFileOperations = true;
  S().fileOperations.clear();
  S().failFileOperation = n > 0 ? static_cast<std::size_t>(n) : 0;
}
const std::vector<std::string>& FileOperations() { return S().fileOperations; }
std::int64_t BytesRead() { return S().bytesRead; }
void OnFileReplaced(std::function<void(const std::string&)> fn) { S().replaced = std::move(fn); }

}  // namespace headless
