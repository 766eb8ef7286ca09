// A stand-in Layout.exe for "View Scene (LW)": it records how it was
// started (its command line, then its working folder, one per line) in
// Layout-started.txt beside itself, and ends.
#include <windows.h>

#include <fstream>
#include <string>

int main() {
  char self[MAX_PATH] = {};
  char folder[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, folder);
  std::string record = self;
  record = record.substr(0, record.find_last_of('\\') + 1) + "Layout-started.txt";
  std::ofstream out(record, std::ios::binary | std::ios::app);
  out << GetCommandLineA() << "\r\n" << folder << "\r\n";
  return out ? 0 : 1;
}
