// Message boxes and the system's file and folder requesters.
#include "platform/win32/win32_internal.h"

#include <commdlg.h>
#include <shlobj.h>

#include <utility>

namespace {

using win32::S;

// "Desc|*.ext|Desc2|*.x" -> "Desc\0*.ext\0Desc2\0*.x\0\0" as the dialogs want.
std::string DialogFilter(const std::string& filter) {
  std::string out = filter;
  for (char& ch : out)
    if (ch == '|') ch = '\0';
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// filterIndex counts from 0, as the program numbers its filters.
std::string FileRequester(bool save, const std::string& title, const std::string& start,
                          const std::string& filter, int filterIndex) {
  win32::ModalScope modal;
  std::string filters = DialogFilter(filter);
  std::string directory = start;
  std::string file(32768, '\0');   // the dialog needs room for any chosen path
  if (!start.empty() && !IsDirectory(start) && start.back() != '\\') {
    size_t slash = start.find_last_of('\\');
    directory = slash == std::string::npos ? std::string() : start.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? start : start.substr(slash + 1);
    file.replace(0, name.size(), name);
  }
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = win32::OwnerWindow();
  ofn.lpstrFilter = filter.empty() ? nullptr : filters.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(filterIndex + 1);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
  ofn.lpstrTitle = title.c_str();
  // A typed name is taken as it is: the program checks what it gets.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!ok) return {};
  file.resize(file.find('\0'));
  return file;
}

// The starting folder of the open folder requester, selected when it opens
// and once more a moment later: Wine fills the tree of a first requester
// after its first selection and lands on another folder.
const char* browseStart = nullptr;
constexpr UINT_PTR kReselectTimer = 1;

void CALLBACK Reselect(HWND hwnd, UINT, UINT_PTR timer, DWORD) {
  KillTimer(hwnd, timer);
  if (browseStart) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(browseStart));
}

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
  if (message != BFFM_INITIALIZED || !data) return 0;
  browseStart = reinterpret_cast<const char*>(data);
  SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  SetTimer(hwnd, kReselectTimer, 250, Reselect);
  return 0;
}

}  // namespace

namespace pf {

namespace {
bool quietMessages = false;
std::vector<std::string> quietTexts;
}  // namespace

void SetQuietMessages(bool quiet) { quietMessages = quiet; }
std::vector<std::string> TakeQuietMessages() { return std::exchange(quietTexts, {}); }

int ShowMessage(const std::string& title, const std::string& text, int style) {
  if (quietMessages) {
    quietTexts.push_back(title + ": " + text);
    return (style & 0xF) == MB_YESNO || (style & 0xF) == MB_YESNOCANCEL ? IDNO : IDOK;
  }
  win32::ModalScope modal;
  return MessageBoxA(win32::OwnerWindow(), text.c_str(), title.c_str(), static_cast<UINT>(style));
}

std::string RequestOpenFile(const std::string& title, const std::string& start, const std::string& filter,
                            int filterIndex) {
  return FileRequester(false, title, start, filter, filterIndex);
}

// No overwrite prompt: the program asks its own questions.
std::string RequestSaveFile(const std::string& title, const std::string& start, const std::string& filter,
                            int filterIndex) {
  return FileRequester(true, title, start, filter, filterIndex);
}

std::string RequestPath(const std::string& title, const std::string& start) {
  win32::ModalScope modal;
  std::string startPath = start;
  // The folder dialog selects "C:\dir" but not always "C:\dir\".
  if (startPath.size() > 3 && startPath.back() == '\\') startPath.pop_back();
  BROWSEINFOA bi{};
  bi.hwndOwner = win32::OwnerWindow();
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseCallback;
  bi.lParam = startPath.empty() ? 0 : reinterpret_cast<LPARAM>(startPath.c_str());
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderA(&bi);
  browseStart = nullptr;
  if (!pidl) return {};
  std::string path(MAX_PATH + 1, '\0');
  BOOL ok = SHGetPathFromIDListA(pidl, path.data());
  CoTaskMemFree(pidl);
  if (!ok) return {};
  path.resize(path.find('\0'));
  if (path.empty()) return {};
  if (path.back() != '\\') path.push_back('\\');
  return path;
}

}  // namespace pf
