// Tallowbridge: render-queue manager for LightWave's command-line renderer.
#include "core/startup.h"

#ifdef _WIN32
#include <windows.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  StartUp();
  EndProgram();
}
#else
int main() {
  StartUp();
  EndProgram();
}
#endif
